#include "platform/linux/LinuxFileSystem.h"

#include "platform/NamePattern.h"

#include <QStringList>
#include <QtEndian>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* DosAttributeName = "user.DOSATTRIB";
constexpr quint32 DosBits = Attr::Hidden | Attr::System | Attr::Archive;
constexpr unsigned StatxMask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_ATIME | STATX_BTIME;

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

#ifndef SYS_getxattrat
#define SYS_getxattrat 464
#endif

// getxattrat(2) reads an attribute relative to an open folder, which spares the kernel a walk
// of the whole path for every entry. Kernels before 6.13 lack it; then the path is walked.
struct XattrArgs {
    quint64 value;
    quint32 size;
    quint32 flags;
};
std::atomic<bool> g_getxattratMissing = false;

ssize_t getXattrIn(int dirFd, FolderContext& folder, const char* name, char* value, size_t size)
{
    if (!g_getxattratMissing) {
        XattrArgs args{reinterpret_cast<quint64>(value), static_cast<quint32>(size), 0};
        const long result = syscall(SYS_getxattrat, dirFd, name, 0, DosAttributeName, &args, sizeof args);
        if (result >= 0 || errno != ENOSYS)
            return result;
        g_getxattratMissing = true;
    }
    // The folder's path stays in the buffer; only the name part is replaced per entry.
    folder.pathBuffer.truncate(folder.folderLength);
    folder.pathBuffer.append(name);
    return getxattr(folder.pathBuffer.constData(), DosAttributeName, value, size);
}

// Reads the DOS attribute of `name` in the folder; 0 when there is none.
quint32 readDosAttributes(int dirFd, const char* name, FolderContext& folder)
{
    if (!folder.xattrsSupported)
        return 0;
    char value[64];
    const ssize_t size = getXattrIn(dirFd, folder, name, value, sizeof value);
    if (size < 0) {
        if (errno == ENOTSUP)
            folder.xattrsSupported = false;
        return 0;
    }
    return LinuxFileSystem::parseDosAttributes(QByteArray(value, static_cast<qsizetype>(size)));
}

// Fills `out` for the entry `name` of the open folder. False when it vanished meanwhile.
bool describeEntry(int dirFd, const char* name, unsigned char type, FolderContext& folder, FindData& out)
{
    struct statx status;
    quint32 attributes = 0;
    bool statted = false;
    if (type == DT_LNK || type == DT_UNKNOWN) {
        if (statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, StatxMask, &status) != 0)
            return false;
        if (S_ISLNK(status.stx_mode)) {
            attributes |= Attr::ReparsePoint;
            // A link shows what it points at; a dangling one is an empty file.
            struct statx target;
            if (statx(dirFd, name, AT_NO_AUTOMOUNT, StatxMask, &target) == 0)
                status = target;
            else
                status.stx_size = 0;
        }
        statted = true;
    }
    if (!statted && statx(dirFd, name, AT_NO_AUTOMOUNT, StatxMask, &status) != 0)
        return false;

    const mode_t mode = status.stx_mode;
    if (S_ISDIR(mode))
        attributes |= Attr::Directory;
    else if (!S_ISREG(mode) && !(attributes & Attr::ReparsePoint))
        attributes |= Attr::System;
    if (!(mode & S_IWUSR))
        attributes |= Attr::ReadOnly;
    if (name[0] == '.')
        attributes |= Attr::Hidden;
    attributes |= readDosAttributes(dirFd, name, folder) & DosBits;

    bool readOnlyMount = folder.readOnlyMount;
    if (S_ISDIR(mode) && deviceOf(status) != folder.device) {
        // A mount point below the folder: its own mount decides.
        Fd inner(openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        readOnlyMount = inner.valid() && isReadOnlyMount(inner.get());
    }
    if (readOnlyMount)
        attributes |= Attr::InRom;
    if (attributes == 0)
        attributes = Attr::Normal;

    out.name = PathMapper::nameFromHost(QByteArray::fromRawData(name, static_cast<qsizetype>(std::strlen(name))));
    out.attributes = attributes;
    out.size = S_ISDIR(mode) ? 0 : static_cast<qint64>(status.stx_size);
    out.lastWriteTime = milliseconds(status.stx_mtime);
    out.lastAccessTime = milliseconds(status.stx_atime);
    out.creationTime = (status.stx_mask & STATX_BTIME) ? milliseconds(status.stx_btime) : out.lastWriteTime;
    return true;
}

