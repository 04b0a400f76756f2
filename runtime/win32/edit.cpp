// 编辑框: the system's EDIT control. One line or several (with the described scroll bars), a
// password box showing its mask character, a number-only box (digits and a minus sign; on leaving
// it shows the whole number it holds, nothing for 0), a maximum length, the described border,
// alignment, colours and font.
#include "runtime/loader.h"
#include "runtime/win32/state.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

namespace rt {

namespace {

struct EditData {
    bool integer = false;
    int maxLength = 0; // 0: no limit
};

EditData& dataOf(detail::ControlState& st) {
    if (!st.kindData)
        st.kindData = std::make_shared<EditData>();
    return *static_cast<EditData*>(st.kindData.get());
}

// What a number-only box shows after the user leaves it: the whole number in it, nothing for 0.
std::wstring integerEntryText(const Text& typed) {
    double v = std::trunc(toNumber(typed));
    if (std::isnan(v))
        v = 0;
    v = std::clamp(v, double(INT_MIN), double(INT_MAX));
    const int n = int(v);
    return n == 0 ? std::wstring() : std::to_wstring(n);
}

// The number-only box's own messages: only digits, a minus sign and editing keys go in.
LRESULT CALLBACK integerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_CHAR && wp >= 0x20 && !(wp >= L'0' && wp <= L'9') && wp != L'-')
        return 0;
    if (msg == WM_KILLFOCUS) {
        const std::wstring shown = integerEntryText(detail::windowText(hwnd));
        if (detail::wide(detail::windowText(hwnd)) != shown)
            SetWindowTextW(hwnd, shown.c_str());
    }
    if (msg == WM_NCDESTROY)
        RemoveWindowSubclass(hwnd, integerProc, 1);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// Line ends as a multi-line EDIT keeps them (CR LF).
std::wstring withWindowsLineEnds(const std::wstring& s) {
    std::wstring out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == L'\n' && (i == 0 || s[i - 1] != L'\r'))
            out += L'\r';
        out += s[i];
    }
    return out;
}

} // namespace

void EditBox::build() {
    const detail::KindProps& p = props();
    DWORD style = WS_CHILD;
    DWORD exStyle = 0;
    if (p.border == "single")
        style |= WS_BORDER;
    else if (p.border != "none")
        exStyle |= WS_EX_CLIENTEDGE; // sunken, as an edit box is unless told
    if (p.align == "center")
        style |= ES_CENTER;
    else if (p.align == "right")
        style |= ES_RIGHT;
    const bool multi = isMultiLine();
    EditData& data = dataOf(*st_);
    if (multi) {
        const bool horizontal = p.scrollBars == "horizontal" || p.scrollBars == "both";
        const bool vertical = p.scrollBars == "vertical" || p.scrollBars == "both";
        style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
        if (horizontal)
            style |= WS_HSCROLL | ES_AUTOHSCROLL; // long lines scroll; without the bar they wrap
        if (vertical)
            style |= WS_VSCROLL;
    } else {
        style |= ES_AUTOHSCROLL;
        if (p.inputMode == "password")
            style |= ES_PASSWORD;
        data.integer = p.inputMode == "integer";
    }
    const std::wstring text = multi ? withWindowsLineEnds(detail::wideOfUtf8(p.text)) : detail::wideOfUtf8(p.text);
    HWND h = CreateWindowExW(exStyle, L"EDIT", text.c_str(), style, 0, 0, 0, 0, st_->parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    st_->hwnd = h;
    detail::attach(h, *this);
    if (!multi && p.inputMode == "password") {
        const std::wstring mask = detail::wideOfUtf8(p.mask);
        SendMessageW(h, EM_SETPASSWORDCHAR, WPARAM(mask.empty() ? L'*' : mask[0]), 0);
    }
    if (data.integer)
        SetWindowSubclass(h, integerProc, 1, 0);
    if (!multi && p.maxLength > 0) {
        data.maxLength = p.maxLength;
        SendMessageW(h, EM_SETLIMITTEXT, WPARAM(p.maxLength), 0);
    }
    if (p.textColor)
        st_->textColor = detail::colorRef(*p.textColor);
    if (p.backColor) {
        st_->backColor = detail::colorRef(*p.backColor);
        st_->backBrush.reset(CreateSolidBrush(*st_->backColor));
    }
    // The described colours: an enabled box asks with WM_CTLCOLOREDIT, a disabled or read-only
    // one with WM_CTLCOLORSTATIC (and keeps the system's grey then).
    st_->onParentMessage = [this](UINT msg, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (msg != WM_CTLCOLOREDIT)
            return std::nullopt;
        HDC dc = reinterpret_cast<HDC>(wp);
        if (st_->textColor)
            SetTextColor(dc, *st_->textColor);
        if (!st_->backBrush)
            return std::nullopt;
        SetBkColor(dc, *st_->backColor);
        return reinterpret_cast<LRESULT>(st_->backBrush.get());
    };
}

Text EditBox::readText() {
    return st_->hwnd ? detail::windowText(st_->hwnd) : Text();
}

void EditBox::writeText(const Text& t) {
    if (!st_->hwnd)
        return;
    const std::wstring w = isMultiLine() ? withWindowsLineEnds(detail::wide(t)) : detail::wide(t);
    SetWindowTextW(st_->hwnd, w.c_str());
    // A box filled by the program shows the start of its text, not the end.
    if (!isMultiLine())
        SendMessageW(st_->hwnd, EM_SETSEL, 0, 0);
}

int EditBox::maxLength() {
    ensureLoaded();
    return st_->hwnd && !isMultiLine() ? dataOf(*st_).maxLength : 0;
}

void EditBox::setMaxLength(int n) {
    ensureLoaded();
    if (!st_->hwnd || isMultiLine())
        return;
    dataOf(*st_).maxLength = std::max(0, n);
    // 0 lifts the limit to the control's largest.
    SendMessageW(st_->hwnd, EM_SETLIMITTEXT, WPARAM(std::max(0, n)), 0);
}

} // namespace rt
