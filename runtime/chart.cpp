// The bar chart's drawing and layout.
#include "runtime/chart.h"
#include "runtime/loader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace rt::detail {

namespace {

Font scaledFont(const Font& base, double factor) {
    Font f = base;
    f.size = std::max(1, int(std::lround(base.size * factor)));
    return f;
}

Text valueText(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return Text(buf);
}

} // namespace

void ChartPicture::describe(const KindProps& p) {
    for (const SeriesDesc& s : p.series)
        series.push_back({Text::fromUtf8(s.title), s.color, s.shade});
    if (auto color = p.markColor)
        markColor = *color;
    if (auto color = p.lineColor)
        lineColor = *color;
    if (auto color = p.backColor)
        backColor = *color;
    markTitle = Text::fromUtf8(p.markTitle);
    lineTitle = Text::fromUtf8(p.lineTitle);
    unit = Text::fromUtf8(p.unit);
}

Color ChartPicture::colorOf(int seriesIndex) const {
    if (series.empty())
        return {66, 133, 204};
    if (seriesIndex < 0 || size_t(seriesIndex) >= series.size())
        return series.front().color;
    return series[size_t(seriesIndex)].color;
}

ChartPicture::Layout ChartPicture::layoutFor(const RectF& area, const Metrics& m) const {
    Layout l;
    const double h = m.lineHeight;
    double highest = reference >= 0 ? reference : 0;
    for (const Bar& b : bars)
        if (b.value > highest)
            highest = b.value;
    // Room above the highest bar for its value; at most six scale steps of a round size.
    // The search starts at the power of ten just below a sixth of it, so that it ends at most one
    // power higher, however large the values are.
    const double wanted = std::min(std::max(highest, 1.0) * 1.1, 1e300);
    for (double magnitude = std::max(1.0, std::pow(10.0, std::floor(std::log10(wanted / 6))));;
         magnitude *= 10) {
        bool found = false;
        for (double k : {1.0, 2.0, 4.0, 5.0}) {
            if (std::ceil(wanted / (k * magnitude)) <= 6) {
                l.step = k * magnitude;
                found = true;
                break;
            }
        }
        if (found)
            break;
    }
    l.top = std::ceil(wanted / l.step) * l.step;
    l.legendHeight = h * 1.5;
    const double scaleWidth = m.width(valueText(l.top)) + h * 0.4;
    const double left = area.left + scaleWidth + h * 0.3;
    const double right = area.right() - h * 0.4;
    const double top = area.top + l.legendHeight + h * 0.3;
    const double bottom = area.bottom() - h * 0.7 - h * 1.3; // marks, then labels
    l.plot = RectF{left, top, std::max(1.0, right - left), std::max(1.0, bottom - top)};
    l.slot = l.plot.width / double(std::max<size_t>(bars.size(), 1));
    return l;
}

RectF ChartPicture::column(int index, const RectF& area, const Metrics& m) const {
    if (index < 0 || size_t(index) >= bars.size())
        return {};
    const Layout l = layoutFor(area, m);
    return RectF{l.plot.left + index * l.slot, l.plot.top, l.slot, l.plot.height};
}

int ChartPicture::barAt(PointF point, const RectF& area, const Metrics& m) const {
    if (bars.empty())
        return -1;
    const Layout l = layoutFor(area, m);
    if (point.y < l.plot.top || point.y > area.bottom() || point.x < l.plot.left || point.x >= l.plot.right())
        return -1;
    const int i = int((point.x - l.plot.left) / l.slot);
    return i >= 0 && size_t(i) < bars.size() ? i : -1;
}

