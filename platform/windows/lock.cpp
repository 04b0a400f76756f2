#include "platform/lock.h"

#include "platform/file.h"
#include "platform/windows/wide.h"


#include <windows.h>

namespace platform {

namespace {

// The one byte of `lock`, as LockFileEx takes an offset.
OVERLAPPED rangeOf(FileLock lock) {
    const uint64_t at = kLockRegion + (lock == FileLock::Writer ? 0 : 1);
    OVERLAPPED o{};
    o.Offset = DWORD(at & 0xffffffffu);
    o.OffsetHigh = DWORD(at >> 32);
    return o;
}

} // namespace

LockOutcome tryLock(FileHandle file, FileLock lock, LockMode mode) {
    const HANDLE h = static_cast<HANDLE>(systemHandle(file));
    if (h == INVALID_HANDLE_VALUE || h == nullptr)
        return {LockOutcome::Failed, int(ERROR_INVALID_HANDLE)};
    // Windows stacks a handle's locks on one range instead of changing their mode: drop the one
    // this handle may hold first (nothing happens when it holds none).
    unlock(file, lock);
    OVERLAPPED o = rangeOf(lock);
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (mode == LockMode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (::LockFileEx(h, flags, 0, 1, 0, &o))
        return {LockOutcome::Taken, 0};
    const DWORD error = ::GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_SHARING_VIOLATION || error == ERROR_IO_PENDING)
        return {LockOutcome::Busy, int(error)};
    return {LockOutcome::Failed, int(error)};
}

void unlock(FileHandle file, FileLock lock) {
    const HANDLE h = static_cast<HANDLE>(systemHandle(file));
    if (h == INVALID_HANDLE_VALUE || h == nullptr)
        return;
    OVERLAPPED o = rangeOf(lock);
    (void)::UnlockFileEx(h, 0, 1, 0, &o);
}

std::string lockErrorText(int error) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, DWORD(error), 0, reinterpret_cast<wchar_t*>(&text), 0,
                                     nullptr);
    std::wstring message = n && text ? std::wstring(text, n) : std::wstring();
    if (text)
        ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    if (message.empty())
        return "系统错误 " + std::to_string(error);
    return win::utf8(message);
}

} // namespace platform
