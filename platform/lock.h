// Locks on an open database file, the only operating-system calls the locking needs. Plain C++,
// below the engine; one implementation per system (posix/, windows/), the waiting loop shared (lock.cpp).
//
// Every lock is a one-byte range far beyond the last byte a Jet 4 file can have (2^24 pages of
// 4096 bytes end at byte 2^36), so that on a system where byte-range locks are mandatory for I/O
// (Windows: LockFileEx) no lock ever stands in the way of reading or writing a page. Each lock is
// taken shared or exclusive, and only ever tried once without waiting (LockFileEx with
// LOCKFILE_FAIL_IMMEDIATELY); waiting is a loop of tries (lockWithin).
//
// A lock belongs to the open file it was taken through (the handle, not the process): closing
// another handle of the same file, in the same process or not, leaves it in place, and another
// handle of the same file conflicts with it even in the same process. Closing the handle releases
// its locks.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A descriptor from platform::openFile (on Windows the lock goes to its system handle).
using FileHandle = int;

// The first byte past any page of a Jet 4 file; the locks lie from here on.
inline constexpr uint64_t kLockRegion = uint64_t(1) << 36;

enum class FileLock : uint8_t {
    // Whoever writes the file holds it exclusively while writing (byte kLockRegion). On Linux it
    // is a flock() of the whole file, as the programs installed before took it.
    Writer,
    // A program that keeps the file open to show it holds it shared for as long as it does; whoever
    // replaces the file whole (restore, compact) must take it exclusively first, and is refused
    // while the program has it (byte kLockRegion + 1).
    InUse,
};

enum class LockMode : uint8_t { Shared, Exclusive };

struct LockOutcome {
    enum Result : uint8_t {
        Taken,  // held until unlock() or until the handle is closed
        Busy,   // another handle holds a lock that conflicts
        Failed, // the system refused: `error` is its code (errno, GetLastError)
    };
    Result result = Failed;
    int error = 0;
    bool taken() const { return result == Taken; }
};

// Tries once to take `lock` on `file` in `mode`, without waiting. An exclusive lock needs a handle
// opened for writing, a shared one a handle opened for reading. Taking a lock the handle holds
// already changes its mode (on Windows: release it first).
LockOutcome tryLock(FileHandle file, FileLock lock, LockMode mode);
// As tryLock, trying again every few milliseconds while the result is Busy, until `waitMs`
// milliseconds have passed; Busy when the time ran out. waitMs <= 0 is one try.
LockOutcome lockWithin(FileHandle file, FileLock lock, LockMode mode, int waitMs);
// Releases `lock` taken through `file`; nothing when the handle holds none.
void unlock(FileHandle file, FileLock lock);
// The system's text for an error code of LockOutcome::error (Chinese where the system has it).
std::string lockErrorText(int error);

} // namespace platform
