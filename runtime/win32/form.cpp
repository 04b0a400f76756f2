// Forms on Win32: the frame (a window of the class LedrimoForm) with its menu bar, the client
// area below it (LedrimoClient) that holds the controls and tiles the background picture,
// loading and unloading, modal forms, the tab chain, Enter and Esc, window properties.
#include "runtime/display.h"
#include "runtime/form.h"
#include "runtime/form_registry.h"
#include "runtime/kernel.h"
#include "runtime/loader.h"
#include "runtime/program.h"
#include "runtime/win32/painter.h"
#include "runtime/win32/picture.h"
#include "runtime/win32/state.h"

#include <algorithm>

namespace rt {

namespace {

constexpr wchar_t kFrameClass[] = L"LedrimoForm";
constexpr wchar_t kClientClass[] = L"LedrimoClient";

void registerClasses() {
    static const bool done = [] {
        WNDCLASSW frame{};
        frame.lpfnWndProc = detail::FormState::frameProc;
        frame.hInstance = GetModuleHandleW(nullptr);
        frame.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        frame.lpszClassName = kFrameClass;
        RegisterClassW(&frame);
        WNDCLASSW client = frame;
        client.lpfnWndProc = detail::FormState::clientProc;
        client.lpszClassName = kClientClass;
        RegisterClassW(&client);
        return true;
    }();
    (void)done;
}

Form* formOf(HWND hwnd) {
    return reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

} // namespace

Form::Form(std::shared_ptr<detail::FormDesc> desc)
    : name_(Text::fromUtf8(desc->name)), desc_(std::move(desc)), st_(std::make_unique<detail::FormState>()) {
    createParts();
}

Form::~Form() = default;

bool Form::isLoaded() const {
    return st_->window != nullptr;
}

// ---- the window procedures ----

LRESULT CALLBACK detail::FormState::frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Form* f = formOf(hwnd);
    if (!f || !f->st_->window)
        return DefWindowProcW(hwnd, msg, wp, lp);
    if (auto answer = menuMessage(*f, msg, wp, lp))
        return *answer;
    switch (msg) {
    case WM_CLOSE: {
        bool accept = true;
        f->onCloseRequested(accept);
        return 0; // unload destroys the window when the close is accepted
    }
    case WM_ACTIVATE:
        // The control that had the keyboard when another window took it gets it back when this
        // one is active again (the system would give it to the frame).
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd, focus))
                f->st_->lastFocus = focus;
        } else if (HWND last = f->st_->lastFocus; last && IsWindow(last) && IsChild(hwnd, last) &&
                                                   IsWindowVisible(last) && IsWindowEnabled(last)) {
            SetFocus(last);
            return 0;
        }
        break;
    case WM_SIZE:
        if (f->st_->client)
            MoveWindow(f->st_->client, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    case WM_COMMAND:
        if (lp == 0) { // a menu item or its accelerator
            chooseCommand(*f, LOWORD(wp));
            return 0;
        }
        break;
    case WM_TIMER:
        // A timer control's tick (the timer kind keeps its id in ControlState::timerId).
        for (auto& c : f->controls_) {
            ControlState& st = ControlState::of(*c);
            if (st.timerId == wp && st.onParentMessage) {
                auto tick = st.onParentMessage; // the tick's handler may unload the form
                tick(msg, wp, lp);
                return 0;
            }
        }
        break;
    default:
        if (auto answer = forwardToControl(msg, wp, lp))
            return *answer;
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK detail::FormState::clientProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (auto answer = forwardToControl(msg, wp, lp))
        return *answer;
    Form* f = formOf(hwnd);
    if (msg == WM_ERASEBKGND && f && !f->st_->background.isNull()) {
        // The background picture tiled from the top-left corner.
        HDC dc = reinterpret_cast<HDC>(wp);
        RECT area;
        GetClientRect(hwnd, &area);
        BITMAP bm{};
        HBITMAP picture = win32::bitmap(f->st_->background);
        GetObjectW(picture, sizeof bm, &bm);
        if (bm.bmWidth > 0 && bm.bmHeight > 0) {
            HDC source = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(source, picture);
            for (int y = 0; y < area.bottom; y += bm.bmHeight)
                for (int x = 0; x < area.right; x += bm.bmWidth)
                    BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, source, 0, 0, SRCCOPY);
            SelectObject(source, old);
            DeleteDC(source);
            return 1;
        }
    }
    if (msg == WM_COMMAND && lp == 0 && f) {
        chooseCommand(*f, LOWORD(wp));
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// ---- keys ----

bool detail::FormState::translateKeys(Form& f, MSG& msg) {
    FormState& st = *f.st_;
    // A repeat of a key held down chooses no menu item and clicks no button: only a fresh press.
    const bool held = (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && (msg.lParam & (1 << 30)) != 0;
    if (st.accelerators && !held && TranslateAcceleratorW(st.window, st.accelerators, &msg))
        return true;
    if (msg.message != WM_KEYDOWN)
        return false;
    if (msg.wParam == VK_TAB) {
        if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0)
            return false;
        std::vector<Control*> chain;
        for (auto& c : f.controls_) {
            HWND h = ControlState::of(*c).hwnd;
            if (h && ControlState::descOf(*c).tabStop && IsWindowVisible(h) && IsWindowEnabled(h))
                chain.push_back(c.get());
        }
        std::stable_sort(chain.begin(), chain.end(),
                         [](Control* a, Control* b) { return ControlState::descOf(*a).tabOrder < ControlState::descOf(*b).tabOrder; });
        if (chain.empty())
            return false;
        HWND focus = GetFocus();
        size_t at = chain.size();
        for (size_t i = 0; i < chain.size(); ++i) {
            HWND h = ControlState::of(*chain[i]).hwnd;
            if (h == focus || IsChild(h, focus))
                at = i;
        }
        const bool back = GetKeyState(VK_SHIFT) < 0;
        size_t next = at == chain.size() ? 0 : back ? (at + chain.size() - 1) % chain.size() : (at + 1) % chain.size();
        SetFocus(ControlState::of(*chain[next]).hwnd);
        return true;
    }
    if (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) {
        const std::string& name = msg.wParam == VK_RETURN ? f.desc_->enterButton : f.desc_->escapeButton;
        if (name.empty())
            return false;
        // Enter clicks neither from a multi-line box (which takes the line break) nor from a
        // focused button (it never presses a different button than the one with the focus).
        if (msg.wParam == VK_RETURN) {
            Control* from = controlOf(msg.hwnd);
            if (from && from->kind() == Kind::EditBox && static_cast<EditBox*>(from)->isMultiLine())
                return false;
            if (from && (from->kind() == Kind::SuperButton || from->kind() == Kind::GraphicButton))
                return false;
        }
        Control* button = f.findControl(Text::fromUtf8(name));
        if (!button)
            return false;
        HWND h = ControlState::of(*button).hwnd;
        if (!held && h && IsWindowVisible(h) && IsWindowEnabled(h))
            ControlState::raise(*button, "clicked");
        return true;
    }
    return false;
}

bool detail::translateFormKeys(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST)
        return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    for (Form* f : loadedForms())
        if (FormState::of(*f).window == root)
            return FormState::translateKeys(*f, msg);
    return false;
}

