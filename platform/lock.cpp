#include "platform/lock.h"

#include <chrono>
#include <thread>

namespace platform {

LockOutcome lockWithin(FileHandle file, FileLock lock, LockMode mode, int waitMs) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(waitMs);
    for (;;) {
        const LockOutcome got = tryLock(file, lock, mode);
        if (got.result != LockOutcome::Busy || steady_clock::now() >= deadline)
            return got;
        std::this_thread::sleep_for(milliseconds(5));
    }
}

} // namespace platform