void ChartPicture::draw(Painter& p, const RectF& area) const {
    p.save();
    const Font base = p.font();
    const Font small = scaledFont(base, 0.85);
    p.setFont(small);
    const double smallHeight = p.lineHeight();
    p.setFont(base);
    const double h = p.lineHeight();
    const Metrics metrics{h, [&p](const Text& t) { return p.textWidth(t); }};
    const double hair = std::max(0.5, h / 16);
    const Layout l = layoutFor(area, metrics);
    const RectF& plot = l.plot;
    const Color text{60, 60, 60};
    auto yOf = [&](double v) { return plot.bottom() - std::clamp(v, 0.0, l.top) / l.top * plot.height; };

    // Scale lines and their values.
    for (double v = 0; v <= l.top + l.step / 2; v += l.step) {
        const double y = yOf(v);
        if (v > 0) {
            p.setPen({225, 225, 225}, hair);
            p.drawLine({plot.left, y}, {plot.right(), y});
        }
        p.setPen(text);
        p.drawText(RectF{area.left, y - h / 2, plot.left - area.left - h * 0.3, h}, AlignRight | AlignVCenter,
                   valueText(v));
    }

    // Tinted columns, the bars and their values.
    const double barWidth = l.slot * 0.66;
    for (size_t i = 0; i < bars.size(); ++i) {
        const Bar& b = bars[i];
        const double x = plot.left + double(i) * l.slot;
        const bool shade = b.series >= 0 && size_t(b.series) < series.size() && series[size_t(b.series)].shade;
        if (shade)
            p.fillRect(RectF{x, plot.top, l.slot, plot.height}, colorOf(b.series), 34);
        const double value = std::isfinite(b.value) && b.value > 0 ? b.value : 0;
        if (value <= 0)
            continue;
        const RectF bar{x + (l.slot - barWidth) / 2, yOf(value), barWidth, plot.bottom() - yOf(value)};
        p.fillRect(bar, colorOf(b.series));
        const Text label = valueText(value);
        p.setFont(small);
        if (p.textWidth(label) <= l.slot + 1) {
            p.setPen(text);
            p.drawText(RectF{x - l.slot / 2, bar.top - smallHeight, l.slot * 2, smallHeight},
                       AlignHCenter | AlignBottom, label);
        }
        p.setFont(base);
    }

    // The axes.
    p.setPen({90, 90, 90}, hair * 1.5);
    p.drawLine({plot.left, plot.bottom()}, {plot.right(), plot.bottom()});
    p.drawLine({plot.left, plot.top}, {plot.left, plot.bottom()});

    // The reference line with its caption at the right end.
    if (reference >= 0) {
        const double y = yOf(reference);
        p.setPen(lineColor, hair * 2, LineStyle::Dashed);
        p.drawLine({plot.left, y}, {plot.right(), y});
    }

    // Marks under the axis, then the labels (every k-th when they do not all fit).
    const double markSize = std::min(l.slot * 0.32, h * 0.32);
    for (size_t i = 0; i < bars.size(); ++i) {
        if (!bars[i].marked)
            continue;
        const double cx = plot.left + (double(i) + 0.5) * l.slot;
        const double top = plot.bottom() + h * 0.12;
        const PointF tri[3] = {{cx, top}, {cx - markSize, top + markSize * 1.6}, {cx + markSize, top + markSize * 1.6}};
        p.fillPolygon(tri, 3, markColor);
    }
    double widest = 0;
    for (const Bar& b : bars)
        widest = std::max(widest, p.textWidth(b.label));
    const int every = l.slot > 0 ? std::max(1, int(std::ceil((widest + h * 0.25) / l.slot))) : 1;
    const double labelTop = plot.bottom() + h * 0.7;
    for (size_t i = 0; i < bars.size(); i += size_t(every)) {
        const Bar& b = bars[i];
        p.setPen(b.series > 0 ? darker(colorOf(b.series), 125) : text);
        const double x = plot.left + double(i) * l.slot;
        p.drawText(RectF{x - l.slot, labelTop, l.slot * 3, h * 1.2}, AlignHCenter | AlignTop, b.label);
    }

    // The legend: the unit on the left, the series, the marks and the line on the right.
    const double legendMid = area.top + l.legendHeight / 2;
    if (!unit.empty()) {
        p.setPen(text);
        p.drawText(RectF{area.left, area.top, area.width / 3, l.legendHeight}, AlignLeft | AlignVCenter, unit);
    }
    struct Item {
        int kind; // 0 swatch, 1 mark, 2 line
        Color color;
        Text title;
    };
    std::vector<Item> items;
    for (const Series& s : series)
        items.push_back({0, s.color, s.title});
    if (!markTitle.empty())
        items.push_back({1, markColor, markTitle});
    // The line's caption goes with its title in the legend, where it covers no bar's value.
    const Text lineText = lineTitle.empty() || referenceCaption.empty() ? lineTitle + referenceCaption
                                                                         : lineTitle + " " + referenceCaption;
    if (!lineText.empty() && reference >= 0)
        items.push_back({2, lineColor, lineText});
    const double swatch = h * 0.7, gap = h * 0.35, spacing = h * 0.9;
    double total = 0;
    for (const Item& it : items)
        total += (it.kind == 2 ? swatch * 1.6 : swatch) + gap + p.textWidth(it.title) + spacing;
    double x = area.right() - total + spacing - h * 0.4;
    for (const Item& it : items) {
        const double w = it.kind == 2 ? swatch * 1.6 : swatch;
        const RectF sw{x, legendMid - swatch / 2, w, swatch};
        if (it.kind == 0) {
            p.fillRect(sw, it.color);
        } else if (it.kind == 1) {
            const PointF tri[3] = {{sw.left + sw.width / 2, sw.top}, {sw.left, sw.bottom()}, {sw.right(), sw.bottom()}};
            p.fillPolygon(tri, 3, it.color);
        } else {
            p.setPen(it.color, hair * 2, LineStyle::Dashed);
            p.drawLine({sw.left, legendMid}, {sw.right(), legendMid});
        }
        x += w + gap;
        p.setPen(text);
        const double tw = p.textWidth(it.title);
        p.drawText(RectF{x, area.top, tw + 1, l.legendHeight}, AlignLeft | AlignVCenter, it.title);
        x += tw + spacing;
    }
    p.restore();
}

} // namespace rt::detail
