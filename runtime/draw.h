// Drawing as the runtime's interface speaks it: the few operations the chart and the printed
// timesheet use, in plain types, so that the same drawing code paints a window, a PDF page or a
// printer's page on every window system. Coordinates are in the painter's units (pixels on the
// screen, points on a page), as doubles.
#pragma once

#include "runtime/geometry.h"
#include "runtime/text.h"

#include <functional>
#include <string>

namespace rt {

class Form;

struct PointF {
    double x = 0, y = 0;
    bool operator==(const PointF&) const = default;
};

struct RectF {
    double left = 0, top = 0, width = 0, height = 0;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
    bool isEmpty() const { return !(width > 0) || !(height > 0); }
    bool operator==(const RectF&) const = default;
};

// A font by family (UTF-8), size in pixels (at least 1) and style.
struct Font {
    std::string family;
    int size = 12;
    bool bold = false, italic = false, underline = false;
    bool operator==(const Font&) const = default;
};

// Where text goes in its box: one horizontal and one vertical choice, or-ed; SingleLine draws
// line breaks as spaces.
enum Align : unsigned {
    AlignLeft = 0x1,
    AlignRight = 0x2,
    AlignHCenter = 0x4,
    AlignTop = 0x20,
    AlignBottom = 0x40,
    AlignVCenter = 0x80,
    AlignCenter = AlignHCenter | AlignVCenter,
    SingleLine = 0x100,
};

enum class LineStyle { Solid, Dashed };

// The colour `c` with its value (brightness) divided by factor/100, hue and saturation kept; a
// factor of 100 or below returns `c` as it is.
Color darker(Color c, int factor);

// A surface to draw on. Text and lines are drawn with the pen; fills take their own colour.
// Texts that the font cannot show are drawn as the font's missing-glyph boxes, never refused.
class Painter {
public:
    virtual ~Painter() = default;

    virtual void save() = 0;    // pushes pen and font
    virtual void restore() = 0; // pops what the last save pushed

    virtual void setFont(const Font& f) = 0;
    virtual Font font() const = 0;
    // The pen for lines and text: `width` in units (0 draws the thinnest line the surface has).
    virtual void setPen(Color c, double width = 1, LineStyle style = LineStyle::Solid) = 0;

    virtual void drawLine(PointF from, PointF to) = 0;
    // Fills `r`; `alpha` 0..255 blends it over what is there.
    virtual void fillRect(const RectF& r, Color c, int alpha = 255) = 0;
    // Fills the polygon of `count` points, without an outline.
    virtual void fillPolygon(const PointF* points, int count, Color c) = 0;
    // Draws `text` in `box` as `align` (an or-ed Align) says, in the pen's colour; text larger
    // than the box runs over it.
    virtual void drawText(const RectF& box, unsigned align, const Text& text) = 0;

    // Measures in the current font: the height of a line, the advance of `text`, and `text` cut
    // at its end with an ellipsis so that it fits into `width` (as it is when it fits).
    virtual double lineHeight() const = 0;
    virtual double textWidth(const Text& text) const = 0;
    virtual Text elided(const Text& text, double width) const = 0;
};

// What the properties of a printed document show.
struct PageSetup {
    Text title;
    Text creator;
};

// A portrait A4 page drawn by `draw` (in points, 72 per inch, 595 by 842 from the top left
// corner, no margins) as the bytes of a one-page PDF with its fonts embedded as subsets and its
// text extractable as drawn. Where the system prints pages itself (printsPages()), there is no PDF
// writer: the bytes are empty.
Bytes pdfOfPage(const PageSetup& page, const std::function<void(Painter&)>& draw);

// Whether pages go to a printer the user chooses (Windows: the print dialog; a PDF printer gives a
// PDF) rather than into a PDF file the program writes (Linux, pdfOfPage).
bool printsPages();

// What printPage() came to.
struct PrintOutcome {
    enum Kind { Printed, Cancelled, Failed } kind = Printed;
    Text reason; // for Failed: why, in Chinese
};

// Asks for a printer with the system's print dialog, owned by `owner` (blocked while it shows),
// and prints the A4 page `draw` lays out in points (as for pdfOfPage) as one document named by
// page.title. Where printsPages() is false it prints nothing and fails with the reason.
PrintOutcome printPage(Form& owner, const PageSetup& page, const std::function<void(Painter&)>& draw);

} // namespace rt
