// Menus on Win32: the menu bar and pop-up menus made from the descriptions (rebuilt from the
// items' state after each change), the shortcuts as the form's accelerator table, pop-up menus
// at the mouse.
#include "runtime/form.h"
#include "runtime/loader.h"
#include "runtime/win32/state.h"

#include <algorithm>
#include <cstdlib>

namespace rt {

namespace {

constexpr UINT kFirstCommand = 1000;

// The accelerator of a shortcut choice ("Ctrl+A", "F5", "Ctrl+Shift+F1", "Ins", "Del").
bool accelOf(const std::string& shortcut, ACCEL& a) {
    a.fVirt = FVIRTKEY;
    std::string rest = shortcut;
    auto take = [&rest](const char* prefix, BYTE flag, BYTE& into) {
        const std::string p(prefix);
        if (rest.rfind(p, 0) == 0) {
            rest = rest.substr(p.size());
            into |= flag;
        }
    };
    take("Ctrl+", FCONTROL, a.fVirt);
    take("Shift+", FSHIFT, a.fVirt);
    if (rest == "Ins")
        a.key = VK_INSERT;
    else if (rest == "Del")
        a.key = VK_DELETE;
    else if (rest.size() == 1 && rest[0] >= 'A' && rest[0] <= 'Z')
        a.key = WORD(rest[0]);
    else if (rest.size() >= 2 && rest[0] == 'F' && std::atoi(rest.c_str() + 1) >= 1 && std::atoi(rest.c_str() + 1) <= 12)
        a.key = WORD(VK_F1 + std::atoi(rest.c_str() + 1) - 1);
    else
        return false;
    return true;
}

std::wstring entryText(const MenuItem& m, const Text& caption, const std::string& shortcut) {
    std::wstring t = detail::wide(caption);
    if (m.level() == 1 && !shortcut.empty())
        t += L"\t" + detail::wideOfUtf8(shortcut);
    return t;
}

// ---- owner-drawn menus ----

// Room around the texts: an entry of a pop-up menu has a column for the check mark at its left (as
// wide as the entry is high), a gap between caption and shortcut and a margin at the right; a
// title on the menu bar a margin all round.
constexpr int kEntryPadY = 4, kShortcutGap = 24, kRightMargin = 12, kBarPadX = 6, kBarPadY = 3;
constexpr int kSeparatorHeight = 9;

// The menu item an owner-drawn entry shows (its data word).
MenuItem* itemOf(ULONG_PTR data) {
    return reinterpret_cast<MenuItem*>(data);
}

SIZE textSize(HDC dc, const std::wstring& t) {
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, t.c_str(), int(t.size()), &r, DT_SINGLELINE | DT_CALCRECT);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// A check mark in the given colour, centred in the square `box`.
void drawCheck(HDC dc, const RECT& box, COLORREF color) {
    const int side = std::min(box.right - box.left, box.bottom - box.top);
    const int unit = std::max(2, side / 7);
    const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    HPEN pen = CreatePen(PS_SOLID, 2, color);
    HGDIOBJ old = SelectObject(dc, pen);
    const POINT pts[3] = {{cx - 2 * unit, cy}, {cx - unit / 2, cy + 3 * unit / 2}, {cx + 2 * unit, cy - 3 * unit / 2}};
    Polyline(dc, pts, 3);
    SelectObject(dc, old);
    DeleteObject(pen);
}

wchar_t upper(wchar_t c) {
    return wchar_t(UINT_PTR(CharUpperW(reinterpret_cast<LPWSTR>(UINT_PTR(c)))));
}

// The letter a caption marks with "&" (upper case), 0 for none.
wchar_t accessKey(const std::wstring& caption) {
    for (size_t at = caption.find(L'&'); at != std::wstring::npos && at + 1 < caption.size();
         at = caption.find(L'&', at + 2))
        if (caption[at + 1] != L'&')
            return upper(caption[at + 1]);
    return 0;
}

// An entry at the end of `menu` for the item: a title on the bar (level 0) opening the item's
// pop-up menu, a separator, or an entry choosing the item's command. Owner-drawn when the form's
// menus have a look of their own; the text stays with the entry all the same.
void appendEntry(detail::FormState& st, HMENU menu, MenuItem& m, const std::wstring& text, UINT state) {
    const detail::MenuItemState& ms = detail::MenuItemState::of(m);
    const bool separator = detail::MenuItemState::descOf(m).caption == "-";
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_DATA;
    info.fType = (separator ? MFT_SEPARATOR : MFT_STRING) | (st.menuFont ? MFT_OWNERDRAW : 0);
    info.dwItemData = reinterpret_cast<ULONG_PTR>(&m);
    if (!separator) {
        info.fMask |= MIIM_STRING;
        info.dwTypeData = const_cast<wchar_t*>(text.c_str());
        info.fState = state;
    }
    if (m.level() == 0) {
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = ms.menu;
    } else if (!separator) {
        info.fMask |= MIIM_ID;
        info.wID = ms.command;
    }
    InsertMenuItemW(menu, UINT(GetMenuItemCount(menu)), TRUE, &info);
}

} // namespace

std::optional<LRESULT> detail::FormState::menuMessage(Form& f, UINT msg, WPARAM wp, LPARAM lp) {
    FormState& st = *f.st_;
    if (!st.menuFont)
        return std::nullopt;
    switch (msg) {
    case WM_MEASUREITEM: {
        auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        MenuItem* m = mi->CtlType == ODT_MENU ? itemOf(mi->itemData) : nullptr;
        if (!m)
            return std::nullopt;
        if (MenuItemState::descOf(*m).caption == "-") {
            mi->itemWidth = 1;
            mi->itemHeight = kSeparatorHeight;
            return TRUE;
        }
        const std::wstring caption = detail::wide(MenuItemState::captionOf(*m));
        const std::wstring shortcut = m->level() == 1 ? detail::wideOfUtf8(MenuItemState::descOf(*m).shortcut) : std::wstring();
        HDC dc = GetDC(st.window);
        HGDIOBJ old = SelectObject(dc, st.menuFont.get());
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        const SIZE c = textSize(dc, caption);
        const SIZE k = shortcut.empty() ? SIZE{0, 0} : textSize(dc, shortcut);
        SelectObject(dc, old);
        ReleaseDC(st.window, dc);
        if (m->level() == 0) {
            mi->itemWidth = UINT(c.cx + 2 * kBarPadX);
            mi->itemHeight = UINT(tm.tmHeight + 2 * kBarPadY);
        } else {
            const int height = tm.tmHeight + 2 * kEntryPadY;
            mi->itemWidth = UINT(height + c.cx + (k.cx ? kShortcutGap + k.cx : 0) + kRightMargin);
            mi->itemHeight = UINT(height);
        }
        return TRUE;
    }
    case WM_DRAWITEM: {
        const auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        MenuItem* m = di->CtlType == ODT_MENU ? itemOf(di->itemData) : nullptr;
        if (!m)
            return std::nullopt;
        HDC dc = di->hDC;
        const RECT r = di->rcItem;
        if (MenuItemState::descOf(*m).caption == "-") {
            FillRect(dc, &r, st.menuBackBrush.get());
            RECT line{r.left + 2, (r.top + r.bottom) / 2 - 1, r.right - 2, (r.top + r.bottom) / 2 + 1};
            DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
            return TRUE;
        }
        const bool grayed = (di->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
        const bool lit = (di->itemState & (ODS_SELECTED | ODS_HOTLIGHT)) != 0;
        HBRUSH fill = CreateSolidBrush(lit ? st.menuHighlight : m->level() == 0 ? st.menuBarBack : st.menuBack);
        FillRect(dc, &r, fill);
        DeleteObject(fill);
        const COLORREF fore = grayed ? GetSysColor(COLOR_GRAYTEXT) : lit ? st.menuHighlightText : st.menuText;
        HGDIOBJ oldFont = SelectObject(dc, st.menuFont.get());
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColor = SetTextColor(dc, fore);
        const UINT prefix = (di->itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
        const std::wstring caption = detail::wide(MenuItemState::captionOf(*m));
        if (m->level() == 0) {
            RECT at = r;
            DrawTextW(dc, caption.c_str(), int(caption.size()), &at, DT_SINGLELINE | DT_CENTER | DT_VCENTER | prefix);
        } else {
            const int column = r.bottom - r.top;
            if (di->itemState & ODS_CHECKED)
                drawCheck(dc, RECT{r.left, r.top, r.left + column, r.bottom}, fore);
            RECT at{r.left + column, r.top, r.right - kRightMargin, r.bottom};
            DrawTextW(dc, caption.c_str(), int(caption.size()), &at, DT_SINGLELINE | DT_LEFT | DT_VCENTER | prefix);
            const std::wstring shortcut = detail::wideOfUtf8(MenuItemState::descOf(*m).shortcut);
            if (!shortcut.empty())
                DrawTextW(dc, shortcut.c_str(), int(shortcut.size()), &at,
                          DT_SINGLELINE | DT_RIGHT | DT_VCENTER | DT_NOPREFIX);
        }
        SetTextColor(dc, oldColor);
        SetBkMode(dc, oldMode);
        SelectObject(dc, oldFont);
        return TRUE;
    }
    case WM_MENUCHAR: {
        // A letter typed in an open menu, or with Alt on the menu bar: the entry whose caption
        // marks it with "&" is chosen (a title opens its menu).
        HMENU menu = reinterpret_cast<HMENU>(lp);
        const wchar_t key = upper(wchar_t(LOWORD(wp)));
        for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_DATA | MIIM_FTYPE;
            if (!GetMenuItemInfoW(menu, UINT(i), TRUE, &info) || !(info.fType & MFT_OWNERDRAW))
                continue;
            if (MenuItem* m = itemOf(info.dwItemData); m && accessKey(detail::wide(MenuItemState::captionOf(*m))) == key)
                return MAKELRESULT(i, MNC_EXECUTE);
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

void Form::buildMenus() {
    if (menuItems_.empty())
        return;
    // The menu styling control's font and colours, the system's menu colours where it names none.
    for (auto& c : controls_) {
        if (c->kind() != Kind::MenuStyle)
            continue;
        const detail::KindProps& p = detail::ControlState::descOf(*c).props;
        st_->menuFont = detail::makeFont(p.font ? detail::fontOf(*p.font) : Font{"宋体", 12});
        auto pick = [](const std::optional<Color>& described, int system) {
            return described ? detail::colorRef(*described) : GetSysColor(system);
        };
        st_->menuText = pick(p.textColor, COLOR_MENUTEXT);
        st_->menuBack = pick(p.backColor, COLOR_MENU);
        // The bar has a colour of its own on Windows (COLOR_MENUBAR), unless one is described.
        st_->menuBarBack = pick(p.backColor, COLOR_MENUBAR);
        st_->menuHighlight = pick(p.highlightColor, COLOR_HIGHLIGHT);
        st_->menuHighlightText = pick(p.highlightTextColor, COLOR_HIGHLIGHTTEXT);
        st_->menuBackBrush.reset(CreateSolidBrush(st_->menuBack));
        break;
    }
    st_->menuBar = CreateMenu();
    MenuItem* top = nullptr;
    UINT command = kFirstCommand;
    for (auto& m : menuItems_) {
        detail::MenuItemState& ms = detail::MenuItemState::of(*m);
        if (m->level() == 0) {
            top = m.get();
            ms.menu = CreatePopupMenu();
        } else {
            ms.menu = top ? detail::MenuItemState::of(*top).menu : nullptr;
        }
        ms.command = command++;
        m->build();
    }
    // The pop-up menus' own background (around the entries) in the menus' colour.
    if (st_->menuFont) {
        MENUINFO info{};
        info.cbSize = sizeof info;
        info.fMask = MIM_BACKGROUND;
        info.hbrBack = st_->menuBackBrush.get();
        for (auto& m : menuItems_)
            if (m->level() == 0)
                SetMenuInfo(detail::MenuItemState::of(*m).menu, &info);
        for (auto& c : controls_)
            if (c->kind() == Kind::MenuStyle && detail::ControlState::descOf(*c).props.backColor)
                SetMenuInfo(st_->menuBar, &info);
    }
    menuItems_.front()->updateText();
    if (!menuBarTitles().empty())
        SetMenu(st_->window, st_->menuBar);
}

void detail::FormState::chooseCommand(Form& f, UINT command) {
    for (auto& m : f.menuItems_)
        if (MenuItemState::of(*m).command == command) {
            // As the user chooses it: only a shown, enabled item of an enabled menu runs.
            m->choose();
            return;
        }
}

std::vector<Text> Form::menuBarTitles() {
    ensureLoaded();
    std::vector<Text> out;
    for (auto& m : menuItems_)
        if (m->level() == 0 && !m->hidden_)
            out.push_back(m->caption_);
    return out;
}

std::vector<Text> Form::menuEntries(const Text& menuName) {
    MenuItem& top = menuItem(menuName);
    std::vector<Text> out;
    if (top.level() != 0)
        return out;
    for (auto& m : menuItems_) {
        if (m->parent_ != &top || m->hidden_)
            continue;
        if (m->desc_.caption == "-")
            out.push_back(Text("-"));
        else if (!m->desc_.shortcut.empty())
            out.push_back(m->caption_ + "\t" + Text::fromUtf8(m->desc_.shortcut));
        else
            out.push_back(m->caption_);
    }
    return out;
}

void Form::showMenu(const Text& menuName, Point at, bool rightAligned) {
    MenuItem& top = menuItem(menuName);
    HMENU menu = detail::MenuItemState::of(top).menu;
    if (top.level() != 0 || !menu)
        return;
    if (menuAnsweredByHook(top, menuName, at))
        return;
    const UINT flags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTBUTTON | (rightAligned ? TPM_RIGHTALIGN : TPM_LEFTALIGN);
    const UINT command = UINT(TrackPopupMenu(menu, flags, at.x, at.y, 0, st_->window, nullptr));
    if (command && isLoaded())
        detail::FormState::chooseCommand(*this, command);
}

void Form::popupMenu(const Text& menuName) {
    ensureLoaded();
    POINT p{};
    GetCursorPos(&p);
    showMenu(menuName, Point{int(p.x) + 3, int(p.y) + 3}, false);
}

void Form::popupTrayMenu(const Text& menuName) {
    ensureLoaded();
    // The window in front first, so that the menu closes when the user clicks elsewhere.
    SetForegroundWindow(st_->window);
    POINT p{};
    GetCursorPos(&p);
    showMenu(menuName, Point{int(p.x) - 5, int(p.y) - 5}, true);
    PostMessageW(st_->window, WM_NULL, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// Menu items

MenuItem::MenuItem(Form& form, const detail::MenuItemDesc& desc)
    : form_(form), desc_(desc), name_(Text::fromUtf8(desc.name)),
      st_(std::make_unique<detail::MenuItemState>()) {}

MenuItem::~MenuItem() = default;

void MenuItem::build() {
    caption_ = Text::fromUtf8(desc_.caption);
    hidden_ = desc_.hidden;
    disabled_ = desc_.disabled;
    checked_ = desc_.checked;
}

// Every menu of the form emptied (pop-up menus are only taken off the bar, not destroyed) and
// filled again from the items' state; the accelerator table made anew.
void MenuItem::updateText() {
    Form& f = form_;
    detail::FormState& st = detail::FormState::of(f);
    if (!st.menuBar)
        return;
    while (GetMenuItemCount(st.menuBar) > 0)
        RemoveMenu(st.menuBar, 0, MF_BYPOSITION);
    std::vector<ACCEL> accels;
    for (auto& m : f.menuItems_) {
        detail::MenuItemState& ms = detail::MenuItemState::of(*m);
        if (m->level() == 0) {
            while (GetMenuItemCount(ms.menu) > 0)
                RemoveMenu(ms.menu, 0, MF_BYPOSITION);
            if (!m->hidden_)
                appendEntry(st, st.menuBar, *m, detail::wide(m->caption_), m->disabled_ ? MFS_GRAYED : 0);
            continue;
        }
        if (!ms.menu || m->hidden_)
            continue;
        if (m->desc_.caption == "-") {
            appendEntry(st, ms.menu, *m, L"", 0);
            continue;
        }
        appendEntry(st, ms.menu, *m, entryText(*m, m->caption_, m->desc_.shortcut),
                    (m->disabled_ ? MFS_GRAYED : 0) | (m->checked_ ? MFS_CHECKED : 0));
        // Shortcuts work for the items of menus on the bar and for those kept in the window.
        const bool onBar = m->parent_ && !m->parent_->hidden_;
        const bool kept = std::find(st.keptShortcuts.begin(), st.keptShortcuts.end(), m.get()) != st.keptShortcuts.end();
        ACCEL a{};
        if ((onBar || kept) && accelOf(m->desc_.shortcut, a)) {
            a.cmd = WORD(ms.command);
            accels.push_back(a);
        }
    }
    if (st.accelerators)
        DestroyAcceleratorTable(st.accelerators);
    st.accelerators = accels.empty() ? nullptr : CreateAcceleratorTableW(accels.data(), int(accels.size()));
    if (st.window) {
        SetMenu(st.window, GetMenuItemCount(st.menuBar) > 0 ? st.menuBar : nullptr);
        DrawMenuBar(st.window);
    }
}


// A change that changes nothing leaves the menus alone: making them anew costs the window its
// frame again (under Wine some 50 round trips to its server each time), and handlers set the state
// of a dozen items at a time, most of them as they were.
void MenuItem::setCaption(const Text& c) {
    form_.ensureLoaded();
    if (caption_ == c)
        return;
    caption_ = c;
    updateText();
}

void MenuItem::setVisible(bool v) {
    form_.ensureLoaded();
    if (hidden_ == !v)
        return;
    hidden_ = !v;
    updateText();
}

void MenuItem::setDisabled(bool d) {
    form_.ensureLoaded();
    if (disabled_ == d)
        return;
    disabled_ = d;
    updateText();
}

void MenuItem::setChecked(bool c) {
    form_.ensureLoaded();
    if (checked_ == c)
        return;
    checked_ = c;
    updateText();
}

void MenuItem::keepShortcutInWindow() {
    form_.ensureLoaded();
    detail::FormState::of(form_).keptShortcuts.push_back(this);
    updateText();
}

} // namespace rt
