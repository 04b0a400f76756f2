// End to end against the oracle readings beside the samples: every table of every Jet 4 sample
// is dumped with ledrimo-db (JSON and CSV) and compared value by value with mdb-reader's JSON
// and mdb-export's CSV.
//
// Where the two oracles disagree, the bytes decide (each case below says why), and the number
// of such cases per file is checked against what the sample folder's notes report, so that a
// new disagreement cannot hide among the known ones.
//
// Row order: we deliver a moved (overflow) row at its pointer's slot; both oracles deliver it
// where its target lies. Tables holding moved rows are compared as multisets of rows; all
// others in order. jet_samples_test checks our order for the overflow sample by its data.
#include "testutil.h"

#include "jet/database.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

using namespace testutil;

namespace {

// Tables whose rows include at least one moved row, found by the engine's own page walk.
bool hasMovedRows(const std::string& file, const std::string& table) {
    jet::OpenOptions opt;
    opt.password = u"password";
    auto db = jet::Database::open(samplePath(file), opt);
    if (!db)
        return false;
    auto t = (*db)->openTable(jet::fromUtf8(table));
    if (!t)
        return false;
    auto ids = (*t)->rowIds();
    if (!ids)
        return false;
    for (const auto& id : *ids) {
        auto pg = (*t)->file().page(id.page);
        auto dp = jet::DataPage::open((*t)->file(), *pg);
        if (dp && dp->state(id.row) == jet::SlotState::Pointer)
            return true;
    }
    return false;
}

// Decimal text without trailing fractional zeros, for comparing "12.3400" with "12.34".
std::string normDecimal(std::string s) {
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    if (s == "-0")
        s = "0";
    return s;
}

std::string lower(std::string s) {
    for (auto& c : s)
        c = char(std::tolower(uint8_t(c)));
    return s;
}

std::string guidDigits(std::string s) {
    std::string d;
    for (char c : s)
        if (std::isxdigit(uint8_t(c)))
            d += char(std::tolower(uint8_t(c)));
    return d;
}

// The Access rule for a date number, written independently of the engine with <chrono>: the
// integer part is the day from 1899-12-30, |fraction| the time of day (rounded to seconds).
std::string accessDate(long double days) {
    using namespace std::chrono;
    const long double whole = std::trunc(days);
    const long long secs = std::llround(std::fabs(days - whole) * 86400.0L);
    const sys_seconds t =
        sys_days{year{1899} / December / 30} + std::chrono::days{(long long)whole} + seconds{secs};
    const auto day = floor<std::chrono::days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss hms{t - day};
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02lld:%02lld:%02lld", int(ymd.year()),
                  unsigned(ymd.month()), unsigned(ymd.day()), (long long)hms.hours().count(),
                  (long long)hms.minutes().count(), (long long)hms.seconds().count());
    return buf;
}

