// The drawing interface over QPainter (Qt backend): the chart on the screen, and pages as PDF.
#pragma once

#include "runtime/draw.h"

#include <QByteArray>
#include <QFont>

#include <map>

class QPainter;

namespace rt {

// Draws through `painter`, which stays the caller's (begun on its device, ended by the caller).
// Antialiasing is switched on for what is drawn through it.
class QtPainter final : public Painter {
public:
    explicit QtPainter(QPainter& painter);

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
    QPainter& p_;
};

// The plain font as Qt's font, and back (family, pixel size, bold, italic, underline).
QFont qFontOf(const Font& f);
Font fontOf(const QFont& f);

// In the text maps (ToUnicode) of a PDF Qt wrote, names each glyph by the character that was
// drawn rather than by the lowest code point the font draws with the same glyph: every destination
// code that is a key of `repairs` becomes its value, in place (the same number of hex digits, so no
// offset of the file moves). A run of consecutive destinations (<low> <high> <first>) is left as it
// is; other bytes stay as they are.
void fixPdfTextMaps(QByteArray& pdf, const std::map<char16_t, char16_t>& repairs);

} // namespace rt
