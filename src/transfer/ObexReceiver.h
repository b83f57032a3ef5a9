#pragma once

#include "jobs/JobContext.h"
#include "jobs/Worker.h"
#include "platform/StreamSocket.h"

#include <QStringList>

#include <atomic>
#include <functional>
#include <vector>

class ObexReceiveSession;
class ReceiveTarget;
namespace Obex {
class Framer;
}

namespace platform {
class FileSystem;
}

// The session worker of "Receive from IR...": on a thread of its own it accepts senders on the
// listening socket one after the other, frames their packets, lets an ObexReceiveSession answer
// them and writes the objects into one folder. A sender's transfer ends when it says goodbye,
// aborts, breaks the protocol or leaves; its link is then closed and the next sender is served,
// until the user ends it all. What it has to show (status, name, byte count of the sender at
// hand) is published through atomics and the job context, which the dialog reads when it likes;
// the overwrite question goes to the user-interface thread through the context while the dialog
// stays up. No widget.
class ObexReceiver {
public:
    // Runs on the user-interface thread: may `path` be replaced?
    using AskReplace = std::function<bool(const QString& path)>;

    // How long a sender may keep silent, within its transfer or before its first byte, before
    // it is dropped: senders take turns, so one that connects and says nothing would otherwise
    // keep every other sender out until the page closes. Long enough for a slow radio link.
    static constexpr int DefaultSilenceLimitMs = 30000;

    // `folder` is a phone path; the listening socket is taken over.
    ObexReceiver(platform::FileSystem& fileSystem, const QString& folder, platform::ListenSocket listener,
                 int silenceLimitMs = DefaultSilenceLimitMs);
    ~ObexReceiver();
    ObexReceiver(const ObexReceiver&) = delete;
    ObexReceiver& operator=(const ObexReceiver&) = delete;

    // `notify` is called from the worker (no lock held) whenever the status changes, a question
    // waits or the work ended; it must only post to the user-interface thread. With no thread
    // to work on, the worker has ended at once (and `notify` is called for that).
    void start(AskReplace askReplace, std::function<void()> notify);
    // Ends the session and waits for the worker: an object not complete is given up; a
    // question still waiting is answered No. The listening socket is closed.
    void stop();

    JobContext& context() { return m_context; }
    // The string id of the status line: 0 while waiting for a sender, "Receiving file..." while
    // one sends, and how its transfer ended once it has.
    int status() const { return m_status.load(); }
    // True once the worker has ended: the page closes, or the socket can accept no more.
    bool ended() const { return m_ended.load(); }
    // The name of the object received last or now; the body bytes the sender at hand has sent
    // so far (each sender counts from zero).
    QString name() const { return m_context.currentItem(); }
    qint64 total() const { return m_context.bytesDone.load(); }
    // Grows with every change the dialog has to show.
    quint64 changes() const { return m_changes.load(); }
    // Busy for a script that waits for the program to settle: a peer connected or knocking,
    // unless the worker waits for the user's answer.
    bool busy() const;
    quint16 port() const { return m_listener.port(); }

    // After stop(): the files that did not exist before the session, as phone paths.
    const QStringList& newPaths() const { return m_newPaths; }

private:
    void run(const AskReplace& askReplace);
    // Serves one sender on `link` until its transfer has ended one way or another.
    void serve(platform::StreamSocket& link, ReceiveTarget& target, std::vector<char>& buffer);
    // A sender shows on the page once it speaks; its count starts from zero.
    void senderHeard();
    // Lets the session answer every whole packet the framer holds, until the transfer ends.
    // False when the page woke the worker to stop.
    bool answerPackets(Obex::Framer& framer, ObexReceiveSession& session, platform::StreamSocket& link,
                       bool& outcomeShown);
    void showProgress(const ObexReceiveSession& session);
    void showOutcome(const ObexReceiveSession& session);
    void publish(int status);

    platform::FileSystem& m_fileSystem;
    QString m_folder;
    platform::ListenSocket m_listener;
    int m_silenceLimitMs;
    platform::SocketWake m_wake;
    JobContext m_context;
    std::function<void()> m_notify;
    std::atomic<int> m_status = 0;
    std::atomic<bool> m_ended = false;
    std::atomic<bool> m_connected = false;
    std::atomic<quint64> m_changes = 0;
    // The worker's own: the name shown last.
    QString m_shownName;
    QStringList m_newPaths;
    // Its news go out through `m_notify`, which the dialog gives; last, so that it stops
    // before the members it reads go.
    Worker m_worker{nullptr};
};
