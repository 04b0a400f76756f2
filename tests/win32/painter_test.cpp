// The drawing interface over GDI, held to what the painter over QPainter is held to (where text
// lands for each alignment, eliding, blended fills, save/restore), and the chart drawn through it
// in the proportions of its values.
#include "runtime/chart.h"
#include "runtime/win32/painter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A white 32-bit bitmap to draw on, and what was drawn.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        std::fill(bits_, bits_ + width * height, 0x00FFFFFFu);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    rt::Color at(int x, int y) const {
        GdiFlush();
        const DWORD v = bits_[y * width_ + x];
        return {int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF)};
    }
    // The smallest rectangle holding every pixel that is not white.
    RECT ink() const {
        RECT r{width_, height_, -1, -1};
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (!(at(x, y) == rt::Color{255, 255, 255})) {
                    r.left = std::min<LONG>(r.left, x);
                    r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x);
                    r.bottom = std::max<LONG>(r.bottom, y);
                }
        return r;
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    DWORD* bits_ = nullptr;
};

TEST(GdiPainter, TextLandsWhereItsAlignmentSaysAndMeasuresAsTheFont) {
    const rt::RectF box{20, 20, 300, 100};
    struct Case {
        unsigned align;
        int edge; // 0 left/top, 1 centre, 2 right/bottom
        int vedge;
    };
    for (const Case c : {Case{rt::AlignLeft | rt::AlignTop, 0, 0}, Case{rt::AlignRight | rt::AlignBottom, 2, 2},
                         Case{rt::AlignCenter, 1, 1}, Case{rt::AlignHCenter | rt::AlignBottom, 1, 2},
                         Case{rt::AlignRight | rt::AlignVCenter | rt::SingleLine, 2, 1}}) {
        Canvas canvas(340, 140);
        rt::GdiPainter p(canvas.dc());
        p.setFont({"黑体", 24});
        p.setPen({0, 0, 0});
        p.drawText(box, c.align, "工作时间");
        const double width = p.textWidth("工作时间"), height = p.lineHeight();
        // A Chinese character is one em wide; a line a little more than one em high.
        EXPECT_NEAR(width, 4 * 24, 1);
        EXPECT_TRUE(height >= 24 && height <= 24 * 1.6) << height;
        const RECT ink = canvas.ink();
        ASSERT_GE(ink.right, ink.left);
        EXPECT_LE(ink.right - ink.left + 1, width + 2);
        EXPECT_LE(ink.bottom - ink.top + 1, height + 2);
        const double expectLeft = c.edge == 0 ? 20 : c.edge == 1 ? 170 - width / 2 : 320 - width;
        const double expectTop = c.vedge == 0 ? 20 : c.vedge == 1 ? 70 - height / 2 : 120 - height;
        EXPECT_LE(std::abs(ink.left - expectLeft), 4) << ink.left << " align " << c.align;
        EXPECT_TRUE(ink.top >= expectTop - 1 && ink.bottom <= expectTop + height + 1) << ink.top << " align " << c.align;
    }

    // Two lines centred as a block.
    Canvas canvas(340, 140);
    rt::GdiPainter p(canvas.dc());
    p.setFont({"宋体", 20});
    p.drawText(box, rt::AlignCenter, "上班\n时间");
    const RECT ink = canvas.ink();
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 70, 4);
    EXPECT_GT(ink.bottom - ink.top, 30);
}

