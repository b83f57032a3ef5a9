#pragma once

#include "platform/FileSystem.h"
#include "platform/linux/HostFiles.h"

namespace platform {

// A regular file open for reading on Linux, with its size and birth time read when it was
// opened.
class LinuxReadFile : public ReadFile {
public:
    LinuxReadFile(int fd, qint64 size, qint64 birth) : m_fd(fd), m_size(size), m_birth(birth) {}
    qint64 read(char* data, qint64 size) override;
    qint64 size() const override { return m_size; }
    qint64 birthTime() const override { return m_birth; }

private:
    host::Fd m_fd;
    qint64 m_size;
    qint64 m_birth;
};

}  // namespace platform
