#include "archive/ArchiveCommands.h"

#include "archive/CreateZipDialog.h"
#include "archive/Unzip.h"
#include "archive/ZipAssociation.h"
#include "archive/ZipCreate.h"
#include "archive/ZipProgressView.h"
#include "commands/CommandTable.h"
#include "dialogs/FolderPicker.h"
#include "dialogs/JobDialog.h"
#include "dialogs/MessageBox.h"
#include "fileops/FailureText.h"
#include "fileops/Paste.h"
#include "fileops/Selection.h"
#include "jobs/JobContext.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"
#include "tree/FolderTree.h"
#include "tree/TreeNavigation.h"

#include <QFile>

using platform::FsError;
using platform::PhonePath::join;
using platform::PhonePath::splitLast;

namespace {

const DialogTemplate& progressPage() { return *DialogTemplates::find(DialogTemplates::ZipProgress); }

bool isZip(const QString& path) { return path.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive); }

}  // namespace

void ArchiveCommands::registerCommands(CommandTable& table)
{
    const auto currentIsZip = [this] { return !currentArchive().isEmpty(); };
    table.add(
        Cmd::ZipSelection, [this] { zipSelection(); }, [this] { return !m_selection.isEmpty(); });
    table.add(
        Cmd::UnzipHere, [this] { unzipHere(); }, currentIsZip);
    table.add(
        Cmd::UnzipTo, [this] { unzipTo(); }, currentIsZip);
    table.add(Cmd::CheckZipAssociation, [] { (void)ZipAssociation::check(ZipAssociation::modulePath()); });
}

void ArchiveCommands::zipSelection()
{
    if (!m_tree.currentNode() || m_selection.isEmpty())
        return;
    QString destination;
    TreeNode* destinationItem = nullptr;
    Paste::pasteTarget(m_tree, destination, destinationItem);
    if (m_selection.covers(destination.isEmpty() ? QStringLiteral("\\") : destination)) {
        MessageBox::error(m_owner, Str::text(Str::ZipIntoSelection));
        return;
    }
    CreateZipDialog dialog(Str::text(Str::NewArchive), 5);
    if (dialog.run(m_owner) != Cmd::Ok)
        return;
    QString name = dialog.name();
    if (!isZip(name))
        name += QStringLiteral(".zip");
    const QString archive = join(destination, name);
    const bool existed = m_fileSystem.exists(archive);
    if (existed) {
        if (MessageBox::question(m_owner, Str::text(Str::ZipOverwrite)) != Cmd::Yes)
            return;
        if (m_fileSystem.deleteFile(archive) != FsError::None)
            return;
    }
    const ZipCreate::Result result = zipSelectionToArchive(archive, name, dialog.level());
    if (!tellZipFailure(result))
        return;
    if (!existed) {
        if (destinationItem)
            destinationItem->childrenFlag = true;
        (void)m_tree.populateSingle(archive, destinationItem);
    }
    m_changed();
}

ZipCreate::Result ArchiveCommands::zipSelectionToArchive(const QString& archive, const QString& name, int level)
{
    // The worker gets what it needs by value: it never reads the selection.
    QStringList paths;
    qint64 bytes = 0;
    for (int i = 0; i < m_selection.count(); ++i) {
        paths << m_selection.at(i).path;
        bytes += m_selection.at(i).totalBytes;
    }
    ZipCreate::Result result;
    TreeWalk::Failure listing;
    bool listed = true;
    JobDialog::run(
        m_owner, progressPage(),
        [&](JobContext& context) {
            std::vector<ZipCreate::Item> items;
            listed = ZipCreate::collect(m_fileSystem, paths, items, listing);
            if (!listed)
                return;
            context.bytesTotal = bytes;
            // An unreadable file: Yes stops the archive there, No leaves the file out. The question
            // says why, so that a named pipe is told from a locked file.
            const auto askUnreadable = [&](const QString& path, FsError reason) {
                const QString question = Str::arg(Str::ZipSourceUnreadable, path) + QStringLiteral("\n\n")
                                         + FailureText::reason(reason);
                return context.ask([this, question] { return MessageBox::question(m_owner, question); }, Cmd::Yes)
                       != Cmd::Yes;
            };
            result = ZipCreate::write(m_fileSystem, archive, items, level, &context, askUnreadable);
        },
        new ZipProgressView(name));
    if (!listed) {
        result.outcome = ZipCreate::Outcome::Failed;
        result.failedItem = listing.path;
        result.error = listing.error;
        result.listingFailed = true;
    }
    return result;
}

