#include "transfer/ObexReceiver.h"

#include "resources/StringTable.h"
#include "transfer/FolderReceiveTarget.h"
#include "transfer/ObexPacket.h"
#include "transfer/ObexReceiveSession.h"

#include <vector>

ObexReceiver::ObexReceiver(platform::FileSystem& fileSystem, const QString& folder, platform::ListenSocket listener)
    : m_fileSystem(fileSystem), m_folder(folder), m_listener(std::move(listener))
{
}

ObexReceiver::~ObexReceiver() { stop(); }

void ObexReceiver::start(AskReplace askReplace, std::function<void()> notify)
{
    m_notify = std::move(notify);
    m_context.setWake(m_notify);
    m_thread = std::thread([this, askReplace = std::move(askReplace)] {
        run(askReplace);
        m_connected = false;
        m_ended = true;
        ++m_changes;
        m_context.finish();
    });
}

void ObexReceiver::stop()
{
    m_context.stop = true;
    m_wake.raise();
    (void)m_context.dismissPendingQuestion(0);
    if (m_thread.joinable())
        m_thread.join();
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
    ObexReceiveSession session(target);
    // One packet at most is held: the buffer is the protocol's largest packet.
    std::vector<char> buffer(Obex::MaxPacket);
    Obex::Framer framer;
    QByteArrayView packet;
    QByteArray reply;
    QString shownName;
    platform::StreamSocket link;

    const auto showProgress = [&] {
        m_context.bytesDone = session.total();
        if (session.name() != shownName) {
            shownName = session.name();
            m_context.setCurrentItem(shownName);
            publish(m_status);
        }
    };
    bool finalShown = false;
    const auto showOutcome = [&] {
        finalShown = true;
        showProgress();
        m_connected = false;
        switch (session.outcome()) {
        case ObexReceiveSession::Outcome::Disconnected:
            publish(Str::FileReceived);
            break;
        case ObexReceiveSession::Outcome::Failed:
            publish(session.failureText());
            break;
        default:
            publish(Str::TransferCancelled);
            break;
        }
    };
    bool linkUsable = true;
    while (session.outcome() == ObexReceiveSession::Outcome::Going && linkUsable) {
        if (!link.isOpen()) {
            // The peer may close the link between objects and come back on a new one.
            if (m_listener.accept(link, m_wake) != platform::SocketIo::Ok)
                break;
            m_connected = true;
            framer.clear();
            publish(Str::ReceivingFileStatus);
        }
        qint64 got = 0;
        const platform::SocketIo io = link.receive(buffer.data(), static_cast<qint64>(buffer.size()), got, m_wake);
        if (io == platform::SocketIo::Closed) {
            session.linkLost();
            link.close();
            m_connected = false;
            ++m_changes;
            continue;
        }
        if (io != platform::SocketIo::Ok)
            break;
        framer.add(QByteArrayView(buffer.data(), got));
        for (;;) {
            const Obex::Framer::State state = framer.next(packet);
            if (state == Obex::Framer::State::NeedMore)
                break;
            if (state == Obex::Framer::State::Broken)
                session.brokenStream(framer.tooLarge(), reply);
            else
                session.handle(packet, reply);
            // The outcome is shown before the peer hears it, so whoever waits on the peer
            // finds the screen up to date.
            if (session.outcome() != ObexReceiveSession::Outcome::Going)
                showOutcome();
            else
                showProgress();
            if (!reply.isEmpty() && link.sendAll(reply.constData(), reply.size(), m_wake) != platform::SocketIo::Ok) {
                linkUsable = false;
                break;
            }
            if (session.outcome() != ObexReceiveSession::Outcome::Going || state == Obex::Framer::State::Broken)
                break;
        }
    }
    if (session.outcome() == ObexReceiveSession::Outcome::Going) {
        // The user ended it, or the link failed: what was not complete goes.
        session.cancel();
        if (!m_context.stopRequested())
            showOutcome();
    } else if (!finalShown) {
        showOutcome();
    }
    for (const QString& name : target.newNames())
        m_newPaths << target.pathOf(name);
}
