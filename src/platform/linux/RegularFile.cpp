#include "platform/RegularFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

FsError openRegularFile(const QByteArray& hostPath, Links links, int& descriptor, qint64* size)
{
    descriptor = -1;
    if (hostPath.isEmpty() || hostPath.contains('\0'))
        return FsError::InvalidName;
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (links == Links::NotFollowed)
        flags |= O_NOFOLLOW;
    int fd = -1;
    do
        fd = ::open(hostPath.constData(), flags);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno == ELOOP && links == Links::NotFollowed ? FsError::AccessDenied : fsErrorFromErrno(errno);
    struct stat status;
    FsError error = FsError::None;
    if (::fstat(fd, &status) != 0)
        error = fsErrorFromErrno(errno);
    else if (S_ISDIR(status.st_mode))
        error = FsError::AccessDenied;
    else if (!S_ISREG(status.st_mode))
        error = FsError::NotRegularFile;
    if (error != FsError::None) {
        ::close(fd);
        return error;
    }
    const int statusFlags = ::fcntl(fd, F_GETFL);
    if (statusFlags >= 0)
        (void)::fcntl(fd, F_SETFL, statusFlags & ~O_NONBLOCK);
    if (size)
        *size = static_cast<qint64>(status.st_size);
    descriptor = fd;
    return FsError::None;
}

FsError openRegularFile(const QByteArray& hostPath, Links links, QFile& out)
{
    int fd = -1;
    if (const FsError error = openRegularFile(hostPath, links, fd); error != FsError::None)
        return error;
    if (!out.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return FsError::Other;
    }
    return FsError::None;
}

FsError readRegularFile(const QByteArray& hostPath, Links links, qint64 limit, QByteArray& out)
{
    out.clear();
    int fd = -1;
    qint64 size = 0;
    if (const FsError error = openRegularFile(hostPath, links, fd, &size); error != FsError::None)
        return error;
    FsError error = FsError::None;
    if (size > limit) {
        error = FsError::AccessDenied;
    } else {
        // The size is a hint: a file that grows meanwhile is read up to the limit.
        QByteArray bytes;
        bytes.resize(static_cast<qsizetype>(size));
        qint64 done = 0;
        for (;;) {
            if (done == bytes.size()) {
                if (bytes.size() >= limit)
                    break;
                bytes.resize(static_cast<qsizetype>(std::min<qint64>(limit, bytes.size() + 4096)));
            }
            const ssize_t got = ::read(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                error = fsErrorFromErrno(errno);
                break;
            }
            if (got == 0)
                break;
            done += got;
        }
        bytes.truncate(static_cast<qsizetype>(done));
        if (error == FsError::None)
            out = bytes;
    }
    ::close(fd);
    return error;
}

}  // namespace platform
