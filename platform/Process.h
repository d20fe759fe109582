#pragma once
// What the program asks of the system for itself while receivers are
// connected: a higher priority, so polls keep their pace on a busy PC, and on
// Windows no sleep for lack of input. (Linux asks logind over D-Bus for the
// latter, in the window.)

namespace zr {

// Raises this process's priority where permitted; false when refused.
bool RaiseProcessPriority();

// Windows: keeps the system from sleeping while on (the calling thread's
// execution state, so call it from the user-interface thread). Elsewhere
// nothing, and false.
bool KeepSystemAwake(bool on);

} // namespace zr
