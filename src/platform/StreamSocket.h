#pragma once

#include <QString>

// TCP sockets for a worker that blocks on them, with a wake-up that another thread raises to
// end any wait at once: a server whose peer has gone silent still stops when told. One socket
// is used by one thread at a time; the wake-up and hasWaitingConnection() by any.
namespace platform {

class SocketWake {
public:
    SocketWake();
    ~SocketWake();
    SocketWake(const SocketWake&) = delete;
    SocketWake& operator=(const SocketWake&) = delete;
    // Ends every wait on it, now and later.
    void raise();
    int handle() const { return m_fd; }

private:
    int m_fd = -1;
};

enum class SocketIo { Ok, Closed, Woken, Failed, TimedOut };

class StreamSocket {
public:
    StreamSocket() = default;
    explicit StreamSocket(int fd) : m_fd(fd) {}
    ~StreamSocket() { close(); }
    StreamSocket(StreamSocket&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    StreamSocket& operator=(StreamSocket&& other) noexcept;
    StreamSocket(const StreamSocket&) = delete;
    StreamSocket& operator=(const StreamSocket&) = delete;

    // Connects to "host:port" ("[v6]:port" too; the host a name or a numeric address), trying
    // each address the name has, each within `timeoutMs`.
    [[nodiscard]] static SocketIo connectTo(const QString& address, StreamSocket& out, const SocketWake& wake,
                                            int timeoutMs);

    bool isOpen() const { return m_fd >= 0; }
    void close();
    // Waits for bytes and reads up to `size` of them into `data` (`got`); Closed when the peer
    // has closed its side. A `timeoutMs` of -1 waits for as long as it takes.
    [[nodiscard]] SocketIo receive(char* data, qint64 size, qint64& got, const SocketWake& wake, int timeoutMs = -1);
    // Reads exactly `size` bytes; Closed when the peer closes its side before.
    [[nodiscard]] SocketIo receiveAll(char* data, qint64 size, const SocketWake& wake, int timeoutMs = -1);
    // Sends all `size` bytes, waiting while the peer's window is full; `timeoutMs` bounds each
    // wait.
    [[nodiscard]] SocketIo sendAll(const char* data, qint64 size, const SocketWake& wake, int timeoutMs = -1);

private:
    int m_fd = -1;
};

class ListenSocket {
public:
    ListenSocket() = default;
    ~ListenSocket() { close(); }
    ListenSocket(ListenSocket&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    ListenSocket(const ListenSocket&) = delete;
    ListenSocket& operator=(const ListenSocket&) = delete;

    // Listens on `address` (a numeric IPv4 or IPv6 address; empty for every interface, IPv4
    // and IPv6 alike) and `port` (0: one the system picks). False with a reason otherwise.
    [[nodiscard]] bool open(const QString& address, quint16 port, QString* error = nullptr);
    bool isOpen() const { return m_fd >= 0; }
    void close();
    quint16 port() const;
    // Waits for the next connection.
    [[nodiscard]] SocketIo accept(StreamSocket& out, const SocketWake& wake);
    // True when a peer has connected and is not accepted yet.
    bool hasWaitingConnection() const;

private:
    int m_fd = -1;
};

}  // namespace platform
