// The drawing interface over GDI, and the timesheet's printout.
#include "runtime/win32/painter.h"

#include <commdlg.h>
#include <winspool.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace rt {

namespace {

std::wstring wideOf(const Text& t) {
    const std::u16string s = t.toUtf16();
    return std::wstring(s.begin(), s.end());
}

Text textOfWide(const std::wstring& w) {
    return Text::fromBytes(gbkOfUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(w.data()), w.size())));
}

COLORREF colorRefOf(Color c) {
    return RGB(std::clamp(c.red, 0, 255), std::clamp(c.green, 0, 255), std::clamp(c.blue, 0, 255));
}

const wchar_t kEllipsis[] = L"\u2026";

} // namespace

GdiPainter::GdiPainter(HDC dc, double scale, POINT origin)
    : dc_(dc), scale_(scale > 0 ? scale : 1), origin_(origin) {
    oldFont_ = SelectObject(dc_, fontHandle(state_.font));
    oldMode_ = SetBkMode(dc_, TRANSPARENT);
    oldColor_ = SetTextColor(dc_, colorRefOf(state_.pen.color));
    SetPolyFillMode(dc_, WINDING);
    // Screens and bitmaps blend; a printer says whether it can.
    blends_ = GetDeviceCaps(dc_, TECHNOLOGY) != DT_RASPRINTER ||
              (GetDeviceCaps(dc_, SHADEBLENDCAPS) & SB_CONST_ALPHA) != 0;
}

GdiPainter::~GdiPainter() {
    SelectObject(dc_, oldFont_);
    SetBkMode(dc_, oldMode_);
    SetTextColor(dc_, oldColor_);
    for (auto& [key, font] : fonts_)
        DeleteObject(font);
}

int GdiPainter::x(double units) const {
    return int(std::lround(units * scale_)) + origin_.x;
}

int GdiPainter::y(double units) const {
    return int(std::lround(units * scale_)) + origin_.y;
}

int GdiPainter::length(double units) const {
    return int(std::lround(units * scale_));
}

// Fonts are made once per painter and kept until it goes (a chart sets a few fonts many times).
HFONT GdiPainter::fontHandle(const Font& f) const {
    const FontKey key{f.family, std::max(1, f.size), f.bold, f.italic, f.underline};
    auto it = fonts_.find(key);
    if (it != fonts_.end())
        return it->second;
    LOGFONTW lf{};
    // A negative height asks for the em (the character height), as a pixel size does elsewhere.
    lf.lfHeight = -std::max(1, length(std::max(1, f.size)));
    lf.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = f.italic;
    lf.lfUnderline = f.underline;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfQuality = ANTIALIASED_QUALITY;
    const std::wstring family = wideOf(Text::fromUtf8(f.family));
    wcsncpy(lf.lfFaceName, family.c_str(), LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&lf);
    fonts_.emplace(key, font);
    return font;
}

void GdiPainter::selectFont() {
    SelectObject(dc_, fontHandle(state_.font));
}

void GdiPainter::save() {
    saved_.push_back(state_);
}

void GdiPainter::restore() {
    if (saved_.empty())
        return;
    state_ = saved_.back();
    saved_.pop_back();
    selectFont();
    SetTextColor(dc_, colorRefOf(state_.pen.color));
}

void GdiPainter::setFont(const Font& f) {
    state_.font = f;
    state_.font.size = std::max(1, f.size);
    selectFont();
}

Font GdiPainter::font() const {
    return state_.font;
}

void GdiPainter::setPen(Color c, double width, LineStyle style) {
    state_.pen = {c, width, style};
    SetTextColor(dc_, colorRefOf(c));
}

void GdiPainter::drawLine(PointF from, PointF to) {
    LOGBRUSH brush{BS_SOLID, colorRefOf(state_.pen.color), 0};
    const DWORD width = DWORD(std::max(1, length(state_.pen.width)));
    const DWORD style = PS_GEOMETRIC | PS_ENDCAP_FLAT |
                        (state_.pen.style == LineStyle::Dashed ? PS_DASH : PS_SOLID);
    HPEN pen = ExtCreatePen(style, width, &brush, 0, nullptr);
    HGDIOBJ old = SelectObject(dc_, pen);
    MoveToEx(dc_, x(from.x), y(from.y), nullptr);
    LineTo(dc_, x(to.x), y(to.y));
    SelectObject(dc_, old);
    DeleteObject(pen);
}

