// The user's hands on the Win32 backend: the messages the system would send for the user's input,
// sent to the controls' windows (and their parents' notifications) as they would arrive, keys
// through the same form keys (shortcuts, Tab, Enter, Esc) the message loop applies.
#include "runtime/testing.h"

#include "runtime/datetime.h"
#include "runtime/form_registry.h"
#include "runtime/kernel.h"
#include "runtime/program.h"
#include "runtime/win32/state.h"

#include <commctrl.h>

#include <array>
#include <initializer_list>
#include <optional>

namespace rt::testing {

namespace {

using detail::ControlState;
using detail::FormState;

// Whether the user can reach the control: its form loaded and shown, its window shown and enabled.
HWND reachable(Control& c) {
    if (!c.isLoaded())
        return nullptr;
    HWND h = ControlState::of(c).hwnd;
    if (!h || !IsWindowVisible(h) || !IsWindowEnabled(h))
        return nullptr;
    return h;
}

// A child's notification to its parent, as the control itself would send it.
LRESULT notifyParent(HWND child, NMHDR& hdr, UINT code) {
    hdr.hwndFrom = child;
    hdr.idFrom = UINT_PTR(GetDlgCtrlID(child));
    hdr.code = code;
    return SendMessageW(GetParent(child), WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
}

LPARAM pointParam(POINT p) {
    return MAKELPARAM(p.x, p.y);
}

struct Key {
    UINT vk = 0;
    bool ctrl = false, shift = false, alt = false;
    wchar_t ch = 0; // the character the key types (WM_CHAR), none for 0
};

std::optional<Key> parseKey(const Text& name) {
    std::string rest = name.bytes();
    Key k;
    for (;;) {
        if (rest.rfind("Ctrl+", 0) == 0)
            k.ctrl = true;
        else if (rest.rfind("Shift+", 0) == 0)
            k.shift = true;
        else if (rest.rfind("Alt+", 0) == 0)
            k.alt = true;
        else
            break;
        rest = rest.substr(rest.find('+') + 1);
    }
    static const struct {
        const char* name;
        UINT vk;
        wchar_t ch;
    } named[] = {
        {"Enter", VK_RETURN, L'\r'}, {"KeypadEnter", VK_RETURN, L'\r'}, {"Esc", VK_ESCAPE, 0x1b},
        {"Tab", VK_TAB, L'\t'},      {"Del", VK_DELETE, 0},           {"Backspace", VK_BACK, L'\b'},
        {"Up", VK_UP, 0},            {"Down", VK_DOWN, 0},            {"Home", VK_HOME, 0},
        {"End", VK_END, 0},
    };
    for (const auto& n : named)
        if (rest == n.name) {
            k.vk = n.vk;
            k.ch = n.ch;
            return k;
        }
    if (rest.size() >= 2 && rest.size() <= 3 && rest[0] == 'F') {
        int n = 0;
        for (size_t i = 1; i < rest.size(); ++i) {
            if (rest[i] < '0' || rest[i] > '9')
                return std::nullopt;
            n = n * 10 + (rest[i] - '0');
        }
        if (n < 1 || n > 12)
            return std::nullopt;
        k.vk = UINT(VK_F1 + n - 1);
        return k;
    }
    if (rest.size() == 1) {
        const char c = rest[0];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(c >= '0' && c <= '9'))
            return std::nullopt;
        const char upper = letter && c >= 'a' ? char(c - 'a' + 'A') : c;
        k.vk = UINT(upper);
        // A letter typed with Ctrl or Alt inserts nothing.
        if (!k.ctrl && !k.alt)
            k.ch = letter ? wchar_t(k.shift ? upper : char(upper - 'A' + 'a')) : wchar_t(c);
        return k;
    }
    return std::nullopt;
}

// The modifier keys held while a key goes, as GetKeyState answers (the accelerators and the form's
// Tab ask it); the keyboard's earlier state comes back afterwards.
class HeldModifiers {
public:
    explicit HeldModifiers(const Key& k) {
        saved_ = GetKeyboardState(before_.data()) != 0;
        std::array<BYTE, 256> now = before_;
        auto hold = [&](bool down, std::initializer_list<int> keys) {
            for (int vk : keys)
                now[size_t(vk)] = down ? BYTE(now[size_t(vk)] | 0x80) : BYTE(now[size_t(vk)] & ~0x80);
        };
        hold(k.ctrl, {VK_CONTROL, VK_LCONTROL});
        hold(k.shift, {VK_SHIFT, VK_LSHIFT});
        hold(k.alt, {VK_MENU, VK_LMENU});
        SetKeyboardState(now.data());
    }
    ~HeldModifiers() {
        if (saved_)
            SetKeyboardState(before_.data());
    }
    HeldModifiers(const HeldModifiers&) = delete;
    HeldModifiers& operator=(const HeldModifiers&) = delete;

private:
    std::array<BYTE, 256> before_{};
    bool saved_ = false;
};

// The keyboard belongs to the active window: the target's top-level window becomes the active one.
void activate(HWND to) {
    HWND root = GetAncestor(to, GA_ROOT);
    if (root && GetActiveWindow() != root)
        SetActiveWindow(root);
}

// A press and its release on `to`: the press passes the form's keys first (menu shortcuts, Tab,
// Enter and Esc) as in the message loop; unused, it goes to the window with the character it
// types. The release goes only where the press left the window standing.
void sendKey(HWND to, const Key& k) {
    HeldModifiers held(k);
    const UINT scan = MapVirtualKeyW(k.vk, MAPVK_VK_TO_VSC);
    const LPARAM down = LPARAM(1 | (scan << 16) | (k.alt ? 1u << 29 : 0u));
    const LPARAM up = LPARAM(DWORD(down) | 0xC0000000u);
    MSG msg{};
    msg.hwnd = to;
    msg.message = k.alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    msg.wParam = k.vk;
    msg.lParam = down;
    msg.time = GetTickCount();
    if (!detail::translateFormKeys(msg)) {
        DispatchMessageW(&msg);
        if (k.ch && IsWindow(to))
            SendMessageW(to, k.alt ? WM_SYSCHAR : WM_CHAR, k.ch, down);
    }
    if (!IsWindow(to))
        return;
    msg.message = k.alt ? WM_SYSKEYUP : WM_KEYUP;
    msg.lParam = up;
    if (!detail::translateFormKeys(msg))
        DispatchMessageW(&msg);
}

// A character typed on its own key: letters and digits by theirs, the space bar, the rest as the
// system's keyboard sends a character that no key has (VK_PACKET).
Key keyOf(wchar_t c) {
    Key k;
    k.ch = c;
    if ((c >= L'a' && c <= L'z'))
        k.vk = UINT(c - L'a' + L'A');
    else if ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9'))
        k.vk = UINT(c);
    else if (c == L' ')
        k.vk = VK_SPACE;
    else
        k.vk = VK_PACKET;
    return k;
}

// The list row scrolled into view, its middle point in the list's window.
HWND listRow(ListView& list, int row, POINT& at) {
    HWND h = reachable(list);
    if (!h || row < 0 || row >= list.count())
        return nullptr;
    SendMessageW(h, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
    RECT r{};
    r.left = LVIR_BOUNDS;
    if (!SendMessageW(h, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&r)))
        return nullptr;
    at = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    return h;
}

// What the list view does when a mouse button goes down on a row: the row becomes the selected
// and focused one (LVN_ITEMCHANGED to the parent).
void selectRow(HWND list, int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

// The list view's report of a click (NM_CLICK, NM_DBLCLK, NM_RCLICK) on a row.
void rowNotification(HWND list, int row, POINT at, UINT code) {
    NMITEMACTIVATE act{};
    act.iItem = row;
    act.iSubItem = 0;
    act.ptAction = at;
    notifyParent(list, act.hdr, code);
}

} // namespace

bool click(Control& button) {
    HWND h = reachable(button);
    if (!h || (button.kind() != Kind::SuperButton && button.kind() != Kind::GraphicButton))
        return false;
    if (!IsWindowVisible(GetAncestor(h, GA_ROOT)))
        return false;
    // The button's own report of a click to its parent: BM_CLICK would take the focus with it.
    SendMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), BN_CLICKED), reinterpret_cast<LPARAM>(h));
    return true;
}