bool openFolder(const QByteArray& hostFolder, Fd& fd, FolderContext& context, FsError& error)
{
    fd.reset(::open(hostFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) {
        error = errno == ENOENT || errno == ENOTDIR ? FsError::PathNotFound : fsErrorFromErrno(errno);
        return false;
    }
    struct statx status;
    if (statx(fd.get(), "", AT_EMPTY_PATH, STATX_TYPE, &status) == 0)
        context.device = deviceOf(status);
    context.readOnlyMount = isReadOnlyMount(fd.get());
    context.pathBuffer = hostFolder.endsWith('/') ? hostFolder : hostFolder + '/';
    context.folderLength = context.pathBuffer.size();
    return true;
}

FsError lastError() { return fsErrorFromErrno(errno); }

bool hostExists(const QByteArray& path)
{
    struct stat status;
    return ::lstat(path.constData(), &status) == 0;
}

QByteArray childPath(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// The host name in `folder` that equals `phoneName` without regard to case, or empty.
QByteArray findWithoutCase(const QByteArray& folder, const QString& phoneName)
{
    DIR* directory = ::opendir(folder.constData());
    if (!directory)
        return QByteArray();
    QByteArray found;
    while (struct dirent* item = readdir(directory)) {
        const QByteArray name(item->d_name);
        if (PathMapper::nameFromHost(name).compare(phoneName, Qt::CaseInsensitive) == 0) {
            found = name;
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
            if (other.isEmpty())
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
    const qsizetype slash = host.lastIndexOf('/');
    if (host.isEmpty() || host == m_mapper.hostRoot() || slash < 0)
        return false;
    folder = slash == 0 ? QByteArray("/") : host.left(slash);
    name = host.mid(slash + 1);
    return !name.isEmpty() && name != "." && name != "..";
}

quint32 LinuxFileSystem::parseDosAttributes(const QByteArray& value)
{
    if (value.startsWith("0x") || value.startsWith("0X")) {
        bool ok = false;
        // The text form may carry a NUL at its end.
        const quint32 bits = QByteArray(value.constData() + 2).toUInt(&ok, 16);
        return ok ? bits : 0;
    }
    // Samba's binary record: a 16-bit version, the union's 16-bit switch, then, in every
    // version, the 32-bit attribute first.
    if (value.size() >= 8) {
        const quint16 version = qFromLittleEndian<quint16>(value.constData());
        if (version >= 1 && version <= 5)
            return qFromLittleEndian<quint32>(value.constData() + 4);
    }
    return 0;
}

FsError LinuxFileSystem::enumerate(const QString& pattern, const Visitor& visit)
{
    const PhonePath::Split split = PhonePath::splitLast(pattern);
    const QByteArray hostFolder = resolve(split.folder);
    if (hostFolder.isEmpty())
        return FsError::InvalidName;
    Fd folderFd;
    FolderContext context;
    FsError error = FsError::None;
    if (!openFolder(hostFolder, folderFd, context, error))
        return error;

    const NamePattern matcher(split.name);
    DIR* directory = fdopendir(dup(folderFd.get()));
    if (!directory)
        return lastError();
    FindData entry;
    while (struct dirent* item = readdir(directory)) {
        const char* name = item->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        if (!matcher.matchesEverything()
            && !matcher.matches(PathMapper::nameFromHost(QByteArray::fromRawData(name, static_cast<qsizetype>(std::strlen(name))))))
            continue;
        if (!describeEntry(folderFd.get(), name, item->d_type, context, entry))
            continue;
        if (!visit(entry))
            break;
    }
    closedir(directory);
    return FsError::None;
}

FsError LinuxFileSystem::lookUp(const QString& path, FindData& out)
{
    if (path.isEmpty() || path == u"\\") {
        // The root itself: a folder without a name.
        struct statx status;
        if (statx(AT_FDCWD, m_mapper.hostRoot().constData(), 0, StatxMask, &status) != 0)
            return lastError();
        out = FindData();
        out.attributes = Attr::Directory;
        out.lastWriteTime = milliseconds(status.stx_mtime);
        out.lastAccessTime = milliseconds(status.stx_atime);
        out.creationTime = out.lastWriteTime;
        return FsError::None;
    }
    QByteArray folder, name;
    if (!hostParts(path, folder, name))
        return FsError::InvalidName;
    Fd folderFd;
    FolderContext context;
    FsError error = FsError::None;
    if (!openFolder(folder, folderFd, context, error))
        return error;
    if (describeEntry(folderFd.get(), name.constData(), DT_UNKNOWN, context, out))
        return FsError::None;
    return errno == ENOENT ? FsError::FileNotFound : lastError();
}

FsError LinuxFileSystem::setAttributes(const QString& path, quint32 attributes)
{
    const QByteArray host = resolve(path);
    if (host.isEmpty())
        return FsError::InvalidName;
    struct stat status;
    if (::stat(host.constData(), &status) != 0)
        return lastError();
    mode_t mode = status.st_mode & 07777;
    mode = (attributes & Attr::ReadOnly) ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    if (mode != (status.st_mode & 07777) && ::chmod(host.constData(), mode) != 0)
        return lastError();

    const quint32 wanted = attributes & DosBits;
    char value[64];
    const ssize_t size = getxattr(host.constData(), DosAttributeName, value, sizeof value);
    const quint32 current = size >= 0 ? parseDosAttributes(QByteArray(value, static_cast<qsizetype>(size))) : 0;
    if ((current & DosBits) == wanted)
        return FsError::None;
    // Bits we do not manage (Samba's own) are kept as they were.
    const QByteArray text = "0x" + QByteArray::number((current & ~DosBits) | wanted, 16);
    if (setxattr(host.constData(), DosAttributeName, text.constData(), static_cast<size_t>(text.size()), 0) != 0)
        return lastError();
    return FsError::None;
}

FsError LinuxFileSystem::copyFile(const QString& source, const QString& target, bool failIfExists, bool flush)
{
    const QByteArray from = resolve(source);
    QByteArray targetFolder, targetName;
    if (from.isEmpty() || !hostParts(target, targetFolder, targetName))
        return FsError::InvalidName;
    const QByteArray to = childPath(targetFolder, targetName);

    Fd in(::open(from.constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return lastError();
    struct stat sourceStatus;
    if (fstat(in.get(), &sourceStatus) != 0)
        return lastError();
    if (S_ISDIR(sourceStatus.st_mode))
        return FsError::AccessDenied;
    struct stat targetStatus;
    if (::stat(to.constData(), &targetStatus) == 0) {
        if (failIfExists)
            return FsError::AlreadyExists;
        // Copying a file onto itself would truncate it; it already is its own copy.
        if (targetStatus.st_dev == sourceStatus.st_dev && targetStatus.st_ino == sourceStatus.st_ino)
            return FsError::None;
        if (S_ISDIR(targetStatus.st_mode))
            return FsError::AccessDenied;
    }

    // The data goes to a hidden file beside the target, which takes the target's name only
    // once it is complete: a failure never leaves a target that looks whole.
    QByteArray temporary = childPath(targetFolder, '.' + targetName.left(200) + ".fennick-XXXXXX");
    Fd out(mkostemp(temporary.data(), O_CLOEXEC));
    if (!out.valid())
        return lastError();
    const auto fail = [&](int error) {
        out.reset();
        ::unlink(temporary.constData());
        return fsErrorFromErrno(error);
    };

    if (ioctl(out.get(), FICLONE, in.get()) != 0) {
        bool useReadWrite = false;
        for (;;) {
            const ssize_t copied = copy_file_range(in.get(), nullptr, out.get(), nullptr, 1 << 30, 0);
            if (copied > 0)
                continue;
            if (copied == 0)
                break;
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
                useReadWrite = true;
                break;
            }
            return fail(errno);
        }
        if (useReadWrite) {
            // Start again from the beginning: the failed call copied nothing.
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

    char value[64];
    const ssize_t dosSize = fgetxattr(in.get(), DosAttributeName, value, sizeof value);
    if (dosSize > 0)
        (void)fsetxattr(out.get(), DosAttributeName, value, static_cast<size_t>(dosSize), 0);
    const struct timespec times[2] = {sourceStatus.st_atim, sourceStatus.st_mtim};
    if (futimens(out.get(), times) != 0 || fchmod(out.get(), sourceStatus.st_mode & 07777) != 0)
        return fail(errno);
    if (flush && fdatasync(out.get()) != 0)
        return fail(errno);
    if (::close(out.release()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return fsErrorFromErrno(error);
    }
    if (failIfExists) {
        if (renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
            int error = errno;
            // A file system without RENAME_NOREPLACE: a hard link fails just the same on an
            // existing name.
            if (error == EINVAL || error == ENOSYS) {
                error = ::link(temporary.constData(), to.constData()) == 0 ? 0 : errno;
            }
            ::unlink(temporary.constData());
            if (error != 0)
                return fsErrorFromErrno(error);
        }
    } else if (::rename(temporary.constData(), to.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return fsErrorFromErrno(error);
    }
    if (flush) {
        Fd folder(::open(targetFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.valid())
            (void)fsync(folder.get());
    }
    return FsError::None;
}

FsError LinuxFileSystem::deleteFile(const QString& path)
{
    FindData item;
    const FsError error = lookUp(path, item);
    if (error != FsError::None)
        return error;
    // As on the phone, a folder is not a file and a read-only file stays until it is made
    // writable.
    if (item.isFolder() || (item.attributes & Attr::ReadOnly))
        return FsError::AccessDenied;
    const QByteArray host = resolve(path);
    return ::unlink(host.constData()) == 0 ? FsError::None : lastError();
}

FsError LinuxFileSystem::createFolder(const QString& path)
{
    QByteArray folder, name;
    if (!hostParts(path, folder, name))
        return FsError::InvalidName;
    if (::mkdir(childPath(folder, name).constData(), 0777) == 0)
        return FsError::None;
    return errno == ENOENT ? FsError::PathNotFound : lastError();
}

FsError LinuxFileSystem::removeFolder(const QString& path)
{
    const QByteArray host = resolve(path);
    if (host.isEmpty() || host == m_mapper.hostRoot())
        return FsError::InvalidName;
    return ::rmdir(host.constData()) == 0 ? FsError::None : lastError();
}

FsError LinuxFileSystem::move(const QString& source, const QString& target)
{
    QByteArray folder, name;
    const QByteArray from = resolve(source);
    if (from.isEmpty() || from == m_mapper.hostRoot() || !hostParts(target, folder, name))
        return FsError::InvalidName;
    QByteArray to = childPath(folder, name);
    // A new spelling of the same name: the target found without regard to case is the source
    // itself, and the new spelling is what is asked for.
    if (to == from)
        to = childPath(folder, PathMapper::nameToHost(PhonePath::splitLast(target).name));
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return FsError::None;
    if (errno != EINVAL && errno != ENOSYS)
        return lastError();
    // A file system without RENAME_NOREPLACE: look first, then rename.
    struct stat status;
    if (::lstat(to.constData(), &status) == 0)
        return FsError::AlreadyExists;
    return ::rename(from.constData(), to.constData()) == 0 ? FsError::None : lastError();
}

FsError LinuxFileSystem::createNewFile(const QString& path)
{
    QByteArray folder, name;
    if (!hostParts(path, folder, name))
        return FsError::InvalidName;
    Fd fd(::open(childPath(folder, name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.valid())
        return FsError::None;
    return errno == ENOENT ? FsError::PathNotFound : lastError();
}

}  // namespace platform
