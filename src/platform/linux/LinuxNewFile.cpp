#include "platform/linux/LinuxNewFile.h"

#include "platform/linux/HostCopy.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

LinuxNewFile::~LinuxNewFile()
{
    if (m_fd.valid() && !m_temporary.isEmpty())
        ::unlinkat(m_dirFd, m_temporary.constData(), 0);
}

FsError LinuxNewFile::write(const char* data, qint64 size)
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

FsError LinuxNewFile::flush()
{
    if (!m_fd.valid())
        return FsError::Other;
    if (::fdatasync(m_fd.get()) != 0)
        return fsErrorFromErrno(errno);
    m_syncName = true;
    return FsError::None;
}

FsError LinuxNewFile::place(bool replace)
{
    if (!m_fd.valid())
        return FsError::Other;
    struct stat target;
    if (replace && ::fstatat(m_dirFd, m_name.constData(), &target, AT_SYMLINK_NOFOLLOW) == 0
        && (S_ISDIR(target.st_mode) || (S_ISREG(target.st_mode) && !(target.st_mode & S_IWUSR))))
        return FsError::AccessDenied;
    // A mode as a new file of the user's gets: the anonymous file was made private.
    if (::fchmod(m_fd.get(), 0666 & ~host::processUmask()) != 0)
        return fsErrorFromErrno(errno);
    if (const int error = host::placeFile(m_temporary.isEmpty() ? m_fd.get() : -1, m_temporary, m_dirFd, m_name,
                                          replace))
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

}  // namespace platform
