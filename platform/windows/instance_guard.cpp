// The single-instance guard on Windows: the named kernel event "Ledrimo".
#include "platform/instance_guard.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace platform {

namespace {

constexpr char kEventName[] = "Ledrimo";
HANDLE guardEvent = nullptr;

} // namespace

std::string instanceGuardPath() {
    return kEventName;
}

GuardResult acquireInstanceGuard() {
    // An event of that name, whoever made it, means a running instance.
    if (HANDLE other = OpenEventA(EVENT_ALL_ACCESS, FALSE, kEventName)) {
        CloseHandle(other);
        return GuardResult::HeldElsewhere;
    }
    HANDLE made = CreateEventA(nullptr, FALSE, FALSE, kEventName);
    if (!made)
        return GuardResult::Unavailable;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // Made by another instance between the two calls.
        CloseHandle(made);
        return GuardResult::HeldElsewhere;
    }
    guardEvent = made;
    return GuardResult::Acquired;
}

void closeInstanceGuard() {
    if (!guardEvent)
        return;
    CloseHandle(guardEvent);
    guardEvent = nullptr;
}

bool instanceGuardHeld() {
    return guardEvent != nullptr;
}

} // namespace platform
