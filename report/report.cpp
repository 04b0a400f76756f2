#include "report/report.h"

#include "jet/tabledef.h"
#include "report/data_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>

namespace report {

namespace {

constexpr char16_t kTable[] = u"data";

jet::Error notLedrimo(const std::string& why) {
    return jet::makeError(jet::ErrorKind::Invalid, why + "，不是 Ledrimo 的工作记录数据库");
}

std::optional<int32_t> integerOf(const jet::Value& v) {
    switch (v.index()) {
    case 2:
        return std::get<uint8_t>(v);
    case 3:
        return std::get<int16_t>(v);
    case 4:
        return std::get<int32_t>(v);
    default:
        return std::nullopt;
    }
}

std::optional<Day> dayOf(const jet::Value& v) {
    if (const auto* d = std::get_if<jet::DateTime>(&v))
        return dayOfDateValue(d->days);
    return std::nullopt;
}

void takeText(jet::Value& v, std::u16string& into) {
    if (auto* t = std::get_if<std::u16string>(&v))
        into = std::move(*t);
    else
        into.clear();
}

void addDay(Totals& t, const DayReport& d, Day today) {
    t.hours += d.hours;
    t.entries += d.entryCount;
    if (d.hours > 0)
        ++t.daysWorked;
    if (d.kind == DayKind::Workday && d.date <= today)
        ++t.workdays;
    if (d.missing)
        ++t.missing;
    t.overtime.workday += d.overtime.workday;
    t.overtime.restday += d.overtime.restday;
    t.overtime.holiday += d.overtime.holiday;
    t.leftOutHours += d.leftOut;
    if (d.suspicious)
        ++t.leftOutDays;
}

// Sums up the days of `r` in stretches that end on the days `endOf` gives.
template <class EndOf> std::vector<PeriodTotal> periods(const Report& r, EndOf endOf) {
    std::vector<PeriodTotal> out;
    for (size_t i = 0; i < r.days.size();) {
        PeriodTotal p;
        p.range.from = r.days[i].date;
        p.range.to = std::min(r.range.to, endOf(p.range.from));
        for (; i < r.days.size() && r.days[i].date <= p.range.to; ++i)
            addDay(p.totals, r.days[i], r.today);
        out.push_back(std::move(p));
    }
    return out;
}

} // namespace

jet::Result<DataTable> openDataTable(const jet::Database& db) {
    if (!db.catalog().findTable(kTable))
        return jet::makeError(jet::ErrorKind::NotFound, "数据库中没有表 data，不是 Ledrimo 的工作记录数据库");
    auto table = db.openTable(kTable);
    if (!table)
        return table.error();
    const jet::TableDef& def = (*table)->def();
    DataColumns c;
    const std::pair<const char16_t*, int*> wanted[] = {
        {u"上班日期", &c.date},    {u"上班时间", &c.hours},   {u"ID", &c.id},
        {u"公司名称", &c.company}, {u"公司地址", &c.address}, {u"姓名", &c.name},
        {u"工作备注", &c.notes},
    };
    for (size_t i = 0; i < def.columns.size(); ++i)
        for (const auto& [name, slot] : wanted)
            if (jet::sameName(def.columns[i].name, name))
                *slot = int(i);
    if (c.date < 0)
        return notLedrimo("表 data 没有列“上班日期”");
    if (def.columns[c.date].type != jet::ColumnType::DateTime)
        return notLedrimo("表 data 的列“上班日期”不是日期/时间类型");
    if (c.hours < 0)
        return notLedrimo("表 data 没有列“上班时间”");
    const auto t = def.columns[c.hours].type;
    if (t != jet::ColumnType::Long && t != jet::ColumnType::Integer && t != jet::ColumnType::Byte)
        return notLedrimo("表 data 的列“上班时间”不是整数类型");
    // The text columns are read only when they hold text.
    for (int* text : {&c.id, &c.company, &c.address, &c.name, &c.notes})
        if (*text >= 0 && def.columns[*text].type != jet::ColumnType::Text &&
            def.columns[*text].type != jet::ColumnType::Memo)
            *text = -1;
    return DataTable{std::move(*table), c};
}

DateRange monthOf(Day d) {
    const YearMonthDay p = splitDay(d);
    const Day first = d - (p.day - 1);
    return {first, first + daysInMonth(p.year, p.month) - 1};
}

std::optional<DateRange> parseMonth(std::string_view s) {
    if (s.size() < 6 || s.size() > 7 || s[4] != '-')
        return std::nullopt;
    int y = 0, m = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (i == 4)
            continue;
        if (s[i] < '0' || s[i] > '9')
            return std::nullopt;
        (i < 4 ? y : m) = (i < 4 ? y : m) * 10 + (s[i] - '0');
    }
    const auto first = makeDay(y, m, 1);
    if (!first)
        return std::nullopt;
    return monthOf(*first);
}