bool type(Control& editBox, const Text& text) {
    HWND h = reachable(editBox);
    if (!h || editBox.kind() != Kind::EditBox)
        return false;
    activate(h);
    editBox.setFocus();
    SendMessageW(h, EM_SETSEL, 0, -1);
    if (text.empty()) {
        Key del;
        del.vk = VK_DELETE;
        sendKey(h, del);
        return true;
    }
    std::wstring s = detail::wide(text);
    for (size_t i = 0; i < s.size() && IsWindow(h); ++i) {
        if (s[i] == L'\r' && i + 1 < s.size() && s[i + 1] == L'\n')
            continue; // CR LF is one Enter
        if (s[i] == L'\n' || s[i] == L'\r') {
            Key enter;
            enter.vk = VK_RETURN;
            enter.ch = L'\r';
            sendKey(h, enter);
            continue;
        }
        // A character outside the basic plane comes as its two halves, one after the other.
        sendKey(h, keyOf(s[i]));
    }
    return true;
}

bool pickDate(DateBox& box, double date) {
    HWND h = reachable(box);
    if (!h || box.kind() != Kind::DateBox)
        return false;
    const DateParts p = splitDate(datePart(date));
    NMDATETIMECHANGE change{};
    change.dwFlags = GDT_VALID;
    change.st.wYear = WORD(p.year);
    change.st.wMonth = WORD(p.month);
    change.st.wDay = WORD(p.day);
    change.st.wDayOfWeek = WORD(p.weekday - 1);
    // The calendar shows the day in the box, and the box reports the change to its parent.
    SendMessageW(h, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&change.st));
    notifyParent(h, change.nmhdr, DTN_DATETIMECHANGE);
    return true;
}

