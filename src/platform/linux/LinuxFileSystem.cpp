#include "platform/linux/LinuxFileSystem.h"

#include "platform/NamePattern.h"
#include "platform/linux/SambaDosAttrib.h"

#include <QFile>
#include <QStringList>

#include <atomic>
#include <climits>
#include <mutex>
#include <set>
#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <csignal>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* DosAttributeName = "user.DOSATTRIB";
constexpr quint32 DosBits = Attr::Hidden | Attr::System | Attr::Archive;
// Everything an entry reports, and nothing more: fewer fields can mean less work for the
// file system (no birth time asked of one that would have to look it up).
constexpr unsigned StatxMask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_ATIME | STATX_BTIME;
// Samba's records take about 60 bytes; a longer value is read in a second call.
constexpr size_t DosValueBuffer = 128;

qint64 milliseconds(const struct statx_timestamp& time)
{
    return static_cast<qint64>(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

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

dev_t deviceOf(const struct statx& status) { return makedev(status.stx_dev_major, status.stx_dev_minor); }

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

// The code for a failed call on `hostPath`. A missing item is FileNotFound only when its
// folder is there; otherwise a folder on the way is missing (PathNotFound), as the phone
// tells the two apart. ENOTDIR with the folder there means the item is no folder.
FsError errorAt(int error, const QByteArray& hostPath)
{
    if (error == ENOENT || error == ENOTDIR) {
        if (!isFolder(parentOf(hostPath)))
            return FsError::PathNotFound;
        return error == ENOENT ? FsError::FileNotFound : FsError::NotAFolder;
    }
    return fsErrorFromErrno(error);
}

#ifndef SYS_getxattrat
#define SYS_getxattrat 464
#endif

// getxattrat(2) reads an attribute relative to an open folder, which spares the kernel a walk
// of the whole path for every entry. Kernels before 6.13 lack it (ENOSYS), and a container's
// system-call filter may refuse what it does not know (EPERM, which a plain read of a user
// attribute never gives); then the path is walked.
struct XattrArgs {
    quint64 value;
    quint32 size;
    quint32 flags;
};
std::atomic<bool> g_getxattratMissing = false;

ssize_t getXattrIn(int dirFd, FolderContext& folder, const char* name, char* value, size_t size)
{
    if (!g_getxattratMissing.load(std::memory_order_relaxed)) {
        XattrArgs args{reinterpret_cast<quintptr>(value), static_cast<quint32>(size), 0};
        const long result = syscall(SYS_getxattrat, dirFd, name, 0, DosAttributeName, &args, sizeof args);
        if (result >= 0 || (errno != ENOSYS && errno != EPERM))
            return result;
        g_getxattratMissing.store(true, std::memory_order_relaxed);
    }
    // The folder's path stays in the buffer; only the name part is replaced per entry.
    folder.pathBuffer.truncate(folder.folderLength);
    folder.pathBuffer.append(name);
    return getxattr(folder.pathBuffer.constData(), DosAttributeName, value, size);
}

// The DOS attribute bits of `name` in the folder; 0 when it has none.
quint32 readDosAttributes(int dirFd, const char* name, bool onFolderDevice, FolderContext& folder)
{
    if (!folder.xattrsSupported)
        return 0;
    char value[DosValueBuffer];
    const ssize_t size = getXattrIn(dirFd, folder, name, value, sizeof value);
    if (size < 0) {
        // A file system without extended attributes says so for every entry: ask no more. An
        // entry that lies on another one (a mount point) says nothing about the rest.
        if (errno == ENOTSUP && onFolderDevice)
            folder.xattrsSupported = false;
        return 0;
    }
    return SambaDosAttrib::parse(value, static_cast<qsizetype>(size)).value_or(0);
}

// The whole value of user.DOSATTRIB of a host path; nothing when it has none, with errno set.
std::optional<QByteArray> readDosValue(const QByteArray& hostPath)
{
    char buffer[DosValueBuffer];
    ssize_t size = getxattr(hostPath.constData(), DosAttributeName, buffer, sizeof buffer);
    if (size >= 0)
        return QByteArray(buffer, static_cast<qsizetype>(size));
    if (errno != ERANGE)
        return std::nullopt;
    size = getxattr(hostPath.constData(), DosAttributeName, nullptr, 0);
    if (size < 0)
        return std::nullopt;
    QByteArray value(static_cast<qsizetype>(size), '\0');
    size = getxattr(hostPath.constData(), DosAttributeName, value.data(), static_cast<size_t>(value.size()));
    if (size < 0)
        return std::nullopt;
    value.truncate(static_cast<qsizetype>(size));
    return value;
}

// Whether the item `name` of the folder, which lies on another mount than the folder, lies on
// a read-only one.
bool onReadOnlyMount(int dirFd, const char* name)
{
    Fd item(openat(dirFd, name, O_PATH | O_CLOEXEC));
    return item.valid() && isReadOnlyMount(item.get());
}

// The kind of a directory entry as a file mode, for an entry that cannot be examined.
mode_t modeOfType(unsigned char type)
{
    switch (type) {
    case DT_DIR: return S_IFDIR | 0755;
    case DT_LNK: return S_IFLNK | 0777;
    case DT_FIFO: return S_IFIFO | 0644;
    case DT_SOCK: return S_IFSOCK | 0644;
    case DT_CHR: return S_IFCHR | 0644;
    case DT_BLK: return S_IFBLK | 0644;
    default: return S_IFREG | 0644;
    }
}

// Fills everything but the name of `out` for the entry `name` of the open folder. False when
// the entry vanished meanwhile (errno tells).
bool describeEntry(int dirFd, const char* name, unsigned char type, FolderContext& folder, FindData& out)
{
    struct statx status;
    bool link = type == DT_LNK;
    bool known = false;
    if (type == DT_UNKNOWN) {
        if (statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, StatxMask, &status) != 0)
            return false;
        link = S_ISLNK(status.stx_mode);
        known = !link;
    }
    bool dangling = false;
    if (!known && statx(dirFd, name, AT_NO_AUTOMOUNT, StatxMask, &status) != 0) {
        if (link) {
            // A link that points nowhere (or nowhere we may look): an empty item with the
            // link's own times, and no regular file (so it has the system bit).
            if (statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, StatxMask, &status) != 0)
                return false;
            dangling = true;
        } else if (errno == ENOENT) {
            return false;
        } else {
            // Listed but not examinable (a folder we may read but not search): show the entry
            // with what its listing tells.
            std::memset(&status, 0, sizeof status);
            status.stx_mode = static_cast<quint16>(modeOfType(type));
            status.stx_dev_major = major(folder.device);
            status.stx_dev_minor = minor(folder.device);
        }
    }

    const mode_t mode = dangling ? (S_IFLNK | 0777) : status.stx_mode;
    quint32 attributes = link ? Attr::ReparsePoint : 0;
    if (S_ISDIR(mode))
        attributes |= Attr::Directory;
    else if (!S_ISREG(mode))
        attributes |= Attr::System;
    if (!(mode & S_IWUSR))
        attributes |= Attr::ReadOnly;
    if (name[0] == '.')
        attributes |= Attr::Hidden;
    const bool onFolderDevice = deviceOf(status) == folder.device;
    attributes |= readDosAttributes(dirFd, name, onFolderDevice, folder) & DosBits;
    // A mount point, or a link to another mount: that mount decides.
    if (onFolderDevice ? folder.readOnlyMount : onReadOnlyMount(dirFd, name))
        attributes |= Attr::InRom;
    if (attributes == 0)
        attributes = Attr::Normal;

    out.attributes = attributes;
    out.size = S_ISDIR(mode) || dangling ? 0 : static_cast<qint64>(status.stx_size);
    out.lastWriteTime = milliseconds(status.stx_mtime);
    out.lastAccessTime = milliseconds(status.stx_atime);
    // No birth time is no date at all: the last write would pass for one that is wrong.
    out.creationTime = (status.stx_mask & STATX_BTIME) ? milliseconds(status.stx_btime) : 0;
    return true;
}

