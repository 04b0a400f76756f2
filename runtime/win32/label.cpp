// 透明标签: a static control that draws its caption over whatever lies behind it (the form's
// background picture, a picture box), in the described colour, alignment and wrapping.
#include "runtime/win32/state.h"

namespace rt {

void Label::build() {
    const detail::KindProps& p = props();
    DWORD style = WS_CHILD | SS_NOPREFIX | SS_NOTIFY;
    if (p.align == "center")
        style |= SS_CENTER;
    else if (p.align == "right")
        style |= SS_RIGHT;
    else
        style |= p.wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
    // A static centres a single line vertically; a wrapping caption starts at the top.
    if (!p.wordWrap && p.valign != "top" && p.valign != "bottom")
        style |= SS_CENTERIMAGE;
    HWND h = CreateWindowExW(WS_EX_TRANSPARENT, L"STATIC", detail::wideOfUtf8(p.caption).c_str(), style,
                             0, 0, 0, 0, st_->parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    st_->hwnd = h;
    detail::attach(h, *this);
    if (p.textColor)
        st_->textColor = detail::colorRef(*p.textColor);
    // No background of its own: the text goes onto the parent's picture.
    st_->onParentMessage = [this](UINT msg, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (msg != WM_CTLCOLORSTATIC)
            return std::nullopt;
        HDC dc = reinterpret_cast<HDC>(wp);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, st_->textColor.value_or(GetSysColor(COLOR_WINDOWTEXT)));
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    };
}

} // namespace rt
