#include "transfer/MailCommands.h"

#include "archive/ArchiveCommands.h"
#include "commands/CommandTable.h"
#include "dialogs/MessageBox.h"
#include "dialogs/WaitCursor.h"
#include "fileops/Selection.h"
#include "open/ShellWords.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "resources/Commands.h"
#include "resources/StringTable.h"
#include "settings/SettingsSchema.h"
#include "transfer/EmailAccountDialog.h"
#include "transfer/EmailAccounts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

using platform::FsError;

namespace {

// The folder the phone kept its temporary attachment in, as the texts that tell of it name it.
const QString PhoneFolder = QStringLiteral("\\Storage\\Application Data\\Volatile");

bool isMmsType(const QString& path)
{
    static const QStringList types = {QStringLiteral("3gp"), QStringLiteral("amr"), QStringLiteral("gif"),
                                      QStringLiteral("jpg"), QStringLiteral("jpeg")};
    return std::any_of(types.begin(), types.end(),
                       [&](const QString& type) { return path.endsWith(type, Qt::CaseInsensitive); });
}

}  // namespace

void MailCommands::registerCommands(CommandTable& table)
{
    table.add(
        Cmd::SendFileEmail, [this] { sendByEmail(); }, m_currentIsFile);
    table.add(
        Cmd::SendFileMms, [this] { sendByMms(); }, [this] { return m_currentIsFile() && isMmsType(m_currentPath()); });
    table.add(
        Cmd::ZipSelectionAndMail, [this] { zipSelectionAndMail(); }, [this] { return !m_selection.isEmpty(); });
}

QString MailCommands::attachmentFolder() const
{
    const QString name = QStringLiteral("Fennick attachments");
    QByteArray root = m_fileSystem.hostPath(QStringLiteral("\\"));
    if (!root.endsWith('/'))
        root += '/';
    const QByteArray home = QFile::encodeName(QDir::homePath()) + '/';
    if (!home.startsWith(root))
        return u'\\' + name;
    QString folder;
    for (const QByteArray& part : home.mid(root.size()).split('/'))
        if (!part.isEmpty())
            folder += u'\\' + platform::PathMapper::nameFromHost(part);
    return folder + u'\\' + name;
}

bool MailCommands::launchComposer(const QStringList& arguments)
{
    QStringList words = ShellWords::split(SettingsSchema::read(SettingsSchema::Composer));
    const QString program = words.isEmpty() ? QString() : QStandardPaths::findExecutable(words.takeFirst());
    return !program.isEmpty() && QProcess::startDetached(program, words + arguments);
}

bool MailCommands::startComposer(const QStringList& arguments)
{
    if (launchComposer(arguments))
        return true;
    MessageBox::error(m_owner, Str::text(Str::EmailFormFailed));
    return false;
}

void MailCommands::sendByMms()
{
    const QString path = m_currentPath();
    if (path.isEmpty())
        return;
    (void)startComposer({QStringLiteral("--attach"), QFile::decodeName(m_fileSystem.hostPath(path))});
}

void MailCommands::sendByEmail()
{
    const QString path = m_currentPath();
    if (path.isEmpty())
        return;
    const QList<EmailAccounts::Account> accounts = EmailAccounts::list();
    QString service;
    if (accounts.isEmpty()) {
        MessageBox::error(m_owner, Str::text(Str::NoEmailAccount));
    } else if (accounts.size() == 1) {
        service = accounts.first().service;
    } else {
        EmailAccountDialog dialog(accounts);
        if (dialog.run(m_owner) == Cmd::Ok)
            service = dialog.service();
    }
    if (service.isEmpty()) {
        MessageBox::error(m_owner, Str::text(Str::EmailFormFailed));
        return;
    }
    (void)startComposer({QStringLiteral("--subject"), Str::text(Str::SendAFile), QStringLiteral("--attach"),
                         QFile::decodeName(m_fileSystem.hostPath(path))});
}

void MailCommands::zipSelectionAndMail()
{
    const QString folder = attachmentFolder();
    const auto naming = [&](int id) { return Str::text(id).replace(PhoneFolder, folder); };
    if (MessageBox::question(m_owner, naming(Str::EmailZipNotice)) != Cmd::Yes)
        return;
    if (m_selection.covers(folder)) {
        MessageBox::error(m_owner, naming(Str::TemporaryArchiveInSelection));
        return;
    }
    const QString archive = platform::PhonePath::join(folder, QStringLiteral("Attach.zip"));
    if (m_fileSystem.exists(archive) && m_fileSystem.deleteFile(archive) != FsError::None) {
        MessageBox::error(m_owner, Str::text(Str::TemporaryArchiveNotDeleted));
        return;
    }
    // The folder is made where missing; one that cannot be made leaves no archive to make.
    if (const FsError error = m_fileSystem.createFolder(folder);
        error != FsError::None && error != FsError::AlreadyExists) {
        MessageBox::error(m_owner, Str::text(Str::ZipCreateFailed));
        return;
    }
    const ZipCreate::Result result = m_archives.zipSelectionToArchive(archive, QStringLiteral("Attach.zip"), 5);
    if (result.outcome != ZipCreate::Outcome::Done) {
        (void)m_archives.tellZipFailure(result);
        return;
    }
    bool started = false;
    {
        WaitCursor wait;
        started = launchComposer({QStringLiteral("--attach"), QFile::decodeName(m_fileSystem.hostPath(archive))});
    }
    if (!started)
        MessageBox::error(m_owner, Str::text(Str::EmailFormFailed));
}