// Puts the phone name of a host name into `out`, reusing its buffer when nobody else holds
// it: a listing of a big folder then makes no string per entry.
void assignName(QString& out, const char* name, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        const char byte = name[i];
        if (static_cast<unsigned char>(byte) >= 0x80 || byte == '\\') {
            out = PathMapper::nameFromHost(QByteArray::fromRawData(name, static_cast<qsizetype>(length)));
            return;
        }
    }
    if (!out.isDetached())
        out = QString();
    out.resize(static_cast<qsizetype>(length));
    QChar* characters = out.data();
    for (size_t i = 0; i < length; ++i)
        characters[i] = QChar(static_cast<char16_t>(name[i]));
}

// The Directory, Hidden, System and ReparsePoint bits of an entry, as a list on the screen
// shows it: a link to a folder is a folder, one that points nowhere a system item. The
// listing's own type spares a look at each item; only a file system that does not give it, and
// a link, whose target decides how it shows, are looked at. `enterable` tells a folder that
// is no link, which a walk may go into. False when the entry has gone since it was listed.
bool displayAttributes(int dirFd, const char* name, unsigned char type, FolderContext& context, quint32& out,
                       bool& enterable)
{
    bool link = type == DT_LNK;
    if (type == DT_UNKNOWN) {
        struct stat status;
        if (fstatat(dirFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        link = S_ISLNK(status.st_mode);
        type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISREG(status.st_mode) ? DT_REG : DT_UNKNOWN;
    }
    enterable = type == DT_DIR && !link;
    bool onFolderDevice = true;
    if (link) {
        struct stat target;
        if (fstatat(dirFd, name, &target, 0) != 0)
            type = DT_UNKNOWN;  // points nowhere: no regular file
        else {
            type = S_ISDIR(target.st_mode) ? DT_DIR : S_ISREG(target.st_mode) ? DT_REG : DT_UNKNOWN;
            onFolderDevice = target.st_dev == context.device;
        }
    }
    quint32 attributes = link ? Attr::ReparsePoint : 0;
    if (type == DT_DIR)
        attributes |= Attr::Directory;
    else if (type != DT_REG)
        attributes |= Attr::System;
    if (name[0] == '.')
        attributes |= Attr::Hidden;
    else
        // Hidden decides whether the item shows at all, so the DOS attribute is read for
        // every name that does not already say so.
        attributes |= readDosAttributes(dirFd, name, onFolderDevice, context) & DosBits;
    out = attributes == 0 ? Attr::Normal : attributes;
    return true;
}

// True when a host name is plain ASCII that stands for itself as a phone name (no "\", which
// a phone name cannot hold).
bool isPlainAscii(const char* name, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(name[i]) >= 0x80 || name[i] == '\\')
            return false;
    return true;
}

bool openHostFolder(const QByteArray& hostFolder, Fd& fd, FolderContext& context)
{
    fd.reset(::open(hostFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return false;
    struct statx status;
    if (statx(fd.get(), "", AT_EMPTY_PATH, STATX_TYPE, &status) == 0)
        context.device = deviceOf(status);
    context.readOnlyMount = isReadOnlyMount(fd.get());
    context.pathBuffer = hostFolder.endsWith('/') ? hostFolder : hostFolder + '/';
    context.folderLength = context.pathBuffer.size();
    return true;
}

bool hostExists(const QByteArray& path)
{
    struct stat status;
    return ::lstat(path.constData(), &status) == 0;
}

bool isRoot(const QString& path) { return path.isEmpty() || path == u"\\"; }

// Opens a host folder for listing, with what is the same for all its entries.
FsError openListing(const QByteArray& hostFolder, DIR*& directory, FolderContext& context)
{
    Fd folderFd;
    if (!openHostFolder(hostFolder, folderFd, context))
        return errno == ENOENT || errno == ENOTDIR ? FsError::PathNotFound : fsErrorFromErrno(errno);
    directory = ::fdopendir(folderFd.get());
    if (!directory)
        return fsErrorFromErrno(errno);
    folderFd.release();  // the listing owns it now
    return FsError::None;
}

// Hands every entry of a listing but "." and ".." to `visit(entry, error)`, which returns
// whether to go on and may set `error` to end the listing with a failure of its own. Closes
// the listing; returns why it failed part-way, or None.
template <typename Visit>
FsError readEntries(DIR* directory, Visit visit)
{
    FsError result = FsError::None;
    for (;;) {
        errno = 0;
        const struct dirent* item = ::readdir(directory);
        if (!item) {
            if (errno != 0)
                result = fsErrorFromErrno(errno);
            break;
        }
        const char* name = item->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        if (!visit(*item, result))
            break;
    }
    ::closedir(directory);
    return result;
}

}  // namespace

QByteArray LinuxFileSystem::resolve(const QString& path) const
{
    // Names are exactly what the host holds: no component is ever looked for without regard
    // to case, so "A.txt" can never stand for "a.txt".
    return m_mapper.toHost(path);
}

bool LinuxFileSystem::hostParts(const QString& path, QByteArray& folder, QByteArray& name) const
{
    const QByteArray host = resolve(path);
    if (host.isEmpty() || host == m_mapper.hostRoot())
        return false;
    folder = parentOf(host);
    name = host.mid(host.lastIndexOf('/') + 1);
    return !name.isEmpty() && name != "." && name != "..";
}

FsError LinuxFileSystem::enumerate(const QString& pattern, const Visitor& visit)
{
    const PhonePath::Split split = PhonePath::splitLast(pattern);
    const NamePattern matcher(split.name);
    if (!matcher.hasWildcards() && !split.name.isEmpty()) {
        // One item, found by its name rather than by reading the whole folder.
        FindData item;
        const FsError error = lookUp(PhonePath::join(split.folder, split.name), item);
        if (error == FsError::None)
            (void)visit(item);
        return error == FsError::FileNotFound ? FsError::None : error;
    }

    const QByteArray hostFolder = resolve(split.folder);
    if (hostFolder.isEmpty())
        return FsError::InvalidName;
    DIR* directory = nullptr;
    FolderContext context;
    if (const FsError error = openListing(hostFolder, directory, context); error != FsError::None)
        return error;
    const int dirFd = dirfd(directory);
    FindData entry;
    return readEntries(directory, [&](const struct dirent& item, FsError&) {
        const char* name = item.d_name;
        assignName(entry.name, name, std::strlen(name));
        if (!matcher.matchesEverything() && !matcher.matches(entry.name))
            return true;
        if (!describeEntry(dirFd, name, item.d_type, context, entry))
            return true;  // gone since it was listed
        return visit(entry);
    });
}

FsError LinuxFileSystem::listForDisplay(const QString& folderPath, const Visitor& visit)
{
    const QByteArray hostFolder = resolve(isRoot(folderPath) ? QString() : folderPath);
    if (hostFolder.isEmpty())
        return FsError::InvalidName;
    DIR* directory = nullptr;
    FolderContext context;
    if (const FsError error = openListing(hostFolder, directory, context); error != FsError::None)
        return error;
    const int dirFd = dirfd(directory);
    FindData entry;
    return readEntries(directory, [&](const struct dirent& item, FsError&) {
        const char* name = item.d_name;
        bool enterable = false;
        if (!displayAttributes(dirFd, name, item.d_type, context, entry.attributes, enterable))
            return true;  // gone since it was listed
        assignName(entry.name, name, std::strlen(name));
        return visit(entry);
    });
}

FsError LinuxFileSystem::lookUp(const QString& path, FindData& out)
{
    if (isRoot(path))
        return FsError::FileNotFound;
    QByteArray folder, name;
    if (!hostParts(path, folder, name))
        return FsError::InvalidName;
    Fd folderFd;
    FolderContext context;
    if (!openHostFolder(folder, folderFd, context))
        return errno == ENOENT || errno == ENOTDIR ? FsError::PathNotFound : fsErrorFromErrno(errno);
    if (!describeEntry(folderFd.get(), name.constData(), DT_UNKNOWN, context, out))
        return errno == ENOENT ? FsError::FileNotFound : fsErrorFromErrno(errno);
    out.name = PathMapper::nameFromHost(name);
    return FsError::None;
}

FsError LinuxFileSystem::setAttributes(const QString& path, quint32 attributes)
{
    if (isRoot(path))
        return FsError::AccessDenied;
    const QByteArray host = resolve(path);
    if (host.isEmpty())
        return FsError::InvalidName;
    struct stat status;
    if (::stat(host.constData(), &status) != 0)
        return errorAt(errno, host);
    const mode_t oldMode = status.st_mode & 07777;
    const mode_t newMode = (attributes & Attr::ReadOnly) ? (oldMode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH))
                                                         : (oldMode | S_IWUSR);

    const std::optional<QByteArray> existing = readDosValue(host);
    const int readError = existing ? 0 : errno;
    const quint32 current = existing ? SambaDosAttrib::parse(*existing).value_or(0) : 0;
    const bool dosChanges = (current & DosBits) != (attributes & DosBits);
    // Samba keeps a read-only bit of its own; it is kept in step where there is a record, but
    // the permission bits are what counts.
    const bool rewrite = dosChanges || (existing && !existing->isEmpty() && (current & Attr::ReadOnly) != (attributes & Attr::ReadOnly));
    if (dosChanges && (readError == ENOTSUP))
        return FsError::NotSupported;  // before anything has changed

    mode_t modeNow = oldMode;
    if (rewrite) {
        // An ordinary user may write an extended attribute only to an item they may write
        // to: a read-only item is made writable for the moment.
        if (!(oldMode & S_IWUSR) && ::chmod(host.constData(), oldMode | S_IWUSR) == 0)
            modeNow = oldMode | S_IWUSR;
        const quint32 stored = (current & ~(DosBits | Attr::ReadOnly)) | (attributes & (DosBits | Attr::ReadOnly));
        const QByteArray value = SambaDosAttrib::withAttributes(existing.value_or(QByteArray()), stored);
        if (setxattr(host.constData(), DosAttributeName, value.constData(), static_cast<size_t>(value.size()), 0) != 0
            && dosChanges) {
            const int error = errno;
            if (modeNow != oldMode)
                (void)::chmod(host.constData(), oldMode);
            return fsErrorFromErrno(error);
        }
    }
    if (newMode != modeNow && ::chmod(host.constData(), newMode) != 0)
        return errorAt(errno, host);
    return FsError::None;
}

FsError LinuxFileSystem::changeAttributes(const QString& path, quint32 mask, quint32 attributes)
{
    mask &= Attr::Settable;
    if (isRoot(path))
        return FsError::AccessDenied;
    const QByteArray host = resolve(path);
    if (host.isEmpty())
        return FsError::InvalidName;
    struct stat status;
    if (::stat(host.constData(), &status) != 0)
        return errorAt(errno, host);
    const mode_t oldMode = status.st_mode & 07777;
    mode_t newMode = oldMode;
    if ((mask & Attr::ReadOnly) && bool(attributes & Attr::ReadOnly) == bool(oldMode & S_IWUSR))
        newMode = (attributes & Attr::ReadOnly) ? (oldMode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH))
                                                : (oldMode | S_IWUSR);

    const quint32 dosMask = mask & DosBits;
    std::optional<QByteArray> existing;
    if (dosMask || newMode != oldMode) {
        existing = readDosValue(host);
        if (!existing) {
            const int error = errno;
            // Without extended attributes no DOS bit is set, so only setting one fails.
            if (error == ENOTSUP && (attributes & dosMask))
                return FsError::NotSupported;
            if (error != ENOTSUP && error != ENODATA && dosMask)
                return errorAt(error, host);
        }
    }
    const quint32 current = existing ? SambaDosAttrib::parse(*existing).value_or(0) : 0;
    const quint32 wanted = (current & ~dosMask) | (attributes & dosMask);
    const bool dosChanges = (current & DosBits) != (wanted & DosBits);
    // Samba keeps a read-only bit of its own; where there is a record it follows a change of
    // read-only, but the permission bits are what counts.
    const bool readOnlyAfter = !(newMode & S_IWUSR);
    const bool rewrite = dosChanges
        || (newMode != oldMode && existing && !existing->isEmpty() && bool(current & Attr::ReadOnly) != readOnlyAfter);

    mode_t modeNow = oldMode;
    if (rewrite) {
        // An ordinary user may write an extended attribute only to an item they may write
        // to: a read-only item is made writable for the moment.
        if (!(oldMode & S_IWUSR) && ::chmod(host.constData(), oldMode | S_IWUSR) == 0)
            modeNow = oldMode | S_IWUSR;
        const quint32 stored = (wanted & ~Attr::ReadOnly) | (readOnlyAfter ? Attr::ReadOnly : 0);
        const QByteArray value = SambaDosAttrib::withAttributes(existing.value_or(QByteArray()), stored);
        if (setxattr(host.constData(), DosAttributeName, value.constData(), static_cast<size_t>(value.size()), 0) != 0
            && dosChanges) {
            const int error = errno;
            if (modeNow != oldMode)
                (void)::chmod(host.constData(), oldMode);
            return error == ENOTSUP ? FsError::NotSupported : errorAt(error, host);
        }
    }
    if (newMode != modeNow && ::chmod(host.constData(), newMode) != 0)
        return errorAt(errno, host);
    return FsError::None;
}