bool ArchiveCommands::tellZipFailure(const ZipCreate::Result& result)
{
    switch (result.outcome) {
    case ZipCreate::Outcome::Done: return true;
    case ZipCreate::Outcome::CannotCreate: MessageBox::error(m_owner, Str::text(Str::ZipCreateFailed)); return false;
    case ZipCreate::Outcome::Failed:
        if (result.listingFailed) {
            MessageBox::error(m_owner, FailureText::cannotList(result.failedItem, result.error));
            MessageBox::error(m_owner, Str::text(Str::ZipSomeFilesFailed));
            return false;
        }
        MessageBox::error(m_owner, Str::text(Str::ZipSomeFilesFailed)
                                       + QStringLiteral("\n\n'%1': ").arg(result.failedItem)
                                       + FailureText::reason(result.error));
        return true;
    case ZipCreate::Outcome::Stopped: MessageBox::error(m_owner, Str::text(Str::ZipSomeFilesFailed)); return true;
    }
    return true;
}

QString ArchiveCommands::currentArchive() const
{
    const TreeNode* current = m_tree.currentNode();
    if (FolderTree::kindOf(current) != TreeNode::File)
        return QString();
    const QString path = m_tree.fullPathOf(current);
    return isZip(path) ? path : QString();
}

void ArchiveCommands::unzipHere()
{
    const QString archive = currentArchive();
    if (archive.isEmpty())
        return;
    TreeNode* current = m_tree.currentNode();
    TreeNode* parent = current->parent == m_tree.treeModel()->root() ? nullptr : current->parent;
    (void)unzipArchive(m_fileSystem.hostPath(archive), splitLast(archive).name, splitLast(archive).folder, parent,
                       true);
    m_changed();
}

void ArchiveCommands::unzipTo()
{
    const QString archive = currentArchive();
    if (!archive.isEmpty())
        unzipHandedOver(m_fileSystem.hostPath(archive));
}

void ArchiveCommands::unzipHandedOver(const QByteArray& archive)
{
    const QString name = QFile::decodeName(archive.mid(archive.lastIndexOf('/') + 1));
    if (!isZip(name))
        return;
    FolderPicker picker(m_fileSystem, Str::text(Str::UnzipTo), Str::text(Str::UnzipToPrompt));
    if (picker.run(m_owner) == Cmd::Ok) {
        QString destination = picker.chosenPath();
        // The new folder is shown, or after a failure the chosen one.
        (void)unzipArchive(archive, name, destination, nullptr, false, &destination);
        (void)TreeNavigation::reveal(m_tree, m_fileSystem, destination);
    }
    m_tree.setFocus();
    m_changed();
}

bool ArchiveCommands::unzipArchive(const QByteArray& host, const QString& archiveName, const QString& base,
                                   TreeNode* baseItem, bool addToTree, QString* newFolder)
{
    const QString stem = join(base, archiveName.left(archiveName.size() - 4));
    QString target = stem;
    for (int number = 1; m_fileSystem.exists(target); ++number)
        target = QStringLiteral("%1_%2").arg(stem).arg(number);
    if (m_fileSystem.createFolder(target) != FsError::None) {
        MessageBox::error(m_owner, Str::text(Str::FolderCreationFailed));
        return false;
    }
    platform::OpenFolder folder;
    Unzip::Result result;
    if (m_fileSystem.openFolder(target, folder) == FsError::None) {
        JobDialog::run(
            m_owner, progressPage(),
            [&](JobContext& context) { result = Unzip::extract(m_fileSystem, host, folder, &context); },
            new ZipProgressView(archiveName));
    } else {
        result.outcome = Unzip::Outcome::CannotOpen;
    }
    // A folder made for an archive that gave nothing (no archive, no entries, or stopped before
    // its first entry was whole) goes again rather than stand empty beside it. Only an empty
    // folder can be removed, so one that holds anything stays.
    folder.reset();
    const bool folderGone = result.outcome != Unzip::Outcome::Done
                            && m_fileSystem.removeFolder(target) == FsError::None;
    if (result.outcome == Unzip::Outcome::CannotOpen || result.outcome == Unzip::Outcome::NoEntries) {
        QString text = Str::text(result.outcome == Unzip::Outcome::CannotOpen ? Str::ZipOpenFailed
                                                                              : Str::ZipListFailed);
        // When it was the file that could not be opened (a named pipe, a device, a locked file),
        // the message names it and says why.
        if (result.openError != FsError::None)
            text += QStringLiteral("\n\n'%1': ").arg(archiveName) + FailureText::reason(result.openError);
        MessageBox::error(m_owner, text);
        return false;
    }
    if (folderGone)
        return false;
    if (addToTree) {
        if (baseItem)
            baseItem->childrenFlag = true;
        (void)m_tree.populateSingle(target, baseItem);
    }
    // Entries that could not be unpacked are told, never passed over in silence.
    if (result.skipped > 0)
        MessageBox::error(
            m_owner, Txt::text(Txt::EntriesNotUnpacked).arg(result.skipped).arg(result.entries).arg(result.firstSkipped)
                         + FailureText::reason(result.firstError));
    if (newFolder)
        *newFolder = target;
    return true;
}
