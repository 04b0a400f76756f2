// Numbers in the "C" form (a decimal point) for one thread, whatever the process's locale.
#pragma once

#include <string>

namespace platform {

// The "C" number form for this thread while it lives: a library that prints numbers with the C
// library's printf (the xlsx writer: cells, dates, column widths) would otherwise write the
// decimal comma of a locale like de_DE that a program takes from the environment, and
// spreadsheet programs would read 1,5 as 1. Where no per-thread locale can be had nothing
// changes.
class CNumbersInThisThread {
public:
    CNumbersInThisThread();
    ~CNumbersInThisThread();
    CNumbersInThisThread(const CNumbersInThisThread&) = delete;
    CNumbersInThisThread& operator=(const CNumbersInThisThread&) = delete;

private:
    void* c_ = nullptr;      // POSIX: the locale object in use
    void* before_ = nullptr; // POSIX: the thread's locale before
    int mode_ = 0;           // Windows: the thread's locale mode before
    std::string numeric_;    // Windows: the thread's LC_NUMERIC before
};

} // namespace platform