FsError LinuxFileSystem::deleteFile(const QString& path)
{
    QByteArray folder, name;
    if (!hostParts(path, folder, name))
        return FsError::InvalidName;
    const QByteArray host = childPath(folder, name);
    struct stat status;
    if (::lstat(host.constData(), &status) != 0)
        return errorAt(errno, host);
    // A link is one item of its own: it goes, and what it points at is never touched.
    if (S_ISLNK(status.st_mode))
        return ::unlinkat(AT_FDCWD, host.constData(), 0) == 0 ? FsError::None : errorAt(errno, host);
    // As on the phone, a folder is not a file and a read-only file stays until it is made
    // writable.
    if (S_ISDIR(status.st_mode) || !(status.st_mode & S_IWUSR))
        return FsError::AccessDenied;
    return ::unlink(host.constData()) == 0 ? FsError::None : errorAt(errno, host);
}

FsError LinuxFileSystem::createFolder(const QString& path)
{
    QByteArray folder, name;
    if (!hostParts(path, folder, name))
        return FsError::InvalidName;
    const QByteArray host = childPath(folder, name);
    return ::mkdir(host.constData(), 0777) == 0 ? FsError::None : errorAt(errno, host);
}

FsError LinuxFileSystem::removeFolder(const QString& path)
{
    QByteArray folder, name;
    if (!hostParts(path, folder, name))
        return FsError::InvalidName;
    const QByteArray host = childPath(folder, name);
    struct stat status;
    if (::lstat(host.constData(), &status) != 0)
        return errorAt(errno, host);
    if (S_ISLNK(status.st_mode)) {
        // A link shown as a folder goes itself; what it points at stays.
        if (!isFolder(host))
            return FsError::NotAFolder;
        return ::unlink(host.constData()) == 0 ? FsError::None : errorAt(errno, host);
    }
    if (!S_ISDIR(status.st_mode))
        return FsError::NotAFolder;
    if (::rmdir(host.constData()) == 0)
        return FsError::None;
    // POSIX lets rmdir say EEXIST for a folder that is not empty.
    return errno == EEXIST ? FsError::DirectoryNotEmpty : errorAt(errno, host);
}

