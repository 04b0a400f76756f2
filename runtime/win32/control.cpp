// Controls on Win32: the properties every kind shares, on the control's own window.
#include "runtime/display.h"
#include "runtime/form.h"
#include "runtime/loader.h"
#include "runtime/win32/state.h"

#include <algorithm>

namespace rt {

Control::Control(Form& form, const detail::ControlDesc& desc)
    : form_(form), desc_(desc), name_(Text::fromUtf8(desc.name)), kind_(desc.kind),
      st_(std::make_unique<detail::ControlState>()) {}
Control::~Control() = default;

namespace {

// The rectangle of a child window in its parent's client area.
RECT placeOf(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

void Control::applyCommon() {
    HWND h = st_->hwnd;
    MoveWindow(h, desc_.left, desc_.top, desc_.width, desc_.height, FALSE);
    detail::setFontOf(*this, props().font ? detail::fontOf(*props().font) : Font{"宋体", 12});
    // Overlapping siblings paint in their order (later ones above).
    LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE) | WS_CLIPSIBLINGS;
    if (desc_.tabStop)
        style |= WS_TABSTOP;
    SetWindowLongPtrW(h, GWL_STYLE, style);
    EnableWindow(h, !desc_.disabled);
    ShowWindow(h, desc_.visible ? SW_SHOWNA : SW_HIDE);
}

Text Control::readText() {
    return st_->hwnd ? detail::windowText(st_->hwnd) : Text();
}

void Control::writeText(const Text& t) {
    if (!st_->hwnd)
        return;
    SetWindowTextW(st_->hwnd, detail::wide(t).c_str());
    detail::redrawUnder(st_->hwnd);
}

bool Control::visible() {
    ensureLoaded();
    return st_->hwnd ? (GetWindowLongPtrW(st_->hwnd, GWL_STYLE) & WS_VISIBLE) != 0 : visibleNoWidget_;
}

void Control::setVisible(bool v) {
    ensureLoaded();
    if (st_->hwnd)
        ShowWindow(st_->hwnd, v ? SW_SHOWNA : SW_HIDE);
    else
        visibleNoWidget_ = v;
}

bool Control::disabled() {
    ensureLoaded();
    return st_->hwnd ? !IsWindowEnabled(st_->hwnd) : disabledNoWidget_;
}

void Control::setDisabled(bool d) {
    ensureLoaded();
    if (st_->hwnd)
        EnableWindow(st_->hwnd, !d);
    else
        disabledNoWidget_ = d;
}

int Control::left() {
    ensureLoaded();
    return st_->hwnd ? int(placeOf(st_->hwnd).left) : desc_.left;
}

int Control::top() {
    ensureLoaded();
    return st_->hwnd ? int(placeOf(st_->hwnd).top) : desc_.top;
}

int Control::width() {
    ensureLoaded();
    if (!st_->hwnd)
        return desc_.width;
    const RECT r = placeOf(st_->hwnd);
    return int(r.right - r.left);
}

int Control::height() {
    ensureLoaded();
    if (!st_->hwnd)
        return desc_.height;
    const RECT r = placeOf(st_->hwnd);
    return int(r.bottom - r.top);
}

void Control::move(int l, int t, int w, int h) {
    ensureLoaded();
    if (!st_->hwnd)
        return;
    const RECT g = placeOf(st_->hwnd);
    const Rect now{int(g.left), int(g.top), int(g.right - g.left), int(g.bottom - g.top)};
    const Rect r = detail::movedRect(now, l, t, w, h);
    if (r == now)
        return;
    MoveWindow(st_->hwnd, r.left, r.top, r.width, r.height, TRUE);
    // Where it was and where it is now.
    RECT both;
    const RECT to = placeOf(st_->hwnd);
    UnionRect(&both, &g, &to);
    detail::redrawUnder(st_->hwnd, &both);
}

int Control::clientWidth() {
    ensureLoaded();
    RECT r{};
    if (st_->hwnd)
        GetClientRect(st_->hwnd, &r);
    return int(r.right);
}

int Control::clientHeight() {
    ensureLoaded();
    RECT r{};
    if (st_->hwnd)
        GetClientRect(st_->hwnd, &r);
    return int(r.bottom);
}

void Control::setFocus() {
    ensureLoaded();
    if (st_->hwnd)
        SetFocus(st_->hwnd);
}

bool Control::hasFocus() {
    ensureLoaded();
    HWND focus = GetFocus();
    return st_->hwnd && focus && (focus == st_->hwnd || IsChild(st_->hwnd, focus));
}

long long Control::handle() {
    ensureLoaded();
    return static_cast<long long>(reinterpret_cast<intptr_t>(st_->hwnd));
}

Font Control::font() {
    ensureLoaded();
    return st_->hwnd ? st_->fontValue : Font{};
}

void Control::setFont(const Font& f) {
    ensureLoaded();
    if (st_->hwnd)
        detail::setFontOf(*this, f);
}

void Control::fitCaption() {
    ensureLoaded();
    if (!st_->hwnd)
        return;
    const std::wstring text = detail::wide(caption());
    Font f = st_->fontValue;
    HDC dc = GetDC(st_->hwnd);
    for (; f.size > 6; --f.size) {
        detail::OwnedFont trial = detail::makeFont(f);
        HGDIOBJ old = SelectObject(dc, trial.get());
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
        SelectObject(dc, old);
        if (extent.cx <= width() && extent.cy <= height())
            break;
    }
    ReleaseDC(st_->hwnd, dc);
    detail::setFontOf(*this, f);
}

void setTextColor(Control& control, const Color& color) {
    detail::ControlState& st = detail::ControlState::of(control);
    if (!st.hwnd)
        return;
    st.textColor = detail::colorRef(color);
    InvalidateRect(st.hwnd, nullptr, TRUE);
    detail::redrawUnder(st.hwnd);
}

} // namespace rt
