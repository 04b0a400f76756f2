// The monthly timesheet as a one-page PDF.
#include "ui/report/timesheet.h"

#include "jet/atomic_file.h"
#include "runtime/datetime.h"
#include "ui/report/report_window.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <map>
#include <set>
#include <unordered_map>

namespace ui {

namespace {

QString q(const rt::Text& t) {
    return t.toQString();
}

QString q16(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

// Pixel sizes: the page is laid out at 72 units per inch, so a pixel is a point.
QFont pageFont(int size, bool bold = false) {
    QFont f(QStringLiteral("黑体"));
    f.setPixelSize(size);
    f.setBold(bold);
    return f;
}

const QColor kRestDay(236, 151, 31);
const QColor kHoliday(46, 160, 110);
const QColor kMissing(192, 32, 32);
const QColor kRule(150, 150, 150);

// The notes of a day's entries on one line.
QString dayNotes(const report::Report& r, const report::DayReport& d) {
    QStringList parts;
    for (const report::EntryRef& e : r.entriesOf(d)) {
        const QString n = q16(e.notes).simplified();
        if (!n.isEmpty())
            parts << n;
    }
    return parts.join(QStringLiteral("；"));
}

// The suspicious entries ("10月14日 30 小时 GZ-00009") on at most `maxLines` lines of `width`,
// after `head`: all of them while they fit, else as many as fit and "另有 N 条未列出".
QStringList suspiciousLines(const report::Report& r, const QString& head, const QFontMetricsF& fm, double width,
                            int maxLines) {
    QStringList items;
    for (const report::SuspiciousEntry& e : r.suspicious) {
        const report::YearMonthDay d = report::splitDay(e.date);
        items << QString::number(d.month) + u'月' + QString::number(d.day) + QStringLiteral("日 ") +
                     (e.hours ? QString::number(*e.hours) + QStringLiteral(" 小时") : QStringLiteral("工时为空")) +
                     u' ' + (e.id.empty() ? QStringLiteral("（无工作序号）") : q16(e.id));
    }
    // The lines of the first `k` items, then `tail` when it is not empty.
    auto layout = [&](qsizetype k, const QString& tail) {
        QStringList lines;
        QString line = head;
        auto add = [&](const QString& item) {
            const QString joined = line == head ? line + item : line + QStringLiteral("；") + item;
            if (fm.horizontalAdvance(joined) <= width || line == head) {
                line = joined;
            } else {
                lines << line;
                line = item;
            }
        };
        for (qsizetype i = 0; i < k; ++i)
            add(items[i]);
        if (!tail.isEmpty())
            add(tail);
        lines << line;
        return lines;
    };
    QStringList all = layout(items.size(), {});
    if (all.size() <= maxLines)
        return all;
    // The most items that fit with the tail (more items never take fewer lines).
    auto withTail = [&](qsizetype k) { return layout(k, QStringLiteral("另有 %1 条未列出").arg(items.size() - k)); };
    qsizetype lo = 0, hi = items.size() - 1;
    while (lo < hi) {
        const qsizetype mid = (lo + hi + 1) / 2;
        if (withTail(mid).size() <= maxLines)
            lo = mid;
        else
            hi = mid - 1;
    }
    QStringList some = withTail(lo);
    return some.size() <= maxLines ? some : QStringList();
}

// Text in a box, cut with an ellipsis where it does not fit on one line.
void drawLine(QPainter& p, const QRectF& box, const QString& text, Qt::Alignment align = Qt::AlignLeft) {
    const QFontMetricsF fm(p.font(), p.device());
    p.drawText(box, align | Qt::AlignVCenter | Qt::TextSingleLine,
               fm.elidedText(text, Qt::ElideRight, box.width()));
}

// "本人签字：" and a line to sign on, then "日期：" and a line for the date.
void signatureLine(QPainter& p, double left, double y, const QString& who) {
    const QFontMetricsF fm(p.font(), p.device());
    const double h = 20;
    p.setPen(Qt::black);
    double x = left;
    const double whoWidth = fm.horizontalAdvance(who);
    p.drawText(QRectF(x, y, whoWidth + 2, h), Qt::AlignLeft | Qt::AlignBottom, who);
    x += whoWidth + 4;
    p.setPen(QPen(Qt::black, 0.7));
    p.drawLine(QPointF(x, y + h - 2), QPointF(x + 150, y + h - 2));
    x += 180;
    const QString date = QStringLiteral("日期：");
    const double dateWidth = fm.horizontalAdvance(date);
    p.drawText(QRectF(x, y, dateWidth + 2, h), Qt::AlignLeft | Qt::AlignBottom, date);
    x += dateWidth + 4;
    p.drawLine(QPointF(x, y + h - 2), QPointF(x + 110, y + h - 2));
}

// The whole page, drawn at 72 units per inch.
void drawPage(QPainter& p, const report::Report& r, const QString& title, const ChartDrawer& chart,
              double printedOn) {
    p.setRenderHint(QPainter::Antialiasing);
    {
        const double left = 42, right = 595 - 42, width = right - left;
        double y = 36;

        p.setFont(pageFont(17, true));
        p.setPen(Qt::black);
        p.drawText(QRectF(left, y, width, 26), Qt::AlignCenter, title);
        y += 32;

        p.setFont(pageFont(10));
        const QString name = r.personName.empty() ? QStringLiteral("—") : q16(r.personName);
        QString employer = r.entries.empty() ? QStringLiteral("—") : QString::fromStdString(report::employersText(r, 3));
        if (r.byCompany.size() > 1)
            employer += QStringLiteral("（各公司的工时见下方合计）");
        drawLine(p, QRectF(left, y, width * 0.3, 16), QStringLiteral("姓名：") + name);
        drawLine(p, QRectF(left + width * 0.3, y, width * 0.7, 16), QStringLiteral("公司：") + employer);
        y += 19;
        p.setPen(QPen(kRule, 0.6));
        p.drawLine(QPointF(left, y), QPointF(right, y));
        y += 5;

        if (chart) {
            p.setFont(pageFont(7));
            chart(p, QRectF(left, y, width, 116));
        }
        y += 122;

        // One line per day: date, weekday, kind, hours, notes.
        const double cols[] = {left, left + 58, left + 98, left + 200, left + 246};
        const double rowHeight = 13.5, headerHeight = 15;
        p.fillRect(QRectF(left, y, width, headerHeight), QColor(232, 232, 232));
        p.setFont(pageFont(9, true));
        p.setPen(Qt::black);
        const QString headers[] = {QStringLiteral("日期"), QStringLiteral("星期"), QStringLiteral("类别"),
                                   QStringLiteral("工时"), QStringLiteral("工作备注")};
        for (int c = 0; c < 5; ++c) {
            const double x = cols[c] + 3, w = (c < 4 ? cols[c + 1] : right) - cols[c] - 6;
            drawLine(p, QRectF(x, y, w, headerHeight), headers[c], c == 3 ? Qt::AlignRight : Qt::AlignLeft);
        }
        y += headerHeight;
        p.setFont(pageFont(9));
        for (size_t i = 0; i < r.days.size(); ++i) {
            const report::DayReport& d = r.days[i];
            const QRectF row(left, y, width, rowHeight);
            if (d.kind != report::DayKind::Workday) {
                QColor tint = d.kind == report::DayKind::Holiday ? kHoliday : kRestDay;
                tint.setAlpha(40);
                p.fillRect(row, tint);
            } else if (i % 2 == 1) {
                p.fillRect(row, QColor(246, 246, 246));
            }
            const report::YearMonthDay date = report::splitDay(d.date);
            QString hours;
            if (d.entryCount > 0)
                hours = q(hoursText(double(d.hours)));
            QString notes = dayNotes(r, d);
            p.setPen(Qt::black);
            drawLine(p, QRectF(cols[0] + 3, y, cols[1] - cols[0] - 6, rowHeight),
                     QStringLiteral("%1月%2日").arg(date.month).arg(date.day));
            drawLine(p, QRectF(cols[1] + 3, y, cols[2] - cols[1] - 6, rowHeight),
                     QString::fromUtf8(report::weekdayName(d.date)));
            drawLine(p, QRectF(cols[2] + 3, y, cols[3] - cols[2] - 6, rowHeight), q(dayKindText(d)));
            if (d.missing) {
                p.setPen(kMissing);
                drawLine(p, QRectF(cols[3] + 3, y, cols[4] - cols[3] - 6, rowHeight),
                         QStringLiteral("缺记录"), Qt::AlignRight);
                p.setPen(Qt::black);
            } else {
                drawLine(p, QRectF(cols[3] + 3, y, cols[4] - cols[3] - 6, rowHeight), hours, Qt::AlignRight);
            }
            drawLine(p, QRectF(cols[4] + 3, y, right - cols[4] - 6, rowHeight), notes);
            y += rowHeight;
        }
        p.setPen(QPen(kRule, 0.6));
        p.drawLine(QPointF(left, y), QPointF(right, y));
        y += 8;

        // Totals.
        const report::Totals& t = r.totals;
        p.setFont(pageFont(10, true));
        p.setPen(Qt::black);
        drawLine(
            p, QRectF(left, y, width, 15),
            QStringLiteral("合计工时：%1 小时　　出勤天数 / 应出勤天数：%2 / %3　　缺记录的工作日：%4 天")
                .arg(q(hoursText(double(t.hours))))
                .arg(t.daysWorked)
                .arg(t.workdays)
                .arg(t.missing));
        y += 15;
        drawLine(p, QRectF(left, y, width, 15),
                 QStringLiteral("工作日加班：%1 小时　　休息日加班：%2 小时　　节假日加班：%3 小时")
                     .arg(q(hoursText(t.overtime.workday)), q(hoursText(t.overtime.restday)),
                          q(hoursText(t.overtime.holiday))));
        y += 17;
        p.setFont(pageFont(8));
        if (r.byCompany.size() > 1) {
            QStringList parts;
            for (const report::CompanyTotal& c : r.byCompany)
                parts << QStringLiteral("%1 %2 小时（%3 天）")
                             .arg(c.company.empty() ? QStringLiteral("（未填公司）") : q16(c.company),
                                  q(hoursText(double(c.hours))))
                             .arg(c.days);
            drawLine(p, QRectF(left, y, width, 12),
                     QStringLiteral("各公司：") + parts.join(QStringLiteral("；")));
            y += 12;
        }
        const QString notice = q(reportNotice(r));
        if (!notice.isEmpty()) {
            p.setPen(kMissing);
            drawLine(p, QRectF(left, y, width, 12), notice);
            y += 12;
        }
        // The suspicious entries, on the lines left above the signatures (which end by 800).
        const double lineHeight = 11, lastLine = 800 - 16 - 32 - 20;
        if (!r.suspicious.empty() && y + lineHeight <= lastLine) {
            const QFontMetricsF fm(p.font(), p.device());
            const int room = int((lastLine - y) / lineHeight);
            p.setPen(kMissing);
            // Item by item, so that each is shaped on its own: the digits that start an item are
            // then not taken for part of the Latin text (an ID) before them, whose digit glyphs the
            // PDF's text layer does not name.
            for (const QString& line : suspiciousLines(r, QStringLiteral("可疑记录："), fm, width, room)) {
                double x = left;
                const QStringList pieces = line.split(u'；');
                for (qsizetype i = 0; i < pieces.size(); ++i) {
                    const QString piece = i + 1 < pieces.size() ? pieces[i] + u'；' : pieces[i];
                    const double w = fm.horizontalAdvance(piece);
                    p.drawText(QRectF(x, y, std::min(w + 1, left + width - x), lineHeight),
                               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, piece);
                    x += w;
                }
                y += lineHeight;
            }
        }

        // Signatures.
        p.setFont(pageFont(11));
        y = std::max(y + 16, 724.0);
        signatureLine(p, left, y, QStringLiteral("本人签字："));
        y += 32;
        signatureLine(p, left, y, QStringLiteral("主管签字："));

        p.setFont(pageFont(7));
        p.setPen(QColor(130, 130, 130));
        p.drawText(QRectF(left, 806, width, 12), Qt::AlignCenter,
                   QStringLiteral("Ledrimo 工作时间记录工具　生成于 ") +
                       q(rt::dateText(rt::datePart(printedOn))));
    }
}

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
        default: // the resolutions: 72 per inch, as the PDF is laid out
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

QByteArray timesheetPdf(const report::Report& r, const ChartDrawer& chart, double printedOn) {
    const report::YearMonthDay ym = report::splitDay(r.range.from);
    const QString title = QStringLiteral("工作时间月报表 — ") + q(monthText(ym.year, ym.month));
    // The page drawn once to learn its texts, then into the PDF.
    TextRecorder recorder;
    {
        QPainter p(&recorder);
        drawPage(p, r, title, chart, printedOn);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Point));
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Ledrimo 工作时间记录工具"));
        QPainter p(&writer);
        drawPage(p, r, title, chart, printedOn);
    }
    QByteArray pdf = buffer.data();
    fixPdfTextMaps(pdf, textMapRepairs(recorder.texts));
    return pdf;
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

rt::Text placeFile(const std::string& path, const QByteArray& bytes) {
    const jet::Status st = jet::placeFileBytes(
        path, jet::PlaceMode::Replace,
        jet::ByteView(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
    if (st)
        return {};
    return rt::Text::fromUtf8(st.error().describe());
}

} // namespace ui
