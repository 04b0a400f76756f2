// The drawing interface over QPainter, and one-page PDFs with Qt's PDF writer.
//
// Qt's PDF writer names each glyph in the text map by the lowest code point the font draws with
// it, which for a CJK font is often a Kangxi radical or a traditional twin (工 as ⼯, 月 as ⽉, 户 as
// 戶), and under a Chinese locale, where the shaper takes the Chinese form of the em dash (the glyph
// of ―), names — as ―. pdfOfPage draws the page once more to learn what it draws, and names the
// glyphs by the characters drawn, whatever the locale.
#include "runtime/qt/painter.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QTextLayout>

#include <climits>
#include <cmath>
#include <set>
#include <unordered_map>
#include <vector>

namespace rt {

namespace {

QColor qColorOf(Color c, int alpha = 255) {
    return QColor(c.red, c.green, c.blue, alpha);
}

QRectF qRectOf(const RectF& r) {
    return QRectF(r.left, r.top, r.width, r.height);
}

} // namespace

QFont qFontOf(const Font& f) {
    QFont q(QString::fromStdString(f.family));
    q.setPixelSize(std::max(1, f.size));
    q.setBold(f.bold);
    q.setItalic(f.italic);
    q.setUnderline(f.underline);
    return q;
}

Font fontOf(const QFont& f) {
    const int size = f.pixelSize() > 0 ? f.pixelSize() : std::max(1, int(std::lround(f.pointSizeF())));
    return Font{f.family().toStdString(), size, f.bold(), f.italic(), f.underline()};
}

QtPainter::QtPainter(QPainter& painter) : p_(painter) {
    p_.setRenderHint(QPainter::Antialiasing);
}

void QtPainter::save() {
    p_.save();
}

void QtPainter::restore() {
    p_.restore();
}

void QtPainter::setFont(const Font& f) {
    p_.setFont(qFontOf(f));
}

Font QtPainter::font() const {
    return fontOf(p_.font());
}

void QtPainter::setPen(Color c, double width, LineStyle style) {
    p_.setPen(QPen(qColorOf(c), width, style == LineStyle::Dashed ? Qt::DashLine : Qt::SolidLine));
}

void QtPainter::drawLine(PointF from, PointF to) {
    p_.drawLine(QPointF(from.x, from.y), QPointF(to.x, to.y));
}

void QtPainter::fillRect(const RectF& r, Color c, int alpha) {
    p_.fillRect(qRectOf(r), qColorOf(c, std::clamp(alpha, 0, 255)));
}

void QtPainter::fillPolygon(const PointF* points, int count, Color c) {
    if (count < 3)
        return;
    std::vector<QPointF> q;
    q.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        q.emplace_back(points[i].x, points[i].y);
    const QPen pen = p_.pen();
    const QBrush brush = p_.brush();
    p_.setPen(Qt::NoPen);
    p_.setBrush(qColorOf(c));
    p_.drawPolygon(q.data(), count);
    p_.setBrush(brush);
    p_.setPen(pen);
}

void QtPainter::drawText(const RectF& box, unsigned align, const Text& text) {
    int flags = 0;
    if (align & AlignLeft)
        flags |= Qt::AlignLeft;
    if (align & AlignRight)
        flags |= Qt::AlignRight;
    if (align & AlignHCenter)
        flags |= Qt::AlignHCenter;
    if (align & AlignTop)
        flags |= Qt::AlignTop;
    if (align & AlignBottom)
        flags |= Qt::AlignBottom;
    if (align & AlignVCenter)
        flags |= Qt::AlignVCenter;
    if (align & SingleLine)
        flags |= Qt::TextSingleLine;
    p_.drawText(qRectOf(box), flags, text.toQString());
}

double QtPainter::lineHeight() const {
    return QFontMetricsF(p_.font(), p_.device()).height();
}

double QtPainter::textWidth(const Text& text) const {
    return QFontMetricsF(p_.font(), p_.device()).horizontalAdvance(text.toQString());
}

Text QtPainter::elided(const Text& text, double width) const {
    return Text(QFontMetricsF(p_.font(), p_.device()).elidedText(text.toQString(), Qt::ElideRight, width));
}

namespace {

// A paint device that draws nothing and notes every text drawn on it, with its font.
class TextRecorder : public QPaintDevice {
public:
    std::vector<std::pair<QFont, QString>> texts;

    QPaintEngine* paintEngine() const override { return &engine_; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
            return 595;
        case PdmHeight:
            return 842;
        case PdmWidthMM:
            return 210;
        case PdmHeightMM:
            return 297;
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default: // the resolutions: 72 per inch, as the page is laid out
            return 72;
        }
    }

private:
    class Engine : public QPaintEngine {
    public:
        explicit Engine(TextRecorder& owner) : owner_(owner) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPath(const QPainterPath&) override {}
        void drawRects(const QRectF*, int) override {}
        void drawLines(const QLineF*, int) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override {
            owner_.texts.emplace_back(item.font(), item.text());
        }
        Type type() const override { return User; }

