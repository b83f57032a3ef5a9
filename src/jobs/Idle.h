#pragma once

#include <functional>

class QObject;

// What `wait idle` waits for: every part of the program that can be busy (a timer that will
// fire, a worker, a queued command) registers a probe that says whether it is. Used on the
// user-interface thread only; a probe may read state that workers set, through atomics.
namespace Idle {

// The probe goes away with its owner. It is called until the owner's QObject part is
// destroyed, so it should read only what lives as long as that (normally the owner's members).
void registerProbe(QObject* owner, std::function<bool()> isBusy);
// True when no probe says it is busy.
bool isIdle();

}  // namespace Idle