const char* suspicionText(Suspicion s) {
    switch (s) {
    case Suspicion::EmptyHours:
        return "工时为空，按 0 计";
    case Suspicion::DayOver24:
        return "当天合计超过 24 小时，未计入";
    case Suspicion::DayNegative:
        return "当天合计为负数，未计入";
    }
    return "";
}

const char* suspicionRuleText() {
    return "一天的工时合计超过 24 小时或为负数时，整天记为可疑，不计入合计";
}

std::string leftOutText(const Totals& t) {
    if (t.leftOutDays == 0)
        return {};
    return "可疑未计入：" + std::to_string(t.leftOutHours) + " 小时（" + std::to_string(t.leftOutDays) + " 天）";
}

std::string employersText(const Report& r, size_t listed) {
    std::string out;
    const size_t n = std::min(listed, r.byCompany.size());
    for (size_t i = 0; i < n; ++i) {
        if (i)
            out += "、";
        out += r.byCompany[i].company.empty() ? std::string("（未填公司）") : jet::toUtf8(r.byCompany[i].company);
    }
    if (n < r.byCompany.size())
        out += " 等 " + std::to_string(r.byCompany.size()) + " 家";
    return out;
}

std::string reportTitle(const Report& r) {
    char standard[32];
    const auto end = std::to_chars(standard, standard + sizeof standard, r.standardHours).ptr;
    return "工时报表：" + isoDate(r.range.from) + " 至 " + isoDate(r.range.to) + "，每日标准 " +
           std::string(standard, end) + " 小时";
}

std::string personLine(const Report& r) {
    if (r.entries.empty())
        return {};
    return "姓名：" + jet::toUtf8(r.personName) + "　公司：" + employersText(r);
}

// Checks a range before any day of it is made.
jet::Status checkRange(DateRange range) {
    if (range.from > range.to)
        return jet::makeError(jet::ErrorKind::Invalid,
                              "开始日期 " + isoDate(range.from) + " 晚于结束日期 " + isoDate(range.to));
    if (range.days() > kMaxRangeDays)
        return jet::makeError(jet::ErrorKind::Invalid, "日期范围太长：最多 " + std::to_string(kMaxRangeDays) +
                                                           " 天，" + isoDate(range.from) + " 至 " +
                                                           isoDate(range.to) + " 有 " +
                                                           std::to_string(range.days()) + " 天");
    return jet::okStatus();
}

