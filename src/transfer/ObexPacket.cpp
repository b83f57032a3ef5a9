#include "transfer/ObexPacket.h"

namespace Obex {

namespace {

quint16 read16(QByteArrayView bytes, qsizetype at)
{
    return static_cast<quint16>(static_cast<quint8>(bytes[at]) << 8 | static_cast<quint8>(bytes[at + 1]));
}

// An id or code, then the length of the whole (`value` and this prefix of 3), then `value`.
QByteArray prefixed(quint8 id, QByteArrayView value)
{
    const qsizetype size = value.size() + 3;
    QByteArray out;
    out.reserve(size);
    out += static_cast<char>(id);
    out += static_cast<char>((size >> 8) & 0xFF);
    out += static_cast<char>(size & 0xFF);
    out.append(value.data(), value.size());
    return out;
}

}  // namespace

QByteArray packet(quint8 code, QByteArrayView contents) { return prefixed(code, contents); }

QByteArray textHeader(quint8 id, const QString& text) { return prefixed(id, encodeText(text)); }

QByteArray bytesHeader(quint8 id, QByteArrayView value) { return prefixed(id, value); }

QByteArray numberHeader(quint8 id, quint32 value)
{
    QByteArray out;
    out += static_cast<char>(id);
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
    return out;
}

QByteArray connectResponse() { return QByteArray("\xA0\x00\x07\x10\x00\x40\x00", 7); }

Framer::State Framer::next(QByteArrayView& packet)
{
    if (m_broken)
        return State::Broken;
    // The bytes handed out last time are done with: they go once nothing else is held, or
    // once they outweigh what is left, so that a long stream costs no more than its packets.
    if (m_start == m_buffer.size()) {
        m_buffer.resize(0);  // keeps the allocation: no allocation per packet
        m_start = 0;
    } else if (m_start > MaxPacket) {
        m_buffer.remove(0, m_start);
        m_start = 0;
    }
    const qsizetype held = pending();
    if (held < 3)
        return State::NeedMore;
    const int length = read16(QByteArrayView(m_buffer).sliced(m_start), 1);
    if (length < 3 || length > MaxPacket) {
        m_broken = true;
        m_tooLarge = length > MaxPacket;
        return State::Broken;
    }
    if (held < length)
        return State::NeedMore;
    packet = QByteArrayView(m_buffer).sliced(m_start, length);
    m_start += length;
    return State::Packet;
}

void Framer::clear()
{
    m_buffer.clear();
    m_start = 0;
    m_broken = false;
    m_tooLarge = false;
}

bool walkHeaders(QByteArrayView packet, int firstHeader, const std::function<bool(const Header&)>& visit)
{
    qsizetype at = firstHeader;
    while (at < packet.size()) {
        Header header;
        header.id = static_cast<quint8>(packet[at]);
        qsizetype size = 0;
        switch (header.id >> 6) {
        case 0:    // text, UTF-16 with a 2-byte length that counts its own prefix
        case 1: {  // byte sequence, the same
            if (packet.size() - at < 3)
                return false;
            size = read16(packet, at + 1);
            if (size < 3 || size > packet.size() - at)
                return false;
            header.value = packet.sliced(at + 3, size - 3);
            break;
        }
        case 2:  // one byte
            size = 2;
            if (packet.size() - at < size)
                return false;
            header.value = packet.sliced(at + 1, 1);
            header.number = static_cast<quint8>(packet[at + 1]);
            break;
        default:  // four bytes
            size = 5;
            if (packet.size() - at < size)
                return false;
            header.value = packet.sliced(at + 1, 4);
            header.number = static_cast<quint32>(read16(packet, at + 1)) << 16 | read16(packet, at + 3);
            break;
        }
        if (!visit(header))
            return true;
        at += size;
    }
    return true;
}

bool decodeText(QByteArrayView value, QString& out)
{
    if (value.size() % 2 != 0)
        return false;
    out.clear();
    out.reserve(value.size() / 2);
    for (qsizetype at = 0; at < value.size(); at += 2) {
        const char16_t unit = read16(value, at);
        if (unit == 0)
            break;
        out.append(QChar(unit));
    }
    // A surrogate without its partner is no character; the name must stay valid text.
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        if (c.isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            out[i] = QChar::ReplacementCharacter;
    }
    return true;
}

QByteArray encodeText(const QString& text)
{
    QByteArray bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() >> 8));
        bytes.append(static_cast<char>(c.unicode() & 0xff));
    }
    bytes.append(2, '\0');
    return bytes;
}

}  // namespace Obex
