#include "transfer/ObexPeers.h"

#include "platform/StreamSocket.h"

#include "resources/StringTable.h"
#include "settings/RegKey.h"
#include "settings/SettingsSchema.h"

namespace ObexPeers {

QString Peer::label() const { return Str::arg(bluetooth ? Str::ByBluetooth : Str::ViaInfrared, name); }

QList<Peer> list()
{
    const SettingsSchema::Key& peers = SettingsSchema::ObexPeers;
    const QString keyPath = peers.fullPath();
    QList<Peer> found;
    for (const QString& subKey : RegKey(peers.hive, keyPath).subKeyNames()) {
        RegKey entry(peers.hive, keyPath + u'\\' + subKey);
        Peer peer;
        peer.name = entry.readString(QStringLiteral("Name"), QStringLiteral(""));
        peer.address = entry.readString(QStringLiteral("Address"), QStringLiteral(""));
        peer.bluetooth = entry.readString(QStringLiteral("Transport"), QStringLiteral(""))
                             .compare(QLatin1String("Bluetooth"), Qt::CaseInsensitive)
                         == 0;
        if (!peer.name.isEmpty() && !peer.address.isEmpty())
            found.append(peer);
    }
    return found;
}

bool answers(const QString& address, int timeoutMs)
{
    const platform::SocketWake never;
    platform::StreamSocket socket;
    return platform::StreamSocket::connectTo(address, socket, never, timeoutMs) == platform::SocketIo::Ok;
}

}  // namespace ObexPeers
