#include "platform/linux/HostFiles.h"

#include "platform/PhonePath.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <sys/statvfs.h>

namespace platform::host {

bool isReadOnlyMount(int fd)
{
    struct statvfs info;
    return fstatvfs(fd, &info) == 0 && (info.f_flag & ST_RDONLY);
}

QByteArray parentOf(const QByteArray& hostPath)
{
    const qsizetype slash = hostPath.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : hostPath.left(slash);
}

QByteArray childPath(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

bool isFolder(const QByteArray& hostPath)
{
    struct stat status;
    return ::stat(hostPath.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool hostExists(const QByteArray& path)
{
    struct stat status;
    return ::lstat(path.constData(), &status) == 0;
}

FsError errorAt(int error, const QByteArray& hostPath)
{
    if (error == ENOENT || error == ENOTDIR) {
        if (!isFolder(parentOf(hostPath)))
            return FsError::PathNotFound;
        return error == ENOENT ? FsError::FileNotFound : FsError::NotAFolder;
    }
    return fsErrorFromErrno(error);
}

void closeHandle(int handle) { ::close(handle); }

QByteArray hostName(const QString& name)
{
    // Most names are plain ASCII, which is its own host form: nothing to unescape and no way
    // back to check, for each of the many entries of a walk.
    const bool plain = std::all_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() != 0 && c.unicode() < 0x80 && c != u'\\' && c != u'/';
    });
    const QByteArray host = plain ? name.toLatin1() : PathMapper::nameToHost(name);
    if (host.isEmpty() || host == "." || host == "..")
        return QByteArray();
    return host;
}

DirEntry::Kind kindOfMode(mode_t mode)
{
    if (S_ISLNK(mode))
        return DirEntry::Link;
    if (S_ISDIR(mode))
        return DirEntry::Folder;
    return S_ISREG(mode) ? DirEntry::File : DirEntry::Other;
}

mode_t processUmask()
{
    static const mode_t mask = [] {
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("Umask:")) {
                    bool ok = false;
                    const uint value = line.mid(6).trimmed().toUInt(&ok, 8);
                    if (ok)
                        return static_cast<mode_t>(value & 0777);
                }
        return static_cast<mode_t>(022);
    }();
    return mask;
}

}  // namespace platform::host
