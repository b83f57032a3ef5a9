#include "platform/linux/LinuxFileSystem.h"

#include "platform/NamePattern.h"
#include "platform/linux/SambaDosAttrib.h"

#include <QStringList>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
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
            // A link that points nowhere (or nowhere we may look): an empty file with the
            // link's own times.
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

    const mode_t mode = dangling ? (S_IFREG | 0644) : status.stx_mode;
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
    out.creationTime = (status.stx_mask & STATX_BTIME) ? milliseconds(status.stx_btime) : out.lastWriteTime;
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

bool openFolder(const QByteArray& hostFolder, Fd& fd, FolderContext& context)
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

// The host name in `folder` that equals `phoneName` without regard to case, or empty.
QByteArray findWithoutCase(const QByteArray& folder, const QString& phoneName)
{
    DIR* directory = ::opendir(folder.constData());
    if (!directory)
        return QByteArray();
    QByteArray found;
    QString name;
    while (const struct dirent* item = readdir(directory)) {
        assignName(name, item->d_name, std::strlen(item->d_name));
        if (name.compare(phoneName, Qt::CaseInsensitive) == 0) {
            found = QByteArray(item->d_name);
            break;
        }
    }
    closedir(directory);
    return found;
}

}  // namespace

QByteArray LinuxFileSystem::resolve(const QString& path) const
{
    const QByteArray exact = m_mapper.toHost(path);
    if (exact.isEmpty() || hostExists(exact))
        return exact;
    // Names are found without regard to case, component by component, as the phone's file
    // system finds them; what does not exist yet keeps the spelling it was given.
    QByteArray host = m_mapper.hostRoot();
    bool missing = false;
    for (const QString& component : path.split(u'\\', Qt::SkipEmptyParts)) {
        QByteArray name = PathMapper::nameToHost(component);
        if (!missing && !hostExists(childPath(host, name))) {
            const QByteArray other = findWithoutCase(host, component);
            if (other.isEmpty() || other == "." || other == "..")
                missing = true;
            else
                name = other;
        }
        host = childPath(host, name);
    }
    return host;
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
    Fd folderFd;
    FolderContext context;
    if (!openFolder(hostFolder, folderFd, context))
        return errno == ENOENT || errno == ENOTDIR ? FsError::PathNotFound : fsErrorFromErrno(errno);
    DIR* directory = fdopendir(folderFd.get());
    if (!directory)
        return fsErrorFromErrno(errno);
    folderFd.release();  // the listing owns it now
    const int dirFd = dirfd(directory);

    FsError result = FsError::None;
    FindData entry;
    for (;;) {
        errno = 0;
        const struct dirent* item = readdir(directory);
        if (!item) {
            if (errno != 0)
                result = fsErrorFromErrno(errno);
            break;
        }
        const char* name = item->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        assignName(entry.name, name, std::strlen(name));
        if (!matcher.matchesEverything() && !matcher.matches(entry.name))
            continue;
        if (!describeEntry(dirFd, name, item->d_type, context, entry))
            continue;  // gone since it was listed
        if (!visit(entry))
            break;
    }
    closedir(directory);
    return result;
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
    if (!openFolder(folder, folderFd, context))
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

FsError LinuxFileSystem::copyFile(const QString& source, const QString& target, bool failIfExists, bool flush)
{
    const QByteArray from = resolve(source);
    QByteArray targetFolder, targetName;
    if (from.isEmpty() || !hostParts(target, targetFolder, targetName))
        return FsError::InvalidName;
    const QByteArray to = childPath(targetFolder, targetName);

    // Not blocking: a named pipe must not hang the copy; it is refused below as no file.
    Fd in(::open(from.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!in.valid())
        return errorAt(errno, from);
    struct stat sourceStatus;
    if (fstat(in.get(), &sourceStatus) != 0)
        return fsErrorFromErrno(errno);
    if (!S_ISREG(sourceStatus.st_mode))
        return FsError::AccessDenied;
    struct stat targetStatus;
    if (::stat(to.constData(), &targetStatus) == 0) {
        if (failIfExists)
            return FsError::AlreadyExists;
        // Copying a file onto itself would truncate it; it already is its own copy.
        if (targetStatus.st_dev == sourceStatus.st_dev && targetStatus.st_ino == sourceStatus.st_ino)
            return FsError::None;
        // A folder is never replaced, and a read-only file is not either, as on the phone.
        if (S_ISDIR(targetStatus.st_mode) || !(targetStatus.st_mode & S_IWUSR))
            return FsError::AccessDenied;
    }

    // The data goes to a hidden file beside the target, which takes the target's name only
    // once it is complete: a failure never leaves a target that looks whole.
    QByteArray temporary = childPath(targetFolder, '.' + targetName.left(200) + ".fennick-XXXXXX");
    Fd out(mkostemp(temporary.data(), O_CLOEXEC));
    if (!out.valid())
        return errorAt(errno, temporary);
    const auto fail = [&](int error) {
        out.reset();
        ::unlink(temporary.constData());
        return fsErrorFromErrno(error);
    };

    // A reflink shares the blocks (btrfs, XFS): instant, and no space is used. A file system
    // that refused once (ext4, tmpfs) is not asked again for every file of a big copy.
    static std::atomic<dev_t> noReflinkDevice{static_cast<dev_t>(-1)};
    const bool tryReflink = noReflinkDevice.load() != sourceStatus.st_dev;
    const bool reflinked = tryReflink && ioctl(out.get(), FICLONE, in.get()) == 0;
    if (tryReflink && !reflinked && (errno == EOPNOTSUPP || errno == EINVAL || errno == EXDEV || errno == ENOTTY))
        noReflinkDevice = sourceStatus.st_dev;
    if (!reflinked) {
        bool useReadWrite = false;
        for (;;) {
            const ssize_t copied = copy_file_range(in.get(), nullptr, out.get(), nullptr, 1 << 30, 0);
            if (copied > 0)
                continue;
            if (copied == 0)
                break;
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF) {
                useReadWrite = true;
                break;
            }
            return fail(errno);
        }
        if (useReadWrite) {
            // Start again from the beginning, whatever the failed call did.
            if (lseek(in.get(), 0, SEEK_SET) < 0 || ftruncate(out.get(), 0) != 0 || lseek(out.get(), 0, SEEK_SET) < 0)
                return fail(errno);
            std::vector<char> buffer(1 << 20);
            for (;;) {
                const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
                if (got == 0)
                    break;
                if (got < 0) {
                    if (errno == EINTR)
                        continue;
                    return fail(errno);
                }
                for (ssize_t done = 0; done < got;) {
                    const ssize_t put = ::write(out.get(), buffer.data() + done, static_cast<size_t>(got - done));
                    if (put < 0) {
                        if (errno == EINTR)
                            continue;
                        return fail(errno);
                    }
                    done += put;
                }
            }
        }
    }

    // The DOS attributes go with the data where the target's file system can keep them.
    char value[DosValueBuffer];
    const ssize_t dosSize = fgetxattr(in.get(), DosAttributeName, value, sizeof value);
    if (dosSize > 0)
        (void)fsetxattr(out.get(), DosAttributeName, value, static_cast<size_t>(dosSize), 0);
    const struct timespec times[2] = {sourceStatus.st_atim, sourceStatus.st_mtim};
    if (futimens(out.get(), times) != 0 || fchmod(out.get(), sourceStatus.st_mode & 07777) != 0)
        return fail(errno);
    if (flush && fdatasync(out.get()) != 0)
        return fail(errno);
    // Closing can report a write error that an earlier call did not (network file systems).
    if (::close(out.release()) != 0)
        return fail(errno);

    int renameError = 0;
    if (failIfExists) {
        if (renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
            renameError = errno;
            // A file system without RENAME_NOREPLACE: a hard link fails just the same on an
            // existing name, and the temporary name goes afterwards.
            if (renameError == EINVAL || renameError == ENOSYS) {
                renameError = ::link(temporary.constData(), to.constData()) == 0 ? 0 : errno;
                if (renameError == 0)
                    ::unlink(temporary.constData());
            }
        }
    } else if (::rename(temporary.constData(), to.constData()) != 0) {
        renameError = errno;
    }
    if (renameError != 0)
        return fail(renameError);
    if (flush) {
        Fd folder(::open(targetFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.valid())
            (void)fsync(folder.get());
    }
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
    // A link is judged by what it shows: what it points at.
    struct stat shown;
    if (S_ISLNK(status.st_mode) && ::stat(host.constData(), &shown) == 0)
        status = shown;
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
    QByteArray to = childPath(folder, name);
    // A new spelling of the same name: the target found without regard to case is the source
    // itself, and the new spelling is what is asked for.
    if (to == from)
        to = childPath(folder, PathMapper::nameToHost(PhonePath::splitLast(target).name));
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

}  // namespace platform
