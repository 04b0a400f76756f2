// The carried pictures and the libjpeg decoder: sizes, colours, and refusal of damaged data.
#include "runtime/carried.h"
#include "runtime/qt/access.h"
#include "runtime/picture.h"
#include "runtime/program.h"

#include <QBuffer>
#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QImageWriter>
#include <QtTest>

#include <cstdlib>

namespace {

QByteArray resourceBytes(const char* path) {
    const std::string_view bytes = runtime::carriedFile(path);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

// Qt's own JPEG reader, as an independent oracle for the colours.
QImage decodeWithQt(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer, "jpeg");
    return reader.read();
}

int maxChannelDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return worst;
}

QByteArray encodeWithQt(const QImage& image, bool progressive) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return out;
}

} // namespace

class PictureTest : public QObject {
    Q_OBJECT

private slots:
    void carriedPicturesHaveTheirSizes_data();
    void carriedPicturesHaveTheirSizes();
    void jpegColoursMatchAnIndependentDecoder_data();
    void jpegColoursMatchAnIndependentDecoder();
    void backgroundEdgesAreTheGroundColour();
    void buttonCornersAreTransparent();
    void programIconHoldsThreeSizes();
    void greyAndProgressiveJpegs();
    void damagedJpegsGiveNullImages();
    void mutatedJpegsNeverCrash();
    void missingPictureIsNull();
    void plainPictureHandle();
};

void PictureTest::carriedPicturesHaveTheirSizes_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    using namespace runtime::pictures;
    QTest::newRow("background") << kBackground << QSize(612, 228);
    QTest::newRow("login") << kLogin << QSize(299, 151);
    QTest::newRow("button normal") << kButtonNormal << QSize(69, 24);
    QTest::newRow("button over") << kButtonOver << QSize(69, 24);
    QTest::newRow("button disabled") << kButtonDisabled << QSize(70, 25);
    QTest::newRow("icon") << kProgramIcon << QSize(48, 48);
    QTest::newRow("list title") << kListTitle << QSize(600, 20);
    QTest::newRow("list left") << kListEdgeLeft << QSize(5, 430);
    QTest::newRow("list right") << kListEdgeRight << QSize(5, 430);
    QTest::newRow("list bottom") << kListEdgeBottom << QSize(589, 5);
    QTest::newRow("list close") << kListClose << QSize(16, 16);
    QTest::newRow("list close active") << kListCloseActive << QSize(16, 16);
}

void PictureTest::carriedPicturesHaveTheirSizes() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image = runtime::loadPicture(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
}

void PictureTest::jpegColoursMatchAnIndependentDecoder_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("background") << runtime::pictures::kBackground;
    QTest::newRow("login") << runtime::pictures::kLogin;
}

void PictureTest::jpegColoursMatchAnIndependentDecoder() {
    QFETCH(QString, path);
    const QByteArray data = resourceBytes(qPrintable(path));
    const QImage ours = runtime::decodeJpeg(data);
    QCOMPARE(ours.format(), QImage::Format_RGB888);
    const QImage theirs = decodeWithQt(data);
    QVERIFY(!theirs.isNull());
    QCOMPARE(ours.size(), theirs.size());
    QVERIFY(maxChannelDifference(ours, theirs) <= 2);
}

// Windows taller than the background show it again below (or the ground colour): its top and
// bottom rows are the ground colour, blue-grey and light.
void PictureTest::backgroundEdgesAreTheGroundColour() {
    const QImage image = runtime::loadPicture(runtime::pictures::kBackground);
    for (int x = 0; x < image.width(); x += 51) {
        for (int y : {0, image.height() - 1}) {
            const QRgb p = image.pixel(x, y);
            QVERIFY2(std::abs(qRed(p) - 234) <= 4 && std::abs(qGreen(p) - 239) <= 4 &&
                         std::abs(qBlue(p) - 245) <= 4,
                     qPrintable(QStringLiteral("pixel %1,%2 is %3").arg(x).arg(y).arg(p, 8, 16)));
        }
    }
}

void PictureTest::buttonCornersAreTransparent() {
    for (const char* path : {runtime::pictures::kButtonNormal, runtime::pictures::kButtonOver}) {
        const QImage image =
            runtime::loadPicture(QString::fromLatin1(path)).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(68, 23)), 0);
        QCOMPARE(qAlpha(image.pixel(34, 12)), 255);
    }
    // The pointer-over plate is lighter than the normal one in the middle.
    const QImage normal = runtime::loadPicture(runtime::pictures::kButtonNormal);
    const QImage over = runtime::loadPicture(runtime::pictures::kButtonOver);
    QVERIFY(qGray(over.pixel(34, 16)) > qGray(normal.pixel(34, 16)));
}

void PictureTest::programIconHoldsThreeSizes() {
    const QByteArray data = resourceBytes(runtime::pictures::kProgramIcon);
    QCOMPARE(data.size(), 15086);
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer, "ico");
    QCOMPARE(reader.imageCount(), 3);
    QList<int> sides;
    for (int i = 0; i < 3; ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read();
        QVERIFY(image.hasAlphaChannel());
        QCOMPARE(qAlpha(image.pixel(0, image.height() - 1)), 0); // transparent corner
        sides << image.width();
    }
    QCOMPARE(sides, (QList<int>{48, 32, 16}));
    const QIcon icon = rt::qt::icon(rt::Picture::carried(runtime::pictures::kProgramIcon));
    QCOMPARE(icon.availableSizes().size(), 3);
}