// ---- loading and unloading ----

bool Form::load(Form* owner, bool modal) {
    if (isLoaded()) {
        setVisible(true);
        BringWindowToTop(st_->window);
        return true;
    }
    registerClasses();
    const detail::FormDesc& d = *desc_;
    beginLoad(owner, modal);

    DWORD style = WS_CLIPCHILDREN;
    if (d.framed) {
        style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
        if (d.minimizeButton)
            style |= WS_MINIMIZEBOX;
    } else {
        style |= WS_POPUP;
    }
    int left = d.left, top = d.top;
    if (position_ == 1) {
        left = (screenWidth() - d.width) / 2;
        top = (screenHeight() - d.height) / 2;
    }
    // An owned window stays above its owner.
    HWND ownerWindow = owner_ ? owner_->st_->window : nullptr;
    st_->window = CreateWindowExW(0, kFrameClass, detail::wideOfUtf8(d.caption).c_str(), style, left, top, d.width,
                                  d.height, ownerWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!st_->window)
        return false;
    SetWindowLongPtrW(st_->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (d.icon && !programIcon().isNull())
        setIcon(programIcon());
    buildMenus();
    RECT inside;
    GetClientRect(st_->window, &inside);
    st_->client = CreateWindowExW(WS_EX_CONTROLPARENT, kClientClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                                  0, inside.right, inside.bottom, st_->window, nullptr, GetModuleHandleW(nullptr),
                                  nullptr);
    SetWindowLongPtrW(st_->client, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    for (auto& c : controls_) {
        detail::ControlState& cs = detail::ControlState::of(*c);
        cs.parent = st_->client;
        if (!c->desc_.parent.empty())
            cs.parent = detail::ControlState::of(*findControl(Text::fromUtf8(c->desc_.parent))).hwnd;
        c->tag_ = Text::fromUtf8(c->desc_.tag);
        c->visibleNoWidget_ = c->desc_.visible;
        c->disabledNoWidget_ = c->desc_.disabled;
        c->build();
        if (cs.hwnd)
            c->applyCommon();
    }
    // Later controls lie above earlier ones: each goes to the top of its siblings in creation order.
    for (auto& c : controls_)
        if (HWND h = detail::ControlState::of(*c).hwnd)
            SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // A modal window disables every other; they are enabled again before it is hidden (in unload),
    // so that Windows hands the activation back to one of them and not to another program.
    std::vector<Form*>& disabled = st_->disabledByModal;
    disabled.clear();
    if (modal_)
        for (Form* f : detail::loadedForms())
            if (IsWindowEnabled(f->st_->window)) {
                EnableWindow(f->st_->window, FALSE);
                disabled.push_back(f);
            }

    detail::loadedForms().push_back(this);
    raise("created");
    creating_ = false;
    if (!isLoaded())
        return true; // gone during its own created event
    if (visibleProperty_ && !IsWindowVisible(st_->window))
        ShowWindow(st_->window, position_ == 2 ? SW_SHOWMINIMIZED : position_ == 3 ? SW_SHOWMAXIMIZED : SW_SHOW);
    if (modal_ && isLoaded()) {
        st_->modalLoop = true;
        MSG msg;
        while (isLoaded() && GetMessageW(&msg, nullptr, 0, 0) > 0)
            detail::dispatchMessage(msg);
        if (msg.message == WM_QUIT && isLoaded())
            PostQuitMessage(int(msg.wParam));
        st_->modalLoop = false;
    }
    return true;
}

void Form::unload() {
    if (!beginUnload())
        return;

    // The owner, and the windows a modal one disabled, get the activation back before it goes.
    for (Form* f : st_->disabledByModal)
        if (f->isLoaded())
            EnableWindow(f->st_->window, TRUE);
    st_->disabledByModal.clear();
    if (owner_ && owner_->isLoaded())
        EnableWindow(owner_->st_->window, TRUE);
    ShowWindow(st_->window, SW_HIDE);
    raise("destroyed");
    for (auto& c : controls_)
        c->unbuild();
    HWND w = st_->window;
    st_->window = nullptr;
    st_->lastFocus = nullptr;
    st_->client = nullptr;
    DestroyWindow(w); // the controls' windows and the menu bar go with it
    for (auto& c : controls_) {
        detail::ControlState& cs = detail::ControlState::of(*c);
        if (cs.hwnd)
            detail::detach(cs.hwnd);
        cs.hwnd = nullptr;
        cs.parent = nullptr;
        cs.font.reset();
        cs.backBrush.reset();
        cs.onParentMessage = nullptr;
        cs.kindData.reset();
        cs.timerId = 0;
    }
    for (auto& m : menuItems_) {
        detail::MenuItemState::of(*m).menu = nullptr;
        detail::MenuItemState::of(*m).command = 0;
    }
    if (st_->accelerators)
        DestroyAcceleratorTable(st_->accelerators);
    st_->accelerators = nullptr;
    st_->menuBar = nullptr;
    st_->background = Picture();
    st_->icon = Picture();
    st_->keptShortcuts.clear();
    st_->menuFont.reset();
    st_->menuBackBrush.reset();

    endUnload();
    if (detail::loadedForms().empty() && eventLoopRunning())
        PostQuitMessage(0);
}

void Form::destroy() {
    if (!isLoaded() || destroyPending_)
        return;
    destroyPending_ = true;
    postToMainThread([this] {
        if (destroyPending_)
            unload();
    });
}

void Form::applyTabOrder() {
    // The chain is walked by FormState::translateKeys in tabOrder.
}

// ---- window properties ----

Text Form::caption() {
    ensureLoaded();
    return detail::windowText(st_->window);
}

void Form::setCaption(const Text& c) {
    ensureLoaded();
    SetWindowTextW(st_->window, detail::wide(c).c_str());
}

bool Form::visible() {
    ensureLoaded();
    return IsWindowVisible(st_->window);
}

void Form::setVisible(bool v) {
    ensureLoaded();
    visibleProperty_ = v;
    if (v == bool(IsWindowVisible(st_->window)))
        return;
    ShowWindow(st_->window, !v ? SW_HIDE : position_ == 2 ? SW_SHOWMINIMIZED : SW_SHOW);
}

bool Form::disabled() {
    ensureLoaded();
    return !IsWindowEnabled(st_->window);
}

void Form::setDisabled(bool d) {
    ensureLoaded();
    EnableWindow(st_->window, !d);
}

Rect Form::outerRect() const {
    RECT r;
    GetWindowRect(st_->window, &r);
    return Rect{int(r.left), int(r.top), int(r.right - r.left), int(r.bottom - r.top)};
}

void Form::placeOuter(const Rect& to, const Rect&) {
    MoveWindow(st_->window, to.left, to.top, to.width, to.height, TRUE);
}

int Form::clientWidth() {
    ensureLoaded();
    RECT r;
    GetClientRect(st_->client, &r);
    return int(r.right);
}

int Form::clientHeight() {
    ensureLoaded();
    RECT r;
    GetClientRect(st_->client, &r);
    return int(r.bottom);
}

Point Form::clientOrigin() {
    ensureLoaded();
    POINT p{0, 0};
    ClientToScreen(st_->client, &p);
    return Point{int(p.x), int(p.y)};
}

void Form::setPosition(int p) {
    ensureLoaded();
    position_ = p;
    if (!IsWindowVisible(st_->window))
        return;
    switch (p) {
    case 0:
        ShowWindow(st_->window, SW_RESTORE);
        break;
    case 1:
        if (IsIconic(st_->window) || IsZoomed(st_->window))
            ShowWindow(st_->window, SW_RESTORE);
        move((screenWidth() - width()) / 2, (screenHeight() - height()) / 2);
        break;
    case 2:
        ShowWindow(st_->window, SW_MINIMIZE);
        break;
    case 3:
        ShowWindow(st_->window, SW_MAXIMIZE);
        break;
    default:
        break;
    }
}

void Form::setBackground(const Picture& picture) {
    ensureLoaded();
    st_->background = picture;
    InvalidateRect(st_->client, nullptr, TRUE);
}

void Form::setIcon(const Picture& icon) {
    ensureLoaded();
    HICON big = icon.isNull() ? nullptr : win32::icon(icon, GetSystemMetrics(SM_CXICON));
    HICON small = icon.isNull() ? nullptr : win32::icon(icon, GetSystemMetrics(SM_CXSMICON));
    SendMessageW(st_->window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(st_->window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    // The icons are the picture's: kept with it, and the frame no longer uses the ones it had.
    st_->icon = icon;
}

long long Form::handle() {
    ensureLoaded();
    return static_cast<long long>(reinterpret_cast<intptr_t>(st_->window));
}

void Form::setFocus() {
    ensureLoaded();
    SetForegroundWindow(st_->window);
    SetFocus(st_->window);
}

void Form::setTransparency(int alpha) {
    ensureLoaded();
    if (alpha < 0 || alpha > 255)
        alpha = 255;
    alpha_ = alpha;
    // A layered window takes the alpha; an opaque one is made plain again.
    LONG_PTR ex = GetWindowLongPtrW(st_->window, GWL_EXSTYLE);
    if (alpha < 255) {
        if (!(ex & WS_EX_LAYERED))
            SetWindowLongPtrW(st_->window, GWL_EXSTYLE, ex | WS_EX_LAYERED);
        SetLayeredWindowAttributes(st_->window, 0, BYTE(alpha), LWA_ALPHA);
    } else if (ex & WS_EX_LAYERED) {
        SetWindowLongPtrW(st_->window, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
    }
}

// The print dialog owned by the form's window (none when the form is gone).
PrintOutcome printPage(Form& owner, const PageSetup& page, const std::function<void(Painter&)>& draw) {
    HWND window = owner.isLoaded() ? detail::FormState::of(owner).window : nullptr;
    return printPage(window, page, draw);
}

} // namespace rt