FsError LinuxFileSystem::move(const QString& source, const QString& target)
{
    if (isRoot(source))
        return FsError::AccessDenied;
    QByteArray folder, name;
    const QByteArray from = resolve(source);
    if (from.isEmpty() || !hostParts(target, folder, name))
        return FsError::InvalidName;
    const QByteArray to = childPath(folder, name);
    // A folder cannot go inside itself.
    if (to.startsWith(from + '/'))
        return FsError::AccessDenied;
    const auto failure = [&](int error) {
        if (error == ENOENT && hostExists(from))
            return errorAt(ENOENT, to);  // the target's folder is missing
        return errorAt(error, from);
    };
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return FsError::None;
    if (errno != EINVAL && errno != ENOSYS)
        return failure(errno);
    // A file system without RENAME_NOREPLACE: look first, then rename.
    if (hostExists(to))
        return FsError::AlreadyExists;
    return ::rename(from.constData(), to.constData()) == 0 ? FsError::None : failure(errno);
}

FsError LinuxFileSystem::createNewFile(const QString& path)
{
    QByteArray folder, name;
    if (!hostParts(path, folder, name))
        return FsError::InvalidName;
    const QByteArray host = childPath(folder, name);
    Fd fd(::open(host.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
    return fd.valid() ? FsError::None : errorAt(errno, host);
}

namespace {

void closeHandle(int handle) { ::close(handle); }

// The host form of one name given to a walk call; empty when it cannot be one name.
QByteArray hostName(const QString& name)
{
    const QByteArray host = PathMapper::nameToHost(name);
    if (host.isEmpty() || host == "." || host == "..")
        return QByteArray();
    return host;
}

FileId idOf(const struct stat& status)
{
    return {static_cast<quint64>(status.st_dev), static_cast<quint64>(status.st_ino)};
}

DirEntry::Kind kindOfMode(mode_t mode)
{
    if (S_ISLNK(mode))
        return DirEntry::Link;
    if (S_ISDIR(mode))
        return DirEntry::Folder;
    return S_ISREG(mode) ? DirEntry::File : DirEntry::Other;
}

// Picks a fresh hidden name beside `name` for a temporary that has to have a name: the
// program's id in it lets a later copy tell a temporary of a program that died.
QByteArray temporaryName(const QByteArray& name)
{
    static std::atomic<quint32> counter{0};
    return '.' + name.left(160) + LinuxFileSystem::TemporaryMarker + QByteArray::number(::getpid()) + '-'
           + QByteArray::number(++counter) + '-' + QByteArray::number(static_cast<quint32>(::random()), 36);
}

// Removes the temporaries that programs which no longer run left in a folder. Each folder is
// looked at once per run, and only on file systems that cannot make anonymous files.
void removeStaleTemporaries(int dirFd)
{
    struct stat folderStatus;
    if (::fstat(dirFd, &folderStatus) != 0)
        return;
    static std::mutex seenMutex;
    static std::set<std::pair<dev_t, ino_t>> seen;
    {
        std::lock_guard lock(seenMutex);
        if (!seen.insert({folderStatus.st_dev, folderStatus.st_ino}).second)
            return;
    }
    const int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* directory = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!directory) {
        if (listFd >= 0)
            ::close(listFd);
        return;
    }
    const QByteArray marker(LinuxFileSystem::TemporaryMarker);
    while (const struct dirent* item = ::readdir(directory)) {
        const QByteArray name(item->d_name);
        const qsizetype at = name.lastIndexOf(marker);
        if (!name.startsWith('.') || at < 0)
            continue;
        const QList<QByteArray> parts = name.mid(at + marker.size()).split('-');
        bool isNumber = false;
        const pid_t owner = parts.size() == 3 ? parts.at(0).toInt(&isNumber) : 0;
        if (isNumber && owner > 0 && owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH)
            (void)::unlinkat(dirFd, item->d_name, 0);
    }
    ::closedir(directory);
}

// Gives a finished temporary its name: `anonymous` is an O_TMPFILE descriptor, else
// `named` is the temporary's name in the folder. Without `replace`, an existing name stays.
int placeFile(int anonymous, const QByteArray& named, int dirFd, const QByteArray& name, bool replace)
{
    if (anonymous >= 0) {
        const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(anonymous);
        const auto linkAs = [&](const QByteArray& as) {
            if (::linkat(AT_FDCWD, procPath.constData(), dirFd, as.constData(), AT_SYMLINK_FOLLOW) == 0)
                return 0;
            const int error = errno;
            // Without /proc, a descriptor can still be linked by those allowed to.
            if (error == ENOENT && ::linkat(anonymous, "", dirFd, as.constData(), AT_EMPTY_PATH) == 0)
                return 0;
            return error;
        };
        const int error = linkAs(name);
        if (error != EEXIST || !replace)
            return error;
        // Replacing: the whole file takes a hidden name first, then the target's in one step.
        const QByteArray hidden = temporaryName(name);
        if (const int hiddenError = linkAs(hidden))
            return hiddenError;
        if (::renameat(dirFd, hidden.constData(), dirFd, name.constData()) != 0) {
            const int renameError = errno;
            ::unlinkat(dirFd, hidden.constData(), 0);
            return renameError;
        }
        return 0;
    }
    if (replace)
        return ::renameat(dirFd, named.constData(), dirFd, name.constData()) == 0 ? 0 : errno;
    if (::renameat2(dirFd, named.constData(), dirFd, name.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without RENAME_NOREPLACE: a hard link fails just the same on an existing
    // name, and the temporary name goes afterwards.
    if (::linkat(dirFd, named.constData(), dirFd, name.constData(), 0) != 0)
        return errno;
    ::unlinkat(dirFd, named.constData(), 0);
    return 0;
}

// Copies the data of `in` into `out` from the start: shared blocks where the file system can
// (instant, no space used), else in the kernel, else through a buffer; in pieces, so that a
// stop request is honoured within a large file.
FsError copyData(int in, int out, dev_t device, const CopyControl& control)
{
    // A file system that refused once (ext4, tmpfs) is not asked again for every file.
    static std::atomic<dev_t> noReflinkDevice{static_cast<dev_t>(-1)};
    if (noReflinkDevice.load() != device) {
        if (::ioctl(out, FICLONE, in) == 0) {
            struct stat status;
            if (control.bytesDone && ::fstat(in, &status) == 0)
                *control.bytesDone += status.st_size;
            return FsError::None;
        }
        if (errno == EOPNOTSUPP || errno == EINVAL || errno == EXDEV || errno == ENOTTY)
            noReflinkDevice = device;
    }
    constexpr size_t Piece = 8 << 20;
    const auto stopped = [&] { return control.stop && control.stop->load(std::memory_order_relaxed); };
    const auto advance = [&](ssize_t bytes) {
        if (control.bytesDone)
            control.bytesDone->fetch_add(bytes, std::memory_order_relaxed);
    };
    qint64 copied = 0;
    for (;;) {
        if (stopped())
            return FsError::Cancelled;
        const ssize_t done = ::copy_file_range(in, nullptr, out, nullptr, Piece, 0);
        if (done > 0) {
            copied += done;
            advance(done);
            continue;
        }
        if (done == 0)
            return FsError::None;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EBADF)
            return fsErrorFromErrno(errno);
        break;
    }
    // Start again from the beginning, whatever the failed call did.
    if (::lseek(in, 0, SEEK_SET) < 0 || ::ftruncate(out, 0) != 0 || ::lseek(out, 0, SEEK_SET) < 0)
        return fsErrorFromErrno(errno);
    if (control.bytesDone)
        *control.bytesDone -= copied;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        if (stopped())
            return FsError::Cancelled;
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got == 0)
            return FsError::None;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fsErrorFromErrno(errno);
        }
        for (ssize_t put = 0; put < got;) {
            const ssize_t written = ::write(out, buffer.data() + put, static_cast<size_t>(got - put));
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return fsErrorFromErrno(errno);
            }
            put += written;
        }
        advance(got);
    }
}

}  // namespace