bool pressKey(Control& control, const Text& key) {
    const std::optional<Key> k = parseKey(key);
    HWND h = reachable(control);
    if (!k || !h)
        return false;
    activate(h);
    sendKey(h, *k);
    return true;
}

bool pressKey(Form& form, const Text& key) {
    const std::optional<Key> k = parseKey(key);
    HWND window = form.isLoaded() ? FormState::of(form).window : nullptr;
    if (!k || !window || !IsWindowVisible(window) || !IsWindowEnabled(window))
        return false;
    activate(window);
    HWND focus = GetFocus();
    const bool inside = focus && (focus == window || IsChild(window, focus)) && IsWindowVisible(focus);
    sendKey(inside ? focus : window, *k);
    return true;
}

namespace {

// The row selected as a click selects it, then the list view's notifications for the clicks, in
// order (each only while the list is still there: a handler may close its window).
bool clickRowWith(ListView& list, int row, std::initializer_list<UINT> codes) {
    POINT at{};
    HWND h = listRow(list, row, at);
    if (!h)
        return false;
    selectRow(h, row);
    for (UINT code : codes)
        if (IsWindow(h))
            rowNotification(h, row, at, code);
    return true;
}

} // namespace

bool clickRow(ListView& list, int row) {
    return clickRowWith(list, row, {UINT(NM_CLICK)});
}

bool doubleClickRow(ListView& list, int row) {
    // The first click, then the second that the system reports as a double click.
    return clickRowWith(list, row, {UINT(NM_CLICK), UINT(NM_DBLCLK)});
}

bool rightClickRow(ListView& list, int row) {
    return clickRowWith(list, row, {UINT(NM_RCLICK)});
}

bool doubleClickBar(Chart& chart, int index) {
    HWND h = reachable(chart);
    if (!h || index < 0 || index >= chart.barCount())
        return false;
    const Rect r = chart.barRect(index);
    if (r.width <= 0 || r.height <= 0)
        return false;
    const LPARAM at = pointParam(POINT{r.left + r.width / 2, r.top + r.height / 2});
    // A click, then the press the system reports as a double click, and its release.
    static const UINT sequence[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    for (UINT msg : sequence) {
        if (!IsWindow(h))
            break;
        SendMessageW(h, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
    }
    return true;
}

bool clickTray(TrayIcon& tray, TrayClick how) {
    if (!tray.isLoaded())
        return false;
    // The icon's own events, as its window raises them from the notification area's messages.
    switch (how) {
    case TrayClick::Left:
        ControlState::raise(tray, "clicked");
        break;
    case TrayClick::Double:
        ControlState::raise(tray, "doubleClicked");
        break;
    case TrayClick::Right:
        ControlState::raise(tray, "rightButtonReleased");
        break;
    }
    return true;
}

// The system's windows need no object of the program's: the runtime sets up what it uses.
WindowSystem::WindowSystem(int&, char**) : app_(nullptr) {}

WindowSystem::~WindowSystem() = default;

void runEvents(int ms) {
    runUntil([] { return false; }, ms);
}

bool runUntil(const std::function<bool()>& condition, int timeLimitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        processEvents();
        if (condition())
            return true;
        if (GetTickCount() - start >= DWORD(timeLimitMs))
            return false;
        Sleep(1);
    }
}

bool requestClose(Form& form) {
    if (!form.isLoaded())
        return false;
    HWND window = FormState::of(form).window;
    if (!window)
        return false;
    SendMessageW(window, WM_CLOSE, 0, 0);
    return !form.isLoaded() || FormState::closing(form);
}

Form* activeForm() {
    HWND active = GetActiveWindow();
    for (Form* f : detail::loadedForms())
        if (active && FormState::of(*f).window == active)
            return f;
    return nullptr;
}

} // namespace rt::testing
