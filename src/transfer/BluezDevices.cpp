#include "transfer/BluezDevices.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMap>
#include <QTimer>

namespace {

using InterfaceProperties = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, InterfaceProperties>;

}  // namespace

Q_DECLARE_METATYPE(InterfaceProperties)
Q_DECLARE_METATYPE(ManagedObjects)

BluezDevices::BluezDevices(QObject* parent) : QObject(parent)
{
    qDBusRegisterMetaType<InterfaceProperties>();
    qDBusRegisterMetaType<ManagedObjects>();
}

void BluezDevices::ask()
{
    ++m_asking;
    const auto answer = [this](const QList<Device>& devices) {
        --m_asking;
        emit listed(devices);
    };
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        QTimer::singleShot(0, this, [answer] { answer({}); });
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.bluez"), QStringLiteral("/"),
                                                       QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                                       QStringLiteral("GetManagedObjects"));
    // Only a BlueZ that runs already is asked: opening a page never starts the Bluetooth
    // service of a machine that has it switched off.
    call.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [answer](QDBusPendingCallWatcher* answered) {
        answered->deleteLater();
        const QDBusPendingReply<ManagedObjects> reply = *answered;
        QList<QVariantMap> devices;
        if (reply.isValid()) {
            const ManagedObjects objects = reply.value();
            for (const InterfaceProperties& interfaces : objects)
                if (const auto device = interfaces.find(QStringLiteral("org.bluez.Device1"));
                    device != interfaces.end())
                    devices << *device;
        }
        answer(pushTargets(devices));
    });
}

QList<BluezDevices::Device> BluezDevices::pushTargets(const QList<QVariantMap>& deviceProperties)
{
    QList<Device> found;
    for (const QVariantMap& properties : deviceProperties) {
        const QStringList services = properties.value(QStringLiteral("UUIDs")).toStringList();
        const bool pushes = services.contains(QLatin1String(ObjectPushUuid), Qt::CaseInsensitive);
        Device device{properties.value(QStringLiteral("Alias")).toString(),
                      properties.value(QStringLiteral("Address")).toString()};
        if (device.alias.isEmpty())
            device.alias = device.address;
        if (properties.value(QStringLiteral("Paired")).toBool() && pushes && !device.address.isEmpty())
            found << device;
    }
    return found;
}