void LinuxFileSystem::allowManyOpenFolders()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct rlimit limit;
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            (void)::setrlimit(RLIMIT_NOFILE, &limit);
        }
    });
}

FsError LinuxFileSystem::openFolder(const QString& path, OpenFolder& out)
{
    const QByteArray host = resolve(path);
    if (host.isEmpty())
        return FsError::InvalidName;
    const int fd = ::open(host.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errorAt(errno, host);
    out = OpenFolder(fd, path.isEmpty() ? QStringLiteral("\\") : path, closeHandle);
    return FsError::None;
}

FsError LinuxFileSystem::openChild(const OpenFolder& parent, const QString& name, OpenFolder& out)
{
    const QByteArray host = hostName(name);
    if (host.isEmpty())
        return FsError::InvalidName;
    const int fd = ::openat(parent.handle(), host.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP || errno == ENOTDIR ? FsError::NotAFolder : fsErrorFromErrno(errno);
    out = OpenFolder(fd, PhonePath::join(parent.path(), name), closeHandle);
    return FsError::None;
}

FsError LinuxFileSystem::list(const OpenFolder& folder, bool withSizes, const EntryVisitor& visit)
{
    // A descriptor of its own: a listing moves the position of the one it reads.
    const int listFd = ::openat(folder.handle(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return fsErrorFromErrno(errno);
    DIR* directory = ::fdopendir(listFd);
    if (!directory) {
        const int error = errno;
        ::close(listFd);
        return fsErrorFromErrno(error);
    }
    DirEntry entry;
    return readEntries(directory, [&](const struct dirent& item, FsError& error) {
        const char* name = item.d_name;
        entry.size = 0;
        switch (item.d_type) {
        case DT_DIR: entry.kind = DirEntry::Folder; break;
        case DT_LNK: entry.kind = DirEntry::Link; break;
        case DT_REG: entry.kind = DirEntry::File; break;
        case DT_UNKNOWN: entry.kind = DirEntry::Other; break;
        default: entry.kind = DirEntry::Other; break;
        }
        if (item.d_type == DT_UNKNOWN || (withSizes && item.d_type == DT_REG)) {
            struct stat status;
            if (::fstatat(listFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT)
                    return true;  // gone since it was listed
                error = fsErrorFromErrno(errno);
                return false;
            }
            entry.kind = kindOfMode(status.st_mode);
            if (entry.kind == DirEntry::File)
                entry.size = static_cast<qint64>(status.st_size);
        }
        assignName(entry.name, name, std::strlen(name));
        return visit(entry);
    });
}

FsError LinuxFileSystem::searchFolder(const OpenFolder& folder, const NamePattern& pattern,
                                      const std::atomic<bool>& stop, const Visitor& matched,
                                      const SubfolderVisitor& subfolder)
{
    // A descriptor of its own: a listing moves the position of the one it reads.
    const int listFd = ::openat(folder.handle(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return fsErrorFromErrno(errno);
    FolderContext context;
    struct statx status;
    if (statx(listFd, "", AT_EMPTY_PATH, STATX_TYPE, &status) == 0)
        context.device = deviceOf(status);
    // Only the extended-attribute fallback of old kernels needs the folder's path.
    context.pathBuffer = resolve(folder.path()) + '/';
    context.folderLength = context.pathBuffer.size();
    DIR* directory = ::fdopendir(listFd);
    if (!directory) {
        const int error = errno;
        ::close(listFd);
        return fsErrorFromErrno(error);
    }
    const bool asciiPattern = pattern.isAscii();
    FindData entry;
    QString subfolderName;
    return readEntries(directory, [&](const struct dirent& item, FsError&) {
        if (stop.load(std::memory_order_relaxed))
            return false;
        const char* name = item.d_name;
        const size_t length = std::strlen(name);
        // Most names are ASCII: they are matched on their bytes, and only a name that matches
        // or a folder to go into becomes a string.
        bool named = false;
        bool isMatch = true;
        if (!pattern.matchesEverything()) {
            if (asciiPattern && isPlainAscii(name, length)) {
                isMatch = pattern.matchesAscii(name, static_cast<qsizetype>(length));
            } else {
                assignName(entry.name, name, length);
                named = true;
                isMatch = pattern.matches(entry.name);
            }
        }
        const bool maybeFolder = item.d_type == DT_DIR || item.d_type == DT_UNKNOWN;
        if (isMatch) {
            bool enterable = false;
            if (!displayAttributes(listFd, name, item.d_type, context, entry.attributes, enterable))
                return true;  // gone since it was listed
            if (!named)
                assignName(entry.name, name, length);
            if (!matched(entry))
                return false;
            if (enterable)
                subfolder(entry.name);
            return true;
        }
        if (!maybeFolder)
            return true;
        if (item.d_type == DT_UNKNOWN) {
            struct stat itemStatus;
            if (fstatat(listFd, name, &itemStatus, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(itemStatus.st_mode))
                return true;
        }
        assignName(subfolderName, name, length);
        subfolder(subfolderName);
        return true;
    });
}

FsError LinuxFileSystem::identityOf(const OpenFolder& folder, FileId& out)
{
    struct stat status;
    if (::fstat(folder.handle(), &status) != 0)
        return fsErrorFromErrno(errno);
    out = idOf(status);
    return FsError::None;
}

FsError LinuxFileSystem::entryAt(const OpenFolder& folder, const QString& name, DirEntry& out, FileId* id)
{
    const QByteArray host = hostName(name);
    if (host.isEmpty())
        return FsError::InvalidName;
    struct stat status;
    if (::fstatat(folder.handle(), host.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? FsError::FileNotFound : fsErrorFromErrno(errno);
    out.name = name;
    out.kind = kindOfMode(status.st_mode);
    out.size = out.kind == DirEntry::File ? static_cast<qint64>(status.st_size) : 0;
    if (id)
        *id = idOf(status);
    return FsError::None;
}

FsError LinuxFileSystem::identityChain(const OpenFolder& folder, std::vector<FileId>& out)
{
    out.clear();
    Fd current(::openat(folder.handle(), ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    // The host's own root is its own parent; the bound only guards against a file system
    // that says otherwise.
    for (int depth = 0; current.valid() && depth < 100000; ++depth) {
        struct stat status;
        if (::fstat(current.get(), &status) != 0)
            return fsErrorFromErrno(errno);
        const FileId id = idOf(status);
        if (!out.empty() && out.back() == id)
            return FsError::None;
        out.push_back(id);
        current.reset(::openat(current.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    return current.valid() ? FsError::None : fsErrorFromErrno(errno);
}

FsError LinuxFileSystem::createFolderAt(const OpenFolder& parent, const QString& name)
{
    const QByteArray host = hostName(name);
    if (host.isEmpty())
        return FsError::InvalidName;
    return ::mkdirat(parent.handle(), host.constData(), 0777) == 0 ? FsError::None : fsErrorFromErrno(errno);
}

FsError LinuxFileSystem::copyFileAt(const OpenFolder& from, const QString& name, const OpenFolder& to,
                                    const QString& targetName, bool replace, const CopyControl& control)
{
    const QByteArray sourceName = hostName(name);
    const QByteArray target = hostName(targetName);
    if (sourceName.isEmpty() || target.isEmpty())
        return FsError::InvalidName;
    // Not blocking: a named pipe must not hang the copy; and a link is never read through.
    Fd in(::openat(from.handle(), sourceName.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW));
    if (!in.valid())
        return errno == ELOOP ? FsError::AccessDenied : errno == ENOENT ? FsError::FileNotFound : fsErrorFromErrno(errno);
    struct stat sourceStatus;
    if (::fstat(in.get(), &sourceStatus) != 0)
        return fsErrorFromErrno(errno);
    if (!S_ISREG(sourceStatus.st_mode))
        return S_ISDIR(sourceStatus.st_mode) ? FsError::AccessDenied : FsError::NotRegularFile;
    // Without `replace` no look is needed: giving the file its name fails on an existing one.
    struct stat targetStatus;
    if (replace && ::fstatat(to.handle(), target.constData(), &targetStatus, AT_SYMLINK_NOFOLLOW) == 0) {
        // A folder is never replaced, and a read-only file is not either, as on the phone.
        if (S_ISDIR(targetStatus.st_mode) || (S_ISREG(targetStatus.st_mode) && !(targetStatus.st_mode & S_IWUSR)))
            return FsError::AccessDenied;
        // The very entry the data comes from already is its own copy. (Another name for the
        // same data, a hard link, is replaced by a copy of its own like any target.)
        struct stat fromFolder, toFolder;
        if (targetName == name && idOf(targetStatus) == idOf(sourceStatus) && ::fstat(from.handle(), &fromFolder) == 0
            && ::fstat(to.handle(), &toFolder) == 0 && idOf(fromFolder) == idOf(toFolder))
            return FsError::None;
    }

    // The data goes to an anonymous file that takes the target's name only once it is
    // complete: a failure, or a kill, never leaves a target that looks whole, nor anything
    // to clean up. A file system that cannot make one gets a hidden named temporary.
    QByteArray named;
    Fd out(::openat(to.handle(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    const bool anonymous = out.valid();
    if (!anonymous) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
            return fsErrorFromErrno(errno);
        removeStaleTemporaries(to.handle());
        named = temporaryName(target);
        out.reset(::openat(to.handle(), named.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!out.valid())
            return fsErrorFromErrno(errno);
    }
    const auto fail = [&](FsError error) {
        out.reset();
        if (!anonymous)
            ::unlinkat(to.handle(), named.constData(), 0);
        return error;
    };

    if (const FsError error = copyData(in.get(), out.get(), sourceStatus.st_dev, control); error != FsError::None)
        return fail(error);
    // The DOS attributes go with the data where the target's file system can keep them.
    char value[DosValueBuffer];
    const ssize_t dosSize = ::fgetxattr(in.get(), DosAttributeName, value, sizeof value);
    if (dosSize > 0)
        (void)::fsetxattr(out.get(), DosAttributeName, value, static_cast<size_t>(dosSize), 0);
    const struct timespec times[2] = {sourceStatus.st_atim, sourceStatus.st_mtim};
    if (::futimens(out.get(), times) != 0 || ::fchmod(out.get(), sourceStatus.st_mode & 07777) != 0)
        return fail(fsErrorFromErrno(errno));
    if (control.flush && ::fdatasync(out.get()) != 0)
        return fail(fsErrorFromErrno(errno));
    if (const int error = placeFile(anonymous ? out.get() : -1, named, to.handle(), target, replace))
        return fail(fsErrorFromErrno(error));
    // Closing can report a write error that an earlier call did not (network file systems);
    // the name is then taken back, so nothing incomplete stays under it.
    if (::close(out.release()) != 0) {
        const int error = errno;
        ::unlinkat(to.handle(), target.constData(), 0);
        return fsErrorFromErrno(error);
    }
    if (control.flush)
        (void)::fsync(to.handle());
    return FsError::None;
}

FsError LinuxFileSystem::copyLinkAt(const OpenFolder& from, const QString& name, const OpenFolder& to,
                                    const QString& targetName, bool replace)
{
    const QByteArray sourceName = hostName(name);
    const QByteArray target = hostName(targetName);
    if (sourceName.isEmpty() || target.isEmpty())
        return FsError::InvalidName;
    QByteArray text(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(from.handle(), sourceName.constData(), text.data(), static_cast<size_t>(text.size()));
    if (length < 0)
        return errno == EINVAL ? FsError::AccessDenied : errno == ENOENT ? FsError::FileNotFound : fsErrorFromErrno(errno);
    text.truncate(static_cast<qsizetype>(length));
    struct stat targetStatus;
    const bool exists = ::fstatat(to.handle(), target.constData(), &targetStatus, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && !replace)
        return FsError::AlreadyExists;
    if (exists && (S_ISDIR(targetStatus.st_mode) || (S_ISREG(targetStatus.st_mode) && !(targetStatus.st_mode & S_IWUSR))))
        return FsError::AccessDenied;
    if (!exists)
        return ::symlinkat(text.constData(), to.handle(), target.constData()) == 0 ? FsError::None : fsErrorFromErrno(errno);
    const QByteArray hidden = temporaryName(target);
    if (::symlinkat(text.constData(), to.handle(), hidden.constData()) != 0)
        return fsErrorFromErrno(errno);
    if (::renameat(to.handle(), hidden.constData(), to.handle(), target.constData()) != 0) {
        const int error = errno;
        ::unlinkat(to.handle(), hidden.constData(), 0);
        return fsErrorFromErrno(error);
    }
    return FsError::None;
}

FsError LinuxFileSystem::deleteAt(const OpenFolder& folder, const QString& name)
{
    const QByteArray host = hostName(name);
    if (host.isEmpty())
        return FsError::InvalidName;
    struct stat status;
    if (::fstatat(folder.handle(), host.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? FsError::FileNotFound : fsErrorFromErrno(errno);
    // As on the phone, a folder is not a file and a read-only file stays until it is made
    // writable; a link goes whatever it points at.
    if (S_ISDIR(status.st_mode) || (S_ISREG(status.st_mode) && !(status.st_mode & S_IWUSR)))
        return FsError::AccessDenied;
    return ::unlinkat(folder.handle(), host.constData(), 0) == 0 ? FsError::None : fsErrorFromErrno(errno);
}

FsError LinuxFileSystem::removeFolderAt(const OpenFolder& folder, const QString& name)
{
    const QByteArray host = hostName(name);
    if (host.isEmpty())
        return FsError::InvalidName;
    struct stat status;
    if (::fstatat(folder.handle(), host.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? FsError::FileNotFound : fsErrorFromErrno(errno);
    if (!S_ISDIR(status.st_mode))
        return FsError::NotAFolder;
    if (::unlinkat(folder.handle(), host.constData(), AT_REMOVEDIR) == 0)
        return FsError::None;
    // POSIX lets rmdir say EEXIST for a folder that is not empty.
    return errno == EEXIST ? FsError::DirectoryNotEmpty : fsErrorFromErrno(errno);
}

FsError LinuxFileSystem::syncAt(const OpenFolder& folder)
{
    return ::syncfs(folder.handle()) == 0 ? FsError::None : fsErrorFromErrno(errno);
}

namespace {

// The process's umask, read where reading it changes nothing (umask(2) can only read it by
// setting it, which other threads would see).
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

// A new file on Linux: an anonymous file in its folder (or, where the file system cannot
// make one, a hidden named temporary), linked under its name by commit() or put in place of
// an older item by commit(true).
class LinuxNewFile : public NewFile {
public:
    LinuxNewFile(int dirFd, QByteArray name, int fd, QByteArray temporary)
        : m_dirFd(dirFd), m_name(std::move(name)), m_fd(fd), m_temporary(std::move(temporary))
    {
    }
    ~LinuxNewFile() override
    {
        if (m_fd.valid() && !m_temporary.isEmpty())
            ::unlinkat(m_dirFd, m_temporary.constData(), 0);
    }

    FsError write(const char* data, qint64 size) override
    {
        while (size > 0) {
            const ssize_t put = ::write(m_fd.get(), data, static_cast<size_t>(size));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return fsErrorFromErrno(errno);
            }
            data += put;
            size -= put;
            m_written += put;
        }
        // Once a few megabytes have gathered, the disk starts writing them in the background:
        // a flush at the end then finds little left to do, and a large file does not fill the
        // page cache with unwritten data first.
        if (m_written - m_writingFrom >= WriteBehind) {
            (void)::sync_file_range(m_fd.get(), m_writingFrom, m_written - m_writingFrom, SYNC_FILE_RANGE_WRITE);
            m_writingFrom = m_written;
        }
        return FsError::None;
    }

    qint64 seek(qint64 offset, int whence) override { return ::lseek(m_fd.get(), offset, whence); }

    FsError flush() override
    {
        if (!m_fd.valid())
            return FsError::Other;
        if (::fdatasync(m_fd.get()) != 0)
            return fsErrorFromErrno(errno);
        m_syncName = true;
        return FsError::None;
    }

    FsError commit(bool replace) override { return place(replace); }

private:
    FsError place(bool replace)
    {
        if (!m_fd.valid())
            return FsError::Other;
        struct stat target;
        if (replace && ::fstatat(m_dirFd, m_name.constData(), &target, AT_SYMLINK_NOFOLLOW) == 0
            && (S_ISDIR(target.st_mode) || (S_ISREG(target.st_mode) && !(target.st_mode & S_IWUSR))))
            return FsError::AccessDenied;
        // A mode as a new file of the user's gets: the anonymous file was made private.
        if (::fchmod(m_fd.get(), 0666 & ~processUmask()) != 0)
            return fsErrorFromErrno(errno);
        if (const int error = placeFile(m_temporary.isEmpty() ? m_fd.get() : -1, m_temporary, m_dirFd, m_name, replace))
            return fsErrorFromErrno(error);
        m_temporary.clear();
        if (::close(m_fd.release()) != 0) {
            const int error = errno;
            ::unlinkat(m_dirFd, m_name.constData(), 0);
            return fsErrorFromErrno(error);
        }
        // The file is whole under its name; a failure here only says that the name may not
        // survive a crash yet, which a caller about to delete the original must know.
        if (m_syncName && ::fsync(m_dirFd) != 0)
            return fsErrorFromErrno(errno);
        return FsError::None;
    }

    static constexpr qint64 WriteBehind = 8 << 20;

    int m_dirFd;  // the folder's, owned by the caller's OpenFolder
    QByteArray m_name;
    Fd m_fd;
    QByteArray m_temporary;
    bool m_syncName = false;  // flushed: the name goes on the disk with the data
    qint64 m_written = 0;
    qint64 m_writingFrom = 0;  // the data before it is on its way to the disk
};

}  // namespace

FsError LinuxFileSystem::createFileAt(const OpenFolder& folder, const QString& name, std::unique_ptr<NewFile>& out)
{
    const QByteArray host = hostName(name);
    if (host.isEmpty())
        return FsError::InvalidName;
    QByteArray named;
    int fd = ::openat(folder.handle(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
            return fsErrorFromErrno(errno);
        removeStaleTemporaries(folder.handle());
        named = temporaryName(host);
        fd = ::openat(folder.handle(), named.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return fsErrorFromErrno(errno);
    }
    out = std::make_unique<LinuxNewFile>(folder.handle(), host, fd, named);
    return FsError::None;
}

namespace {

class LinuxReadFile : public ReadFile {
public:
    LinuxReadFile(int fd, qint64 size, qint64 birth) : m_fd(fd), m_size(size), m_birth(birth) {}
    qint64 read(char* data, qint64 size) override
    {
        for (;;) {
            const ssize_t got = ::read(m_fd.get(), data, static_cast<size_t>(size));
            if (got >= 0)
                return got;
            if (errno != EINTR)
                return -1;
        }
    }
    qint64 size() const override { return m_size; }
    qint64 birthTime() const override { return m_birth; }

private:
    Fd m_fd;
    qint64 m_size;
    qint64 m_birth;
};

}  // namespace

FsError LinuxFileSystem::openFileAt(const OpenFolder& folder, const QString& name, std::unique_ptr<ReadFile>& out)
{
    const QByteArray host = hostName(name);
    if (host.isEmpty())
        return FsError::InvalidName;
    Fd fd(::openat(folder.handle(), host.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW));
    if (!fd.valid())
        return errno == ELOOP ? FsError::AccessDenied : errno == ENOENT ? FsError::FileNotFound : fsErrorFromErrno(errno);
    struct statx status;
    if (::statx(fd.get(), "", AT_EMPTY_PATH, STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME, &status) != 0)
        return fsErrorFromErrno(errno);
    if (!S_ISREG(status.stx_mode))
        return S_ISDIR(status.stx_mode) ? FsError::AccessDenied : FsError::NotRegularFile;
    // Reads block again: only the open had to be kept from waiting on a pipe.
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0)
        (void)::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    const qint64 birth = (status.stx_mask & STATX_BTIME) ? milliseconds(status.stx_btime) : milliseconds(status.stx_mtime);
    out = std::make_unique<LinuxReadFile>(fd.release(), static_cast<qint64>(status.stx_size), birth);
    return FsError::None;
}

FsError LinuxFileSystem::linkTextAt(const OpenFolder& folder, const QString& name, QByteArray& out)
{
    const QByteArray host = hostName(name);
    if (host.isEmpty())
        return FsError::InvalidName;
    QByteArray text(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(folder.handle(), host.constData(), text.data(), static_cast<size_t>(text.size()));
    if (length < 0)
        return errno == EINVAL ? FsError::AccessDenied : errno == ENOENT ? FsError::FileNotFound : fsErrorFromErrno(errno);
    text.truncate(static_cast<qsizetype>(length));
    out = text;
    return FsError::None;
}

}  // namespace platform
