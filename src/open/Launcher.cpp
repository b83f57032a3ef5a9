#include "open/Launcher.h"

#include "dialogs/MessageBox.h"
#include "fileops/ShortcutFile.h"
#include "open/DesktopApps.h"
#include "open/DesktopEntry.h"
#include "open/ShellWords.h"
#include "platform/FileSystem.h"
#include "platform/RegularFile.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"
#include "settings/FileTypes.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Shortcuts that lead to shortcuts are followed this far, so that a loop of them ends.
constexpr int MostShortcuts = 8;
// A shortcut holds one path and its arguments; a larger file is no shortcut.
constexpr qint64 MostShortcutBytes = 64 * 1024;

// The code for a host path that cannot be looked at: a missing item in an existing folder is a
// missing file, a missing folder on the way a missing path.
int codeForMissing(const QByteArray& host, int error)
{
    if (error == EACCES)
        return Launcher::AccessDenied;
    if (error != ENOENT && error != ENOTDIR)
        return Launcher::Unknown;
    const qsizetype slash = host.lastIndexOf('/');
    struct stat folder;
    const QByteArray parent = slash <= 0 ? QByteArray("/") : host.left(slash);
    return ::stat(parent.constData(), &folder) == 0 && S_ISDIR(folder.st_mode) ? Launcher::FileNotFound
                                                                               : Launcher::PathNotFound;
}

// Where a program named in a command is: a path as given, a bare name found on PATH.
int findProgram(const QString& program, QString& found)
{
    if (!program.contains(u'/')) {
        found = QStandardPaths::findExecutable(program);
        return found.isEmpty() ? Launcher::FileNotFound : Launcher::Started;
    }
    const QByteArray host = QFile::encodeName(program);
    struct stat status;
    if (::stat(host.constData(), &status) != 0)
        return codeForMissing(host, errno);
    if (S_ISDIR(status.st_mode) || ::access(host.constData(), X_OK) != 0)
        return Launcher::AccessDenied;
    found = program;
    return Launcher::Started;
}

int run(const QString& program, const QStringList& arguments)
{
    QString found;
    if (const int code = findProgram(program, found); code != Launcher::Started)
        return code;
    return QProcess::startDetached(found, arguments) ? Launcher::Started : Launcher::Unknown;
}

// The open command our file types give for a name's ending; empty when there is none.
QString associatedCommand(const QByteArray& host)
{
    const QByteArray name = host.mid(host.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0)
        return {};
    return FileTypes::openCommand(QFile::decodeName(name.mid(dot)));
}

}  // namespace

int Launcher::start(const QString& file, const QString& parameters) const
{
    const QStringList arguments = ShellWords::split(parameters);
    if (file.isEmpty())
        return FileNotFound;
    if (file.startsWith(u'\\')) {
        const QByteArray host = m_fileSystem.hostPath(file);
        return host.isEmpty() ? PathNotFound : open(host, arguments, 0);
    }
    if (!file.contains(u'/'))
        return run(file, arguments);  // a program's name, found on PATH
    return open(QFile::encodeName(file), arguments, 0);
}