// mdb-reader's ISO text ("2010-04-30T00:48:51.000Z") back to the stored day number. mdb-reader
// maps day numbers to milliseconds linearly, so this is the stored number to the millisecond.
long double dayNumberFromIso(const std::u16string& iso16) {
    const std::string iso = jet::toUtf8(iso16);
    int y, mo, d, h, mi, s, ms;
    if (std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%d.%dZ", &y, &mo, &d, &h, &mi, &s, &ms) != 7)
        throw std::runtime_error("bad ISO date " + iso);
    using namespace std::chrono;
    const auto day = sys_days{year{y} / month{unsigned(mo)} / unsigned(d)};
    const long long msTotal = (long long)(day - sys_days{year{1899} / December / 30}).count() * 86400000LL +
                              ((h * 60LL + mi) * 60 + s) * 1000 + ms;
    return (long double)msTotal / 86400000.0L;
}

// Compares one value of our JSON dump with mdb-reader's. `type` is mdb-reader's column type.
// Returns an empty string when they agree, else a description.
std::string compareJson(const Json& ours, const Json& theirs, const std::string& type) {
    auto show = [&] {
        auto one = [](const Json& j) {
            switch (j.kind) {
            case Json::Null:
                return std::string("null");
            case Json::Bool:
                return std::string(j.boolean ? "true" : "false");
            case Json::Number:
                return j.number;
            case Json::String:
                return "\"" + jet::toUtf8(j.string) + "\"";
            default:
                return std::string("?");
            }
        };
        return "ours " + one(ours) + " mdb-reader " + one(theirs);
    };
    if (theirs.kind == Json::Null)
        return ours.kind == Json::Null ? "" : show();
    if (ours.kind == Json::Null)
        return show();
    if (type == "boolean")
        return ours.kind == Json::Bool && ours.boolean == theirs.boolean ? "" : show();
    if (type == "byte" || type == "integer" || type == "long")
        return ours.kind == Json::Number && std::stoll(ours.number) == std::stoll(theirs.number) ? ""
                                                                                                 : show();
    if (type == "float") // mdb-reader widens the single to a double; narrowing it back is exact
        return ours.kind == Json::Number && std::strtof(ours.number.c_str(), nullptr) ==
                                                float(std::strtod(theirs.number.c_str(), nullptr))
                   ? ""
                   : show();
    if (type == "double")
        return ours.kind == Json::Number && std::strtod(ours.number.c_str(), nullptr) ==
                                                std::strtod(theirs.number.c_str(), nullptr)
                   ? ""
                   : show();
    if (type == "currency" || type == "numeric")
        return ours.kind == Json::String &&
                       normDecimal(jet::toUtf8(ours.string)) == normDecimal(jet::toUtf8(theirs.string))
                   ? ""
                   : show();
    if (type == "datetime") {
        // mdb-reader keeps the stored number (to the millisecond) but renders negative numbers
        // with a time part linearly (-1.1 as 1899-12-28 21:36), which is not what the number
        // means to Access (1899-12-29 02:24). We compare with the Access rule applied to
        // mdb-reader's number; the half-millisecond either side covers its rounding.
        if (ours.kind != Json::String)
            return show();
        const long double raw = dayNumberFromIso(theirs.string);
        const std::string o = jet::toUtf8(ours.string);
        const long double halfMs = 0.5L / 86400000.0L;
        return o == accessDate(raw - halfMs) || o == accessDate(raw + halfMs)
                   ? ""
                   : show() + " (Access rule " + accessDate(raw) + ")";
    }
    if (type == "text" || type == "memo")
        return ours.kind == Json::String && ours.string == theirs.string ? "" : show();
    if (type == "binary" || type == "ole")
        return ours.kind == Json::String && lower(jet::toUtf8(ours.string)) == jet::toUtf8(theirs.string)
                   ? ""
                   : show();
    if (type == "repid") {
        const std::string o = jet::toUtf8(ours.string);
        // Ours: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}; mdb-reader: the same digits in lower case.
        return ours.kind == Json::String && o.size() == 38 && o.front() == '{' &&
                       lower(o.substr(1, 36)) == jet::toUtf8(theirs.string)
                   ? ""
                   : show();
    }
    return "unknown column type " + type;
}

// Matches our rows to the oracle's rows: in order, or (moved rows) as multisets.
template <class Row>
void matchRows(const std::vector<Row>& ours, const std::vector<Row>& theirs, bool asSet,
               const std::function<std::string(const Row&, const Row&)>& diff) {
    ASSERT_EQ(ours.size(), theirs.size()) << "row count";
    if (!asSet) {
        for (size_t r = 0; r < ours.size(); ++r) {
            const std::string d = diff(ours[r], theirs[r]);
            EXPECT_EQ(d, "") << "row " << r + 1;
        }
        return;
    }
    std::vector<bool> used(theirs.size(), false);
    for (size_t r = 0; r < ours.size(); ++r) {
        bool found = false;
        for (size_t k = 0; k < theirs.size() && !found; ++k) {
            if (!used[k] && diff(ours[r], theirs[k]).empty()) {
                used[k] = true;
                found = true;
            }
        }
        EXPECT_TRUE(found) << "our row " << r + 1 << " has no equal row in the oracle";
    }
}

} // namespace

