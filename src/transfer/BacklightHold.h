#pragma once

// Keeps the display lit and the machine awake while a transfer runs: an "idle" inhibitor taken
// from logind over the system bus. Where there is no system bus or no logind, every call does
// nothing. User-interface thread only.
namespace BacklightHold {

void acquire();
void release();
// While another program is in front the hold is let go, and taken again when we are back.
void pause();
void resume();
// True while an inhibitor is held.
bool isHeld();

}  // namespace BacklightHold
