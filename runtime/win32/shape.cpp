// 外形框: a rule or a frame drawn in its line colour. A rule one pixel thick is a plain line; a
// thicker one is etched (the colour above or left of a white line). It lets the mouse through.
#include "runtime/loader.h"
#include "runtime/win32/state.h"

namespace rt {

namespace {

struct ShapeData {
    std::string shape;
    COLORREF color = RGB(0, 0, 0);
};

LRESULT CALLBACK shapeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCHITTEST)
        return HTTRANSPARENT;
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        const auto* d = reinterpret_cast<const ShapeData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        RECT r;
        GetClientRect(hwnd, &r);
        if (d) {
            HBRUSH line = CreateSolidBrush(d->color);
            if (d->shape == "rect") {
                FrameRect(dc, &r, line);
            } else {
                const bool horizontal = d->shape != "vline";
                const int thickness = horizontal ? r.bottom : r.right;
                if (thickness <= 1) {
                    FillRect(dc, &r, line);
                } else {
                    RECT dark = r, light = r;
                    if (horizontal)
                        dark.bottom = light.top = thickness / 2;
                    else
                        dark.right = light.left = thickness / 2;
                    FillRect(dc, &dark, line);
                    FillRect(dc, &light, HBRUSH(GetStockObject(WHITE_BRUSH)));
                }
            }
            DeleteObject(line);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

const wchar_t kShapeClass[] = L"LedrimoShape";

} // namespace

void ShapeBox::build() {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = shapeProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kShapeClass;
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    auto data = std::make_shared<ShapeData>();
    data->shape = props().shape;
    if (auto c = props().lineColor)
        data->color = detail::colorRef(*c);
    HWND h = CreateWindowExW(0, kShapeClass, L"", WS_CHILD, 0, 0, 0, 0, st_->parent, nullptr, GetModuleHandleW(nullptr),
                             nullptr);
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data.get()));
    st_->kindData = data;
    st_->hwnd = h;
    detail::attach(h, *this);
}

} // namespace rt
