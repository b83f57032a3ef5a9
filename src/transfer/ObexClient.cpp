#include "transfer/ObexClient.h"

#include "transfer/ObexPacket.h"
#include "transfer/ObexPeers.h"

#include <QStringList>

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The largest packet we take: as large as our own server takes.
constexpr int OurPacketSize = Obex::MaxPacket;

void put16(QByteArray& out, int value)
{
    out += static_cast<char>((value >> 8) & 0xFF);
    out += static_cast<char>(value & 0xFF);
}

// A packet: its code and length, then its contents.
QByteArray packet(quint8 code, const QByteArray& contents)
{
    QByteArray out;
    out += static_cast<char>(code);
    put16(out, static_cast<int>(contents.size()) + 3);
    return out + contents;
}

QByteArray textHeader(quint8 id, const QString& text)
{
    const QByteArray value = Obex::encodeText(text);
    QByteArray out;
    out += static_cast<char>(id);
    put16(out, static_cast<int>(value.size()) + 3);
    return out + value;
}

QByteArray bytesHeader(quint8 id, const char* data, qint64 size)
{
    QByteArray out;
    out += static_cast<char>(id);
    put16(out, static_cast<int>(size) + 3);
    out.append(data, size);
    return out;
}

QByteArray fourByteHeader(quint8 id, quint32 value)
{
    QByteArray out;
    out += static_cast<char>(id);
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
    return out;
}

}  // namespace

ObexClient::~ObexClient()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

ObexClient::Outcome ObexClient::connect(const QString& address, int timeoutMs)
{
    m_timeoutMs = timeoutMs;
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = ObexPeers::openConnection(address, timeoutMs);
    if (m_socket < 0)
        return Outcome::CannotConnect;
    // Version 1.0, no flags, the largest packet we take.
    QByteArray contents;
    contents += '\x10';
    contents += '\x00';
    put16(contents, OurPacketSize);
    QByteArray response;
    if (request(packet(Obex::Connect, contents), &response) != Obex::Success || response.size() < 7)
        return Outcome::CannotConnect;
    const int theirs = static_cast<quint8>(response.at(5)) << 8 | static_cast<quint8>(response.at(6));
    m_packetSize = std::clamp(theirs, 255, OurPacketSize);
    return Outcome::Sent;
}

ObexClient::Outcome ObexClient::put(const QString& name, quint32 length, const Reader& read, int chunk,
                                    const std::function<void(qint64)>& sent, const std::atomic<bool>& stop)
{
    if (m_socket < 0)
        return Outcome::CannotConnect;
    // The data of one packet fits beside its code, length and Body header.
    const qint64 room = std::clamp<qint64>(chunk, 1, m_packetSize - 6);
    QByteArray first = textHeader(Obex::Name, name) + fourByteHeader(Obex::Length, length);
    QByteArray data(static_cast<qsizetype>(room), '\0');
    qint64 total = 0;
    // The name and length go first, alone, so that a peer can refuse before any data.
    if (request(packet(Obex::Put, first)) != Obex::Continue)
        return Outcome::Refused;
    sent(0);
    for (;;) {
        if (stop.load()) {
            (void)request(packet(Obex::Abort, {}));
            return Outcome::Refused;
        }
        qint64 got = 0;
        while (got < room) {
            const qint64 one = read(data.data() + got, room - got);
            if (one < 0)
                return Outcome::CannotRead;
            if (one == 0)
                break;
            got += one;
        }
        const bool last = got < room;
        const int code = request(packet(last ? Obex::PutFinal : Obex::Put,
                                        bytesHeader(last ? Obex::EndOfBody : Obex::Body, data.constData(), got)));
        if (code == 0)
            return Outcome::WriteFailed;
        total += got;
        sent(total);
        if (last)
            return code == Obex::Success ? Outcome::Sent : Outcome::Refused;
        if (code != Obex::Continue)
            return Outcome::Refused;
    }
}

void ObexClient::disconnect()
{
    if (m_socket < 0)
        return;
    (void)request(packet(Obex::Disconnect, {}));
    ::close(m_socket);
    m_socket = -1;
}

int ObexClient::request(const QByteArray& bytes, QByteArray* response)
{
    if (!sendAll(bytes))
        return 0;
    char head[3];
    if (!readExactly(head, 3))
        return 0;
    const int size = static_cast<quint8>(head[1]) << 8 | static_cast<quint8>(head[2]);
    if (size < 3)
        return 0;
    QByteArray rest(size - 3, '\0');
    if (!readExactly(rest.data(), size - 3))
        return 0;
    if (response)
        *response = QByteArray(head, 3) + rest;
    return static_cast<quint8>(head[0]);
}

bool ObexClient::sendAll(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        pollfd wait{m_socket, POLLOUT, 0};
        if (::poll(&wait, 1, m_timeoutMs) != 1)
            return false;
        const ssize_t put = ::send(m_socket, bytes.constData() + done, static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (put < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        if (put > 0)
            done += put;
    }
    return true;
}

bool ObexClient::readExactly(char* data, int size)
{
    int done = 0;
    while (done < size) {
        pollfd wait{m_socket, POLLIN, 0};
        if (::poll(&wait, 1, m_timeoutMs) != 1)
            return false;
        const ssize_t got = ::recv(m_socket, data + done, static_cast<size_t>(size - done), 0);
        if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
            return false;
        if (got > 0)
            done += static_cast<int>(got);
    }
    return true;
}