TEST(Oracle, TableListsMatchMdbTables) {
    REQUIRE_SAMPLES();
    for (const auto& f : jet4Samples()) {
        SCOPED_TRACE(f);
        const auto r = runTool({"tables", samplePath(f), "--password", "password"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        std::vector<std::string> ours;
        for (size_t a = 0, b; a < r.out.size(); a = b + 1) {
            b = r.out.find('\n', a);
            ours.push_back(r.out.substr(a, b - a));
        }
        EXPECT_EQ(ours, readLines(expectedDir(f) + "/tables.txt"));
    }
}

TEST(Oracle, JsonDumpMatchesMdbReaderForEveryTable) {
    REQUIRE_SAMPLES();
    int tables = 0, rows = 0;
    for (const auto& f : jet4Samples()) {
        const Json oracle = parseJson(readText(expectedDir(f) + "/mdb-reader.json"));
        for (const auto& t : oracle.at("tables").array) {
            const std::string name = jet::toUtf8(t.at("name").string);
            SCOPED_TRACE(f + " " + name);
            ASSERT_FALSE(t.has("error"));
            const auto r =
                runTool({"dump", samplePath(f), name, "--format", "json", "--password", "password"});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            const Json ours = parseJson(r.out);
            std::vector<std::string> names, types;
            for (const auto& c : t.at("columns").array) {
                names.push_back(jet::toUtf8(c.at("name").string));
                types.push_back(jet::toUtf8(c.at("type").string));
            }
            for (const auto& row : ours.array) {
                ASSERT_EQ(row.object.size(), names.size());
                for (size_t i = 0; i < names.size(); ++i)
                    ASSERT_EQ(row.object[i].first, names[i]);
            }
            std::vector<std::vector<const Json*>> a, b;
            for (const auto& row : ours.array) {
                a.emplace_back();
                for (const auto& kv : row.object)
                    a.back().push_back(&kv.second);
            }
            for (const auto& row : t.at("rows").array) {
                b.emplace_back();
                for (const auto& v : row.array)
                    b.back().push_back(&v);
            }
            using Row = std::vector<const Json*>;
            matchRows<Row>(a, b, hasMovedRows(f, name), [&](const Row& x, const Row& y) {
                for (size_t i = 0; i < x.size(); ++i) {
                    const std::string d = compareJson(*x[i], *y[i], types[i]);
                    if (!d.empty())
                        return names[i] + ": " + d;
                }
                return std::string();
            });
            ++tables;
            rows += int(a.size());
        }
    }
    EXPECT_EQ(tables, 79);
    EXPECT_EQ(rows, 1656);
}

namespace {

struct CsvNotes {
    int emptyText = 0; // mdbtools writes a zero-length value like NULL; the JSON oracle and the
                       // row's null mask say it is present
    int nulCut = 0;    // mdbtools stops text at U+0000; the stored UCS-2 goes on
    int binCut = 0;    // mdbtools stops binary at 0x00; the stored length goes on
    int guidForm = 0;  // mdbtools prints {8-4-4-16}; same digits
    int badDate = 0;   // mdbtools prints 1900-01-00 for day numbers below 0
    bool operator==(const CsvNotes&) const = default;
};

std::string hexToAscii(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

// Compares one field of our CSV with mdb-export's; known mdbtools faults are counted in
// `notes` (only when `count`), anything else is a disagreement.
std::string compareCsv(const CsvField& o, const CsvField& m, const std::string& type, CsvNotes* notes) {
    auto show = [&] { return "ours [" + o.text + "] mdb-export [" + m.text + "]"; };
    const bool oNull = o.text.empty() && !o.quoted, mNull = m.text.empty() && !m.quoted;
    if (oNull || mNull) {
        if (oNull && mNull)
            return "";
        if (!oNull && o.quoted && o.text.empty() &&
            (type == "text" || type == "memo" || type == "binary" || type == "ole")) {
            if (notes)
                ++notes->emptyText;
            return "";
        }
        if (type == "binary" && !o.text.empty() && o.text.substr(0, 2) == "00") {
            if (notes)
                ++notes->binCut;
            return "";
        }
        if ((type == "text" || type == "memo") && !o.text.empty() && o.text[0] == '\0') {
            if (notes)
                ++notes->nulCut;
            return "";
        }
        return show();
    }
    if (type == "text" || type == "memo") {
        if (!o.quoted)
            return "text not quoted: " + show();
        if (o.text == m.text)
            return "";
        const size_t nul = o.text.find('\0');
        if (nul != std::string::npos && o.text.substr(0, nul) == m.text) {
            if (notes)
                ++notes->nulCut;
            return "";
        }
        return show();
    }
    if (type == "boolean")
        return (o.text == "true" && m.text == "1") || (o.text == "false" && m.text == "0") ? "" : show();
    if (type == "float") {
        const double a = std::strtod(o.text.c_str(), nullptr), b = std::strtod(m.text.c_str(), nullptr);
        return std::fabs(a - b) <= 1e-6 * std::fabs(b) ? "" : show();
    }
    if (type == "double") { // mdbtools: 16 significant digits (its maximum double overflows)
        const long double a = std::strtold(o.text.c_str(), nullptr),
                          b = std::strtold(m.text.c_str(), nullptr);
        return std::fabs(a - b) <= 1e-15L * std::fabs(b) ? "" : show();
    }
    if (type == "numeric")
        return normDecimal(o.text) == normDecimal(m.text) ? "" : show();
    if (type == "datetime") {
        if (o.text == m.text)
            return "";
        // mdbtools only converts day numbers from 0 up; ours must then be a date before
        // 1899-12-30 (day numbers below 0).
        if (m.text == "1900-01-00 00:00:00" && o.text < "1899-12-31") {
            if (notes)
                ++notes->badDate;
            return "";
        }
        return show();
    }
    if (type == "binary" || type == "ole") {
        if (o.text == m.text)
            return "";
        // Cut at the first 0x00 byte (or its trailing zeros stripped).
        for (size_t i = 0; i + 1 < o.text.size(); i += 2) {
            if (o.text.substr(i, 2) == "00") {
                if (o.text.substr(0, i) == m.text) {
                    if (notes)
                        ++notes->binCut;
                    return "";
                }
                break;
            }
        }
        return show();
    }
    if (type == "repid") {
        if (guidDigits(o.text) == guidDigits(hexToAscii(m.text))) {
            if (notes)
                ++notes->guidForm;
            return "";
        }
        return show();
    }
    return o.text == m.text ? "" : show(); // byte, integer, long, currency: same text
}

} // namespace

TEST(Oracle, CsvDumpMatchesMdbExportForEveryTable) {
    REQUIRE_SAMPLES();
    // Disagreements with mdbtools per file, each a known mdbtools fault (see CsvNotes). The
    // numbers are the ones the sample folder's notes give for these files.
    std::map<std::string, CsvNotes> expected = {
        {"jackcess_testIndexCodes.mdb", {0, 2, 0, 40, 12}},
        {"linq2db_TestData.mdb", {3, 3, 6, 20, 0}},
        {"zblog_data_cp1252_cjk.mdb", {192, 0, 0, 0, 0}},
        {"zblog_data_cp936_overflow.mdb", {28, 0, 0, 0, 0}},
    };
    for (const auto& f : jet4Samples()) {
        const Json oracle = parseJson(readText(expectedDir(f) + "/mdb-reader.json"));
        CsvNotes notes;
        for (const auto& line : readLines(expectedDir(f) + "/csv/index.tsv")) {
            const std::string name = line.substr(0, line.find('\t'));
            const std::string csvFile = line.substr(name.size() + 1, line.rfind('\t') - name.size() - 1);
            SCOPED_TRACE(f + " " + name);
            std::vector<std::string> types;
            for (const auto& t : oracle.at("tables").array)
                if (jet::toUtf8(t.at("name").string) == name)
                    for (const auto& c : t.at("columns").array)
                        types.push_back(jet::toUtf8(c.at("type").string));
            const auto r =
                runTool({"dump", samplePath(f), name, "--format", "csv", "--password", "password"});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            auto ours = parseCsv(r.out);
            auto theirs = parseCsv(readText(expectedDir(f) + "/csv/" + csvFile));
            ASSERT_FALSE(ours.empty());
            ASSERT_FALSE(theirs.empty());
            ASSERT_EQ(ours[0].size(), theirs[0].size());
            for (size_t i = 0; i < ours[0].size(); ++i)
                EXPECT_EQ(ours[0][i].text, theirs[0][i].text) << "header";
            ASSERT_EQ(types.size(), ours[0].size());
            ours.erase(ours.begin());
            theirs.erase(theirs.begin());
            const bool asSet = hasMovedRows(f, name);
            matchRows<CsvRow>(ours, theirs, asSet, [&](const CsvRow& x, const CsvRow& y) {
                if (x.size() != y.size())
                    return std::string("field count");
                for (size_t i = 0; i < x.size(); ++i) {
                    const std::string d = compareCsv(x[i], y[i], types[i], nullptr);
                    if (!d.empty())
                        return d;
                }
                return std::string();
            });
            // Count the known faults on the matched rows (the order does not change them).
            if (!asSet && ours.size() == theirs.size())
                for (size_t r2 = 0; r2 < ours.size(); ++r2)
                    for (size_t i = 0; i < ours[r2].size() && i < theirs[r2].size(); ++i)
                        (void)compareCsv(ours[r2][i], theirs[r2][i], types[i], &notes);
            if (asSet) // moved-row tables: count over our rows against their matches
                for (const auto& x : ours)
                    for (const auto& y : theirs) {
                        bool same = x.size() == y.size();
                        for (size_t i = 0; same && i < x.size(); ++i)
                            same = compareCsv(x[i], y[i], types[i], nullptr).empty();
                        if (same) {
                            for (size_t i = 0; i < x.size(); ++i)
                                (void)compareCsv(x[i], y[i], types[i], &notes);
                            break;
                        }
                    }
        }
        SCOPED_TRACE(f);
        const CsvNotes want = expected.count(f) ? expected[f] : CsvNotes{};
        EXPECT_EQ(notes.emptyText, want.emptyText);
        EXPECT_EQ(notes.nulCut, want.nulCut);
        EXPECT_EQ(notes.binCut, want.binCut);
        EXPECT_EQ(notes.guidForm, want.guidForm);
        EXPECT_EQ(notes.badDate, want.badDate);
    }
}
