#include "platform/StreamSocket.h"

#include <QDeadlineTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

// Waits until `fd` is ready for `events`, the wake-up is raised or `timeoutMs` (-1: no limit)
// has passed.
SocketIo waitFor(int fd, short events, const SocketWake& wake, int timeoutMs = -1)
{
    const QDeadlineTimer deadline = timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs);
    for (;;) {
        pollfd watched[2] = {{fd, events, 0}, {wake.handle(), POLLIN, 0}};
        const int ready = ::poll(watched, 2, deadline.isForever() ? -1 : static_cast<int>(deadline.remainingTime()));
        if (ready == 0)
            return SocketIo::TimedOut;
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return SocketIo::Failed;
        }
        if (watched[1].revents)
            return SocketIo::Woken;
        if (watched[0].revents)
            return SocketIo::Ok;
    }
}

}  // namespace

SocketWake::SocketWake() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

SocketWake::~SocketWake()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void SocketWake::raise()
{
    const quint64 one = 1;
    // The counter stays readable once raised: nothing ever reads it back.
    (void)!::write(m_fd, &one, sizeof one);
}

StreamSocket& StreamSocket::operator=(StreamSocket&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

SocketIo StreamSocket::connectTo(const QString& address, StreamSocket& out, const SocketWake& wake, int timeoutMs)
{
    out.close();
    const qsizetype colon = address.lastIndexOf(u':');
    if (colon <= 0)
        return SocketIo::Failed;
    QString host = address.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    if (::getaddrinfo(host.toUtf8().constData(), address.mid(colon + 1).toUtf8().constData(), &hints, &results) != 0)
        return SocketIo::Failed;
    SocketIo outcome = SocketIo::Failed;
    for (addrinfo* at = results; at && outcome != SocketIo::Ok && outcome != SocketIo::Woken; at = at->ai_next) {
        StreamSocket socket(::socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, at->ai_protocol));
        if (!socket.isOpen())
            continue;
        if (::connect(socket.m_fd, at->ai_addr, at->ai_addrlen) == 0) {
            outcome = SocketIo::Ok;
        } else if (errno == EINPROGRESS) {
            outcome = waitFor(socket.m_fd, POLLOUT, wake, timeoutMs);
            int error = 0;
            socklen_t length = sizeof error;
            if (outcome == SocketIo::Ok
                && (::getsockopt(socket.m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0))
                outcome = SocketIo::Failed;
        }
        if (outcome == SocketIo::Ok) {
            // Requests and responses are small and strictly take turns: each goes at once.
            const int on = 1;
            ::setsockopt(socket.m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            out = std::move(socket);
        }
    }
    ::freeaddrinfo(results);
    return outcome;
}

void StreamSocket::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

SocketIo StreamSocket::receive(char* data, qint64 size, qint64& got, const SocketWake& wake, int timeoutMs)
{
    got = 0;
    for (;;) {
        const SocketIo ready = waitFor(m_fd, POLLIN, wake, timeoutMs);
        if (ready != SocketIo::Ok)
            return ready;
        const ssize_t count = ::recv(m_fd, data, static_cast<size_t>(size), MSG_DONTWAIT);
        if (count > 0) {
            got = count;
            return SocketIo::Ok;
        }
        if (count == 0)
            return SocketIo::Closed;
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            return errno == ECONNRESET ? SocketIo::Closed : SocketIo::Failed;
    }
}

SocketIo StreamSocket::receiveAll(char* data, qint64 size, const SocketWake& wake, int timeoutMs)
{
    while (size > 0) {
        qint64 got = 0;
        if (const SocketIo io = receive(data, size, got, wake, timeoutMs); io != SocketIo::Ok)
            return io;
        data += got;
        size -= got;
    }
    return SocketIo::Ok;
}

SocketIo StreamSocket::sendAll(const char* data, qint64 size, const SocketWake& wake, int timeoutMs)
{
    while (size > 0) {
        const ssize_t count = ::send(m_fd, data, static_cast<size_t>(size), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (count > 0) {
            data += count;
            size -= count;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return errno == EPIPE || errno == ECONNRESET ? SocketIo::Closed : SocketIo::Failed;
        const SocketIo ready = waitFor(m_fd, POLLOUT, wake, timeoutMs);
        if (ready != SocketIo::Ok)
            return ready;
    }
    return SocketIo::Ok;
}

bool ListenSocket::open(const QString& address, quint16 port, QString* error)
{
    close();
    sockaddr_storage storage{};
    socklen_t length = 0;
    const QByteArray text = address.trimmed().toLatin1();
    int family = AF_INET6;
    if (text.isEmpty()) {
        auto* any = reinterpret_cast<sockaddr_in6*>(&storage);
        any->sin6_family = AF_INET6;
        any->sin6_addr = in6addr_any;
        any->sin6_port = htons(port);
        length = sizeof(sockaddr_in6);
    } else if (auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
               ::inet_pton(AF_INET, text.constData(), &v4->sin_addr) == 1) {
        family = AF_INET;
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof(sockaddr_in);
    } else if (auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
               ::inet_pton(AF_INET6, text.constData(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof(sockaddr_in6);
    } else {
        if (error)
            *error = QStringLiteral("not a numeric address: %1").arg(address);
        return false;
    }
    const auto fail = [&](int fd) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    };
    int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    // Every interface: IPv4 peers too, where the system has IPv6 at all.
    if (fd < 0 && text.isEmpty() && errno == EAFNOSUPPORT) {
        auto* any = reinterpret_cast<sockaddr_in*>(&storage);
        *any = sockaddr_in{};
        any->sin_family = AF_INET;
        any->sin_addr.s_addr = htonl(INADDR_ANY);
        any->sin_port = htons(port);
        length = sizeof(sockaddr_in);
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    }
    if (fd < 0)
        return fail(fd);
    const int on = 1, off = 0;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (text.isEmpty())
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 || ::listen(fd, 2) != 0)
        return fail(fd);
    m_fd = fd;
    return true;
}

void ListenSocket::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

quint16 ListenSocket::port() const
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0)
        return 0;
    if (storage.ss_family == AF_INET)
        return ntohs(reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
    return ntohs(reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port);
}

SocketIo ListenSocket::accept(StreamSocket& out, const SocketWake& wake)
{
    for (;;) {
        const SocketIo ready = waitFor(m_fd, POLLIN, wake);
        if (ready != SocketIo::Ok)
            return ready;
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            // Requests and responses are small and strictly take turns: each goes at once.
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            out = StreamSocket(fd);
            return SocketIo::Ok;
        }
        // A peer that gave up before it was accepted is no reason to stop listening.
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK && errno != ECONNABORTED && errno != EPROTO)
            return SocketIo::Failed;
    }
}

bool ListenSocket::hasWaitingConnection() const
{
    pollfd watched{m_fd, POLLIN, 0};
    return m_fd >= 0 && ::poll(&watched, 1, 0) > 0 && (watched.revents & POLLIN);
}

}  // namespace platform
