// The program's life: running the first form, clean-ups, program values, the runtime error.
#include "runtime/program.h"
#include "runtime/backend.h"
#include "runtime/form.h"
#include "runtime/kernel.h"
#include "runtime/msgbox.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace rt {

namespace {

std::vector<std::function<void()>>& cleanups() {
    static std::vector<std::function<void()>> c;
    return c;
}

std::vector<detail::ProgramValueBase*>& programValues() {
    static std::vector<detail::ProgramValueBase*> v;
    return v;
}

EndProgramHook& endHook() {
    static EndProgramHook h;
    return h;
}

} // namespace

namespace detail {

bool& loopRunning() {
    static bool running = false;
    return running;
}

} // namespace detail

int runProgram(const Text& firstForm) {
    addExitCleanup(releaseProgramValues);
    if (!loadForm(firstForm))
        runtimeError(kFirstFormFailed);
    int code = runEventLoop();
    runExitCleanup();
    return code;
}

bool eventLoopRunning() {
    return detail::loopRunning();
}

void addExitCleanup(std::function<void()> fn) {
    cleanups().push_back(std::move(fn));
}

void runExitCleanup() {
    auto fns = std::move(cleanups());
    cleanups().clear();
    for (auto it = fns.rbegin(); it != fns.rend(); ++it)
        (*it)();
}

detail::ProgramValueBase::ProgramValueBase() {
    programValues().push_back(this);
}

detail::ProgramValueBase::~ProgramValueBase() {
    auto& v = programValues();
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

void releaseProgramValues() {
    for (detail::ProgramValueBase* v : programValues())
        v->release();
}

EndProgramHook setEndProgramHook(EndProgramHook hook) {
    EndProgramHook previous = std::move(endHook());
    endHook() = std::move(hook);
    return previous;
}

void endProgram(int code) {
    if (endHook())
        endHook()(code);
    std::fflush(nullptr);
    std::_Exit(code);
}

void runtimeError(const Text& message, std::optional<int> code) {
    Text text("运行时出错!\r\n\r\n");
    if (code)
        text += Text("错误代码：") + toText(*code) + "\r\n\r\n";
    if (!message.empty())
        text += Text("错误信息：") + message + "\r\n";
    messageBox(text, MbIconError, "错误");
    endProgram(-1);
}

} // namespace rt
