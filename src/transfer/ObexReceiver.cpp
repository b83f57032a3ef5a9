#include "transfer/ObexReceiver.h"

#include "resources/StringTable.h"
#include "transfer/FolderReceiveTarget.h"
#include "transfer/ObexPacket.h"
#include "transfer/ObexReceiveSession.h"

#include <utility>
#include <vector>

ObexReceiver::ObexReceiver(platform::FileSystem& fileSystem, const QString& folder, platform::ListenSocket listener,
                           int silenceLimitMs)
    : m_fileSystem(fileSystem), m_folder(folder), m_listener(std::move(listener)), m_silenceLimitMs(silenceLimitMs)
{
}

ObexReceiver::~ObexReceiver() { stop(); }

void ObexReceiver::start(AskReplace askReplace, std::function<void()> notify)
{
    m_notify = std::move(notify);
    m_context.setWake(m_notify);
    const auto end = [this] {
        m_connected = false;
        m_ended = true;
        ++m_changes;
        m_context.finish();
    };
    const bool started = m_worker.start([this, end, askReplace = std::move(askReplace)](std::stop_token) {
        run(askReplace);
        end();
    });
    if (!started)
        end();
}

void ObexReceiver::stop()
{
    m_context.stop = true;
    m_wake.raise();
    (void)m_context.dismissPendingQuestion(0);
    m_worker.stop();
    m_listener.close();
}

bool ObexReceiver::busy() const
{
    if (m_ended || m_context.waitingForUser())
        return false;
    return m_connected || m_listener.hasWaitingConnection();
}

void ObexReceiver::publish(int status)
{
    m_status = status;
    ++m_changes;
    if (m_notify)
        m_notify();
}

void ObexReceiver::run(const AskReplace& askReplace)
{
    FolderReceiveTarget target(m_fileSystem, m_folder, [this, &askReplace](const QString& path) {
        return m_context.ask([&askReplace, path] { return askReplace(path) ? 1 : 0; }, 0) == 1;
    });
    // One packet at most is held: the buffer is the protocol's largest packet.
    std::vector<char> buffer(Obex::MaxPacket);
    // Senders take turns, each on its own link with a session of its own: whatever one of them
    // does ends only its own transfer, and the next is heard until the page closes.
    while (!m_context.stopRequested()) {
        platform::StreamSocket link;
        if (m_listener.accept(link, m_wake) != platform::SocketIo::Ok)
            break;
        m_connected = true;
        serve(link, target, buffer);
        m_connected = false;
        ++m_changes;
    }
    for (const QString& name : target.newNames())
        m_newPaths << target.pathOf(name);
}

void ObexReceiver::serve(platform::StreamSocket& link, ReceiveTarget& target, std::vector<char>& buffer)
{
    // An object the session has not finished is given up when the session goes.
    ObexReceiveSession session(target);
    Obex::Framer framer;
    bool heard = false;
    bool outcomeShown = false;
    while (session.outcome() == ObexReceiveSession::Outcome::Going) {
        qint64 got = 0;
        const platform::SocketIo io = link.receive(buffer.data(), static_cast<qint64>(buffer.size()), got, m_wake,
                                                   m_silenceLimitMs);
        if (io == platform::SocketIo::Woken)
            return;
        if (io != platform::SocketIo::Ok) {
            session.linkLost();
            break;
        }
        if (!std::exchange(heard, true))
            senderHeard();
        framer.add(QByteArrayView(buffer.data(), got));
        if (!answerPackets(framer, session, link, outcomeShown))
            return;
    }
    if (!outcomeShown && !m_context.stopRequested())
        showOutcome(session);
    // The link closes when the caller's socket goes: the sender hears no more, whatever it
    // still sends.
}

void ObexReceiver::senderHeard()
{
    m_context.bytesDone = 0;
    m_shownName.clear();
    m_context.setCurrentItem({});
    publish(Str::ReceivingFileStatus);
}

bool ObexReceiver::answerPackets(Obex::Framer& framer, ObexReceiveSession& session, platform::StreamSocket& link,
                                 bool& outcomeShown)
{
    QByteArrayView packet;
    QByteArray reply;
    while (session.outcome() == ObexReceiveSession::Outcome::Going) {
        const Obex::Framer::State state = framer.next(packet);
        if (state == Obex::Framer::State::NeedMore)
            break;
        if (state == Obex::Framer::State::Broken)
            session.brokenStream(framer.tooLarge(), reply);
        else
            session.handle(packet, reply);
        // The outcome is shown before the sender hears it, so whoever waits on the sender
        // finds the page up to date.
        if (session.outcome() != ObexReceiveSession::Outcome::Going) {
            showOutcome(session);
            outcomeShown = true;
        } else {
            showProgress(session);
        }
        if (!reply.isEmpty()) {
            // A sender that reads none of its answers is as silent as one that sends nothing.
            const platform::SocketIo sent = link.sendAll(reply.constData(), reply.size(), m_wake, m_silenceLimitMs);
            if (sent == platform::SocketIo::Woken)
                return false;
            if (sent != platform::SocketIo::Ok)
                session.linkLost();
        }
    }
    return true;
}

void ObexReceiver::showProgress(const ObexReceiveSession& session)
{
    m_context.bytesDone = session.total();
    if (session.name() != m_shownName) {
        m_shownName = session.name();
        m_context.setCurrentItem(m_shownName);
        publish(m_status);
    }
}

void ObexReceiver::showOutcome(const ObexReceiveSession& session)
{
    showProgress(session);
    switch (session.outcome()) {
    case ObexReceiveSession::Outcome::Disconnected: publish(Str::FileReceived); break;
    case ObexReceiveSession::Outcome::Failed: publish(session.failureText()); break;
    case ObexReceiveSession::Outcome::Left:
        // Some senders close the link after their last object without a goodbye; one that
        // sent nothing whole leaves the page waiting, as before it came.
        publish(session.objectsReceived() > 0 ? Str::FileReceived : 0);
        break;
    default: publish(Str::TransferCancelled); break;
    }
    // Not before: a script that waits for the program to settle waits for the page too.
    m_connected = false;
}
