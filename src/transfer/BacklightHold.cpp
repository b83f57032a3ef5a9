#include "transfer/BacklightHold.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>

#include <unistd.h>

namespace BacklightHold {

namespace {

// The inhibitor lasts as long as this descriptor is open.
int g_inhibitor = -1;
bool g_wanted = false;
bool g_paused = false;

void take()
{
    if (g_inhibitor >= 0)
        return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    QDBusInterface logind(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                          QStringLiteral("org.freedesktop.login1.Manager"), bus);
    if (!logind.isValid())
        return;
    const QDBusReply<QDBusUnixFileDescriptor> reply = logind.call(
        QStringLiteral("Inhibit"), QStringLiteral("idle"), QStringLiteral("Fennick"),
        QStringLiteral("A file transfer is running"), QStringLiteral("block"));
    if (reply.isValid() && reply.value().isValid())
        g_inhibitor = ::dup(reply.value().fileDescriptor());
}

void letGo()
{
    if (g_inhibitor >= 0)
        ::close(g_inhibitor);
    g_inhibitor = -1;
}

}  // namespace

void acquire()
{
    g_wanted = true;
    g_paused = false;
    take();
}

void release()
{
    g_wanted = false;
    g_paused = false;
    letGo();
}

void pause()
{
    if (!g_wanted || g_paused)
        return;
    letGo();
    g_paused = true;
}

void resume()
{
    if (!g_paused)
        return;
    g_paused = false;
    take();
}

bool isHeld() { return g_inhibitor >= 0; }

}  // namespace BacklightHold
