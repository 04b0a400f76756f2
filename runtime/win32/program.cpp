// The program frame on Win32: the message loop while a form exists, the hidden message window
// that runs posted functions and one-shot timers, start-up, events and the screen.
#include "runtime/backend.h"
#include "runtime/display.h"
#include "runtime/form.h"
#include "runtime/form_registry.h"
#include "runtime/kernel.h"
#include "runtime/program.h"
#include "runtime/win32/state.h"

#include <commctrl.h>

#include <cstdlib>
#include <map>
#include <mutex>

namespace rt {

namespace {

constexpr UINT kRunPosted = WM_APP + 1;

std::map<UINT_PTR, std::function<void()>>& shots() {
    static std::map<UINT_PTR, std::function<void()>> s;
    return s;
}

LRESULT CALLBACK messageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kRunPosted) {
        std::unique_ptr<std::function<void()>> fn(reinterpret_cast<std::function<void()>*>(lp));
        if (fn && *fn)
            (*fn)();
        return 0;
    }
    if (msg == WM_TIMER) {
        KillTimer(hwnd, wp);
        auto it = shots().find(wp);
        if (it != shots().end()) {
            std::function<void()> fn = std::move(it->second);
            shots().erase(it);
            if (fn)
                fn();
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Made on the main thread by initRuntime (or the first use there); posting to it works from any
// thread.
HWND& messageWindow() {
    static HWND hwnd = nullptr;
    return hwnd;
}

HWND makeMessageWindow() {
    if (messageWindow())
        return messageWindow();
    WNDCLASSW wc{};
    wc.lpfnWndProc = messageProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LedrimoMessages";
    RegisterClassW(&wc);
    messageWindow() = CreateWindowExW(0, L"LedrimoMessages", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    return messageWindow();
}

std::vector<std::function<void()>>& finalRoutines() {
    static std::vector<std::function<void()>> routines;
    return routines;
}

void runFinalRoutines() {
    auto fns = std::move(finalRoutines());
    finalRoutines().clear();
    for (auto it = fns.rbegin(); it != fns.rend(); ++it)
        (*it)();
}

Rect& availableForTests() {
    static Rect area;
    return area;
}

} // namespace

namespace detail {

bool offscreenPlatform() {
    return false;
}

// One message of the loop: the form's keys first (detail::translateFormKeys), then as usual.
void dispatchMessage(MSG& msg) {
    if (translateFormKeys(msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

} // namespace detail

void initRuntime() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES |
                                             ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    makeMessageWindow();
    SetCurrentDirectoryW(detail::wide(programDirectory()).c_str());
    formNames(); // reads the form descriptions
}

int runEventLoop() {
    if (loadedFormCount() == 0)
        return 0;
    detail::loopRunning() = true;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        detail::dispatchMessage(msg);
    detail::loopRunning() = false;
    return 0;
}

void postToMainThread(std::function<void()> fn) {
    // Made by initRuntime on the main thread (a program that has not run it posts nowhere).
    HWND hwnd = messageWindow();
    if (!hwnd)
        return;
    auto* heap = new std::function<void()>(std::move(fn));
    if (!PostMessageW(hwnd, kRunPosted, 0, reinterpret_cast<LPARAM>(heap)))
        delete heap;
}

void singleShot(int ms, std::function<void()> fn) {
    HWND hwnd = makeMessageWindow();
    static UINT_PTR next = 1;
    const UINT_PTR id = next++;
    shots()[id] = std::move(fn);
    SetTimer(hwnd, id, UINT(std::max(ms, 0)), nullptr);
}

void addFinalRoutine(std::function<void()> fn) {
    if (finalRoutines().empty())
        std::atexit(runFinalRoutines);
    finalRoutines().push_back(std::move(fn));
}

void useCarriedPictures() {
    setProgramIcon(Picture::carried(runtime::pictures::kProgramIcon));
}

void processEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam)); // for the loop that waits for it
            return;
        }
        detail::dispatchMessage(msg);
    }
}

void delay(int ms) {
    if (ms <= 0)
        return;
    const DWORD start = GetTickCount();
    int passes = 0;
    do {
        processEvents();
        ++passes;
        if (GetTickCount() - start < DWORD(ms))
            Sleep(1);
    } while (GetTickCount() - start < DWORD(ms) || passes < 2);
}

int screenWidth() {
    return GetSystemMetrics(SM_CXSCREEN);
}

int screenHeight() {
    return GetSystemMetrics(SM_CYSCREEN);
}

Rect availableArea(int x, int y) {
    HMONITOR monitor = MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoW(monitor, &info))
        return {};
    Rect work{int(info.rcWork.left), int(info.rcWork.top), int(info.rcWork.right - info.rcWork.left),
              int(info.rcWork.bottom - info.rcWork.top)};
    const Rect& panels = availableForTests();
    if (panels.isEmpty())
        return work;
    const int left = std::max(work.left, panels.left), top = std::max(work.top, panels.top);
    const int right = std::min(work.left + work.width, panels.left + panels.width);
    const int bottom = std::min(work.top + work.height, panels.top + panels.height);
    return right > left && bottom > top ? Rect{left, top, right - left, bottom - top} : Rect{};
}

void setAvailableAreaForTests(const Rect& area) {
    availableForTests() = area;
}

} // namespace rt
