// The menus of a form with a 超级菜单, as the user meets them: opened from the menu bar with Alt and
// the caption's marked letter, drawn in the described colours and font, the entry under the
// keyboard lit, and their texts (caption, tab, shortcut) kept in the menus for Windows' own use.
#include "runtime/runtime.h"
#include "runtime/testing.h"
#include "tests/win32/screen.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using rt::Text;

const char kForm[] = R"({
  "form": "菜单", "caption": "菜单", "left": 30, "top": 30, "width": 360, "height": 240,
  "border": "fixed", "minimizeButton": false, "icon": false, "position": 0, "events": {},
  "controls": [
    {"name": "超级菜单1", "kind": "超级菜单", "parent": "", "visible": true, "disabled": false, "tabStop": false, "tabOrder": 0, "tag": "", "font": {"family": "宋体", "size": 12, "bold": false}, "textColor": [200, 0, 0], "backColor": [255, 255, 200], "highlightColor": [0, 0, 160], "highlightTextColor": [255, 255, 255], "events": {}}
  ],
  "menu": [
    {"level": 0, "name": "菜单", "caption": "&F.菜单", "shortcut": "（无）", "hidden": false, "disabled": false, "checked": false, "handler": ""},
    {"level": 1, "name": "打开数据库", "caption": "打开数据库", "shortcut": "F5", "hidden": false, "disabled": false, "checked": false, "handler": ""},
    {"level": 1, "name": "关闭", "caption": "关闭", "shortcut": "Ctrl+F4", "hidden": false, "disabled": false, "checked": false, "handler": ""},
    {"level": 0, "name": "记录", "caption": "&R.记录", "shortcut": "（无）", "hidden": false, "disabled": false, "checked": false, "handler": ""},
    {"level": 1, "name": "上一条", "caption": "上一条", "shortcut": "（无）", "hidden": false, "disabled": true, "checked": false, "handler": ""},
    {"level": 1, "name": "-1", "caption": "-", "shortcut": "（无）", "hidden": false, "disabled": false, "checked": false, "handler": ""},
    {"level": 1, "name": "查询", "caption": "查询", "shortcut": "Ctrl+F", "hidden": false, "disabled": false, "checked": true, "handler": ""}
  ]
})";

using screen::clientPixels;
using screen::windowOf;

size_t count(const std::vector<COLORREF>& pixels, COLORREF c) {
    size_t n = 0;
    for (COLORREF p : pixels)
        n += p == c;
    return n;
}

const COLORREF kBack = RGB(255, 255, 200), kText = RGB(200, 0, 0), kHighlight = RGB(0, 0, 160);

// What the test sees of an open pop-up menu.
struct OpenMenu {
    HMENU menu = nullptr;
    std::vector<COLORREF> opened, lit; // as opened; after the Down key
    std::atomic<bool> photographed{false};
};

// The menu's pixels once `drawn` holds of them (or as they are after two seconds).
template <class Drawn> std::vector<COLORREF> photograph(HWND popup, Drawn drawn) {
    std::vector<COLORREF> p;
    for (int i = 0; i < 40; ++i, Sleep(50))
        if (drawn(p = clientPixels(popup)))
            break;
    return p;
}

// Waits on another thread for the pop-up menu to open, photographs it, presses Down, photographs
// it again, and presses Esc until the menus are closed and the test goes on (`back`).
std::thread watchMenu(HWND frame, OpenMenu& seen, std::atomic<bool>& back) {
    return std::thread([frame, &seen, &back] {
        for (int i = 0; i < 200 && !back; ++i, Sleep(25)) {
            HWND popup = FindWindowW(L"#32768", nullptr);
            if (!popup || !IsWindowVisible(popup))
                continue;
            seen.menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
            seen.opened = photograph(popup, [](const std::vector<COLORREF>& p) {
                return count(p, kBack) > p.size() / 2 && count(p, kHighlight) > 200;
            });
            PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
            const size_t red = count(seen.opened, kText);
            seen.lit = photograph(popup, [red](const std::vector<COLORREF>& p) { return count(p, kText) < red / 4; });
            seen.photographed = true;
            break;
        }
        for (int i = 0; i < 100 && !back; ++i, Sleep(100))
            PostMessageW(frame, WM_KEYDOWN, VK_ESCAPE, 0);
    });
}

std::wstring entryString(HMENU menu, int position) {
    wchar_t buffer[128] = {};
    GetMenuStringW(menu, UINT(position), buffer, 128, MF_BYPOSITION);
    return buffer;
}

TEST(Menus, OpenWithAltAndTheMarkedLetterDrawnInTheDescribedColours) {
    ASSERT_EQ(rt::addFormDescription(rt::Bytes(kForm)).bytes(), "");
    ASSERT_TRUE(rt::loadForm(Text::fromUtf8("菜单")));
    rt::Form& f = rt::form(Text::fromUtf8("菜单"));
    HWND frame = windowOf(f);
    SetWindowPos(frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(frame);
    rt::testing::runEvents(300);

    // The texts stay with the owner-drawn entries.
    HMENU bar = GetMenu(frame);
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(entryString(bar, 1), L"&R.记录");
    HMENU records = GetSubMenu(bar, 1);
    ASSERT_EQ(GetMenuItemCount(records), 3);
    EXPECT_EQ(entryString(records, 0), L"上一条");
    EXPECT_EQ(entryString(records, 2), L"查询\tCtrl+F");
    for (HMENU m : {bar, records})
        for (int i = 0; i < GetMenuItemCount(m); ++i) {
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE;
            GetMenuItemInfoW(m, UINT(i), TRUE, &info);
            EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << i;
        }
    // The bar's titles are measured in the menus' font: wide enough for their captions.
    RECT title{};
    ASSERT_TRUE(GetMenuItemRect(frame, bar, 1, &title));
    EXPECT_GT(title.right - title.left, 40);

    // Alt+R as the keyboard gives it: the menu "&R.记录" opens.
    OpenMenu seen;
    std::atomic<bool> returned{false};
    std::thread watcher = watchMenu(frame, seen, returned);
    PostMessageW(frame, WM_SYSKEYDOWN, VK_MENU, 1 << 29);
    PostMessageW(frame, WM_SYSCHAR, 'r', 1 << 29);
    rt::testing::runUntil([&] { return seen.photographed.load(); }, 8000);
    returned = true;
    watcher.join();
    ASSERT_EQ(seen.menu, records) << "Alt+R opens the menu whose caption marks R";

    // Drawn in the described colours: the background, the red caption and shortcut of "查询";
    // opened from the keyboard, the first entry is lit, the disabled "上一条" in grey on the
    // highlight. Down lights "查询" instead, its texts in the highlight's text colour.
    ASSERT_FALSE(seen.opened.empty());
    EXPECT_GT(count(seen.opened, kBack), seen.opened.size() / 2);
    EXPECT_GT(count(seen.opened, kText), 20u);
    EXPECT_GT(count(seen.opened, GetSysColor(COLOR_GRAYTEXT)), 10u);
    EXPECT_GT(count(seen.opened, kHighlight), 200u);
    EXPECT_GT(count(seen.lit, kHighlight), 200u);
    EXPECT_GT(count(seen.lit, RGB(255, 255, 255)), 20u);
    EXPECT_LT(count(seen.lit, kText), count(seen.opened, kText) / 4);

    f.destroy();
    rt::testing::runUntil([] { return !rt::isLoaded(Text::fromUtf8("菜单")); }, 5000);
}

} // namespace
