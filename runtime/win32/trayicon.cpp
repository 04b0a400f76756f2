// 托盘图标: an icon in the notification area (Shell_NotifyIconW) with its tooltip, the program's
// icon until told otherwise. Its messages come to a hidden window of its own: a click, a double
// click and a right button released raise the control's events; when Explorer starts again the
// icon is put back.
#include "runtime/loader.h"
#include "runtime/program.h"
#include "runtime/win32/picture.h"
#include "runtime/win32/state.h"

#include <shellapi.h>

#include <memory>

namespace rt {

namespace {

constexpr UINT kCallback = WM_APP + 1;

struct TrayData {
    HWND window = nullptr;
    NOTIFYICONDATAW icon{};
    rt::Picture picture; // keeps the icon handle alive
    bool added = false;
    std::wstring tooltip;
    ~TrayData() {
        if (added)
            Shell_NotifyIconW(NIM_DELETE, &icon);
        if (window)
            DestroyWindow(window);
    }
};

UINT taskbarCreated() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

void show(TrayData& d) {
    if (!d.icon.hIcon)
        return;
    // A modification of an icon the shell no longer has fails: it is added again.
    if (d.added && Shell_NotifyIconW(NIM_MODIFY, &d.icon))
        return;
    d.added = Shell_NotifyIconW(NIM_ADD, &d.icon);
}

LRESULT CALLBACK trayProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* control = reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (control && msg == kCallback) {
        switch (LOWORD(lp)) {
        case WM_LBUTTONUP:
            detail::ControlState::raise(*control, "clicked");
            return 0;
        case WM_LBUTTONDBLCLK:
            detail::ControlState::raise(*control, "doubleClicked");
            return 0;
        case WM_RBUTTONUP:
            detail::ControlState::raise(*control, "rightButtonReleased");
            return 0;
        default:
            return 0;
        }
    }
    if (control && msg == taskbarCreated()) {
        auto* d = static_cast<TrayData*>(detail::ControlState::of(*control).kindData.get());
        d->added = false;
        show(*d);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

const wchar_t kTrayClass[] = L"LedrimoTray";

TrayData& dataOf(detail::ControlState& st) {
    return *static_cast<TrayData*>(st.kindData.get());
}

} // namespace

void TrayIcon::build() {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = trayProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kTrayClass;
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    taskbarCreated();
    auto data = std::make_shared<TrayData>();
    // A top-level window that is never shown (a message-only window would not hear Explorer start).
    data->window = CreateWindowExW(0, kTrayClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr),
                                   nullptr);
    SetWindowLongPtrW(data->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<Control*>(this)));
    NOTIFYICONDATAW& n = data->icon;
    n.cbSize = sizeof n;
    n.hWnd = data->window;
    n.uID = 1;
    n.uFlags = NIF_MESSAGE | NIF_TIP | NIF_ICON;
    n.uCallbackMessage = kCallback;
    data->tooltip = detail::wideOfUtf8(props().tooltip.value_or(std::string()));
    wcsncpy(n.szTip, data->tooltip.c_str(), std::size(n.szTip) - 1);
    st_->kindData = data;
    if (!programIcon().isNull())
        setIcon(programIcon());
}

void TrayIcon::unbuild() {
    st_->kindData.reset(); // takes the icon away and its window with it
}

void TrayIcon::setIcon(const Picture& picture) {
    ensureLoaded();
    if (!st_->kindData)
        return;
    TrayData& d = dataOf(*st_);
    d.picture = picture;
    d.icon.hIcon = picture.isNull() ? nullptr : win32::icon(picture, GetSystemMetrics(SM_CXSMICON));
    if (d.icon.hIcon)
        show(d);
    else if (d.added)
        d.added = !Shell_NotifyIconW(NIM_DELETE, &d.icon);
}

Text TrayIcon::tooltip() {
    ensureLoaded();
    return st_->kindData ? detail::textOf(dataOf(*st_).tooltip) : Text();
}

void TrayIcon::setTooltip(const Text& t) {
    ensureLoaded();
    if (!st_->kindData)
        return;
    TrayData& d = dataOf(*st_);
    d.tooltip = detail::wide(t);
    wmemset(d.icon.szTip, 0, std::size(d.icon.szTip));
    wcsncpy(d.icon.szTip, d.tooltip.c_str(), std::size(d.icon.szTip) - 1);
    if (d.added)
        Shell_NotifyIconW(NIM_MODIFY, &d.icon);
}

bool TrayIcon::isShown() {
    ensureLoaded();
    return st_->kindData && dataOf(*st_).added;
}

} // namespace rt