    private:
        TextRecorder& owner_;
    };
    mutable Engine engine_{*const_cast<TextRecorder*>(this)};
};

// For each glyph of the font, the lowest code point of the Basic Multilingual Plane that the
// font draws with it: the character Qt's PDF writer names that glyph by in the text map.
const std::unordered_map<quint32, char16_t>& firstCodeOfGlyph(const QRawFont& raw) {
    static std::map<QString, std::unordered_map<quint32, char16_t>> cache;
    const QString key = raw.familyName() + u'/' + raw.styleName();
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    std::vector<QChar> chars(0x10000);
    for (uint c = 0; c < 0x10000; ++c)
        chars[c] = QChar::isSurrogate(c) ? QChar(u' ') : QChar(char16_t(c));
    std::vector<quint32> glyphs(chars.size());
    int count = int(glyphs.size());
    std::unordered_map<quint32, char16_t>& first = cache[key];
    if (raw.glyphIndexesForChars(chars.data(), int(chars.size()), glyphs.data(), &count) &&
        count == int(chars.size()))
        for (uint c = 0x10000; c-- > 0;)
            if (glyphs[c] != 0 && !QChar::isSurrogate(c))
                first[glyphs[c]] = char16_t(c);
    return first;
}

// The repairs the text map of a page needs: for every character drawn whose glyph the font also
// draws for a lower code point (工 and the Kangxi radical ⼯, 户 and 戶), that code point and the
// character drawn. The glyph is the one shaping gives, in the font that really draws it: under a
// Chinese locale the shaper takes the Chinese form of some characters (the em dash — drawn as the
// glyph of the horizontal bar ―).
std::map<char16_t, char16_t> textMapRepairs(const std::vector<std::pair<QFont, QString>>& drawn) {
    std::map<char16_t, char16_t> repairs;
    std::set<std::pair<QString, QString>> seen;
    for (const auto& [font, text] : drawn) {
        if (!seen.emplace(font.key(), text).second)
            continue;
        // Shaped as drawn, in context (a character alone may take another form).
        QTextLayout layout(text, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c.isSurrogate() || c.unicode() < 0x80)
                continue;
            for (const QGlyphRun& run : layout.glyphRuns(int(i), 1)) {
                const auto& first = firstCodeOfGlyph(run.rawFont());
                for (const quint32 glyph : run.glyphIndexes()) {
                    auto f = first.find(glyph);
                    if (glyph != 0 && f != first.end() && f->second != c.unicode())
                        repairs.emplace(f->second, c.unicode());
                }
            }
        }
    }
    return repairs;
}

} // namespace

Bytes pdfOfPage(const PageSetup& page, const std::function<void(Painter&)>& draw) {
    // The page drawn once to learn its texts, then into the PDF.
    TextRecorder recorder;
    {
        QPainter p(&recorder);
        QtPainter painter(p);
        draw(painter);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point));
        writer.setTitle(page.title.toQString());
        writer.setCreator(page.creator.toQString());
        QPainter p(&writer);
        QtPainter painter(p);
        draw(painter);
    }
    QByteArray pdf = buffer.data();
    fixPdfTextMaps(pdf, textMapRepairs(recorder.texts));
    return pdf.toStdString();
}

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The "<XXXX>" tokens of one line of a CMap section: where each starts and its value (-1 when it
// is not four hex digits).
struct Token {
    qsizetype at;
    int value;
};
std::vector<Token> tokensOf(const QByteArray& pdf, qsizetype from, qsizetype to) {
    std::vector<Token> out;
    for (qsizetype i = from; i < to; ++i) {
        if (pdf[i] != '<')
            continue;
        const qsizetype close = pdf.indexOf('>', i);
        if (close < 0 || close >= to)
            break;
        int value = -1;
        if (close - i == 5) {
            value = 0;
            for (qsizetype k = i + 1; k < close && value >= 0; ++k) {
                const int v = hexValue(pdf[k]);
                value = v < 0 ? -1 : value * 16 + v;
            }
        }
        out.push_back({i, value});
        i = close;
    }
    return out;
}

void writeHex(QByteArray& pdf, qsizetype at, char16_t code) {
    static const char digits[] = "0123456789ABCDEF";
    for (int k = 0; k < 4; ++k)
        pdf[at + 1 + k] = digits[(code >> (12 - 4 * k)) & 0xF];
}

} // namespace

void fixPdfTextMaps(QByteArray& pdf, const std::map<char16_t, char16_t>& repairs) {
    for (const bool ranges : {false, true}) {
        const QByteArray begin = ranges ? "beginbfrange" : "beginbfchar";
        const QByteArray end = ranges ? "endbfrange" : "endbfchar";
        for (qsizetype at = pdf.indexOf(begin); at >= 0; at = pdf.indexOf(begin, at)) {
            const qsizetype stop = pdf.indexOf(end, at);
            if (stop < 0)
                return;
            qsizetype line = at + begin.size();
            while (line < stop) {
                qsizetype next = pdf.indexOf('\n', line);
                if (next < 0 || next > stop)
                    next = stop;
                const std::vector<Token> tokens = tokensOf(pdf, line, next);
                // bfchar: <source> <destination>. bfrange: <low> <high> then either [<d> <d> ...]
                // (one destination per code) or <d> (the first of consecutive destinations).
                const size_t first = ranges ? 2 : 1;
                // A run of consecutive destinations cannot be put right in place; left as it is.
                const bool consecutive = ranges && tokens.size() == 3 && tokens[0].value != tokens[1].value;
                for (size_t k = first; k < tokens.size() && !consecutive; ++k) {
                    if (tokens[k].value < 0)
                        continue;
                    auto repair = repairs.find(char16_t(tokens[k].value));
                    if (repair != repairs.end())
                        writeHex(pdf, tokens[k].at, repair->second);
                }
                line = next + 1;
            }
            at = stop + end.size();
        }
    }
}

bool printsPages() {
    return false;
}

// Pages become PDF files here (pdfOfPage), which the desktop's viewer prints.
PrintOutcome printPage(Form&, const PageSetup&, const std::function<void(Painter&)>&) {
    return {PrintOutcome::Failed, "打印失败：请保存为 PDF 后打印。"};
}

} // namespace rt
