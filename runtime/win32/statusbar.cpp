// 状态条: the common controls' status bar along the bottom of its parent, with the described
// panes (a width of 0 or less: the rest of the bar).
#include "runtime/loader.h"
#include "runtime/win32/state.h"

#include <commctrl.h>

#include <vector>

namespace rt {

namespace {

struct StatusData {
    std::vector<Text> texts;
};

StatusData& dataOf(detail::ControlState& st) {
    if (!st.kindData)
        st.kindData = std::make_shared<StatusData>();
    return *static_cast<StatusData*>(st.kindData.get());
}

} // namespace

void StatusBar::build() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    HWND h = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | CCS_BOTTOM, 0, 0, 0, 0, st_->parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    st_->hwnd = h;
    detail::attach(h, *this);
    StatusData& data = dataOf(*st_);
    std::vector<int> edges;
    int right = 0;
    for (const detail::PaneDesc& pane : props().panes) {
        right = pane.width > 0 ? right + pane.width : -1;
        edges.push_back(right);
        data.texts.push_back(Text::fromUtf8(pane.text));
        if (right < 0)
            break;
    }
    if (!edges.empty())
        SendMessageW(h, SB_SETPARTS, WPARAM(edges.size()), reinterpret_cast<LPARAM>(edges.data()));
    for (size_t i = 0; i < data.texts.size(); ++i)
        SendMessageW(h, SB_SETTEXTW, WPARAM(i), reinterpret_cast<LPARAM>(detail::wide(data.texts[i]).c_str()));
}

int StatusBar::paneCount() {
    ensureLoaded();
    return st_->hwnd ? int(dataOf(*st_).texts.size()) : 0;
}

void StatusBar::setPaneText(int pane, const Text& t) {
    ensureLoaded();
    if (!st_->hwnd || pane < 0 || pane >= paneCount())
        return;
    dataOf(*st_).texts[size_t(pane)] = t;
    SendMessageW(st_->hwnd, SB_SETTEXTW, WPARAM(pane), reinterpret_cast<LPARAM>(detail::wide(t).c_str()));
}

Text StatusBar::paneText(int pane) {
    ensureLoaded();
    if (!st_->hwnd || pane < 0 || pane >= paneCount())
        return {};
    return dataOf(*st_).texts[size_t(pane)];
}

} // namespace rt
