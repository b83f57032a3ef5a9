// Feeds arbitrary byte streams, cut at arbitrary points, to the receive server's packet
// handling: the framer, the header walk and the session, with objects kept in memory. Whatever
// comes, every packet is whole and within the limit, every name stored is one plain name, data
// goes only into an object that was begun, and the sessions' counts add up to what was written.
#include "transfer/ObexPacket.h"
#include "transfer/ObexReceiveSession.h"
#include "transfer/ReceiveTarget.h"
#include "transfer/ReceivedName.h"

#include <QSet>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

class MemoryTarget : public ReceiveTarget {
public:
    Begin begin(const QString& name) override
    {
        if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name == u"." || name == u".."
            || name.toUtf8().size() > ReceivedName::MaxBytes || m_open)
            std::abort();
        // A name met before stands for an existing file: refused every other time.
        if (m_names.contains(name) && (++m_questions % 2 == 0))
            return Begin::Refused;
        m_names.insert(name);
        m_open = true;
        return Begin::Started;
    }
    bool write(const char*, qint64 size) override
    {
        if (!m_open || size < 0)
            std::abort();
        written += size;
        return true;
    }
    bool commit() override
    {
        if (!m_open)
            std::abort();
        m_open = false;
        return true;
    }
    void discard() override
    {
        if (!m_open)
            std::abort();
        m_open = false;
    }

    qint64 written = 0;

private:
    QSet<QString> m_names;
    int m_questions = 0;
    bool m_open = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte seeds where the stream is cut, as a network would cut it.
    quint32 cut = data[0] | 1u;
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    MemoryTarget target;
    qint64 total = 0;
    {
        // Each link has a session of its own, as in the server: a session that ended, or a link
        // that drops now and then, hands the rest of the stream to the next sender.
        std::optional<ObexReceiveSession> session;
        Obex::Framer framer;
        QByteArrayView packet;
        QByteArray reply;
        const auto nextSender = [&] {
            if (session)
                total += session->total();
            session.emplace(target);
            framer.clear();
        };
        nextSender();
        qsizetype at = 0;
        while (at < stream.size()) {
            cut = cut * 1103515245u + 12345u;
            const qsizetype piece = std::min<qsizetype>(1 + (cut >> 16) % 64, stream.size() - at);
            framer.add(QByteArrayView(stream).sliced(at, piece));
            at += piece;
            for (;;) {
                const Obex::Framer::State state = framer.next(packet);
                if (state == Obex::Framer::State::NeedMore)
                    break;
                if (state == Obex::Framer::State::Broken) {
                    session->brokenStream(framer.tooLarge(), reply);
                    if (session->outcome() != ObexReceiveSession::Outcome::Failed)
                        std::abort();
                    break;
                }
                if (packet.size() < 3 || packet.size() > Obex::MaxPacket)
                    std::abort();
                session->handle(packet, reply);
                if (!reply.isEmpty() && (reply.size() < 3 || reply.size() > 7))
                    std::abort();
                if (session->outcome() != ObexReceiveSession::Outcome::Going)
                    break;
            }
            if ((cut >> 8) % 97 == 0)
                session->linkLost();  // now and then the link drops and the peer comes back
            if (session->outcome() != ObexReceiveSession::Outcome::Going)
                nextSender();
        }
        total += session->total();
    }
    if (total != target.written)
        std::abort();
    return 0;
}