void PictureTest::greyAndProgressiveJpegs() {
    QImage grey(40, 30, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y) {
        for (int x = 0; x < grey.width(); ++x) {
            grey.setPixel(x, y, qRgb(x * 6, x * 6, x * 6));
        }
    }
    const QImage greyDecoded = runtime::decodeJpeg(encodeWithQt(grey, false));
    QCOMPARE(greyDecoded.format(), QImage::Format_Grayscale8);
    QCOMPARE(greyDecoded.size(), QSize(40, 30));

    const QImage colour = runtime::loadPicture(runtime::pictures::kLogin);
    const QByteArray progressive = encodeWithQt(colour, true);
    const QImage decoded = runtime::decodeJpeg(progressive);
    QCOMPARE(decoded.size(), colour.size());
    QVERIFY(maxChannelDifference(decoded, decodeWithQt(progressive)) <= 2);
}

void PictureTest::damagedJpegsGiveNullImages() {
    const QByteArray good = resourceBytes(runtime::pictures::kBackground);
    QVERIFY(!runtime::decodeJpeg(good).isNull());
    QVERIFY(runtime::decodeJpeg(QByteArray()).isNull());
    QVERIFY(runtime::decodeJpeg(QByteArray("\xFF\xD8", 2)).isNull());
    QVERIFY(runtime::decodeJpeg(QByteArray("\xFF\xD8\xFF\xD9", 4)).isNull());
    QVERIFY(runtime::decodeJpeg(QByteArray("not a picture at all")).isNull());
    QVERIFY(runtime::decodeJpeg(resourceBytes(runtime::pictures::kButtonNormal)).isNull()); // a GIF
    // Cut at several places: inside the headers, inside the scan, just before the end marker.
    for (qsizetype cut : {qsizetype(3), qsizetype(20), qsizetype(200), good.size() / 2, good.size() - 2}) {
        QVERIFY2(runtime::decodeJpeg(good.left(cut)).isNull(), qPrintable(QString::number(cut)));
    }
    // Garbage after the headers.
    QByteArray garbage = good;
    const qsizetype scan = good.indexOf(QByteArray("\xFF\xDA", 2));
    QVERIFY(scan > 0);
    for (qsizetype i = scan + 20; i < garbage.size() - 2; ++i) {
        garbage[i] = static_cast<char>((i * 37) & 0xFF);
    }
    QVERIFY(runtime::decodeJpeg(garbage).isNull());
    // A frame header claiming 65000 x 65000 pixels is refused before anything large is allocated.
    QByteArray huge = good;
    const qsizetype frame = good.indexOf(QByteArray("\xFF\xC0", 2));
    QVERIFY(frame > 0);
    huge[frame + 5] = char(0xFD);
    huge[frame + 6] = char(0xE8);
    huge[frame + 7] = char(0xFD);
    huge[frame + 8] = char(0xE8);
    QVERIFY(runtime::decodeJpeg(huge).isNull());
}

// Deterministic mutations of a real JPEG: each gives a null image or a picture of some size, never
// a crash (the sanitizer build runs this too).
void PictureTest::mutatedJpegsNeverCrash() {
    const QByteArray good = resourceBytes(runtime::pictures::kLogin);
    quint32 state = 2024;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    int decoded = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray data = good;
        const int changes = 1 + static_cast<int>(next() % 8);
        for (int c = 0; c < changes; ++c) {
            const qsizetype at = static_cast<qsizetype>(next() % static_cast<quint32>(data.size()));
            data[at] = static_cast<char>(next() & 0xFF);
        }
        if (next() % 4 == 0) {
            data.truncate(static_cast<qsizetype>(next() % static_cast<quint32>(data.size())));
        }
        const QImage image = runtime::decodeJpeg(data);
        if (!image.isNull()) {
            ++decoded;
            QVERIFY(image.width() > 0 && image.height() > 0);
        }
    }
    QVERIFY(decoded < 300);
}

void PictureTest::missingPictureIsNull() {
    QVERIFY(runtime::loadPicture(QStringLiteral(":/pictures/none.jpg")).isNull());
    QVERIFY(runtime::loadPicture(QString()).isNull());
}

// The handle handlers hold: made from bytes (JPEG through libjpeg once the carried pictures are in
// use) or from a carried path, compared by its pixels, null for anything that is no picture.
void PictureTest::plainPictureHandle() {
    rt::useCarriedPictures();
    const QByteArray jpeg = resourceBytes(runtime::pictures::kLogin);
    const rt::Picture fromBytes = rt::Picture::fromBytes(rt::Bytes(jpeg.constData(), size_t(jpeg.size())));
    const rt::Picture carried = rt::Picture::carried(runtime::pictures::kLogin);
    QVERIFY(fromBytes.size() == (rt::Size{299, 151}));
    QCOMPARE(rt::qt::image(fromBytes).format(), QImage::Format_RGB888);
    QVERIFY(fromBytes == carried);
    QVERIFY(!(carried == rt::Picture::carried(runtime::pictures::kBackground)));
    QVERIFY(!(carried == rt::Picture()));
    QVERIFY(rt::Picture() == rt::Picture());
    QVERIFY(rt::Picture().size() == rt::Size{});
    QVERIFY(rt::Picture::fromBytes("not a picture at all").isNull());
    QVERIFY(rt::Picture::fromBytes(rt::Bytes(jpeg.constData(), 200)).isNull()); // truncated
    QVERIFY(rt::Picture::carried(":/pictures/none.jpg").isNull());
    // A picture made from a Qt image gives that image back; the carried icon keeps its sizes.
    QImage red(3, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    QCOMPARE(rt::qt::image(rt::qt::picture(red)), red);
    QCOMPARE(rt::qt::icon(rt::Picture::carried(runtime::pictures::kProgramIcon)).availableSizes().size(), 3);
}

QTEST_MAIN(PictureTest)
#include "picture_test.moc"
