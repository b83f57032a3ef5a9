#include "transfer/ObexPushSession.h"

#include "transfer/ObexdNames.h"
#include "transfer/SessionBus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QTimer>

namespace {

using Obexd::Service;
const QString ClientInterface = QStringLiteral("org.bluez.obex.Client1");
const QString PushInterface = QStringLiteral("org.bluez.obex.ObjectPush1");
using Obexd::PropertiesInterface;
using Obexd::TransferInterface;

}  // namespace

ObexPushSession::ObexPushSession(const QString& address, const QStringList& files, FileCheck check, QObject* parent)
    : QObject(parent), m_address(address), m_files(files), m_check(std::move(check))
{
}

ObexPushSession::~ObexPushSession()
{
    // A page that goes before the end still leaves no session behind in obexd.
    if (!m_session.isEmpty())
        QDBusConnection::sessionBus().send(QDBusMessage::createMethodCall(Service, QStringLiteral("/org/bluez/obex"),
                                                                          ClientInterface,
                                                                          QStringLiteral("RemoveSession"))
                                           << QVariant::fromValue(QDBusObjectPath(m_session)));
}

void ObexPushSession::start()
{
    QDBusConnection bus = SessionBus::named() ? QDBusConnection::sessionBus() : QDBusConnection(QString());
    if (!bus.isConnected()) {
        QTimer::singleShot(0, this, [this] { finish(Outcome::ConnectFailed); });
        return;
    }
    // Every transfer's changes are heard from the start: obexd may announce them before its
    // answer to SendFile names the transfer.
    bus.connect(Service, QString(), PropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                SLOT(propertiesChanged(QDBusMessage)));
    call(QStringLiteral("/org/bluez/obex"), ClientInterface, QStringLiteral("CreateSession"),
         {m_address, QVariantMap{{QStringLiteral("Target"), QStringLiteral("opp")}}},
         [this](const QDBusMessage& reply) { sessionMade(reply); });
}

void ObexPushSession::call(const QString& path, const QString& interface, const QString& method,
                           const QVariantList& arguments, std::function<void(const QDBusMessage&)> answered)
{
    QDBusMessage message = QDBusMessage::createMethodCall(Service, path, interface, method);
    message.setArguments(arguments);
    ++m_waiting;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, answered = std::move(answered)](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                --m_waiting;
                answered(done->reply());
            });
}

void ObexPushSession::sessionMade(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        finish(m_cancelled ? Outcome::Cancelled : Outcome::ConnectFailed, reply.errorMessage());
        return;
    }
    m_session = reply.arguments().at(0).value<QDBusObjectPath>().path();
    if (m_cancelled)
        finish(Outcome::Cancelled);
    else
        sendNext();
}

void ObexPushSession::sendNext()
{
    if (m_next >= m_files.size()) {
        finish(Outcome::Sent);
        return;
    }
    const QString path = m_files.at(m_next);
    emit fileStarted(m_next);
    ++m_next;
    if (const QString reason = m_check ? m_check(path) : QString(); !reason.isEmpty()) {
        finish(Outcome::NotSent, reason);
        return;
    }
    m_transfer.clear();
    m_size = 0;
    call(m_session, PushInterface, QStringLiteral("SendFile"), {path},
         [this](const QDBusMessage& reply) { transferMade(reply); });
}

void ObexPushSession::transferMade(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2) {
        finish(m_cancelled ? Outcome::Cancelled : Outcome::NotSent, reply.errorMessage());
        return;
    }
    m_transfer = reply.arguments().at(0).value<QDBusObjectPath>().path();
    if (m_cancelled) {
        m_cancelled = false;
        cancel();
        return;
    }
    QVariantMap properties = qdbus_cast<QVariantMap>(reply.arguments().at(1));
    // What changed since obexd made the transfer is newer than what it answered.
    const QVariantMap early = m_early.take(m_transfer);
    for (auto change = early.begin(); change != early.end(); ++change)
        properties.insert(change.key(), change.value());
    m_early.clear();
    apply(properties);
}

void ObexPushSession::propertiesChanged(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (m_ended || arguments.size() < 2 || arguments.at(0).toString() != TransferInterface)
        return;
    const QVariantMap changed = qdbus_cast<QVariantMap>(arguments.at(1));
    if (!m_transfer.isEmpty() && message.path() == m_transfer) {
        apply(changed);
    } else if (m_transfer.isEmpty() && !m_session.isEmpty() && message.path().startsWith(m_session + u'/')) {
        QVariantMap& kept = m_early[message.path()];
        for (auto change = changed.begin(); change != changed.end(); ++change)
            kept.insert(change.key(), change.value());
    }
}

void ObexPushSession::apply(const QVariantMap& properties)
{
    if (m_ended || m_cancelled)
        return;
    if (properties.contains(QStringLiteral("Size")))
        m_size = properties.value(QStringLiteral("Size")).toLongLong();
    if (properties.contains(QStringLiteral("Transferred")))
        emit progress(properties.value(QStringLiteral("Transferred")).toLongLong(), m_size);
    const QString status = properties.value(QStringLiteral("Status")).toString();
    if (status == u"complete") {
        emit progress(m_size, m_size);
        m_transfer.clear();
        sendNext();
    } else if (status == u"error") {
        finish(Outcome::Refused);
    }
}

void ObexPushSession::cancel()
{
    if (m_ended || m_cancelled)
        return;
    m_cancelled = true;
    // Without a transfer yet, the answer that brings one ends it (see sessionMade, transferMade).
    if (m_transfer.isEmpty())
        return;
    call(m_transfer, TransferInterface, QStringLiteral("Cancel"), {},
         [this](const QDBusMessage&) { finish(Outcome::Cancelled); });
}

void ObexPushSession::finish(Outcome outcome, const QString& reason)
{
    if (m_ended)
        return;
    m_ended = true;
    QDBusConnection::sessionBus().disconnect(Service, QString(), PropertiesInterface,
                                             QStringLiteral("PropertiesChanged"), this,
                                             SLOT(propertiesChanged(QDBusMessage)));
    if (m_session.isEmpty()) {
        emit finished(outcome, reason);
        return;
    }
    const QString session = std::exchange(m_session, QString());
    call(QStringLiteral("/org/bluez/obex"), ClientInterface, QStringLiteral("RemoveSession"),
         {QVariant::fromValue(QDBusObjectPath(session))},
         [this, outcome, reason](const QDBusMessage&) { emit finished(outcome, reason); });
}
