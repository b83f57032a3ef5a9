#include "transfer/BacklightHold.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

#include <unistd.h>

namespace BacklightHold {

namespace {

// The inhibitor lasts as long as this descriptor is open.
int g_inhibitor = -1;
bool g_wanted = false;
bool g_paused = false;
// An Inhibit call is on its way; its answer is kept only if the hold is still wanted then (a
// resume meanwhile asks no second time).
bool g_asking = false;

bool stillWanted() { return g_wanted && !g_paused; }

void take()
{
    if (g_inhibitor >= 0 || g_asking)
        return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call.setArguments({QStringLiteral("idle"), QStringLiteral("Fennick"), QStringLiteral("A file transfer is running"),
                       QStringLiteral("block")});
    // Asked without waiting: a slow or missing logind never holds the window.
    g_asking = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [](QDBusPendingCallWatcher* answered) {
        answered->deleteLater();
        g_asking = false;
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *answered;
        if (!reply.isValid() || !reply.value().isValid())
            return;
        // Let go, or paused, while the answer was on its way: the reply's descriptor closes
        // with it, and logind drops the inhibitor.
        if (stillWanted())
            g_inhibitor = ::dup(reply.value().fileDescriptor());
    });
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

bool isAsking() { return g_asking; }

}  // namespace BacklightHold