int Launcher::open(const QByteArray& host, const QStringList& arguments, int depth) const
{
    struct stat status;
    if (::stat(host.constData(), &status) != 0)  // a link opens what it leads to
        return codeForMissing(host, errno);
    const bool isFolder = S_ISDIR(status.st_mode);
    // A named pipe would hold whoever opens it until a writer comes, and a device can be read
    // without end: neither is read here nor handed to a program that would read it.
    if (!isFolder && !S_ISREG(status.st_mode))
        return NotRegularFile;
    if (!isFolder && ::access(host.constData(), R_OK) != 0)
        return errno == EACCES ? AccessDenied : Unknown;
    const QString path = QFile::decodeName(host);

    if (!isFolder && host.toLower().endsWith(".lnk")) {
        if (depth >= MostShortcuts)
            return FileNotFound;
        // Looked at again through the open handle: the item may have been replaced by a pipe
        // since the look above.
        QByteArray bytes;
        const platform::FsError error = platform::readRegularFile(host, platform::Links::Follow, MostShortcutBytes,
                                                                  bytes);
        if (error == platform::FsError::NotRegularFile)
            return NotRegularFile;
        QString target;
        if (error != platform::FsError::None || !ShortcutFile::decode(bytes, target))
            return FileNotFound;
        // The target is a quoted path, maybe followed by arguments of its own.
        QStringList words = ShellWords::split(target);
        if (words.isEmpty())
            return FileNotFound;
        const QString item = words.takeFirst();
        words += arguments;
        if (item.startsWith(u'\\')) {
            const QByteArray itemHost = m_fileSystem.hostPath(item);
            return itemHost.isEmpty() ? PathNotFound : open(itemHost, words, depth + 1);
        }
        return item.contains(u'/') ? open(QFile::encodeName(item), words, depth + 1) : run(item, words);
    }

    if (!isFolder) {
        const QString command = associatedCommand(host);
        QStringList words = ShellWords::split(command);
        if (!words.isEmpty()) {
            const QString program = words.takeFirst();
            // A desktop entry places the file itself, through its Exec line's field codes.
            if (program.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive)) {
                words.removeIf([](const QString& word) { return word.contains(QStringLiteral("%1")); });
                return runProgram(program, words + arguments, path);
            }
            bool placed = false;
            for (QString& word : words) {
                if (word.contains(QStringLiteral("%1"))) {
                    word.replace(QStringLiteral("%1"), path);
                    placed = true;
                }
            }
            if (!placed)
                words << path;
            return runProgram(program, words + arguments, QString());
        }
        if (S_ISREG(status.st_mode) && ::access(host.constData(), X_OK) == 0)
            return run(path, arguments);
    }

    if (!isFolder && !DesktopApps::hasDefaultFor(host))
        return NoAssociation;
    const QString opener = qEnvironmentVariable("FENNICK_OPENER", QStringLiteral("xdg-open"));
    QString found;
    if (findProgram(opener, found) != Started)
        return NoAssociation;  // no desktop to open anything with
    return QProcess::startDetached(found, QStringList{path} + arguments) ? Started : Unknown;
}

int Launcher::runProgram(const QString& program, const QStringList& arguments, const QString& file) const
{
    // A program chosen in the folder picker is known by its phone path.
    QString hostProgram = program;
    if (program.startsWith(u'\\')) {
        hostProgram = QFile::decodeName(m_fileSystem.hostPath(program));
        if (hostProgram.isEmpty())
            return PathNotFound;
    }
    if (!hostProgram.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive)) {
        QStringList all = arguments;
        if (!file.isEmpty())
            all << file;
        return run(hostProgram, all);
    }
    if (!hostProgram.contains(u'/'))
        return FileNotFound;
    const QByteArray host = QFile::encodeName(hostProgram);
    struct stat status;
    if (::stat(host.constData(), &status) != 0)
        return codeForMissing(host, errno);
    DesktopEntry entry;
    if (!entry.load(hostProgram))
        return AccessDenied;
    QStringList words = entry.command(file, hostProgram);
    if (words.isEmpty())
        return AccessDenied;
    const QString executable = words.takeFirst();
    return run(executable, words + arguments);
}

int Launcher::startWith(const QString& program, const QString& file) const
{
    if (program.isEmpty())
        return FileNotFound;
    QString hostFile = file;
    if (file.startsWith(u'\\')) {
        hostFile = QFile::decodeName(m_fileSystem.hostPath(file));
        if (hostFile.isEmpty())
            return PathNotFound;
    }
    return runProgram(program, {}, hostFile);
}

void Launcher::launchWith(QWidget* owner, const QString& program, const QString& file) const
{
    const int code = startWith(program, file);
    if (code != Started)
        MessageBox::error(owner, Str::arg(Str::OpenFailed, codeText(code)));
}

void Launcher::launchItem(QWidget* owner, const QString& file, const QString& parameters) const
{
    const int code = start(file, parameters);
    if (code != Started)
        MessageBox::error(owner, Str::arg(Str::OpenFailed, codeText(code)));
}

QString Launcher::codeText(int code)
{
    switch (code) {
    case 2: return Txt::text(Txt::LaunchFileNotFound);
    case 3: return Txt::text(Txt::LaunchPathNotFound);
    case 5: return Txt::text(Txt::LaunchAccessDenied);
    case 8: return Txt::text(Txt::LaunchOutOfMemory);
    case 26: return Txt::text(Txt::LaunchSharingViolation);
    case 27: return Txt::text(Txt::LaunchAssociationIncomplete);
    case 28: return Txt::text(Txt::LaunchDdeTimeout);
    case 29: return Txt::text(Txt::LaunchDdeFailed);
    case 30: return Txt::text(Txt::LaunchDdeBusy);
    case 31: return Txt::text(Txt::LaunchNoAssociation);
    case 32: return Txt::text(Txt::LaunchDllNotFound);
    case NotRegularFile: return Txt::text(Txt::LaunchNotRegularFile);
    default: return Txt::text(Txt::LaunchUnknownError);
    }
}
