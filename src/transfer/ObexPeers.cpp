#include "transfer/ObexPeers.h"

#include "resources/StringTable.h"
#include "settings/RegKey.h"
#include "settings/Settings.h"

#include <QByteArray>

#include <cerrno>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ObexPeers {

QString Peer::label() const { return Str::arg(bluetooth ? Str::ByBluetooth : Str::ViaInfrared, name); }

QList<Peer> list()
{
    const QString keyPath = Settings::keyPath() + QStringLiteral("\\ObexPeers");
    RegKey peers(platform::Hive::CurrentUser, keyPath);
    QList<Peer> found;
    QString subKey;
    for (bool more = peers.firstSubKey(subKey); more; more = peers.nextSubKey(subKey)) {
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

int openConnection(const QString& address, int timeoutMs)
{
    const qsizetype colon = address.lastIndexOf(u':');
    if (colon <= 0)
        return -1;
    QString host = address.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    if (::getaddrinfo(host.toUtf8().constData(), address.mid(colon + 1).toUtf8().constData(), &hints, &results) != 0)
        return -1;
    int connected = -1;
    for (addrinfo* at = results; at && connected < 0; at = at->ai_next) {
        const int socket = ::socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, at->ai_protocol);
        if (socket < 0)
            continue;
        bool done = ::connect(socket, at->ai_addr, at->ai_addrlen) == 0;
        if (!done && errno == EINPROGRESS) {
            pollfd wait{socket, POLLOUT, 0};
            int error = 0;
            socklen_t length = sizeof error;
            done = ::poll(&wait, 1, timeoutMs) == 1 && ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) == 0
                   && error == 0;
        }
        if (done)
            connected = socket;
        else
            ::close(socket);
    }
    ::freeaddrinfo(results);
    return connected;
}

bool answers(const QString& address, int timeoutMs)
{
    const int socket = openConnection(address, timeoutMs);
    if (socket < 0)
        return false;
    ::close(socket);
    return true;
}

}  // namespace ObexPeers
