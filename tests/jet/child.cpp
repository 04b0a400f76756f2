#include "child.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace testutil {

void waitToBeKilled() {
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}

bool Child::readReport(void* out, size_t size) {
    auto* p = static_cast<char*>(out);
    while (size > 0) {
        const auto n = ::read(reportFd_, p, static_cast<unsigned>(size));
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

#ifdef _WIN32

namespace {

std::wstring wideOf(const std::string& s) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

std::string utf8Of(const wchar_t* w) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n > 0 ? n - 1 : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    return s;
}

std::string variable(const wchar_t* name) {
    wchar_t buf[32768];
    const DWORD n = ::GetEnvironmentVariableW(name, buf, 32768);
    return n > 0 && n < 32768 ? utf8Of(buf) : std::string();
}

} // namespace

void childRole(const char* role, ChildBody body) {
    if (variable(L"LEDRIMO_TEST_CHILD") != role)
        return;
    const HANDLE pipe = reinterpret_cast<HANDLE>(uintptr_t(std::strtoull(variable(L"LEDRIMO_TEST_CHILD_PIPE").c_str(), nullptr, 10)));
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(pipe), _O_WRONLY | _O_BINARY);
    body(variable(L"LEDRIMO_TEST_CHILD_ARG"), fd);
    ::ExitProcess(0);
}

Child::Child(const char* role, ChildBody, const std::string& arg) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        throw std::runtime_error("CreatePipe failed");
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    wchar_t self[MAX_PATH * 4];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::wstring line = L"\"" + std::wstring(self) + L"\" --gtest_filter=" +
                        wideOf(std::string(test->test_suite_name()) + "." + test->name());
    // The child inherits these with the pipe; they are gone from this process again at once.
    ::SetEnvironmentVariableW(L"LEDRIMO_TEST_CHILD", wideOf(role).c_str());
    ::SetEnvironmentVariableW(L"LEDRIMO_TEST_CHILD_ARG", wideOf(arg).c_str());
    ::SetEnvironmentVariableW(L"LEDRIMO_TEST_CHILD_PIPE",
                              std::to_wstring(reinterpret_cast<uintptr_t>(writeEnd)).c_str());
    // The child's own test report would only confuse the parent's: it goes nowhere.
    HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    const BOOL started =
        ::CreateProcessW(self, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    ::SetEnvironmentVariableW(L"LEDRIMO_TEST_CHILD", nullptr);
    ::SetEnvironmentVariableW(L"LEDRIMO_TEST_CHILD_ARG", nullptr);
    ::SetEnvironmentVariableW(L"LEDRIMO_TEST_CHILD_PIPE", nullptr);
    ::CloseHandle(writeEnd);
    ::CloseHandle(nul);
    if (!started) {
        ::CloseHandle(readEnd);
        throw std::runtime_error("CreateProcessW failed");
    }
    ::CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    reportFd_ = ::_open_osfhandle(reinterpret_cast<intptr_t>(readEnd), _O_RDONLY | _O_BINARY);
}

bool Child::kill() {
    if (!process_)
        return false;
    const bool running = ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
    ::TerminateProcess(process_, 137);
    ::WaitForSingleObject(process_, INFINITE);
    ::CloseHandle(process_);
    process_ = nullptr;
    return running;
}

Child::~Child() {
    kill();
    if (reportFd_ >= 0)
        ::_close(reportFd_);
}

#else

void childRole(const char*, ChildBody) {}

Child::Child(const char*, ChildBody body, const std::string& arg) {
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::close(fds[0]);
        body(arg, fds[1]);
        ::_exit(0);
    }
    ::close(fds[1]);
    reportFd_ = fds[0];
}

bool Child::kill() {
    if (pid_ <= 0)
        return false;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFSIGNALED(status);
}

Child::~Child() {
    kill();
    if (reportFd_ >= 0)
        ::close(reportFd_);
}

#endif

} // namespace testutil