TEST(GdiPainter, ElidesFillsBlendAndSaveRestoreKeepPenAndFont) {
    Canvas canvas(100, 100);
    rt::GdiPainter p(canvas.dc());
    p.setFont({"黑体", 12, true});
    const rt::Text longText = "工作日加班：12 小时　　休息日加班：8 小时";
    const rt::Text cut = p.elided(longText, 80);
    EXPECT_TRUE(p.textWidth(cut) <= 80 && cut != longText);
    EXPECT_TRUE(cut.toUtf8().ends_with("…"));
    EXPECT_TRUE(cut.toUtf8().starts_with("工作日"));
    EXPECT_EQ(p.elided("工时", 80), rt::Text("工时"));
    // A character outside the Basic Multilingual Plane is never cut in half.
    const rt::Text wide = p.elided("\U00020000\U00020000\U00020000\U00020000\U00020000\U00020000\U00020000", 40);
    EXPECT_EQ(rt::Text::fromUtf8(wide.toUtf8()), wide);
    EXPECT_TRUE(wide.toUtf8().ends_with("…"));

    p.setPen({255, 0, 0});
    p.save();
    p.setFont({"宋体", 30});
    p.setPen({0, 0, 255});
    p.restore();
    EXPECT_EQ(p.font(), (rt::Font{"黑体", 12, true}));
    p.drawText({0, 40, 100, 30}, rt::AlignLeft | rt::AlignTop, "工");
    bool red = false;
    for (int y = 40; y < 70; ++y)
        for (int x = 0; x < 20; ++x)
            red = red || canvas.at(x, y) == rt::Color{255, 0, 0};
    EXPECT_TRUE(red);

    p.fillRect({0, 0, 10, 10}, {255, 0, 0}, 34);
    p.fillRect({10, 0, 10, 10}, {255, 0, 0});
    const rt::Color tint = canvas.at(5, 5), full = canvas.at(15, 5);
    EXPECT_TRUE(tint.red == 255 && std::abs(tint.green - 221) <= 1) << tint.green;
    EXPECT_EQ(full, (rt::Color{255, 0, 0}));
    // Over another colour too (the chart tints columns over the plot's background).
    p.fillRect({0, 20, 10, 10}, {0, 0, 255});
    p.fillRect({0, 20, 10, 10}, {255, 0, 0}, 34);
    const rt::Color over = canvas.at(5, 25);
    EXPECT_TRUE(std::abs(over.red - 34) <= 1 && over.green == 0 && std::abs(over.blue - 221) <= 1)
        << over.red << "," << over.green << "," << over.blue;

    const rt::PointF triangle[] = {{30, 0}, {60, 0}, {30, 30}};
    p.fillPolygon(triangle, 3, {0, 128, 0});
    EXPECT_EQ(canvas.at(35, 5), (rt::Color{0, 128, 0}));
    EXPECT_EQ(canvas.at(58, 28), (rt::Color{255, 255, 255}));
}

TEST(GdiPainter, TheChartsBarsStandInTheProportionsOfTheirValues) {
    rt::detail::ChartPicture chart;
    chart.series = {{"工作日", {66, 133, 204}}};
    chart.bars = {{8, 0, "1", "", false}, {4, 0, "2", "", false}, {2, 0, "3", "", false}};
    chart.unit = "小时";
    const rt::RectF area{0, 0, 400, 300};
    Canvas canvas(400, 300);
    rt::GdiPainter p(canvas.dc());
    p.setFont({"宋体", 12});
    chart.draw(p, area);
    const rt::detail::ChartPicture::Metrics metrics{p.lineHeight(), [&](const rt::Text& t) { return p.textWidth(t); }};
    double heights[3] = {};
    for (int i = 0; i < 3; ++i) {
        const rt::RectF column = chart.column(i, area, metrics);
        ASSERT_FALSE(column.isEmpty());
        const int x = int(column.left + column.width / 2);
        for (int y = int(column.top); y < int(column.bottom()); ++y)
            heights[i] += canvas.at(x, y) == rt::Color{66, 133, 204};
        // The bar is found where the layout, measured through the same painter, puts it.
        EXPECT_EQ(chart.barAt({column.left + column.width / 2, column.bottom() - 2}, area, metrics), i);
    }
    ASSERT_GT(heights[2], 10);
    EXPECT_NEAR(heights[0] / heights[1], 2, 0.1);
    EXPECT_NEAR(heights[1] / heights[2], 2, 0.15);
}

} // namespace
