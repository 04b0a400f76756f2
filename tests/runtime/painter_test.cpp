// The drawing interface over QPainter: where text lands for each alignment, eliding, blended
// fills, fonts kept by save/restore, and the darker colours of the chart's labels.
#include "runtime/qt/painter.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

// The smallest rectangle holding every pixel that is not white.
QRect inkOf(const QImage& image) {
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

} // namespace

class PainterTest : public QObject {
    Q_OBJECT
private slots:
    void textAlignmentAndMeasures() {
        const rt::RectF box{20, 20, 300, 100};
        struct Case {
            unsigned align;
            int edge; // 0 left/top, 1 centre, 2 right/bottom
            int vedge;
        };
        for (const Case c : {Case{rt::AlignLeft | rt::AlignTop, 0, 0}, Case{rt::AlignRight | rt::AlignBottom, 2, 2},
                             Case{rt::AlignCenter, 1, 1}, Case{rt::AlignHCenter | rt::AlignBottom, 1, 2}}) {
            QImage image(340, 140, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter q(&image);
            rt::QtPainter p(q);
            p.setFont({"黑体", 24});
            p.setPen({0, 0, 0});
            p.drawText(box, c.align, "工作时间");
            const double width = p.textWidth("工作时间"), height = p.lineHeight();
            q.end();
            const QRect ink = inkOf(image);
            QVERIFY(!ink.isEmpty());
            QVERIFY(ink.width() <= width + 2 && ink.height() <= height + 2);
            const double expectLeft = c.edge == 0 ? 20 : c.edge == 1 ? 170 - width / 2 : 320 - width;
            const double expectTop = c.vedge == 0 ? 20 : c.vedge == 1 ? 70 - height / 2 : 120 - height;
            QVERIFY2(std::abs(ink.left() - expectLeft) <= 4, qPrintable(QString::number(ink.left())));
            QVERIFY(ink.top() >= expectTop - 1 && ink.bottom() <= expectTop + height + 1);
        }

        QImage image(100, 100, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter q(&image);
        rt::QtPainter p(q);
        p.setFont({"黑体", 12, true});
        const rt::Text longText = "工作日加班：12 小时　　休息日加班：8 小时";
        const rt::Text cut = p.elided(longText, 80);
        QVERIFY(p.textWidth(cut) <= 80 && cut != longText);
        QVERIFY(cut.toUtf8().ends_with("…"));
        QCOMPARE(p.elided("工时", 80), rt::Text("工时"));

        // save/restore keep the font; a fill blends with its alpha.
        p.save();
        p.setFont({"宋体", 30});
        p.restore();
        QCOMPARE(p.font(), (rt::Font{"黑体", 12, true}));
        p.fillRect({0, 0, 10, 10}, {255, 0, 0}, 34);
        p.fillRect({10, 0, 10, 10}, {255, 0, 0});
        q.end();
        const QColor tint = image.pixelColor(5, 5), full = image.pixelColor(15, 5);
        QVERIFY(tint.red() == 255 && std::abs(tint.green() - 221) <= 1);
        QCOMPARE(full, QColor(255, 0, 0));
    }

    // The chart's labels of rest days and holidays: their series' colours darkened as Qt does.
    void darkerAsQt() {
        for (const rt::Color c : {rt::Color{236, 151, 31}, rt::Color{46, 160, 110}, rt::Color{66, 133, 204}}) {
            const QColor q = QColor(c.red, c.green, c.blue).darker(125);
            QCOMPARE(rt::darker(c, 125), (rt::Color{q.red(), q.green(), q.blue()}));
        }
        QCOMPARE(rt::darker({10, 20, 30}, 100), (rt::Color{10, 20, 30}));
    }
};

QTEST_MAIN(PainterTest)
#include "painter_test.moc"
