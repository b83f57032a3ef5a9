#include "platform/linux/LinuxFileSystem.h"

#include "platform/NamePattern.h"
#include "platform/linux/DosAttributes.h"
#include "platform/linux/HostCopy.h"
#include "platform/linux/HostListing.h"
#include "platform/linux/LinuxNewFile.h"
#include "platform/linux/LinuxReadFile.h"
#include "platform/linux/SambaDosAttrib.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

using namespace host;

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
    const bool rewrite = dosChanges
                         || (existing && !existing->isEmpty()
                             && (current & Attr::ReadOnly) != (attributes & Attr::ReadOnly));
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
                         || (newMode != oldMode && existing && !existing->isEmpty()
                             && bool(current & Attr::ReadOnly) != readOnlyAfter);

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
        return errno == ELOOP    ? FsError::AccessDenied
               : errno == ENOENT ? FsError::FileNotFound
                                 : fsErrorFromErrno(errno);
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

    // The DOS attributes go with the data where the target's file system can keep them; a
    // source whose file system keeps no extended attributes is not asked for every file.
    static std::atomic<dev_t> noXattrDevice{static_cast<dev_t>(-1)};
    char value[DosValueBuffer];
    ssize_t dosSize = -1;
    if (noXattrDevice.load(std::memory_order_relaxed) != sourceStatus.st_dev) {
        dosSize = ::fgetxattr(in.get(), DosAttributeName, value, sizeof value);
        if (dosSize < 0 && (errno == ENOTSUP || errno == EOPNOTSUPP))
            noXattrDevice.store(sourceStatus.st_dev, std::memory_order_relaxed);
    }
    // The file is made with the source's mode where the making gives exactly that mode (no
    // umask bit and no default ACL of the folder takes from it, no special bit), and writable
    // while an attribute is still to be written; otherwise it is made private and given the
    // mode once whole.
    const mode_t mode = sourceStatus.st_mode & 07777;
    const bool modeAtOpen = !(mode & 07000) && !(mode & processUmask()) && (dosSize <= 0 || (mode & S_IWUSR))
                            && noDefaultAcl(to);
    const mode_t openMode = modeAtOpen ? mode : 0600;

    // The data goes to an anonymous file that takes the target's name only once it is
    // complete: a failure, or a kill, never leaves a target that looks whole, nor anything
    // to clean up. A file system that cannot make one gets a hidden named temporary.
    QByteArray named;
    Fd out(::openat(to.handle(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, openMode));
    const bool anonymous = out.valid();
    if (!anonymous) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
            return fsErrorFromErrno(errno);
        removeStaleTemporaries(to.handle());
        named = temporaryName(target);
        out.reset(::openat(to.handle(), named.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, openMode));
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
    if (dosSize > 0)
        (void)::fsetxattr(out.get(), DosAttributeName, value, static_cast<size_t>(dosSize), 0);
    const struct timespec times[2] = {sourceStatus.st_atim, sourceStatus.st_mtim};
    if (::futimens(out.get(), times) != 0 || (!modeAtOpen && ::fchmod(out.get(), mode) != 0))
        return fail(fsErrorFromErrno(errno));
    if (control.flush && ::fdatasync(out.get()) != 0)
        return fail(fsErrorFromErrno(errno));
    if (control.mayName && !control.mayName()) {
        // A file dropped unnamed was never copied: its bytes leave the progress again.
        struct stat written;
        if (control.bytesDone && ::fstat(out.get(), &written) == 0)
            *control.bytesDone -= static_cast<qint64>(written.st_size);
        return fail(FsError::Cancelled);
    }
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
    const ssize_t length = ::readlinkat(from.handle(), sourceName.constData(), text.data(),
                                        static_cast<size_t>(text.size()));
    if (length < 0)
        return errno == EINVAL   ? FsError::AccessDenied
               : errno == ENOENT ? FsError::FileNotFound
                                 : fsErrorFromErrno(errno);
    text.truncate(static_cast<qsizetype>(length));
    struct stat targetStatus;
    const bool exists = ::fstatat(to.handle(), target.constData(), &targetStatus, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && !replace)
        return FsError::AlreadyExists;
    if (exists
        && (S_ISDIR(targetStatus.st_mode) || (S_ISREG(targetStatus.st_mode) && !(targetStatus.st_mode & S_IWUSR))))
        return FsError::AccessDenied;
    if (!exists)
        return ::symlinkat(text.constData(), to.handle(), target.constData()) == 0 ? FsError::None
                                                                                   : fsErrorFromErrno(errno);
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

FsError LinuxFileSystem::openFileAt(const OpenFolder& folder, const QString& name, std::unique_ptr<ReadFile>& out)
{
    const QByteArray host = hostName(name);
    if (host.isEmpty())
        return FsError::InvalidName;
    Fd fd(::openat(folder.handle(), host.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW));
    if (!fd.valid())
        return errno == ELOOP    ? FsError::AccessDenied
               : errno == ENOENT ? FsError::FileNotFound
                                 : fsErrorFromErrno(errno);
    struct statx status;
    if (::statx(fd.get(), "", AT_EMPTY_PATH, STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME, &status) != 0)
        return fsErrorFromErrno(errno);
    if (!S_ISREG(status.stx_mode))
        return S_ISDIR(status.stx_mode) ? FsError::AccessDenied : FsError::NotRegularFile;
    // Reads block again: only the open had to be kept from waiting on a pipe.
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0)
        (void)::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    const qint64 birth = (status.stx_mask & STATX_BTIME) ? milliseconds(status.stx_btime)
                                                         : milliseconds(status.stx_mtime);
    out = std::make_unique<LinuxReadFile>(fd.release(), static_cast<qint64>(status.stx_size), birth);
    return FsError::None;
}

FsError LinuxFileSystem::linkTextAt(const OpenFolder& folder, const QString& name, QByteArray& out)
{
    const QByteArray host = hostName(name);
    if (host.isEmpty())
        return FsError::InvalidName;
    QByteArray text(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(folder.handle(), host.constData(), text.data(),
                                        static_cast<size_t>(text.size()));
    if (length < 0)
        return errno == EINVAL   ? FsError::AccessDenied
               : errno == ENOENT ? FsError::FileNotFound
                                 : fsErrorFromErrno(errno);
    text.truncate(static_cast<qsizetype>(length));
    out = text;
    return FsError::None;
}

}  // namespace platform
