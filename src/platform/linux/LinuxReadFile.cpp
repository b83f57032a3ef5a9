#include "platform/linux/LinuxReadFile.h"

#include <cerrno>

#include <unistd.h>

namespace platform {

qint64 LinuxReadFile::read(char* data, qint64 size)
{
    for (;;) {
        const ssize_t got = ::read(m_fd.get(), data, static_cast<size_t>(size));
        if (got >= 0)
            return got;
        if (errno != EINTR)
            return -1;
    }
}

}  // namespace platform
