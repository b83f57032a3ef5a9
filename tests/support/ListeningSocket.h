#pragma once

#include <QByteArray>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

// A Unix socket that listens at a path for as long as the object lives: an item of the file
// system that is neither a file nor a folder, and that no open() can read.
class ListeningSocket {
public:
    explicit ListeningSocket(const QByteArray& path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (static_cast<std::size_t>(path.size()) >= sizeof address.sun_path)
            return;
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (m_fd >= 0
            && (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(m_fd, 1) != 0)) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~ListeningSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ListeningSocket(const ListeningSocket&) = delete;
    ListeningSocket& operator=(const ListeningSocket&) = delete;

    bool isListening() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};
