#include "app/Idle.h"

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
    probes().append({owner, std::move(isBusy)});
}

bool isIdle()
{
    QList<Probe>& list = probes();
    list.removeIf([](const Probe& probe) { return probe.owner.isNull(); });
    for (const Probe& probe : list)
        if (probe.isBusy())
            return false;
    return true;
}

}  // namespace Idle
