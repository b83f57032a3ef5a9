#include "transfer/ObexPeers.h"

#include "platform/StreamSocket.h"

#include "resources/StringTable.h"
#include "settings/RegKey.h"
#include "settings/Settings.h"


namespace ObexPeers {

QString Peer::label() const { return Str::arg(bluetooth ? Str::ByBluetooth : Str::ViaInfrared, name); }

QList<Peer> list()
{
    const QString keyPath = Settings::keyPath() + QStringLiteral("\\ObexPeers");
    QList<Peer> found;
    for (const QString& subKey : RegKey(platform::Hive::CurrentUser, keyPath).subKeyNames()) {
        RegKey entry(platform::Hive::CurrentUser, keyPath + u'\\' + subKey);
        Peer peer;
        peer.name = entry.readString(QStringLiteral("Name"), QStringLiteral(""));
        peer.address = entry.readString(QStringLiteral("Address"), QStringLiteral(""));
        peer.bluetooth = entry.readString(QStringLiteral("Transport"), QStringLiteral(""))
                             .compare(QLatin1String("Bluetooth"), Qt::CaseInsensitive) == 0;
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
