// What the Win32 backend keeps for each form, control and menu item while it is loaded (internal
// to the runtime; built only for Windows). Texts cross every Windows API as UTF-16 (the W
// functions): wide() and textOf() convert from and to rt::Text, which is GBK inside.
//
// How a control kind is written (one file per kind, runtime/win32/<kind>.cpp; label.cpp is the
// example):
//
// - build() makes the control's window as a child (WS_CHILD) of ControlState::parent, which the
//   form has set before: the form's client area (below the menu bar) or, for a control inside a
//   picture box, the picture box's own window. It stores the window in ControlState::hwnd and
//   calls attach(hwnd, *this). The form then places it (desc's left/top/width/height), shows or
//   hides and enables it, and sets the described font (applyCommon); a kind with nothing to show
//   (timer, connection, record set, menu style) leaves hwnd null.
// - Notifications a child window sends to its parent (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM,
//   WM_MEASUREITEM, WM_CTLCOLOR*) come back to the control that owns the child: the parent's
//   window procedure (the client area's, a picture box's) calls forwardToControl(), which finds
//   the control by the child's window and calls its ControlState::onParentMessage. The kind sets
//   that function in build(); an empty answer lets the parent's default handling go on. A button
//   raises its event from there:
//
//       st_->onParentMessage = [this](UINT msg, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
//           if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED)
//               raise("clicked");
//           return std::nullopt;
//       };
//
//   A kind that needs the control's own messages (mouse on a list, keys in an edit box) subclasses
//   its window with SetWindowSubclass (comctl32) and keeps what it needs in ControlState.
// - GDI objects the control makes (its font, a background brush) go into the owning members
//   below; they are released when the form unloads, after unbuild().
// - Timers: a kind's timer is a WM_TIMER of the form's window with timerId (see Timer), raised
//   through the control.
#pragma once

#include "runtime/form.h"
#include "runtime/loader.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace rt::detail {

// ---- texts at the Windows API ----

