// 图片框: a picture as its mode says (top left, centred, stretched or tiled) over its background
// colour, with its border; the parent of the controls placed in it, whose notifications it hands
// to them as the form's client area does.
#include "runtime/loader.h"
#include "runtime/win32/picture.h"
#include "runtime/win32/state.h"

namespace rt {

namespace {

struct PictureData {
    rt::Picture picture;
    std::string mode, border;
    std::optional<COLORREF> back;
};

void paint(HWND hwnd, HDC dc, const PictureData& d) {
    RECT r;
    GetClientRect(hwnd, &r);
    if (d.back) {
        HBRUSH b = CreateSolidBrush(*d.back);
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    if (!d.picture.isNull()) {
        const Size s = d.picture.size();
        if (d.mode == "stretch") {
            win32::drawPicture(dc, d.picture, r);
        } else if (d.mode == "center") {
            const int x = (r.right - s.width) / 2, y = (r.bottom - s.height) / 2;
            win32::drawPicture(dc, d.picture, RECT{x, y, x + s.width, y + s.height});
        } else if (d.mode == "tile") {
            for (int y = 0; y < r.bottom; y += s.height)
                for (int x = 0; x < r.right; x += s.width)
                    win32::drawPicture(dc, d.picture, RECT{x, y, x + s.width, y + s.height});
        } else {
            win32::drawPicture(dc, d.picture, RECT{0, 0, s.width, s.height});
        }
    }
    if (d.border == "single") {
        FrameRect(dc, &r, HBRUSH(GetStockObject(BLACK_BRUSH)));
    } else if (d.border == "sunken") {
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    }
}

LRESULT CALLBACK pictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const auto* d = reinterpret_cast<const PictureData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_ERASEBKGND:
        return 1; // all painted in WM_PAINT
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (d)
            paint(hwnd, dc, *d);
        EndPaint(hwnd, &ps);
        return 0;
    }
    default:
        // The controls inside: their notifications go to them.
        if (auto answer = detail::forwardToControl(msg, wp, lp))
            return *answer;
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

const wchar_t kPictureClass[] = L"LedrimoPictureBox";

PictureData& dataOf(detail::ControlState& st) {
    return *static_cast<PictureData*>(st.kindData.get());
}

} // namespace

void PictureBox::build() {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = pictureProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kPictureClass;
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    auto data = std::make_shared<PictureData>();
    data->mode = props().pictureMode;
    data->border = props().border.empty() ? "none" : props().border;
    if (auto c = props().backColor)
        data->back = detail::colorRef(*c);
    HWND h = CreateWindowExW(0, kPictureClass, L"", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, st_->parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data.get()));
    st_->kindData = data;
    st_->hwnd = h;
    detail::attach(h, *this);
}

void PictureBox::setPicture(const Picture& picture) {
    ensureLoaded();
    if (!st_->hwnd)
        return;
    dataOf(*st_).picture = picture;
    InvalidateRect(st_->hwnd, nullptr, TRUE);
}

Picture PictureBox::picture() {
    ensureLoaded();
    return st_->hwnd ? dataOf(*st_).picture : Picture();
}

} // namespace rt
