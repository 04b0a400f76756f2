// The frame of the process: runtime set-up, program-wide values, the exit clean-up, the event loop,
// ending the program and the runtime error box.
#pragma once

#include "runtime/text.h"

#include <functional>
#include <optional>

namespace rt {

// Sets up the runtime on the QApplication that main() made: Chinese fonts (宋体, 楷体_GB2312 ... map
// to the Noto CJK SC families), the Chinese texts of Qt's standard buttons, the program directory
// as current directory, and the form descriptions. Handlers are registered after this.
void initRuntime();

// The program's run: registers the exit clean-up, loads `firstForm` modeless without owner (its
// created event runs before the load returns), runs the event loop while a window exists, runs
// the clean-up and returns 0. A first form that cannot be created ends the program through the
// runtime error box with "载入启动窗口失败" (exit code -1).
int runProgram(const Text& firstForm);

// Runs the event loop until the last loaded form is gone; returns at once when none is loaded.
int runEventLoop();
bool eventLoopRunning();

// Exit clean-up: functions run, last registered first, when the program ends normally. The
// program-wide values are released by it.
void addExitCleanup(std::function<void()> fn);
void runExitCleanup();

// The pictures the program carries (runtime/picture.h) made ready: the program icon for the windows
// that show it, and JPEG bytes given to picture boxes decoded with libjpeg.
void useCarriedPictures();

// Work for the thread that runs the windows, from any thread: fn runs there from the event loop,
// after what is queued before it; nothing happens when the program has no event loop (any more).
void postToMainThread(std::function<void()> fn);
// Runs fn once from the event loop after `ms` milliseconds (0: once the events waiting now are
// handled), on the thread that runs the windows.
void singleShot(int ms, std::function<void()> fn);
// Runs fn when the window system is taken down at the very end (after the exit clean-up), on the
// main thread; for threads that must be joined before the process ends.
void addFinalRoutine(std::function<void()> fn);

// ---- program-wide values ----

namespace detail {
class ProgramValueBase {
public:
    ProgramValueBase();
    virtual ~ProgramValueBase();
    ProgramValueBase(const ProgramValueBase&) = delete;
    ProgramValueBase& operator=(const ProgramValueBase&) = delete;
    virtual void release() = 0;
};
} // namespace detail

// A value owned by the program: set() releases the value it replaces, and the exit clean-up
// releases what is still held. Declare them as static or global objects.
template <class T> class ProgramValue : public detail::ProgramValueBase {
public:
    void set(T v) { value_ = std::move(v); }
    const T& get() const {
        if (value_)
            return *value_;
        static const T empty{};
        return empty;
    }
    bool isSet() const { return value_.has_value(); }
    void release() override { value_.reset(); }

private:
    std::optional<T> value_;
};

// Releases every program-wide value that is still held.
void releaseProgramValues();

// ---- ending ----

// Ends the process at once with the exit code; no clean-up runs. Tests may set a hook, which must
// not return (throw ProgramEnded); if it does return, the process ends anyway.
[[noreturn]] void endProgram(int code);
using EndProgramHook = std::function<void(int code)>;
EndProgramHook setEndProgramHook(EndProgramHook hook);
struct ProgramEnded {
    int code;
};

// The fatal error box: "运行时出错!", then "错误代码：" n when there is a number, then "错误信息：" and
// the message, caption "错误", error icon; then the program ends with exit code -1.
[[noreturn]] void runtimeError(const Text& message, std::optional<int> code = std::nullopt);

inline const char* const kFormNotLoaded = "指定窗口或窗口组件不存在或尚未载入";
inline const char* const kFirstFormFailed = "载入启动窗口失败";

} // namespace rt
