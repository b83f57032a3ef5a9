#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// Makes sure one Fennick runs per user and runtime folder. The first start holds a lock file
// and listens on a local socket, both named by the instance identifier; a second start finds
// the socket, asks the running window to come to the front, hands its command line over
// through the hand-off file and exits.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // A fixed identifier, the Base64 form of 16 bytes.
    static const QString Identifier;

    // $XDG_RUNTIME_DIR/fennick, or a private folder in the temporary folder when unset.
    static QString runtimeFolder();

    enum class Role { First, Second, Failed };

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock; Failed when neither the lock nor its folder can be made.
    Role acquire();
    // First instance: starts listening for second starts, and stops (before the application
    // object goes away).
    bool listen();
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

    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