void GdiPainter::fillRect(const RectF& r, Color c, int alpha) {
    if (r.isEmpty())
        return;
    alpha = std::clamp(alpha, 0, 255);
    if (alpha == 0)
        return;
    const RECT box{x(r.left), y(r.top), x(r.right()), y(r.bottom())};
    if (alpha == 255 || !blends_) {
        // A device that cannot blend (a printer) gets the colour as it shows over white paper.
        Color shown = c;
        if (alpha < 255) {
            auto over = [alpha](int part) { return (part * alpha + 255 * (255 - alpha) + 127) / 255; };
            shown = {over(c.red), over(c.green), over(c.blue)};
        }
        HBRUSH brush = CreateSolidBrush(colorRefOf(shown));
        FillRect(dc_, &box, brush);
        DeleteObject(brush);
        return;
    }
    // One opaque pixel of the colour, stretched over the box with constant alpha.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 1;
    info.bmiHeader.biHeight = 1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC source = CreateCompatibleDC(dc_);
    HBITMAP pixel = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!pixel) {
        DeleteDC(source);
        return;
    }
    *static_cast<DWORD*>(bits) = 0xFF000000u | (DWORD(std::clamp(c.red, 0, 255)) << 16) |
                                 (DWORD(std::clamp(c.green, 0, 255)) << 8) | DWORD(std::clamp(c.blue, 0, 255));
    HGDIOBJ old = SelectObject(source, pixel);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, BYTE(alpha), 0};
    AlphaBlend(dc_, box.left, box.top, box.right - box.left, box.bottom - box.top, source, 0, 0, 1, 1, blend);
    SelectObject(source, old);
    DeleteObject(pixel);
    DeleteDC(source);
}

void GdiPainter::fillPolygon(const PointF* points, int count, Color c) {
    if (count < 3)
        return;
    std::vector<POINT> corners;
    corners.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        corners.push_back({x(points[i].x), y(points[i].y)});
    HBRUSH brush = CreateSolidBrush(colorRefOf(c));
    HGDIOBJ oldBrush = SelectObject(dc_, brush);
    HGDIOBJ oldPen = SelectObject(dc_, GetStockObject(NULL_PEN));
    Polygon(dc_, corners.data(), count);
    SelectObject(dc_, oldPen);
    SelectObject(dc_, oldBrush);
    DeleteObject(brush);
}

void GdiPainter::drawText(const RectF& box, unsigned align, const Text& text) {
    std::wstring s = wideOf(text);
    RECT r{x(box.left), y(box.top), x(box.right()), y(box.bottom())};
    UINT flags = DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS;
    if (align & AlignRight)
        flags |= DT_RIGHT;
    else if (align & AlignHCenter)
        flags |= DT_CENTER;
    else
        flags |= DT_LEFT;
    if (align & SingleLine) {
        std::replace(s.begin(), s.end(), L'\n', L' ');
        std::replace(s.begin(), s.end(), L'\r', L' ');
        flags |= DT_SINGLELINE;
        if (align & AlignBottom)
            flags |= DT_BOTTOM;
        else if (align & AlignVCenter)
            flags |= DT_VCENTER;
        DrawTextW(dc_, s.c_str(), int(s.size()), &r, flags);
        return;
    }
    // Lines break at line breaks only. GDI places several lines at the top of the box: the
    // block is measured and moved down for the other vertical choices.
    if (align & (AlignBottom | AlignVCenter)) {
        RECT measured = r;
        DrawTextW(dc_, s.c_str(), int(s.size()), &measured, flags | DT_CALCRECT);
        const int height = measured.bottom - measured.top;
        const int room = (r.bottom - r.top) - height;
        r.top += (align & AlignBottom) ? room : room / 2;
        r.bottom = r.top + height;
    }
    DrawTextW(dc_, s.c_str(), int(s.size()), &r, flags);
}

double GdiPainter::lineHeight() const {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc_, &tm);
    return tm.tmHeight / scale_;
}

double GdiPainter::advance(const std::wstring& s) const {
    SIZE size{};
    GetTextExtentPoint32W(dc_, s.c_str(), int(s.size()), &size);
    return size.cx / scale_;
}

double GdiPainter::textWidth(const Text& text) const {
    return advance(wideOf(text));
}

