// Menus on Win32: the menu bar and pop-up menus made from the descriptions (rebuilt from the
// items' state after each change), the shortcuts as the form's accelerator table, pop-up menus
// at the mouse.
#include "runtime/form.h"
#include "runtime/form_registry.h"
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

} // namespace

void Form::buildMenus() {
    if (menuItems_.empty())
        return;
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
    if (detail::popupMenuHook()) {
        const Text chosen = detail::popupMenuHook()(*this, menuName, at);
        if (!chosen.empty() && isLoaded())
            for (auto& m : menuItems_)
                if (m->name() == chosen && m->parent_ == &top)
                    m->choose();
        return;
    }
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
                AppendMenuW(st.menuBar, MF_POPUP | (m->disabled_ ? MF_GRAYED : 0),
                            reinterpret_cast<UINT_PTR>(ms.menu), detail::wide(m->caption_).c_str());
            continue;
        }
        if (!ms.menu || m->hidden_)
            continue;
        if (m->desc_.caption == "-") {
            AppendMenuW(ms.menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        AppendMenuW(ms.menu, MF_STRING | (m->disabled_ ? MF_GRAYED : 0) | (m->checked_ ? MF_CHECKED : 0), ms.command,
                    entryText(*m, m->caption_, m->desc_.shortcut).c_str());
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