inline std::wstring wide(const Text& t) {
    const std::u16string s = t.toUtf16();
    return std::wstring(s.begin(), s.end());
}
inline std::wstring wideOfUtf8(std::string_view utf8) {
    return wide(Text::fromUtf8(utf8));
}
inline Text textOf(std::wstring_view w) {
    return Text::fromBytes(gbkOfUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(w.data()), w.size())));
}
// The whole text of a window (an edit box's content, a static's caption).
inline Text windowText(HWND hwnd) {
    std::wstring w(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    w.resize(static_cast<size_t>(GetWindowTextW(hwnd, w.data(), static_cast<int>(w.size()))));
    return textOf(w);
}

// ---- colours and fonts ----

inline COLORREF colorRef(const Color& c) {
    return RGB(c.red, c.green, c.blue);
}

struct GdiDeleter {
    void operator()(HGDIOBJ h) const {
        if (h)
            DeleteObject(h);
    }
};
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiDeleter>;
using OwnedBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiDeleter>;
using OwnedBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiDeleter>;

// A font of the described family with the described size in pixels (the character height, as
// the forms were laid out), in the GB2312 character set so that Chinese text finds its glyphs.
inline OwnedFont makeFont(const Font& f) {
    return OwnedFont(CreateFontW(-f.size, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, f.italic, f.underline,
                                 FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                 wideOfUtf8(f.family).c_str()));
}
inline Font fontOf(const FontDesc& d) {
    return Font{d.family, d.size, d.bold, d.italic, d.underline};
}

// ---- the states ----

struct FormState {
    HWND window = nullptr;  // the frame (border, caption, menu bar)
    HWND client = nullptr;  // the client area below the menu bar: the controls' parent
    HMENU menuBar = nullptr;
    HACCEL accelerators = nullptr; // the menu items' shortcuts (and those kept in the window)
    Picture background;            // tiled over the client area
    Picture icon;                  // the frame's, kept while the frame shows its icons
    bool modalLoop = false;        // a modal form's nested message loop runs while set
    std::vector<Form*> disabledByModal; // the windows this modal form disabled, enabled again when it goes
    HWND lastFocus = nullptr;      // the control that had the keyboard when the window was last deactivated
    std::vector<MenuItem*> keptShortcuts; // items whose shortcut works while off the menu bar
    // The menus' look from the form's 超级菜单 (menu.cpp): owner-drawn in its font and colours, the
    // system's colours where it names none. Without a 超级菜单 (no font) the system draws them.
    OwnedFont menuFont;
    COLORREF menuText = 0, menuBack = 0, menuBarBack = 0, menuHighlight = 0, menuHighlightText = 0;
    OwnedBrush menuBackBrush;

    static FormState& of(const Form& f) { return *f.st_; }
    // Whether the form has agreed to close and is on its way out (unloading, or fading first).
    static bool closing(const Form& f) { return f.unloading_ || f.destroyPending_; }
    // The window procedures of the frame and of the client area (form.cpp), and the form's keys.
    static LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK clientProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static bool translateKeys(Form& f, MSG& msg);
    static void chooseCommand(Form& f, UINT command);
    // The owner-drawn menus' messages to the frame (measure, draw, a mnemonic key); none for others.
    static std::optional<LRESULT> menuMessage(Form& f, UINT msg, WPARAM wp, LPARAM lp);
};

struct ControlState {
    HWND parent = nullptr; // where build() makes the control's window
    HWND hwnd = nullptr;   // the control's window; null for kinds that show nothing
    OwnedFont font;
    Font fontValue; // what font answers
    OwnedBrush backBrush;
    std::optional<COLORREF> textColor, backColor;
    UINT_PTR timerId = 0;
    // Messages about hwnd that its parent receives (see above).
    std::function<std::optional<LRESULT>(UINT msg, WPARAM, LPARAM)> onParentMessage;
    // Whatever else a kind keeps while loaded (its own struct); dropped when the form unloads.
    std::shared_ptr<void> kindData;

    static ControlState& of(const Control& c) { return *c.st_; }
    static const ControlDesc& descOf(const Control& c) { return c.desc_; }
    static std::optional<bool> raise(Control& c, const Text& event, int row = -1) { return c.raise(event, row); }
};

struct MenuItemState {
    HMENU menu = nullptr;  // level 0: its pop-up menu; level 1: the pop-up menu it is in
    UINT command = 0;      // the WM_COMMAND id that chooses it (and its accelerator's)

    static MenuItemState& of(const MenuItem& m) { return *m.st_; }
    static const Text& captionOf(const MenuItem& m) { return m.caption_; }
    static const MenuItemDesc& descOf(const MenuItem& m) { return m.desc_; }
};

// A transparent child (a 透明标签) draws onto its parent's picture, so what it drew before stays
// there until the parent paints that place again: after a change of its text, font, colour or
// place, the parent repaints `area` (in its client coordinates; the child's rectangle when
// absent), and then the children over it, the changed one among them. A child not on the screen
// (hidden, or its window hidden) has left nothing there; it is painted whole when it shows.
inline void redrawUnder(HWND child, const RECT* area = nullptr) {
    if (!child || !(GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_TRANSPARENT) || !IsWindowVisible(child))
        return;
    HWND parent = GetParent(child);
    RECT r;
    if (area) {
        r = *area;
    } else {
        GetWindowRect(child, &r);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    RedrawWindow(parent, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The control's font: made, given to its window (WM_SETFONT) and kept.
inline void setFontOf(Control& c, const Font& f) {
    ControlState& st = ControlState::of(c);
    st.font = makeFont(f);
    st.fontValue = f;
    if (st.hwnd) {
        SendMessageW(st.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(st.font.get()), TRUE);
        redrawUnder(st.hwnd);
    }
}

// ---- the program's message loop ----

// A form's keys before the window gets them: its menu items' shortcuts, Tab along the tab chain,
// Enter and Esc clicking the form's enter and escape buttons. True when the message was used.
bool translateFormKeys(MSG& msg);
// translateFormKeys, then the usual translation and dispatch (every loop of the program).
void dispatchMessage(MSG& msg);

// ---- from a child window to its control ----

// The control each child window belongs to, from attach() until its form unloads (detach()). Kept
// here, not as a window property: a parent asks for it at each notification of a child (every
// cell a list view shows, every label it colours), and under Wine each GetProp is a round trip to
// its server.
inline std::unordered_map<HWND, Control*>& controlWindows() {
    static std::unordered_map<HWND, Control*> windows;
    return windows;
}
inline void attach(HWND hwnd, Control& control) {
    controlWindows()[hwnd] = &control;
}
inline void detach(HWND hwnd) {
    controlWindows().erase(hwnd);
}
inline Control* controlOf(HWND hwnd) {
    const auto it = controlWindows().find(hwnd);
    return it == controlWindows().end() ? nullptr : it->second;
}

// For the window procedure of a controls' parent: hands a child's notification to its control.
inline std::optional<LRESULT> forwardToControl(UINT msg, WPARAM wp, LPARAM lp) {
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lp);
        break;
    case WM_NOTIFY:
        child = reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
        break;
    case WM_DRAWITEM:
        child = reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->hwndItem;
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        child = reinterpret_cast<HWND>(lp);
        break;
    default:
        return std::nullopt;
    }
    Control* c = controlOf(child);
    if (!c)
        return std::nullopt;
    // A copy runs: the handler it raises may unload the form, which drops the control's function.
    auto handle = ControlState::of(*c).onParentMessage;
    return handle ? handle(msg, wp, lp) : std::nullopt;
}

} // namespace rt::detail
