#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// What every part of the Linux file system shares: descriptors that close themselves, host
// paths, and the codes of calls that failed on them.
namespace platform::host {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// What is the same for every entry of one folder, found once per folder.
struct FolderContext {
    bool readOnlyMount = false;
    dev_t device = 0;
    bool xattrsSupported = true;
    QByteArray pathBuffer;  // the folder's host path and "/", then an entry's name
    qsizetype folderLength = 0;
};

inline qint64 milliseconds(const struct statx_timestamp& time)
{
    return static_cast<qint64>(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

inline dev_t deviceOf(const struct statx& status) { return makedev(status.stx_dev_major, status.stx_dev_minor); }

bool isReadOnlyMount(int fd);

// Host paths: the folder a path lies in, a name inside a folder, and what is there.
QByteArray parentOf(const QByteArray& hostPath);
QByteArray childPath(const QByteArray& folder, const QByteArray& name);
bool isFolder(const QByteArray& hostPath);
bool hostExists(const QByteArray& path);  // a link counts as itself

inline bool isRoot(const QString& path) { return path.isEmpty() || path == u"\\"; }

// The code for a failed call on `hostPath`. A missing item is FileNotFound only when its
// folder is there; otherwise a folder on the way is missing (PathNotFound), as the phone
// tells the two apart. ENOTDIR with the folder there means the item is no folder.
FsError errorAt(int error, const QByteArray& hostPath);

// How an OpenFolder made here gives its descriptor back.
void closeHandle(int handle);

// The host form of one name given to a walk call; empty when it cannot be one name.
QByteArray hostName(const QString& name);

inline FileId idOf(const struct stat& status)
{
    return {static_cast<quint64>(status.st_dev), static_cast<quint64>(status.st_ino)};
}

// A walk's kind of an item with this mode.
DirEntry::Kind kindOfMode(mode_t mode);

// The process's umask, read where reading it changes nothing (umask(2) can only read it by
// setting it, which other threads would see).
mode_t processUmask();

}  // namespace platform::host
