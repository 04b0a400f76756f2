// The single-instance guard of the program (platform/instance_guard.h: a lock file on POSIX, the
// named kernel event "Ledrimo" on Windows).
#pragma once

#include "platform/instance_guard.h"

namespace app {

using platform::acquireInstanceGuard;
using platform::closeInstanceGuard;
using platform::GuardResult;
using platform::instanceGuardHeld;
using platform::instanceGuardPath;

} // namespace app
