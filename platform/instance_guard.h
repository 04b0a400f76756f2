// The single-instance guard: a per-user named lock that marks a running instance of the program.
//
// On Windows it is the named kernel event "Ledrimo": an instance that finds it (OpenEventA) is
// not the first; the first makes it (CreateEventA, auto-reset, not signalled) and holds its
// handle, which the system closes when the process ends in any way.
//
// On POSIX the lock is an exclusive flock() on a file in the user's runtime directory
// ($XDG_RUNTIME_DIR/Ledrimo.lock, or /tmp/Ledrimo-<uid>.lock without one). Taking it is one
// atomic step, so of two instances started at the same instant exactly one passes. The system
// releases it when the process ends in any way (a crash or a kill included), so a new instance can
// start as soon as the old one has gone; closing the guard releases it earlier.
#pragma once

#include <string>

namespace platform {

enum class GuardResult {
    Acquired,      // this process now holds the guard
    HeldElsewhere, // another instance holds it
    Unavailable,   // no lock could be made (no usable directory or file): start-up goes on without
};

// Takes the guard. Taking it while this process already holds it answers HeldElsewhere, as a
// second instance would get.
GuardResult acquireInstanceGuard();
// Releases the guard (nothing happens when it is not held).
void closeInstanceGuard();
bool instanceGuardHeld();
// The lock file's path for this user, as acquireInstanceGuard() would use it now (on Windows the
// event's name).
std::string instanceGuardPath();

} // namespace platform
