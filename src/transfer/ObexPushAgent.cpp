#include "transfer/ObexPushAgent.h"

#include "transfer/ObexdNames.h"
#include "transfer/ReceivedName.h"
#include "transfer/SessionBus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Obexd::Service;
const QString ManagerPath = QStringLiteral("/org/bluez/obex");
const QString ManagerInterface = QStringLiteral("org.bluez.obex.AgentManager1");
const QString AgentPath = QStringLiteral("/org/corvane/fennick/ObexAgent");
using Obexd::PropertiesInterface;
using Obexd::TransferInterface;
const QString Rejected = QStringLiteral("org.bluez.obex.Error.Rejected");

QDBusMessage managerCall(const QString& method)
{
    return QDBusMessage::createMethodCall(Service, ManagerPath, ManagerInterface, method)
           << QVariant::fromValue(QDBusObjectPath(AgentPath));
}

bool exists(const QByteArray& path)
{
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0;
}

// The bytes are on the disk before the file takes its name: a crash never leaves a named file
// with a hole in it.
bool flush(const QByteArray& path)
{
    const int file = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (file < 0)
        return false;
    const bool flushed = ::fsync(file) == 0;
    ::close(file);
    return flushed;
}

}  // namespace

// The object on the bus that obexd calls.
class ObexAgentAdaptor : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.bluez.obex.Agent1")
public:
    explicit ObexAgentAdaptor(ObexPushAgent& agent) : m_agent(agent) {}

public slots:
    Q_SCRIPTABLE QString AuthorizePush(const QDBusObjectPath& transfer)
    {
        // Answered once the transfer's name is known and the user, if asked, has answered.
        setDelayedReply(true);
        m_agent.authorizePush(transfer.path(), message());
        return QString();
    }
    // obexd gave up the push it asked about.
    Q_SCRIPTABLE void Cancel() { m_agent.dropTransfer(); }
    Q_SCRIPTABLE void Release() {}

private:
    ObexPushAgent& m_agent;
};

ObexPushAgent::ObexPushAgent(const QByteArray& folder, AskReplace askReplace, QObject* parent)
    : QObject(parent), m_folder(folder), m_askReplace(std::move(askReplace)), m_adaptor(new ObexAgentAdaptor(*this))
{
    m_adaptor->setParent(this);
}

ObexPushAgent::~ObexPushAgent()
{
    // The page that listens goes first.
    blockSignals(true);
    if (!m_transfer.isEmpty())
        QDBusConnection::sessionBus().send(
            QDBusMessage::createMethodCall(Service, m_transfer, TransferInterface, QStringLiteral("Cancel")));
    dropTransfer();
    if (m_registered) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.send(managerCall(QStringLiteral("UnregisterAgent")));
        bus.unregisterObject(AgentPath);
        bus.disconnect(Service, QString(), PropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                       SLOT(propertiesChanged(QDBusMessage)));
    }
}

void ObexPushAgent::start()
{
    if (!SessionBus::named())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.registerObject(AgentPath, m_adaptor, QDBusConnection::ExportScriptableSlots))
        return;
    m_registered = true;
    bus.connect(Service, QString(), PropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                SLOT(propertiesChanged(QDBusMessage)));
    // obexd is started for us on the session bus when it is installed and not running.
    ++m_waiting;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(managerCall(QStringLiteral("RegisterAgent"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answered) {
        answered->deleteLater();
        --m_waiting;
        if (!answered->isError())
            return;
        // No obexd: receiving over Bluetooth is simply not there.
        QDBusConnection session = QDBusConnection::sessionBus();
        session.unregisterObject(AgentPath);
        session.disconnect(Service, QString(), PropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                           SLOT(propertiesChanged(QDBusMessage)));
        m_registered = false;
    });
}

void ObexPushAgent::authorizePush(const QString& transfer, const QDBusMessage& call)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    // One push at a time, as the page shows one.
    if (!m_transfer.isEmpty()) {
        bus.send(call.createErrorReply(Rejected, QStringLiteral("Another file is being received")));
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(Service, transfer, PropertiesInterface, QStringLiteral("GetAll"));
    get << TransferInterface;
    ++m_waiting;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, transfer, call](QDBusPendingCallWatcher* answered) {
                answered->deleteLater();
                --m_waiting;
                const QDBusMessage reply = answered->reply();
                const QVariantMap properties = reply.arguments().isEmpty()
                                                   ? QVariantMap()
                                                   : qdbus_cast<QVariantMap>(reply.arguments().at(0));
                authorize(transfer, properties.value(QStringLiteral("Name")).toString(), call);
            });
}

void ObexPushAgent::authorize(const QString& transfer, const QString& sentName, const QDBusMessage& call)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!m_transfer.isEmpty()) {
        bus.send(call.createErrorReply(Rejected, QStringLiteral("Another file is being received")));
        return;
    }
    const QString name = ReceivedName::neutralise(sentName);
    const QByteArray target = m_folder + '/' + QFile::encodeName(name);
    const bool replace = exists(target);
    if (replace && !m_askReplace(name)) {
        bus.send(call.createErrorReply(Rejected, QStringLiteral("Not replaced")));
        return;
    }
    QByteArray hidden;
    do {
        hidden = m_folder + "/.fennick-push-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
    } while (exists(hidden));
    m_transfer = transfer;
    m_hidden = hidden;
    m_name = name;
    m_wasNew = !replace;
    bus.send(call.createReply(QFile::decodeName(hidden)));
    emit receiving(name);
}

void ObexPushAgent::propertiesChanged(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (m_transfer.isEmpty() || message.path() != m_transfer || arguments.size() < 2
        || arguments.at(0).toString() != TransferInterface)
        return;
    const QVariantMap changed = qdbus_cast<QVariantMap>(arguments.at(1));
    if (changed.contains(QStringLiteral("Transferred")))
        emit progress(changed.value(QStringLiteral("Transferred")).toLongLong());
    const QString status = changed.value(QStringLiteral("Status")).toString();
    if (status == u"complete")
        finishTransfer(true);
    else if (status == u"error")
        finishTransfer(false);
}

void ObexPushAgent::finishTransfer(bool complete)
{
    const QByteArray target = m_folder + '/' + QFile::encodeName(m_name);
    const bool placed = complete && flush(m_hidden) && std::rename(m_hidden.constData(), target.constData()) == 0;
    if (!placed)
        ::unlink(m_hidden.constData());
    if (placed && m_wasNew && !m_newNames.contains(m_name))
        m_newNames << m_name;
    m_transfer.clear();
    m_hidden.clear();
    emit ended(placed);
}

void ObexPushAgent::dropTransfer()
{
    if (m_transfer.isEmpty())
        return;
    ::unlink(m_hidden.constData());
    m_transfer.clear();
    m_hidden.clear();
    emit ended(false);
}

#include "ObexPushAgent.moc"
