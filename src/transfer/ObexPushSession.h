#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class QDBusMessage;
// The D-Bus types stay out of the header, so that the pages that use the class do not need them.
Q_MOC_INCLUDE(<QDBusMessage>)

// Files pushed to one Bluetooth device through BlueZ's obexd on the session bus: a session
// with the Object Push target (Client1.CreateSession), one SendFile a file, each transfer
// followed through its Transfer1 properties (Status, Size, Transferred) as they change, and the
// session removed at the end, however it ends. Every call is made without waiting: the window
// goes on while obexd and the device answer. User-interface thread only; no widget.
class ObexPushSession : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Sent,           // every file is complete
        ConnectFailed,  // no obexd, or no session with the device
        Refused,        // a transfer ended in error: the device refused it, or the link broke
        NotSent,        // obexd would not send a file (see the reason)
        Cancelled,
    };
    // A reason not to send a file (empty: send it); asked just before each SendFile.
    using FileCheck = std::function<QString(const QString& path)>;

    // `address` is the device's Bluetooth address; `files` host paths, sent in order.
    ObexPushSession(const QString& address, const QStringList& files, FileCheck check, QObject* parent = nullptr);
    ~ObexPushSession() override;

    void start();
    // Cancels the transfer on its way; `finished` follows with Cancelled once obexd has it.
    void cancel();
    // True while a call waits for obexd's answer.
    bool waiting() const { return m_waiting > 0; }

signals:
    // The file at `index` of the list is on its way.
    void fileStarted(int index);
    // Bytes of the file at hand that the device has, of `size` (0 when not known).
    void progress(qint64 transferred, qint64 size);
    void finished(ObexPushSession::Outcome outcome, const QString& reason);

private slots:
    void propertiesChanged(const QDBusMessage& message);

private:
    // Calls obexd; `answered` gets the reply, or the error, on this thread.
    void call(const QString& path, const QString& interface, const QString& method, const QVariantList& arguments,
              std::function<void(const QDBusMessage&)> answered);
    void sessionMade(const QDBusMessage& reply);
    void sendNext();
    void transferMade(const QDBusMessage& reply);
    void apply(const QVariantMap& properties);
    void finish(Outcome outcome, const QString& reason = QString());

    QString m_address;
    QStringList m_files;
    FileCheck m_check;
    int m_next = 0;  // the index of the next file to send
    QString m_session;
    QString m_transfer;
    qint64 m_size = 0;
    // Changes obexd announced for transfers of the session before SendFile told their paths.
    QMap<QString, QVariantMap> m_early;
    int m_waiting = 0;
    bool m_cancelled = false;
    bool m_ended = false;
};
