// 图表: the bar chart drawn through the GDI painter (the same drawing as on Linux, runtime/chart.cpp),
// with a bar's tooltip while the pointer rests on it and doubleClicked for the bar double-clicked.
#include "runtime/chart.h"
#include "runtime/loader.h"
#include "runtime/win32/painter.h"
#include "runtime/win32/state.h"

#include <commctrl.h>

#include <cmath>
#include <memory>

namespace rt {

namespace {

struct ChartData {
    detail::ChartPicture picture;
    Control* control = nullptr;
    HWND tooltip = nullptr; // owned by the chart's window, which takes it along when it goes
    int tipBar = -1;        // the bar the tooltip is about
    std::wstring tipText;
};

ChartData* dataOfWindow(HWND hwnd) {
    return reinterpret_cast<ChartData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// The drawing area inside the one-pixel frame.
RectF areaOf(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    return RectF{4, 4, std::max(0.0, r.right - 8.0), std::max(0.0, r.bottom - 8.0)};
}

// Measures as the chart is drawn: the control's font on the screen.
template <class F>
auto withMetrics(HWND hwnd, const Font& font, F f) {
    HDC dc = GetDC(hwnd);
    GdiPainter painter(dc);
    painter.setFont(font);
    const detail::ChartPicture::Metrics m{painter.lineHeight(), [&](const Text& t) { return painter.textWidth(t); }};
    auto result = f(m);
    ReleaseDC(hwnd, dc);
    return result;
}

const Font& fontOf(const ChartData& d) {
    return detail::ControlState::of(*d.control).fontValue;
}

void paint(HWND hwnd, HDC target, const ChartData& d) {
    RECT r;
    GetClientRect(hwnd, &r);
    // Drawn off screen first, so the chart never flickers while it follows the log.
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, std::max<LONG>(1, r.right), std::max<LONG>(1, r.bottom));
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH back = CreateSolidBrush(detail::colorRef(d.picture.backColor));
    FillRect(dc, &r, back);
    DeleteObject(back);
    HBRUSH frame = CreateSolidBrush(RGB(190, 190, 190));
    FrameRect(dc, &r, frame);
    DeleteObject(frame);
    {
        GdiPainter painter(dc);
        painter.setFont(fontOf(d));
        d.picture.draw(painter, areaOf(hwnd));
    }
    BitBlt(target, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

int barAtPoint(HWND hwnd, const ChartData& d, POINT p) {
    return withMetrics(hwnd, fontOf(d), [&](const detail::ChartPicture::Metrics& m) {
        return d.picture.barAt({double(p.x), double(p.y)}, areaOf(hwnd), m);
    });
}

// The tooltip follows the bar under the pointer: its rectangle and text become that bar's.
void followPointer(HWND hwnd, ChartData& d, POINT p) {
    if (!d.tooltip)
        return;
    const int bar = barAtPoint(hwnd, d, p);
    if (bar == d.tipBar)
        return;
    d.tipBar = bar;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = hwnd;
    tool.uId = 1;
    d.tipText = bar >= 0 ? detail::wide(d.picture.bars[size_t(bar)].tooltip) : std::wstring();
    tool.lpszText = d.tipText.data();
    GetClientRect(hwnd, &tool.rect);
    SendMessageW(d.tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(d.tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CALLBACK chartProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    ChartData* d = dataOfWindow(hwnd);
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (d)
            paint(hwnd, dc, *d);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (d)
            followPointer(hwnd, *d, POINT{short(LOWORD(lp)), short(HIWORD(lp))});
        break;
    case WM_LBUTTONDBLCLK:
        if (d) {
            const int bar = barAtPoint(hwnd, *d, POINT{short(LOWORD(lp)), short(HIWORD(lp))});
            if (bar >= 0)
                detail::ControlState::raise(*d->control, "doubleClicked", bar);
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

const wchar_t kChartClass[] = L"LedrimoChart";

ChartData& dataOf(detail::ControlState& st) {
    return *static_cast<ChartData*>(st.kindData.get());
}

} // namespace

void Chart::build() {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = chartProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kChartClass;
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    auto data = std::make_shared<ChartData>();
    data->control = this;
    data->picture.describe(props());
    HWND h = CreateWindowExW(0, kChartClass, L"", WS_CHILD, 0, 0, 0, 0, st_->parent, nullptr, GetModuleHandleW(nullptr),
                             nullptr);
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data.get()));
    // One tool over the whole chart; its text is the bar's under the pointer.
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    data->tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0,
                                    0, 0, h, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (data->tooltip) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = h;
        tool.uId = 1;
        tool.lpszText = data->tipText.data();
        SendMessageW(data->tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageW(data->tooltip, TTM_SETMAXTIPWIDTH, 0, 400);
    }
    st_->kindData = data;
    st_->hwnd = h;
    detail::attach(h, *this);
}

void Chart::setBars(std::vector<Bar> bars) {
    ensureLoaded();
    ChartData& d = dataOf(*st_);
    auto& shown = d.picture.bars;
    shown.clear();
    shown.reserve(bars.size());
    for (Bar& b : bars)
        shown.push_back({std::isfinite(b.value) && b.value > 0 ? b.value : 0, b.series, std::move(b.label),
                         std::move(b.tooltip), b.marked});
    d.tipBar = -2; // the tooltip looks again
    InvalidateRect(st_->hwnd, nullptr, FALSE);
}

int Chart::barCount() {
    ensureLoaded();
    return int(dataOf(*st_).picture.bars.size());
}

Chart::Bar Chart::bar(int index) {
    ensureLoaded();
    const auto& bars = dataOf(*st_).picture.bars;
    if (index < 0 || size_t(index) >= bars.size())
        return {};
    const auto& b = bars[size_t(index)];
    return Bar{b.value, b.series, b.label, b.tooltip, b.marked};
}

void Chart::setReferenceLine(double value, const Text& caption) {
    ensureLoaded();
    ChartData& d = dataOf(*st_);
    d.picture.reference = std::isfinite(value) && value >= 0 ? value : -1;
    d.picture.referenceCaption = caption;
    InvalidateRect(st_->hwnd, nullptr, FALSE);
}

double Chart::referenceValue() {
    ensureLoaded();
    return dataOf(*st_).picture.reference;
}

Rect Chart::barRect(int index) {
    ensureLoaded();
    const ChartData& d = dataOf(*st_);
    const RectF r = withMetrics(st_->hwnd, fontOf(d), [&](const detail::ChartPicture::Metrics& m) {
        return d.picture.column(index, areaOf(st_->hwnd), m);
    });
    const int left = int(std::floor(r.left)), top = int(std::floor(r.top));
    return Rect{left, top, int(std::ceil(r.right())) - left, int(std::ceil(r.bottom())) - top};
}

int Chart::barAt(Point point) {
    ensureLoaded();
    return barAtPoint(st_->hwnd, dataOf(*st_), POINT{point.x, point.y});
}

void Chart::render(Painter& painter, const RectF& area) {
    ensureLoaded();
    dataOf(*st_).picture.draw(painter, area);
}

} // namespace rt
