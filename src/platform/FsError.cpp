#include "platform/FsError.h"

#include <cerrno>

namespace platform {

QString describe(FsError error)
{
    switch (error) {
    case FsError::None: return QStringLiteral("no error");
    case FsError::FileNotFound: return QStringLiteral("the item does not exist");
    case FsError::PathNotFound: return QStringLiteral("a folder on the way does not exist");
    case FsError::AccessDenied: return QStringLiteral("access denied");
    case FsError::InvalidName: return QStringLiteral("the name cannot be used");
    case FsError::AlreadyExists: return QStringLiteral("an item of that name exists");
    case FsError::DirectoryNotEmpty: return QStringLiteral("the folder is not empty");
    case FsError::DiskFull: return QStringLiteral("the disk is full");
    case FsError::NotSameDevice: return QStringLiteral("source and target are on different devices");
    case FsError::NotAFolder: return QStringLiteral("not a folder");
    case FsError::IoError: return QStringLiteral("a read or write error of the device");
    case FsError::Cancelled: return QStringLiteral("cancelled");
    case FsError::NotSupported: return QStringLiteral("not supported by the file system");
    case FsError::NotRegularFile: return QStringLiteral("not a regular file");
    case FsError::Other: break;
    }
    return QStringLiteral("an unexpected error");
}

FsError fsErrorFromErrno(int errnoValue)
{
    switch (errnoValue) {
    case 0: return FsError::None;
    case ENOENT: return FsError::FileNotFound;
    case ENOTDIR: return FsError::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY: return FsError::AccessDenied;
    case EEXIST: return FsError::AlreadyExists;
    case ENOTEMPTY: return FsError::DirectoryNotEmpty;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return FsError::DiskFull;
    case EXDEV: return FsError::NotSameDevice;
    case EISDIR: return FsError::AccessDenied;
    case EIO: return FsError::IoError;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ: return FsError::InvalidName;
    case ENOTSUP: return FsError::NotSupported;
    case ELOOP: return FsError::PathNotFound;
    case ECANCELED: return FsError::Cancelled;
    // What open() says of a socket, and of a device node with no device behind it.
    case ENXIO:
    case ENODEV: return FsError::NotRegularFile;
    default: return FsError::Other;
    }
}

}  // namespace platform
