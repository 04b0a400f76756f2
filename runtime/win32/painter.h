// The drawing interface over a Windows device context (GDI): the chart in a window, and pages on
// a printer. Texts reach GDI as UTF-16 (the W functions).
#pragma once

#include "runtime/draw.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <map>
#include <tuple>
#include <vector>

namespace rt {

// Draws on `dc`, which stays the caller's (its selected objects, text colour and background mode
// are put back when the painter goes). A unit of the painter is `scale` device pixels, measured
// from `origin` (device pixels): 1 and 0 for a window, the printer's dots per point and the
// negated printable offset for a page laid out in points.
class GdiPainter final : public Painter {
public:
    explicit GdiPainter(HDC dc, double scale = 1, POINT origin = {0, 0});
    ~GdiPainter() override;
    GdiPainter(const GdiPainter&) = delete;
    GdiPainter& operator=(const GdiPainter&) = delete;

    void save() override;
    void restore() override;
    void setFont(const Font& f) override;
    Font font() const override;
    void setPen(Color c, double width = 1, LineStyle style = LineStyle::Solid) override;
    void drawLine(PointF from, PointF to) override;
    void fillRect(const RectF& r, Color c, int alpha = 255) override;
    void fillPolygon(const PointF* points, int count, Color c) override;
    void drawText(const RectF& box, unsigned align, const Text& text) override;
    double lineHeight() const override;
    double textWidth(const Text& text) const override;
    Text elided(const Text& text, double width) const override;

private:
    struct Pen {
        Color color;
        double width = 1;
        LineStyle style = LineStyle::Solid;
    };
    struct State {
        Pen pen;
        Font font;
    };

    int x(double units) const;
    int y(double units) const;
    int length(double units) const;
    HFONT fontHandle(const Font& f) const;
    void selectFont();
    double advance(const std::wstring& s) const;

    HDC dc_;
    double scale_;
    POINT origin_;
    State state_;
    std::vector<State> saved_;
    using FontKey = std::tuple<std::string, int, bool, bool, bool>;
    mutable std::map<FontKey, HFONT> fonts_;
    HGDIOBJ oldFont_;
    int oldMode_;
    COLORREF oldColor_;
    bool blends_; // the device blends fills with constant alpha (printers may not)
};

// Asks for a printer with the print dialog (owned by `owner`, which it blocks) and prints the A4
// page `draw` lays out in points (as for pdfOfPage) as one document named by page.title.
PrintOutcome printPage(HWND owner, const PageSetup& page, const std::function<void(Painter&)>& draw);
// The page drawn on the printer's device context `dc` as one document: what printPage does once
// the printer is chosen. A page larger or smaller than A4 is scaled to fit, kept in proportion.
PrintOutcome printPageOn(HDC dc, const PageSetup& page, const std::function<void(Painter&)>& draw);

} // namespace rt
