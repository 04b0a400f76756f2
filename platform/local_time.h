// The local time: the wall clock as the user's system shows it.
#pragma once

#include <ctime>

namespace platform {

// The local calendar time of `t` (seconds since 1970 UTC), as std::tm (tm_year from 1900,
// tm_mon from 0). Fields are zero when the system cannot convert it.
std::tm localTime(std::time_t t);

} // namespace platform
