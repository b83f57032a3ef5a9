#include "transfer/ObexReceiveSession.h"

#include "resources/StringTable.h"
#include "transfer/ObexPacket.h"
#include "transfer/ReceiveTarget.h"
#include "transfer/ReceivedName.h"

#include <vector>

ObexReceiveSession::~ObexReceiveSession() { dropObject(); }

void ObexReceiveSession::handle(QByteArrayView packet, QByteArray& reply)
{
    reply.clear();
    if (m_outcome != Outcome::Going || packet.size() < 3)
        return;
    switch (static_cast<quint8>(packet[0])) {
    case Obex::Connect: reply = Obex::connectResponse(); break;
    case Obex::Put:
    case Obex::PutFinal: put(packet, static_cast<quint8>(packet[0]) == Obex::PutFinal, reply); break;
    case Obex::Disconnect:
        // An object cut short by the goodbye is not received.
        m_outcome = m_objectOpen ? Outcome::Cancelled : Outcome::Disconnected;
        dropObject();
        reply = Obex::response(Obex::Success);
        break;
    case Obex::Abort:
        dropObject();
        m_outcome = Outcome::Cancelled;
        reply = Obex::response(Obex::Success);
        break;
    default:
        // GET, SETPATH and anything else: this server only takes objects, and says nothing.
        break;
    }
}

void ObexReceiveSession::put(QByteArrayView packet, bool final, QByteArray& reply)
{
    struct Piece {
        QByteArrayView data;
        bool end;
    };
    std::vector<Piece> pieces;
    QString sentName;
    bool named = false;
    bool nameReadable = true;
    const bool walked = Obex::walkHeaders(packet, 3, [&](const Obex::Header& header) {
        if (header.id == Obex::Name && !named) {
            named = true;
            nameReadable = Obex::decodeText(header.value, sentName);
        } else if (header.id == Obex::Body || header.id == Obex::EndOfBody) {
            pieces.push_back({header.value, header.id == Obex::EndOfBody});
        }
        return true;
    });
    if (!walked || !nameReadable) {
        fail(Obex::BadRequest, Str::ReceiveBrokenRequest, reply);
        return;
    }
    if (m_awaitingFinal) {
        m_awaitingFinal = !final;
        reply = Obex::response(final ? Obex::Success : Obex::Continue);
        return;
    }
    if (!m_objectOpen) {
        // A new object: its name is read from this first packet only.
        const QString name = ReceivedName::neutralise(named ? sentName : QString());
        switch (m_target.begin(name)) {
        case ReceiveTarget::Begin::Refused:
            m_outcome = Outcome::Cancelled;
            reply = Obex::response(Obex::Forbidden);
            return;
        case ReceiveTarget::Begin::Failed: fail(Obex::InternalError, Str::ReceiveWriteFailed, reply); return;
        case ReceiveTarget::Begin::Started: break;
        }
        m_objectOpen = true;
        m_name = name;
    }
    const auto complete = [&] {
        m_objectOpen = false;
        if (!m_target.commit()) {
            fail(Obex::InternalError, Str::ReceiveWriteFailed, reply);
            return false;
        }
        ++m_objectsReceived;
        return true;
    };
    for (const Piece& piece : pieces) {
        if (!m_objectOpen)
            break;
        if (!m_target.write(piece.data.data(), piece.data.size())) {
            fail(Obex::InternalError, Str::ReceiveWriteFailed, reply);
            return;
        }
        m_total += piece.data.size();
        if (piece.end) {
            if (!complete())
                return;
            m_awaitingFinal = !final;
        }
    }
    // The final packet ends the object, with or without an End-of-Body: what came is all.
    if (final && m_objectOpen && !complete())
        return;
    reply = Obex::response(final ? Obex::Success : Obex::Continue);
}

void ObexReceiveSession::brokenStream(bool tooLarge, QByteArray& reply)
{
    reply.clear();
    if (m_outcome != Outcome::Going)
        return;
    fail(tooLarge ? Obex::RequestTooLarge : Obex::BadRequest, Str::ReceiveBrokenRequest, reply);
}

void ObexReceiveSession::linkLost()
{
    if (m_outcome != Outcome::Going)
        return;
    if (m_objectOpen) {
        dropObject();
        m_outcome = Outcome::Failed;
        m_failureText = Str::ReceiveSenderLeft;
    } else {
        m_outcome = Outcome::Left;
    }
}

void ObexReceiveSession::cancel()
{
    dropObject();
    if (m_outcome == Outcome::Going)
        m_outcome = Outcome::Cancelled;
}

void ObexReceiveSession::fail(quint8 code, int text, QByteArray& reply)
{
    dropObject();
    m_outcome = Outcome::Failed;
    m_failureText = text;
    reply = Obex::response(code);
}

void ObexReceiveSession::dropObject()
{
    if (m_objectOpen)
        m_target.discard();
    m_objectOpen = false;
}
