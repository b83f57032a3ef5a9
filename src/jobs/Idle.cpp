#include "jobs/Idle.h"

#include <QList>
#include <QObject>
#include <QPointer>

namespace Idle {

namespace {
struct Probe {
    QPointer<QObject> owner;
    std::function<bool()> isBusy;
};
QList<Probe>& probes()
{
    static QList<Probe> list;
    return list;
}
}  // namespace

void registerProbe(QObject* owner, std::function<bool()> isBusy)
{
    if (owner && isBusy)
        probes().append({owner, std::move(isBusy)});
}

bool isIdle()
{
    QList<Probe>& list = probes();
    list.removeIf([](const Probe& probe) { return probe.owner.isNull(); });
    // A copy: a probe may register another one, which would move the list under our feet.
    const QList<Probe> current = list;
    for (const Probe& probe : current)
        if (probe.owner && probe.isBusy())
            return false;
    return true;
}

}  // namespace Idle
