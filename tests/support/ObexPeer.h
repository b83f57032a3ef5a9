#pragma once

// A peer of the OBEX receive server, for tests: it builds request packets and speaks them over
// a TCP connection to 127.0.0.1, blocking, one reply at a time.

#include "transfer/ObexPacket.h"

#include <QByteArray>
#include <QString>

#include <functional>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ObexRequests {

using Obex::packet;

inline QByteArray header(quint8 id, const QByteArray& value)
{
    const int length = 3 + static_cast<int>(value.size());
    return QByteArray(1, static_cast<char>(id)) + char(length >> 8) + char(length & 0xff) + value;
}

inline QByteArray name(const QString& text) { return header(Obex::Name, Obex::encodeText(text)); }
inline QByteArray body(const QByteArray& data) { return header(Obex::Body, data); }
inline QByteArray endOfBody(const QByteArray& data) { return header(Obex::EndOfBody, data); }
// A CONNECT that announces a maximum packet length of its own.
inline QByteArray connect(quint16 maxPacket = 0x2000)
{
    const QByteArray fields = QByteArray("\x10\x00", 2) + char(maxPacket >> 8) + char(maxPacket & 0xff);
    const int length = 3 + 4;
    return QByteArray(1, '\x80') + char(length >> 8) + char(length & 0xff) + fields;
}
inline QByteArray disconnect() { return packet(Obex::Disconnect, {}); }
// One object in one final PUT.
inline QByteArray putWhole(const QString& objectName, const QByteArray& data)
{
    return packet(Obex::PutFinal, name(objectName) + endOfBody(data));
}

}  // namespace ObexRequests

class ObexPeer {
public:
    // Connects to 127.0.0.1:port; the kernel queues the connection even before the server
    // accepts it.
    explicit ObexPeer(quint16 port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~ObexPeer() { close(); }
    ObexPeer(const ObexPeer&) = delete;
    ObexPeer& operator=(const ObexPeer&) = delete;

    bool connected() const { return m_connected; }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool send(const QByteArray& bytes)
    {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            const ssize_t count = ::send(m_fd, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent),
                                         MSG_NOSIGNAL);
            if (count <= 0)
                return false;
            sent += count;
        }
        return true;
    }
    // The next response whole, or what came before the server closed the link ("" for
    // nothing at all).
    QByteArray reply()
    {
        QByteArray got = readUpTo(3);
        if (got.size() < 3)
            return got;
        const int length = static_cast<quint8>(got[1]) << 8 | static_cast<quint8>(got[2]);
        return length > 3 ? got + readUpTo(length - 3) : got;
    }
    // Sends a request and returns its response.
    QByteArray ask(const QByteArray& request) { return send(request) ? reply() : QByteArray(); }
    // Waits until the server has said something or closed the link (true), or `giveUp` says
    // nobody will (false); asked a tenth of a second at a time, so a server that has stopped
    // serving fails a test instead of holding it.
    bool waitForReply(const std::function<bool()>& giveUp)
    {
        for (;;) {
            pollfd wait{m_fd, POLLIN, 0};
            if (::poll(&wait, 1, 100) > 0)
                return true;
            if (giveUp())
                return false;
        }
    }
    // True when the server has closed the link (a read finds its end, not data).
    bool closedByServer()
    {
        char byte = 0;
        return ::recv(m_fd, &byte, 1, 0) <= 0;
    }

private:
    QByteArray readUpTo(qsizetype size)
    {
        QByteArray data(size, '\0');
        qsizetype have = 0;
        while (have < size) {
            const ssize_t count = ::recv(m_fd, data.data() + have, static_cast<size_t>(size - have), 0);
            if (count <= 0)
                break;
            have += count;
        }
        data.truncate(have);
        return data;
    }

    int m_fd = -1;
    bool m_connected = false;
};
