// The bar chart of the 图表 kind as a picture: what it shows and how it is drawn, through the
// drawing interface, so that every backend draws the same chart on the screen and on a page.
// Sizes follow the painter's font, so a printout draws the same picture at its own scale.
#pragma once

#include "runtime/draw.h"

#include <functional>
#include <vector>

namespace rt::detail {

struct KindProps;

struct ChartPicture {
    struct Series {
        Text title;
        Color color;
        bool shade = false; // the series' columns are tinted over the whole height
    };
    struct Bar {
        double value = 0; // 0 or more
        int series = 0;
        Text label;
        Text tooltip;
        bool marked = false;
    };

    std::vector<Series> series;
    Color markColor{214, 39, 40};
    Text markTitle;
    Color lineColor{96, 96, 96};
    Text lineTitle;
    Text unit;
    Color backColor{255, 255, 255};
    std::vector<Bar> bars;
    double reference = -1; // below 0: no line
    Text referenceCaption;

    // The series, colours, titles and unit as the control's description gives them.
    void describe(const KindProps& p);

    // Draws everything into `area`, with the painter's font as the base font of its texts. Leaves
    // the painter's pen and font as they were.
    void draw(Painter& p, const RectF& area) const;

    // How a font measures, for finding bars without drawing.
    struct Metrics {
        double lineHeight = 0;
        std::function<double(const Text&)> width;
    };
    // The column of bar `index` when the chart is drawn into `area` (empty for an index out of
    // range), and the bar whose column holds `point` (-1 for none).
    RectF column(int index, const RectF& area, const Metrics& m) const;
    int barAt(PointF point, const RectF& area, const Metrics& m) const;

private:
    struct Layout {
        RectF plot;      // the bars' area, the axis along its bottom
        double slot = 0; // width of one bar's column
        double top = 1;  // the value at the plot's top
        double step = 1; // between two scale lines
        double legendHeight = 0;
    };
    Layout layoutFor(const RectF& area, const Metrics& m) const;
    Color colorOf(int seriesIndex) const;
};

} // namespace rt::detail
