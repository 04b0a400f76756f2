// 超级按钮 and 图形按钮: owner-drawn buttons. A 超级按钮 shows its skin picture for the state it is in
// (normal, pointer over, disabled) with its caption centred over it (one pixel down and right
// while pressed) and a focus frame; without pictures it is a plain push button. A 图形按钮 is a
// picture only (normal, pointer over, pressed, disabled), a close mark until it has one.
#include "runtime/loader.h"
#include "runtime/win32/picture.h"
#include "runtime/win32/state.h"

#include <commctrl.h>

#include <array>
#include <memory>

namespace rt {

namespace {

struct ButtonData {
    std::array<rt::Picture, 4> pictures; // by the kind's Picture values
    bool hover = false;
};

ButtonData& dataOf(detail::ControlState& st) {
    if (!st.kindData)
        st.kindData = std::make_shared<ButtonData>();
    return *static_cast<ButtonData*>(st.kindData.get());
}

// The pointer over the button: noted, and the button redrawn when it comes and goes.
LRESULT CALLBACK hoverProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* data = reinterpret_cast<ButtonData*>(ref);
    if (msg == WM_MOUSEMOVE && !data->hover) {
        data->hover = true;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        InvalidateRect(hwnd, nullptr, FALSE);
    } else if (msg == WM_MOUSELEAVE) {
        data->hover = false;
        InvalidateRect(hwnd, nullptr, FALSE);
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, hoverProc, 1);
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

HWND makeButton(detail::ControlState& st, const std::string& caption) {
    HWND h = CreateWindowExW(0, L"BUTTON", detail::wideOfUtf8(caption).c_str(), WS_CHILD | BS_OWNERDRAW, 0, 0, 0, 0,
                             st.parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowSubclass(h, hoverProc, 1, reinterpret_cast<DWORD_PTR>(&dataOf(st)));
    return h;
}

} // namespace

void SuperButton::build() {
    HWND h = makeButton(*st_, props().caption);
    st_->hwnd = h;
    detail::attach(h, *this);
    if (auto c = props().textColor)
        st_->textColor = detail::colorRef(*c);
    st_->onParentMessage = [this](UINT msg, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
            raise("clicked");
            return 0;
        }
        if (msg != WM_DRAWITEM)
            return std::nullopt;
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        const ButtonData& data = dataOf(*st_);
        const bool disabled = item->itemState & ODS_DISABLED, pressed = item->itemState & ODS_SELECTED;
        HDC dc = item->hDC;
        RECT r = item->rcItem;
        const rt::Picture* face = &data.pictures[Normal];
        if (disabled && !data.pictures[Disabled].isNull())
            face = &data.pictures[Disabled];
        else if (!disabled && data.hover && !data.pictures[Hover].isNull())
            face = &data.pictures[Hover];
        if (face->isNull())
            DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
        else
            win32::drawPicture(dc, *face, r);
        if (pressed)
            OffsetRect(&r, 1, 1);
        const std::wstring caption = detail::wide(detail::windowText(item->hwndItem));
        HGDIOBJ oldFont = st_->font ? SelectObject(dc, st_->font.get()) : nullptr;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : st_->textColor.value_or(GetSysColor(COLOR_BTNTEXT)));
        DrawTextW(dc, caption.c_str(), int(caption.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        if (oldFont)
            SelectObject(dc, oldFont);
        if (item->itemState & ODS_FOCUS) {
            RECT focus = item->rcItem;
            InflateRect(&focus, -3, -3);
            DrawFocusRect(dc, &focus);
        }
        return TRUE;
    };
}

void SuperButton::setPicture(Picture which, const rt::Picture& picture) {
    ensureLoaded();
    if (!st_->hwnd || which < Normal || which > Disabled)
        return;
    dataOf(*st_).pictures[size_t(which)] = picture;
    InvalidateRect(st_->hwnd, nullptr, FALSE);
}

rt::Picture SuperButton::picture(Picture which) {
    ensureLoaded();
    if (!st_->hwnd || which < Normal || which > Disabled)
        return {};
    return dataOf(*st_).pictures[size_t(which)];
}

void GraphicButton::build() {
    HWND h = makeButton(*st_, "");
    st_->hwnd = h;
    detail::attach(h, *this);
    st_->onParentMessage = [this](UINT msg, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
            raise("clicked");
            return 0;
        }
        if (msg != WM_DRAWITEM)
            return std::nullopt;
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        const ButtonData& data = dataOf(*st_);
        const bool disabled = item->itemState & ODS_DISABLED, pressed = item->itemState & ODS_SELECTED;
        const rt::Picture* face = &data.pictures[Normal];
        if (disabled && !data.pictures[Disabled].isNull())
            face = &data.pictures[Disabled];
        else if (pressed && !data.pictures[Pressed].isNull())
            face = &data.pictures[Pressed];
        else if (data.hover && !data.pictures[Hover].isNull())
            face = &data.pictures[Hover];
        HDC dc = item->hDC;
        RECT r = item->rcItem;
        if (!face->isNull()) {
            win32::drawPicture(dc, *face, r);
            return TRUE;
        }
        // No picture yet: a plain close mark, so the button can still be found.
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        HPEN pen = CreatePen(PS_SOLID, 1, disabled ? RGB(160, 160, 160) : RGB(60, 60, 60));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, r.left + 4, r.top + 4, nullptr);
        LineTo(dc, r.right - 4, r.bottom - 4);
        MoveToEx(dc, r.right - 5, r.top + 4, nullptr);
        LineTo(dc, r.left + 3, r.bottom - 4);
        SelectObject(dc, old);
        DeleteObject(pen);
        return TRUE;
    };
}

void GraphicButton::setPicture(Picture which, const rt::Picture& picture) {
    ensureLoaded();
    if (!st_->hwnd || which < Normal || which > Disabled)
        return;
    dataOf(*st_).pictures[size_t(which)] = picture;
    InvalidateRect(st_->hwnd, nullptr, FALSE);
}

rt::Picture GraphicButton::picture(Picture which) {
    ensureLoaded();
    if (!st_->hwnd || which < Normal || which > Disabled)
        return {};
    return dataOf(*st_).pictures[size_t(which)];
}

} // namespace rt
