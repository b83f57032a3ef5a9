#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// Makes sure one Fennick runs per user and runtime folder. The first start holds a lock file
// and listens on a local socket, both named by the instance identifier; a second start finds
// the socket, asks the running window to come to the front, hands its command line over
// through the hand-off file and exits. The socket is the system's own, watched by the event
// loop, and never read or written with a wait on the first instance's side.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // A fixed identifier, the Base64 form of 16 bytes.
    static const QString Identifier;
    // The longest line a second start may send; a longer one ends its connection, so that
    // nobody can make the running window hold an endless line in memory.
    static constexpr qint64 MaxLineBytes = 64;

    // $XDG_RUNTIME_DIR/fennick, or a private folder in the temporary folder when unset.
    static QString runtimeFolder();
    // The socket the first instance listens on, in the runtime folder.
    static QString socketName();

    enum class Role { First, Second, Failed };

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // Makes the runtime folder (and, without XDG_RUNTIME_DIR, the private folder in the
    // temporary folder that holds it) and takes the lock. Failed, with the reason in `error`,
    // when a folder cannot be made, is not a folder of this user's own that only this user
    // can enter (the socket and the hand-off file live there), or the lock cannot be made.
    Role acquire(QString* error);
    // First instance: starts listening for second starts (false, with the reason in `error`,
    // when it cannot), and stops (before the application object goes away).
    [[nodiscard]] bool listen(QString* error);
    void stopListening();

    // Second instance: the sender side of the hand-off. Returns true when a running window
    // was found (and asked to come to the front).
    static bool handOver(const QString& commandLine);

signals:
    void raiseRequested();
    // A second start wrote `bytes` bytes to the hand-off file.
    void handOffPosted(qint64 bytes);

private:
    void onConnection();
    void releaseLock();

    int m_lockDescriptor = -1;  // the open lock file while this instance holds the lock
    // The listening socket while this instance listens; its connections are its children.
    QSocketNotifier* m_server = nullptr;
    QByteArray m_socketPath;  // where it listens, removed when it stops
};