jet::Result<Report> computeReport(const jet::Database& db, const WorkCalendar& calendar,
                                  const ReportOptions& options) {
    if (options.range)
        JET_TRY(checkRange(*options.range));
    if (!(options.standardHours >= 0 && options.standardHours <= 24))
        return jet::makeError(jet::ErrorKind::Invalid, "每日标准工时应在 0 到 24 小时之间");

    auto data = openDataTable(db);
    if (!data)
        return data.error();
    const DataColumns c = data->columns;

    Report r;
    r.today = options.today;
    r.standardHours = options.standardHours;

    // One pass in table order: the date and hours of every row, the texts of the rows in range.
    // Every entry's employer is numbered in order of first appearance, and renumbered below once
    // the employers are sorted.
    const std::vector<size_t> first = {size_t(c.date), size_t(c.hours)};
    std::vector<size_t> texts;
    for (int col : {c.id, c.company, options.withNotes ? c.notes : -1})
        texts.push_back(col < 0 ? size_t(c.date) : size_t(col)); // a missing one reads as no text
    std::vector<jet::Value> head, rest;
    std::unordered_map<std::u16string, uint32_t> companyIndex;
    std::vector<EntryRef>& found = r.entries;                               // in table order for now
    found.reserve(std::min<size_t>(data->table->def().rowCount, 1u << 18)); // untouched until filled
    auto cursor = data->table->cursor();
    uint64_t position = 0;
    struct Latest {
        Day date;
        jet::RowId row;
    };
    std::optional<Latest> latest;
    for (;; ++position) {
        auto more = cursor.next();
        if (!more)
            return more.error();
        if (!*more)
            break;
        JET_TRY(cursor.values(first, head));
        const auto day = dayOf(head[0]);
        if (!day || (options.range && !options.range->contains(*day)))
            continue;
        JET_TRY(cursor.values(texts, rest));
        EntryRef e;
        e.date = *day;
        e.position = position;
        e.rowId = cursor.rowId();
        e.hours = integerOf(head[1]);
        e.counted = bool(e.hours);
        takeText(rest[0], e.id);
        takeText(rest[2], e.notes);
        std::u16string company;
        takeText(rest[1], company);
        const auto [it, fresh] = companyIndex.try_emplace(std::move(company), uint32_t(r.byCompany.size()));
        if (fresh)
            r.byCompany.push_back({it->first, 0, 0, 0});
        e.company = it->second;
        if (!latest || *day >= latest->date)
            latest = Latest{*day, e.rowId};
        found.push_back(std::move(e));
    }

    // The days of the range, with the calendar's word on each and their entries.
    if (options.range) {
        r.range = *options.range;
    } else if (found.empty()) {
        r.range = monthOf(options.today);
    } else {
        r.range = {found.front().date, found.front().date};
        for (const EntryRef& e : found) {
            r.range.from = std::min(r.range.from, e.date);
            r.range.to = std::max(r.range.to, e.date);
        }
        JET_TRY(checkRange(r.range));
    }
    r.uncoveredYears = calendar.uncoveredYears(r.range.from, r.range.to);
    r.days.resize(size_t(r.range.days()));
    for (size_t i = 0; i < r.days.size(); ++i) {
        DayReport& d = r.days[i];
        d.date = Day(r.range.from + int64_t(i));
        CalendarDay cd = calendar.day(d.date);
        d.kind = cd.kind;
        if (cd.kind == DayKind::Holiday)
            d.holiday = std::move(cd.name);
        else if (cd.makeUp)
            d.makeUpFor = std::move(cd.name);
    }
    // The entries by day, each day's in table order. Work logs are written day after day, so table
    // order is nearly always date order already; otherwise each entry moves once to its day's place.
    auto byDate = [](const EntryRef& a, const EntryRef& b) { return a.date < b.date; };
    if (!std::is_sorted(found.begin(), found.end(), byDate)) {
        std::vector<uint32_t> next(r.days.size() + 1); // where the next entry of each day goes
        for (const EntryRef& e : found)
            ++next[size_t(e.date - r.range.from) + 1];
        for (size_t i = 1; i < next.size(); ++i)
            next[i] += next[i - 1];
        std::vector<EntryRef> sorted(found.size());
        for (EntryRef& e : found)
            sorted[next[size_t(e.date - r.range.from)]++] = std::move(e);
        found = std::move(sorted);
    }
    for (size_t i = 0; i < found.size();) {
        DayReport& d = r.days[size_t(found[i].date - r.range.from)];
        d.firstEntry = uint32_t(i);
        while (i < found.size() && found[i].date == d.date)
            ++i;
        d.entryCount = uint32_t(i - d.firstEntry);
    }

    if (latest) {
        const int names[] = {c.name, c.company, c.address};
        std::u16string* into[] = {&r.personName, &r.employer, &r.employerAddress};
        for (int i = 0; i < 3; ++i) {
            if (names[i] < 0)
                continue;
            auto v = data->table->readValue(latest->row, size_t(names[i]));
            if (!v)
                return v.error();
            takeText(*v, *into[i]);
        }
    }

    // Day by day: hours, overtime, suspicious entries, employers.
    std::vector<std::pair<uint32_t, int64_t>> dayCompanies; // (employer, hours) of one day
    for (DayReport& d : r.days) {
        const std::span<EntryRef> entries(r.entries.data() + d.firstEntry, d.entryCount);
        int64_t sum = 0;
        for (const EntryRef& e : entries)
            sum += e.hours.value_or(0);
        d.suspicious = sum > 24 || sum < 0;
        if (d.suspicious) {
            d.leftOut = sum;
            for (EntryRef& e : entries)
                e.counted = false;
        } else {
            d.hours = sum;
        }
        for (const EntryRef& e : entries) {
            if (d.suspicious)
                r.suspicious.push_back({e.id, d.date, e.hours, sum > 24 ? Suspicion::DayOver24 : Suspicion::DayNegative,
                                        e.position});
            else if (!e.hours)
                r.suspicious.push_back({e.id, d.date, e.hours, Suspicion::EmptyHours, e.position});
        }
        const double h = double(d.hours);
        switch (d.kind) {
        case DayKind::Workday:
            d.overtime.workday = std::max(0.0, h - r.standardHours);
            break;
        case DayKind::RestDay:
            d.overtime.restday = h;
            break;
        case DayKind::Holiday:
            d.overtime.holiday = h;
            break;
        }
        d.missing = d.kind == DayKind::Workday && d.date <= r.today && d.entryCount == 0;
        if (d.missing)
            r.missingWorkdays.push_back(d.date);
        addDay(r.totals, d, r.today);

        dayCompanies.clear();
        for (const EntryRef& e : entries) {
            CompanyTotal& t = r.byCompany[e.company];
            ++t.entries;
            const int64_t hours = e.counted ? *e.hours : 0;
            t.hours += hours;
            auto found = std::find_if(dayCompanies.begin(), dayCompanies.end(),
                                      [&](const auto& p) { return p.first == e.company; });
            if (found == dayCompanies.end())
                dayCompanies.push_back({e.company, hours});
            else
                found->second += hours;
        }
        for (const auto& [company, hours] : dayCompanies)
            if (hours > 0)
                ++r.byCompany[company].days;
    }
    // Most hours first; the entries follow their employer to its new place.
    std::vector<uint32_t> order(r.byCompany.size()), place(r.byCompany.size());
    for (uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return r.byCompany[a].hours > r.byCompany[b].hours; });
    std::vector<CompanyTotal> sorted;
    sorted.reserve(order.size());
    for (uint32_t i = 0; i < order.size(); ++i) {
        place[order[i]] = i;
        sorted.push_back(std::move(r.byCompany[order[i]]));
    }
    r.byCompany = std::move(sorted);
    for (EntryRef& e : r.entries)
        e.company = place[e.company];
    return r;
}

std::vector<PeriodTotal> byWeek(const Report& r) {
    return periods(r, [](Day d) { return Day(d + (7 - weekday(d))); });
}

std::vector<PeriodTotal> byMonth(const Report& r) {
    return periods(r, [](Day d) { return monthOf(d).to; });
}

} // namespace report
