#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QDBusMessage;
Q_MOC_INCLUDE(<QDBusMessage>)

// Files pushed over Bluetooth while "Receiving..." is open: our org.bluez.obex.Agent1, which
// obexd asks (AuthorizePush) whether to take each push and where to write it. The answer is a
// hidden name inside the receive folder; the file takes its real name only once obexd says the
// transfer is complete, after it is flushed to the disk, and is removed when the transfer ends
// in error or the page closes first: nothing half-received ever carries the sent name. The
// agent is registered with obexd's AgentManager1 when started and unregistered when it goes.
// Every call is made without waiting. User-interface thread only; no widget.
class ObexPushAgent : public QObject {
    Q_OBJECT
public:
    // May the item `name` of the folder be replaced? Runs on this thread and may ask the user.
    using AskReplace = std::function<bool(const QString& name)>;

    // `folder` is the host path of the receive folder.
    ObexPushAgent(const QByteArray& folder, AskReplace askReplace, QObject* parent = nullptr);
    ~ObexPushAgent() override;

    // Offers the agent to obexd; without a session bus or obexd nothing happens.
    void start();
    // Busy for a script that waits for the program to settle: obexd has not answered the
    // registration yet, or a push is on its way.
    bool busy() const { return m_waiting > 0 || !m_transfer.isEmpty(); }
    // The names that came whole and did not exist before, in the order they came.
    const QStringList& newNames() const { return m_newNames; }

signals:
    // A push was taken: `name` is on its way.
    void receiving(const QString& name);
    // Bytes of the push at hand that have come.
    void progress(qint64 transferred);
    // The push at hand ended: whole and named, or not (nothing of it is left).
    void ended(bool received);

private slots:
    void propertiesChanged(const QDBusMessage& message);

private:
    friend class ObexAgentAdaptor;
    // obexd's AuthorizePush: answered later through `call`, once the transfer's name is known.
    void authorizePush(const QString& transfer, const QDBusMessage& call);
    void authorize(const QString& transfer, const QString& sentName, const QDBusMessage& call);
    void finishTransfer(bool complete);
    // The transfer at hand is given up: its hidden file goes.
    void dropTransfer();

    QByteArray m_folder;
    AskReplace m_askReplace;
    QObject* m_adaptor;
    bool m_registered = false;
    int m_waiting = 0;
    // The push at hand: obexd's transfer object, the hidden file it writes and the name it takes.
    QString m_transfer;
    QByteArray m_hidden;
    QString m_name;
    bool m_wasNew = false;  // no item had the name when the push was taken
    QStringList m_newNames;
};
