// What the platform files and the temporary-file watch share: the removal
// of one watched file at an interruption, and the interruption itself,
// held off while an InterruptionHold lives. Not for use outside the core's
// platform layer.
#pragma once

namespace ruz::platform::detail {

// Removes one watched file; safe in a signal handler.
void removeForInterruption(const char* path);

// An interrupting signal: noted, and, unless an InterruptionHold lives, the
// watched files go and the process ends by the signal's default action.
// The last hold going takes a signal noted meanwhile.
void interrupt(int sig);

// True while an InterruptionHold lives.
bool interruptionHeld();

// Removes every watched file (walks the list without taking a lock).
void removeWatched();

}  // namespace ruz::platform::detail
