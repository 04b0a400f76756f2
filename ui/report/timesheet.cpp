// The monthly timesheet, drawn on a page.
#include "ui/report/timesheet.h"

#include "jet/atomic_file.h"
#include "runtime/datetime.h"
#include "ui/report/report_window.h"

#include <algorithm>
#include <cstdio>

namespace ui {

namespace {

rt::Text text16(const std::u16string& s) {
    return rt::Text::fromBytes(rt::gbkOfUtf16(s));
}

// Pixel sizes: the page is laid out at 72 units per inch, so a pixel is a point.
rt::Font pageFont(int size, bool bold = false) {
    return rt::Font{"黑体", size, bold};
}

const rt::Color kBlack{0, 0, 0};
const rt::Color kRestDay{236, 151, 31};
const rt::Color kHoliday{46, 160, 110};
const rt::Color kMissing{192, 32, 32};
const rt::Color kRule{150, 150, 150};

bool isSpace(char16_t c) {
    return (c >= 9 && c <= 13) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// `s` without white space at its ends, every run of white space inside it one space.
std::u16string simplified(const std::u16string& s) {
    std::u16string out;
    bool space = false;
    for (const char16_t c : s) {
        if (isSpace(c)) {
            space = !out.empty();
            continue;
        }
        if (space)
            out += u' ';
        space = false;
        out += c;
    }
    return out;
}

rt::Text joined(const std::vector<rt::Text>& parts, const rt::Text& separator) {
    rt::Text out;
    for (size_t i = 0; i < parts.size(); ++i)
        out += i ? separator + parts[i] : parts[i];
    return out;
}

// The notes of a day's entries on one line.
rt::Text dayNotes(const report::Report& r, const report::DayReport& d) {
    std::vector<rt::Text> parts;
    for (const report::EntryRef& e : r.entriesOf(d)) {
        const std::u16string n = simplified(e.notes);
        if (!n.empty())
            parts.push_back(text16(n));
    }
    return joined(parts, "；");
}

// The suspicious entries ("10月14日 30 小时 GZ-00009") on at most `maxLines` lines of `width`
// (measured in the painter's font), after `head`: all of them while they fit, else as many as fit
// and "另有 N 条未列出".
std::vector<rt::Text> suspiciousLines(const report::Report& r, const rt::Text& head, const rt::Painter& p,
                                      double width, int maxLines) {
    std::vector<rt::Text> items;
    for (const report::SuspiciousEntry& e : r.suspicious) {
        const report::YearMonthDay d = report::splitDay(e.date);
        items.push_back(rt::toText(d.month) + "月" + rt::toText(d.day) + "日 " +
                        (e.hours ? rt::toText(int(*e.hours)) + " 小时" : rt::Text("工时为空")) + " " +
                        (e.id.empty() ? rt::Text("（无工作序号）") : text16(e.id)));
    }
    // The lines of the first `k` items, then `tail` when it is not empty.
    auto layout = [&](size_t k, const rt::Text& tail) {
        std::vector<rt::Text> lines;
        rt::Text line = head;
        auto add = [&](const rt::Text& item) {
            const rt::Text next = line == head ? line + item : line + "；" + item;
            if (p.textWidth(next) <= width || line == head) {
                line = next;
            } else {
                lines.push_back(line);
                line = item;
            }
        };
        for (size_t i = 0; i < k; ++i)
            add(items[i]);
        if (!tail.empty())
            add(tail);
        lines.push_back(line);
        return lines;
    };
    std::vector<rt::Text> all = layout(items.size(), {});
    if (all.size() <= size_t(maxLines))
        return all;
    // The most items that fit with the tail (more items never take fewer lines).
    auto withTail = [&](size_t k) {
        return layout(k, "另有 " + rt::toText(int(items.size() - k)) + " 条未列出");
    };
    size_t lo = 0, hi = items.size() - 1;
    while (lo < hi) {
        const size_t mid = (lo + hi + 1) / 2;
        if (withTail(mid).size() <= size_t(maxLines))
            lo = mid;
        else
            hi = mid - 1;
    }
    std::vector<rt::Text> some = withTail(lo);
    return some.size() <= size_t(maxLines) ? some : std::vector<rt::Text>();
}

// Text in a box, cut with an ellipsis where it does not fit on one line.
void drawLine(rt::Painter& p, const rt::RectF& box, const rt::Text& text, unsigned align = rt::AlignLeft) {
    p.drawText(box, align | rt::AlignVCenter | rt::SingleLine, p.elided(text, box.width));
}

// "本人签字：" and a line to sign on, then "日期：" and a line for the date.
void signatureLine(rt::Painter& p, double left, double y, const rt::Text& who) {
    const double h = 20;
    p.setPen(kBlack);
    double x = left;
    const double whoWidth = p.textWidth(who);
    p.drawText({x, y, whoWidth + 2, h}, rt::AlignLeft | rt::AlignBottom, who);
    x += whoWidth + 4;
    p.setPen(kBlack, 0.7);
    p.drawLine({x, y + h - 2}, {x + 150, y + h - 2});
    x += 180;
    const rt::Text date = "日期：";
    const double dateWidth = p.textWidth(date);
    p.drawText({x, y, dateWidth + 2, h}, rt::AlignLeft | rt::AlignBottom, date);
    x += dateWidth + 4;
    p.drawLine({x, y + h - 2}, {x + 110, y + h - 2});
}

} // namespace

rt::Text timesheetTitle(const report::Report& r) {
    const report::YearMonthDay ym = report::splitDay(r.range.from);
    return "工作时间月报表 — " + monthText(ym.year, ym.month);
}

void drawTimesheet(rt::Painter& p, const report::Report& r, const ChartDrawer& chart, double printedOn) {
    const double left = 42, right = 595 - 42, width = right - left;
    double y = 36;

    p.setFont(pageFont(17, true));
    p.setPen(kBlack);
    p.drawText({left, y, width, 26}, rt::AlignCenter, timesheetTitle(r));
    y += 32;

    p.setFont(pageFont(10));
    const rt::Text name = r.personName.empty() ? rt::Text("—") : text16(r.personName);
    rt::Text employer = r.entries.empty() ? rt::Text("—") : rt::Text::fromUtf8(report::employersText(r, 3));
    if (r.byCompany.size() > 1)
        employer += "（各公司的工时见下方合计）";
    drawLine(p, {left, y, width * 0.3, 16}, "姓名：" + name);
    drawLine(p, {left + width * 0.3, y, width * 0.7, 16}, "公司：" + employer);
    y += 19;
    p.setPen(kRule, 0.6);
    p.drawLine({left, y}, {right, y});
    y += 5;

    if (chart) {
        p.setFont(pageFont(7));
        chart(p, {left, y, width, 116});
    }
    y += 122;

    // One line per day: date, weekday, kind, hours, notes.
    const double cols[] = {left, left + 58, left + 98, left + 200, left + 246};
    const double rowHeight = 13.5, headerHeight = 15;
    p.fillRect({left, y, width, headerHeight}, {232, 232, 232});
    p.setFont(pageFont(9, true));
    p.setPen(kBlack);
    const rt::Text headers[] = {"日期", "星期", "类别", "工时", "工作备注"};
    for (int c = 0; c < 5; ++c) {
        const double x = cols[c] + 3, w = (c < 4 ? cols[c + 1] : right) - cols[c] - 6;
        drawLine(p, {x, y, w, headerHeight}, headers[c], c == 3 ? rt::AlignRight : rt::AlignLeft);
    }
    y += headerHeight;
    p.setFont(pageFont(9));
    for (size_t i = 0; i < r.days.size(); ++i) {
        const report::DayReport& d = r.days[i];
        const rt::RectF row{left, y, width, rowHeight};
        if (d.kind != report::DayKind::Workday)
            p.fillRect(row, d.kind == report::DayKind::Holiday ? kHoliday : kRestDay, 40);
        else if (i % 2 == 1)
            p.fillRect(row, {246, 246, 246});
        const report::YearMonthDay date = report::splitDay(d.date);
        const rt::Text hours = d.entryCount > 0 ? hoursText(double(d.hours)) : rt::Text();
        p.setPen(kBlack);
        drawLine(p, {cols[0] + 3, y, cols[1] - cols[0] - 6, rowHeight},
                 rt::toText(date.month) + "月" + rt::toText(date.day) + "日");
        drawLine(p, {cols[1] + 3, y, cols[2] - cols[1] - 6, rowHeight}, rt::Text::fromUtf8(report::weekdayName(d.date)));
        drawLine(p, {cols[2] + 3, y, cols[3] - cols[2] - 6, rowHeight}, dayKindText(d));
        if (d.missing) {
            p.setPen(kMissing);
            drawLine(p, {cols[3] + 3, y, cols[4] - cols[3] - 6, rowHeight}, "缺记录", rt::AlignRight);
            p.setPen(kBlack);
        } else {
            drawLine(p, {cols[3] + 3, y, cols[4] - cols[3] - 6, rowHeight}, hours, rt::AlignRight);
        }
        drawLine(p, {cols[4] + 3, y, right - cols[4] - 6, rowHeight}, dayNotes(r, d));
        y += rowHeight;
    }
    p.setPen(kRule, 0.6);
    p.drawLine({left, y}, {right, y});
    y += 8;

    // Totals.
    const report::Totals& t = r.totals;
    p.setFont(pageFont(10, true));
    p.setPen(kBlack);
    drawLine(p, {left, y, width, 15},
             "合计工时：" + hoursText(double(t.hours)) + " 小时　　出勤天数 / 应出勤天数：" + rt::toText(t.daysWorked) +
                 " / " + rt::toText(t.workdays) + "　　缺记录的工作日：" + rt::toText(t.missing) + " 天");
    y += 15;
    drawLine(p, {left, y, width, 15},
             "工作日加班：" + hoursText(t.overtime.workday) + " 小时　　休息日加班：" + hoursText(t.overtime.restday) +
                 " 小时　　节假日加班：" + hoursText(t.overtime.holiday) + " 小时");
    y += 17;
    p.setFont(pageFont(8));
    if (r.byCompany.size() > 1) {
        std::vector<rt::Text> parts;
        for (const report::CompanyTotal& c : r.byCompany)
            parts.push_back((c.company.empty() ? rt::Text("（未填公司）") : text16(c.company)) + " " +
                            hoursText(double(c.hours)) + " 小时（" + rt::toText(c.days) + " 天）");
        drawLine(p, {left, y, width, 12}, "各公司：" + joined(parts, "；"));
        y += 12;
    }
    const rt::Text notice = reportNotice(r);
    if (!notice.empty()) {
        p.setPen(kMissing);
        drawLine(p, {left, y, width, 12}, notice);
        y += 12;
    }
    // The suspicious entries, on the lines left above the signatures (which end by 800).
    const double lineHeight = 11, lastLine = 800 - 16 - 32 - 20;
    if (!r.suspicious.empty() && y + lineHeight <= lastLine) {
        const int room = int((lastLine - y) / lineHeight);
        p.setPen(kMissing);
        // Item by item, so that each is shaped on its own: the digits that start an item are
        // then not taken for part of the Latin text (an ID) before them, whose digit glyphs the
        // PDF's text layer does not name.
        for (const rt::Text& line : suspiciousLines(r, "可疑记录：", p, width, room)) {
            double x = left;
            const std::u16string chars = line.toUtf16();
            for (size_t from = 0; from < chars.size();) {
                const size_t at = chars.find(u'；', from);
                const size_t end = at == std::u16string::npos ? chars.size() : at + 1;
                const rt::Text piece = text16(chars.substr(from, end - from));
                const double w = p.textWidth(piece);
                p.drawText({x, y, std::min(w + 1, left + width - x), lineHeight},
                           rt::AlignLeft | rt::AlignVCenter | rt::SingleLine, piece);
                x += w;
                from = end;
            }
            y += lineHeight;
        }
    }

    // Signatures.
    p.setFont(pageFont(11));
    y = std::max(y + 16, 724.0);
    signatureLine(p, left, y, "本人签字：");
    y += 32;
    signatureLine(p, left, y, "主管签字：");

    p.setFont(pageFont(7));
    p.setPen({130, 130, 130});
    p.drawText({left, 806, width, 12}, rt::AlignCenter,
               "Ledrimo 工作时间记录工具　生成于 " + rt::dateText(rt::datePart(printedOn)));
}

rt::Bytes timesheetPdf(const report::Report& r, const ChartDrawer& chart, double printedOn) {
    return rt::pdfOfPage({timesheetTitle(r), "Ledrimo 工作时间记录工具"},
                         [&](rt::Painter& p) { drawTimesheet(p, r, chart, printedOn); });
}

rt::PrintOutcome printTimesheet(rt::Form& owner, const report::Report& r, const ChartDrawer& chart,
                               double printedOn) {
    return rt::printPage(owner, {timesheetTitle(r), "Ledrimo 工作时间记录工具"},
                         [&](rt::Painter& p) { drawTimesheet(p, r, chart, printedOn); });
}

rt::Text placeFile(const std::string& path, const rt::Bytes& bytes) {
    const jet::Status st = jet::placeFileBytes(
        path, jet::PlaceMode::Replace,
        jet::ByteView(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    if (st)
        return {};
    return rt::Text::fromUtf8(st.error().describe());
}

} // namespace ui
