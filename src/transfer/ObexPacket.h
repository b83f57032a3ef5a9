#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

// OBEX packets as bytes (IrOBEX framing, numbers big-endian): byte 0 the opcode or response
// code, bytes 1-2 the whole packet's length, then headers. Pure: the receive server and the
// sender both frame and walk packets with it, and every length is checked against what is left
// before anything is read.
namespace Obex {

// The largest packet the server takes, and announces in its CONNECT response.
constexpr int MaxPacket = 16384;

enum Opcode : quint8 {
    Connect = 0x80,
    Disconnect = 0x81,
    Put = 0x02,
    PutFinal = 0x82,
    Get = 0x03,
    GetFinal = 0x83,
    SetPath = 0x85,
    Abort = 0xFF,
};

enum Response : quint8 {
    Continue = 0x90,
    Success = 0xA0,
    BadRequest = 0xC0,
    Forbidden = 0xC3,
    RequestTooLarge = 0xCD,
    InternalError = 0xD0,
};

enum HeaderId : quint8 {
    Name = 0x01,
    Description = 0x05,
    Length = 0xC3,
    Body = 0x48,
    EndOfBody = 0x49,
};

// A packet: its opcode or response code, its length, then `contents` (headers, after
// CONNECT's own fields for a CONNECT).
QByteArray packet(quint8 code, QByteArrayView contents = {});
// A response of three bytes: the code and the length 3.
inline QByteArray response(quint8 code) { return packet(code); }
// Headers for a sender: a Name or Description text, a byte sequence such as Body, a 4-byte
// number such as Length.
QByteArray textHeader(quint8 id, const QString& text);
QByteArray bytesHeader(quint8 id, QByteArrayView value);
QByteArray numberHeader(quint8 id, quint32 value);
// The answer to CONNECT: Success, OBEX version 1.0, no flags, MaxPacket; whatever the peer
// announced, since every packet is held whole in one buffer of that size.
QByteArray connectResponse();

// Collects a byte stream into whole packets. A length field below 3 or above MaxPacket can
// never be satisfied: the stream is then broken, and stays so.
class Framer {
public:
    enum class State { NeedMore, Packet, Broken };

    // Appends bytes from the peer.
    void add(QByteArrayView bytes) { m_buffer.append(bytes.data(), bytes.size()); }
    // Takes the next whole packet out (State::Packet), or says why it cannot. `packet` views
    // the framer's own bytes: it stays valid until the next add() or next().
    State next(QByteArrayView& packet);
    // Bytes held that belong to no whole packet yet.
    qsizetype pending() const { return m_buffer.size() - m_start; }
    // Why the stream broke: a length field above MaxPacket (else one below 3).
    bool tooLarge() const { return m_tooLarge; }
    void clear();

private:
    QByteArray m_buffer;
    qsizetype m_start = 0;
    bool m_broken = false;
    bool m_tooLarge = false;
};

// One header of a request, its value without the id and length prefix.
struct Header {
    quint8 id = 0;
    QByteArrayView value;  // the bytes of a text, byte-sequence or 1-byte header
    quint32 number = 0;    // the value of a 4-byte header
};

// Walks the headers of a request packet that starts with its opcode and length (CONNECT's
// extra fields are not headers: `firstHeader` is 7 there, 3 elsewhere). Each header's form
// comes from the top bits of its id (text and byte sequences with a 2-byte length, a 1-byte or
// a 4-byte value), so a byte inside one header's value is never taken for another header.
// `visit` returns false to stop; the walk returns false when a header runs past the packet or
// declares a length below its own prefix.
[[nodiscard]] bool walkHeaders(QByteArrayView packet, int firstHeader, const std::function<bool(const Header&)>& visit);

// The text of a Name or Description header: UTF-16 big-endian, every unit of it, ended by the
// first NUL (the terminator the peer sends) or by the value. False for a value of odd length.
// Unpaired surrogates become U+FFFD, so that the text is always valid.
[[nodiscard]] bool decodeText(QByteArrayView value, QString& out);
// The reverse, with the terminating NUL, for a sender.
QByteArray encodeText(const QString& text);

}  // namespace Obex