Text GdiPainter::elided(const Text& text, double width) const {
    const std::wstring s = wideOf(text);
    if (advance(s) <= width)
        return text;
    const double room = width - advance(kEllipsis);
    if (room < 0)
        return Text();
    // The extent after each character in one call; the longest beginning that leaves room for
    // the ellipsis, never ending between the halves of a surrogate pair.
    std::vector<INT> extents(s.size());
    INT fit = 0;
    SIZE size{};
    GetTextExtentExPointW(dc_, s.c_str(), int(s.size()), int(std::floor(room * scale_)), &fit, extents.data(), &size);
    size_t keep = size_t(std::clamp(fit, 0, int(s.size())));
    if (keep > 0 && keep < s.size() && IS_HIGH_SURROGATE(s[keep - 1]))
        --keep;
    return textOfWide(s.substr(0, keep) + kEllipsis);
}

// ---- printing ----

PrintOutcome printPageOn(HDC dc, const PageSetup& page, const std::function<void(Painter&)>& draw) {
    // The page in device pixels: the physical sheet of a printer (whose printable area starts at
    // an offset), or the whole surface of another device.
    int width = GetDeviceCaps(dc, PHYSICALWIDTH);
    int height = GetDeviceCaps(dc, PHYSICALHEIGHT);
    POINT origin{-GetDeviceCaps(dc, PHYSICALOFFSETX), -GetDeviceCaps(dc, PHYSICALOFFSETY)};
    if (width <= 0 || height <= 0) {
        width = GetDeviceCaps(dc, HORZRES);
        height = GetDeviceCaps(dc, VERTRES);
        origin = {0, 0};
    }
    if (width <= 0 || height <= 0)
        return {PrintOutcome::Failed, "打印失败：打印机没有可用的纸张尺寸。"};
    const double scale = std::min(width / 595.0, height / 842.0);

    const std::wstring title = wideOf(page.title);
    DOCINFOW doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = title.c_str();
    if (StartDocW(dc, &doc) <= 0)
        return {PrintOutcome::Failed, "打印失败：无法开始打印作业。"};
    if (StartPage(dc) <= 0) {
        AbortDoc(dc);
        return {PrintOutcome::Failed, "打印失败：无法开始新的一页。"};
    }
    {
        GdiPainter painter(dc, scale, origin);
        draw(painter);
    }
    if (EndPage(dc) <= 0) {
        AbortDoc(dc);
        return {PrintOutcome::Failed, "打印失败：打印机未接受这一页。"};
    }
    if (EndDoc(dc) <= 0)
        return {PrintOutcome::Failed, "打印失败：打印作业未能完成。"};
    return {};
}

namespace {

// Whether the system knows any printer, of its own or shared by another computer.
bool anyPrinter() {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
    if (needed == 0)
        return false;
    std::vector<BYTE> list(needed);
    return EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, list.data(), needed, &needed,
                         &count) &&
           count > 0;
}

} // namespace

PrintOutcome printPage(HWND owner, const PageSetup& page, const std::function<void(Painter&)>& draw) {
    // With no printer the dialog has nothing to offer (Wine's then shows a warning of its own even
    // when asked not to): the user hears it once, from the caller.
    if (!anyPrinter())
        return {PrintOutcome::Failed, "打印失败：系统中没有安装打印机。"};
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    // No warning of the dialog's own when there is no printer: the caller says so, in its words.
    dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE | PD_NOWARNING;
    dialog.nCopies = 1;
    const BOOL chosen = PrintDlgW(&dialog);
    auto release = [&] {
        if (dialog.hDevMode)
            GlobalFree(dialog.hDevMode);
        if (dialog.hDevNames)
            GlobalFree(dialog.hDevNames);
    };
    if (!chosen) {
        release();
        // Zero: the user cancelled; anything else: no printer, or the dialog failed.
        const DWORD error = CommDlgExtendedError();
        if (error == 0)
            return {PrintOutcome::Cancelled, {}};
        return {PrintOutcome::Failed, error == PDERR_NODEFAULTPRN ? "打印失败：系统中没有安装打印机。"
                                                                  : "打印失败：无法打开打印对话框。"};
    }
    const PrintOutcome outcome = printPageOn(dialog.hDC, page, draw);
    DeleteDC(dialog.hDC);
    release();
    return outcome;
}

// Windows has no PDF writer of ours: the page goes to a printer, and a PDF printer makes the PDF.
Bytes pdfOfPage(const PageSetup&, const std::function<void(Painter&)>&) {
    return {};
}

bool printsPages() {
    return true;
}

} // namespace rt
