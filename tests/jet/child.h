// A part of a test run in a process of its own, which the test kills when it likes, as a crash
// or a power cut would stop it. On POSIX the child is a fork of the test process; on Windows it
// is the test program started again for the same test (--gtest_filter), where CHILD_ROLE at the
// top of the test turns into a call of the role's body. So a body gets everything it needs
// through its text argument, never through captured variables.
#pragma once

#include <string>

namespace testutil {

// What a child runs: `arg` as the parent gave it, and a descriptor to report to the parent (the
// write end of a pipe, for ::write). The child ends (exit code 0) when the body returns.
using ChildBody = void (*)(const std::string& arg, int reportFd);

// In a child started for `role` (Windows), runs `body` and ends the process; elsewhere nothing.
// Call it first thing in a test that starts children for `role`.
void childRole(const char* role, ChildBody body);

class Child {
public:
    // Starts `body` with `arg` in a child process. Throws std::runtime_error when it cannot.
    Child(const char* role, ChildBody body, const std::string& arg);
    ~Child(); // kills the child if it still runs
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The read end of the child's report pipe (end of file once the child is gone).
    int reportFd() const { return reportFd_; }
    // Reads exactly `size` bytes of the child's report; false at its end.
    bool readReport(void* out, size_t size);
    // Kills the child at once and waits for it: true when it was still running until then.
    bool kill();

private:
    int reportFd_ = -1;
#ifdef _WIN32
    void* process_ = nullptr;
#else
    int pid_ = -1;
#endif
};

// Sleeps until the process is killed.
[[noreturn]] void waitToBeKilled();

} // namespace testutil
