#pragma once

#include <functional>

class QObject;

// What `wait idle` waits for: every part of the program that can be busy (a timer that will
// fire, a worker, a queued command) registers a probe that says whether it is.
namespace Idle {

// The probe goes away with its owner.
void registerProbe(QObject* owner, std::function<bool()> isBusy);
bool isIdle();

}  // namespace Idle
