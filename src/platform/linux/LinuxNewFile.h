#pragma once

#include "platform/FileSystem.h"
#include "platform/linux/HostFiles.h"

namespace platform {

// A new file on Linux: an anonymous file in its folder (or, where the file system cannot
// make one, a hidden named temporary), linked under its name by commit() or put in place of
// an older item by commit(true).
class LinuxNewFile : public NewFile {
public:
    LinuxNewFile(int dirFd, QByteArray name, int fd, QByteArray temporary)
        : m_dirFd(dirFd), m_name(std::move(name)), m_fd(fd), m_temporary(std::move(temporary))
    {
    }
    ~LinuxNewFile() override;

    FsError write(const char* data, qint64 size) override;
    qint64 seek(qint64 offset, int whence) override { return ::lseek(m_fd.get(), offset, whence); }
    FsError flush() override;
    FsError commit(bool replace) override { return place(replace); }

private:
    FsError place(bool replace);

    static constexpr qint64 WriteBehind = 8 << 20;

    int m_dirFd;  // the folder's, owned by the caller's OpenFolder
    QByteArray m_name;
    host::Fd m_fd;
    QByteArray m_temporary;
    bool m_syncName = false;  // flushed: the name goes on the disk with the data
    qint64 m_written = 0;
    qint64 m_writingFrom = 0;  // the data before it is on its way to the disk
};

}  // namespace platform
