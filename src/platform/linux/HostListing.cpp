#include "platform/linux/HostListing.h"

#include "platform/linux/DosAttributes.h"

#include <cstring>

#include <fcntl.h>

namespace platform::host {

namespace {

// Everything an entry reports, and nothing more: fewer fields can mean less work for the
// file system (no birth time asked of one that would have to look it up).
constexpr unsigned StatxMask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_ATIME | STATX_BTIME;

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

}  // namespace

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

}  // namespace platform::host
