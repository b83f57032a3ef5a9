#include "transfer/ObexClient.h"

#include "transfer/ObexPacket.h"

#include <algorithm>

namespace {

// The largest packet we take: as large as our own server takes.
constexpr int OurPacketSize = Obex::MaxPacket;

}  // namespace

ObexClient::Outcome ObexClient::connect(const QString& address, int timeoutMs)
{
    m_timeoutMs = timeoutMs;
    if (platform::StreamSocket::connectTo(address, m_socket, m_wake, timeoutMs) != platform::SocketIo::Ok)
        return Outcome::CannotConnect;
    // Version 1.0, no flags, the largest packet we take.
    const char contents[4] = {'\x10', '\x00', static_cast<char>(OurPacketSize >> 8),
                              static_cast<char>(OurPacketSize & 0xFF)};
    QByteArray response;
    if (request(Obex::packet(Obex::Connect, QByteArrayView(contents, 4)), &response) != Obex::Success
        || response.size() < 7)
        return Outcome::CannotConnect;
    const int theirs = static_cast<quint8>(response.at(5)) << 8 | static_cast<quint8>(response.at(6));
    m_packetSize = std::clamp(theirs, 255, OurPacketSize);
    return Outcome::Sent;
}

ObexClient::Outcome ObexClient::put(const QString& name, quint32 length, const Reader& read, int chunk,
                                    const std::function<void(qint64)>& sent, const std::atomic<bool>& stop)
{
    if (!m_socket.isOpen())
        return Outcome::CannotConnect;
    // The data of one packet fits beside its code, length and Body header.
    const qint64 room = std::clamp<qint64>(chunk, 1, m_packetSize - 6);
    const QByteArray first = Obex::textHeader(Obex::Name, name) + Obex::numberHeader(Obex::Length, length);
    QByteArray data(static_cast<qsizetype>(room), '\0');
    qint64 total = 0;
    // The name and length go first, alone, so that a peer can refuse before any data.
    if (request(Obex::packet(Obex::Put, first)) != Obex::Continue)
        return Outcome::Refused;
    sent(0);
    for (;;) {
        if (stop.load()) {
            (void)request(Obex::packet(Obex::Abort));
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
        const int code = request(
            Obex::packet(last ? Obex::PutFinal : Obex::Put, Obex::bytesHeader(last ? Obex::EndOfBody : Obex::Body,
                                                                              QByteArrayView(data.constData(), got))));
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
    if (!m_socket.isOpen())
        return;
    (void)request(Obex::packet(Obex::Disconnect));
    m_socket.close();
}

int ObexClient::request(const QByteArray& bytes, QByteArray* response)
{
    using platform::SocketIo;
    if (m_socket.sendAll(bytes.constData(), bytes.size(), m_wake, m_timeoutMs) != SocketIo::Ok)
        return 0;
    char head[3];
    if (m_socket.receiveAll(head, 3, m_wake, m_timeoutMs) != SocketIo::Ok)
        return 0;
    const int size = static_cast<quint8>(head[1]) << 8 | static_cast<quint8>(head[2]);
    if (size < 3)
        return 0;
    QByteArray rest(size - 3, '\0');
    if (m_socket.receiveAll(rest.data(), size - 3, m_wake, m_timeoutMs) != SocketIo::Ok)
        return 0;
    if (response)
        *response = QByteArray(head, 3) + rest;
    return static_cast<quint8>(head[0]);
}
