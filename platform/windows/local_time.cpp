#include "platform/local_time.h"

namespace platform {

std::tm localTime(std::time_t t) {
    std::tm tm{};
    // The thread-safe form of localtime in the Windows C runtime.
    if (localtime_s(&tm, &t) != 0)
        tm = std::tm{};
    return tm;
}

} // namespace platform
