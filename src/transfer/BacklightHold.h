#pragma once

// Keeps the display lit and the machine awake while a transfer runs: an "idle" inhibitor taken
// from logind over the system bus, asked for without waiting. Where there is no system bus or no
// logind, every call does nothing. User-interface thread only.
namespace BacklightHold {

void acquire();
void release();
// While another program is in front the hold is let go, and taken again when we are back.
void pause();
void resume();
// True while an inhibitor is held.
bool isHeld();
// True while logind has not answered yet (a script waits for it before it looks).
bool isAsking();

}  // namespace BacklightHold
