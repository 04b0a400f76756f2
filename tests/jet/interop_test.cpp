// Files our engine changed, read by other programs: copies of the samples after many inserts,
// updates that move rows, deletes and long values are read with mdb-export (mdbtools) and with
// the npm package mdb-reader, and every value must be the one we wrote. The two oracles read a
// moved row where its target lies, so tables with moved rows are compared as sets of rows.
// Known faults of mdbtools are allowed for and named where they matter.
#include "writeutil.h"

#include "jet/codec.h"
#include "jet/datapage.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>

using namespace testutil;
using namespace writeutil;
using jet::Value;

namespace {

// Skips without the oracles, except on CI (CI=true), where they must be there.
#define REQUIRE_ORACLES()                                                                                    \
    do {                                                                                                     \
        REQUIRE_SAMPLES();                                                                                   \
        if (!haveProgram("mdb-export") || !haveProgram("node") || nodeModules().empty()) {                   \
            if (testutil::onCi())                                                                            \
                FAIL() << "mdb-export, node or mdb-reader (LEDRIMO_NODE_PATH) missing";                      \
            GTEST_SKIP() << "mdb-export, node or mdb-reader missing";                                        \
        }                                                                                                    \
    } while (0)

std::string lower(std::string s) {
    for (auto& c : s)
        c = char(std::tolower(uint8_t(c)));
    return s;
}

std::string normDecimal(std::string s) {
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

long long integerOf(const Value& v) {
    switch (v.index()) {
    case 2:
        return std::get<uint8_t>(v);
    case 3:
        return std::get<int16_t>(v);
    default:
        return std::get<int32_t>(v);
    }
}

std::string hexOf(const jet::Bytes& b) {
    return jet::formatHex(jet::ByteView(b.data(), b.size()));
}

// "" when mdb-reader's value `j` (column type `type`) is `v`, else a description.
std::string readerMismatch(const Value& v, const Json& j) {
    auto show = [&] {
        std::ostringstream ours;
        jet::PrintTo(v, &ours);
        return "ours " + ours.str() + ", mdb-reader " +
               (j.kind == Json::String   ? jet::toUtf8(j.string)
                : j.kind == Json::Number ? j.number
                : j.kind == Json::Bool   ? (j.boolean ? "true" : "false")
                                         : "null");
    };
    if (jet::isNull(v))
        return j.kind == Json::Null ? "" : show();
    bool same = false;
    switch (v.index()) {
    case 1:
        same = j.kind == Json::Bool && j.boolean == std::get<bool>(v);
        break;
    case 2:
    case 3:
    case 4:
        same = j.kind == Json::Number && std::stoll(j.number) == integerOf(v);
        break;
    case 5:
        same = j.kind == Json::String && normDecimal(jet::toUtf8(j.string)) ==
                                             normDecimal(jet::formatCurrency(std::get<jet::Currency>(v)));
        break;
    case 6:
        same = j.kind == Json::Number && float(std::strtod(j.number.c_str(), nullptr)) == std::get<float>(v);
        break;
    case 7:
        same = j.kind == Json::Number && std::strtod(j.number.c_str(), nullptr) == std::get<double>(v);
        break;
    case 8: { // "2010-07-20T16:07:26.000Z" for dates after 1899-12-30 with whole seconds
        std::string iso = jet::toUtf8(j.string);
        if (iso.size() >= 19)
            iso[10] = ' ';
        same = j.kind == Json::String && iso.substr(0, 19) == jet::formatDateTime(std::get<jet::DateTime>(v));
        break;
    }
    case 9:
        same = j.kind == Json::String && j.string == std::get<std::u16string>(v);
        break;
    case 10:
        same = j.kind == Json::String && jet::toUtf8(j.string) == lower(hexOf(std::get<jet::Bytes>(v)));
        break;
    case 11: {
        const std::string g = jet::formatGuid(std::get<jet::Guid>(v));
        same = j.kind == Json::String && jet::toUtf8(j.string) == lower(g.substr(1, 36));
        break;
    }
    case 12:
        same = j.kind == Json::String && normDecimal(jet::toUtf8(j.string)) ==
                                             normDecimal(jet::formatDecimal(std::get<jet::Decimal>(v)));
        break;
    }
    return same ? "" : show();
}

// "" when mdb-export's field `f` is `v`, else a description. mdbtools writes a zero-length text
// like NULL, turns each half of a character outside the Basic Multilingual Plane into '?', cuts
// Binary values at their first zero byte, and prints GUIDs its own way (not compared).
std::string exportMismatch(const Value& v, const CsvField& f, jet::ColumnType type) {
    auto show = [&] {
        std::ostringstream ours;
        jet::PrintTo(v, &ours);
        return "ours " + ours.str() + ", mdb-export [" + f.text + "]" + (f.quoted ? " quoted" : "");
    };
    const bool fieldNull = f.text.empty() && !f.quoted;
    if (jet::isNull(v))
        return fieldNull ? "" : show();
    bool same = false;
    switch (v.index()) {
    case 1:
        same = f.text == (std::get<bool>(v) ? "1" : "0");
        break;
    case 2:
    case 3:
    case 4:
        same = f.text == std::to_string(integerOf(v));
        break;
    case 5:
        same = normDecimal(f.text) == normDecimal(jet::formatCurrency(std::get<jet::Currency>(v)));
        break;
    case 6:
        same = std::strtof(f.text.c_str(), nullptr) == std::get<float>(v) ||
               std::fabs(std::strtod(f.text.c_str(), nullptr) / std::get<float>(v) - 1) < 1e-6;
        break;
    case 7: {
        const double d = std::get<double>(v), m = std::strtod(f.text.c_str(), nullptr);
        same = d == m || std::fabs(m / d - 1) < 1e-15 || (std::isinf(m) && std::fabs(d) > 1.79e308);
        break;
    }
    case 8:
        same = f.text == jet::formatDateTime(std::get<jet::DateTime>(v));
        break;
    case 9: {
        std::u16string s = std::get<std::u16string>(v);
        for (auto& c : s)
            if (c >= 0xD800 && c <= 0xDFFF)
                c = u'?';
        same = s.empty() ? fieldNull : (f.quoted && f.text == jet::toUtf8(s));
        break;
    }
    case 10: {
        const std::string h = hexOf(std::get<jet::Bytes>(v));
        same = f.text == h || (type == jet::ColumnType::Binary && h.starts_with(f.text) &&
                               f.text.size() % 2 == 0 && h.substr(f.text.size(), 2) == "00");
        break;
    }
    case 11:
        same = !fieldNull;
        break;
    case 12:
        same = normDecimal(f.text) == normDecimal(jet::formatDecimal(std::get<jet::Decimal>(v)));
        break;
    }
    return same ? "" : show();
}

bool hasMovedRows(const jet::Database& db, std::u16string_view table) {
    for (const auto& id : rowIdsOf(db, table)) {
        auto dp = jet::DataPage::open(*db.file(), *db.file()->page(id.page));
        if (dp->state(id.row) == jet::SlotState::Pointer)
            return true;
    }
    return false;
}

// Matches `expected` rows with the oracle's, in order or as a multiset.
template <class Row>
void matchRows(const Rows& expected, const std::vector<Row>& theirs, bool asSet,
               const std::function<std::string(const std::vector<Value>&, const Row&)>& diff) {
    ASSERT_EQ(expected.size(), theirs.size()) << "row count";
    std::vector<bool> used(theirs.size(), false);
    for (size_t r = 0; r < expected.size(); ++r) {
        if (!asSet) {
            const std::string d = diff(expected[r], theirs[r]);
            ASSERT_EQ(d, "") << "row " << r;
            continue;
        }
        bool found = false;
        for (size_t k = 0; k < theirs.size() && !found; ++k)
            if (!used[k] && diff(expected[r], theirs[k]).empty())
                used[k] = found = true;
        ASSERT_TRUE(found) << "row " << r << " has no equal row in the oracle";
    }
}

// Reads `table` of `path` with both oracles and our reader; all must give `expected`.
void expectOraclesRead(const std::string& path, const std::u16string& table, const Rows& expected) {
    const std::string name = jet::toUtf8(table);
    SCOPED_TRACE(name);
    auto db = openRead(path);
    ASSERT_TRUE(db);
    ASSERT_EQ(readTable(*db, table), expected) << "our own reading";
    const bool asSet = hasMovedRows(*db, table);
    const std::vector<jet::ColumnDef> columns = (*db->openTable(table))->def().columns;
    db.reset();
    EXPECT_TRUE(consistent(path, {table}));

    // mdb-reader
    const auto r = runCommand(
        {"node", std::string(LEDRIMO_TEST_SOURCE_DIR) + "/mdb_reader_table.mjs", nodeModules(), path, name});
    ASSERT_EQ(r.exitCode, 0) << "mdb-reader could not read the table";
    const Json doc = parseJson(r.out);
    EXPECT_EQ(doc.at("rowCount").number, std::to_string(expected.size())) << "mdb-reader's row counter";
    std::vector<std::string> types;
    for (const auto& c : doc.at("columns").array)
        types.push_back(jet::toUtf8(c.at("type").string));
    ASSERT_EQ(types.size(), columns.size());
    std::vector<std::vector<Json>> rows;
    for (const auto& row : doc.at("rows").array)
        rows.push_back(row.array);
    matchRows<std::vector<Json>>(expected, rows, asSet,
                                 [&](const std::vector<Value>& e, const std::vector<Json>& j) {
                                     for (size_t i = 0; i < e.size(); ++i)
                                         if (auto d = readerMismatch(e[i], j[i]); !d.empty())
                                             return jet::toUtf8(columns[i].name) + ": " + d;
                                     return std::string();
                                 });

    // mdb-export
    const auto x = runCommand(
        {"mdb-export", "-b", "hex", "-D", "%Y-%m-%d %H:%M:%S", "-T", "%Y-%m-%d %H:%M:%S", path, name});
    ASSERT_EQ(x.exitCode, 0) << "mdb-export could not read the table";
    std::vector<CsvRow> csv = parseCsv(x.out);
    ASSERT_FALSE(csv.empty());
    csv.erase(csv.begin()); // the header
    matchRows<CsvRow>(expected, csv, asSet, [&](const std::vector<Value>& e, const CsvRow& f) {
        if (f.size() != e.size())
            return std::string("field count");
        for (size_t i = 0; i < e.size(); ++i)
            if (auto d = exportMismatch(e[i], f[i], columns[i].type); !d.empty())
                return jet::toUtf8(columns[i].name) + ": " + d;
        return std::string();
    });
}

// Texts that test the edges: Chinese, outside the Basic Multilingual Plane, quotes, commas and
// line ends, empty.
const std::u16string kTexts[] = {u"张三",   u"𠀀𠮷 and 𩸽", u"say \"hi\", 'ok'", u"",
                                 u"a\r\nb", u"中文abc混合", u"公司地址：北京市", u"x"};

} // namespace

TEST(Interop, TextTableAfterInsertsMovesAndDeletes) {
    REQUIRE_ORACLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    const std::u16string table = u"Table";
    Rows expected = readTable(path, table);
    {
        auto db = openWrite(path);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->begin());
        for (int i = 0; i < 600; ++i) {
            std::vector<Value> row = {Value(kTexts[i % 8] + jet::fromUtf8(std::to_string(i))),
                                      i % 7 == 0 ? Value(jet::Null{}) : Value(kTexts[(i + 3) % 8])};
            ASSERT_TRUE(db->insertRow(table, row));
            expected.push_back(row);
        }
        ASSERT_TRUE(db->commit());
        auto ids = rowIdsOf(*db, table);
        // Updates that grow rows on full pages (they move), shrink some back, and deletes.
        for (size_t k = 5; k < ids.size(); k += 17) {
            const std::u16string big = textOf(50, u"移动后的行");
            ASSERT_TRUE(db->updateRow(table, ids[k], {{1, Value(big)}}));
            expected[k][1] = big;
        }
        for (size_t k = 5; k < ids.size(); k += 68) {
            ASSERT_TRUE(db->updateRow(table, ids[k], {{1, Value(std::u16string(u"短"))}}));
            expected[k][1] = std::u16string(u"短");
        }
        std::vector<size_t> gone;
        for (size_t k = 22; k < ids.size(); k += 34)
            gone.push_back(k);
        gone.push_back(3);
        std::sort(gone.begin(), gone.end());
        for (auto it = gone.rbegin(); it != gone.rend(); ++it) {
            ASSERT_TRUE(db->deleteRow(table, ids[*it]));
            expected.erase(expected.begin() + ptrdiff_t(*it));
        }
        ASSERT_TRUE(hasMovedRows(*db, table));
    }
    expectOraclesRead(path, table, expected);
}

TEST(Interop, EveryColumnTypeAndLongValues) {
    REQUIRE_ORACLES();
    TempDir dir;
    const std::string path = copySample(dir, "linq2db_TestData.mdb");
    Rows expected = readTable(path, u"AllTypes");
    {
        auto db = openWrite(path);
        ASSERT_TRUE(db);
        for (int i = 0; i < 40; ++i) {
            jet::Guid g;
            for (int b = 0; b < 16; ++b)
                g.bytes[size_t(b)] = uint8_t(i * 16 + b);
            jet::Bytes bin(size_t(i % 10) + 1, uint8_t(i + 1));
            jet::Bytes ole(size_t(i) * 250, 0);
            for (size_t b = 0; b < ole.size(); ++b)
                ole[b] = uint8_t(b * 31 + size_t(i));
            std::vector<Value> row = {
                Value(jet::Null{}), // autonumber
                Value(i % 2 == 0),
                Value(int16_t(-1000 * i)),
                Value(jet::Decimal{i % 3 == 0, 18, 0, {uint32_t(i) * 1000003u, uint32_t(i), 0}}),
                Value(int32_t(i * 100000)),
                Value(uint8_t(i * 6)),
                Value(jet::Currency{int64_t(i) * 123456789 - 5000}),
                Value(i * 1.0e100 / 3),
                Value(float(i) / 7.0f),
                Value(jet::DateTime{36526.0 + i * 30 + (i % 4) * 0.25 + (i % 2) * 0.125}),
                Value(std::u16string(1, char16_t(u'a' + i % 26))),
                Value(kTexts[i % 8] + std::u16string(u"!")),
                Value(kTexts[(i + 1) % 8]),
                Value(textOf(size_t(i) * 120, u"备注𠀀")),
                Value(std::u16string(u"nchar")),
                i % 4 == 0 ? Value(jet::Null{}) : Value(kTexts[(i + 2) % 8]),
                Value(textOf(size_t(i % 5) * 1700, u"ntext")),
                Value(bin),
                Value(jet::Bytes(size_t(i) * 12, uint8_t(0xA0 + i % 16))),
                Value(jet::Bytes(size_t(i % 3) * 40, 0x11)),
                Value(ole),
                Value(g),
            };
            auto id = db->insertRow(u"AllTypes", row);
            ASSERT_TRUE(id) << id.error().describe();
            expected.push_back(*(*db->openTable(u"AllTypes"))->readRow(*id));
        }
        // Long values replaced and rows deleted.
        auto ids = rowIdsOf(*db, u"AllTypes");
        for (size_t k = ids.size() - 30; k < ids.size(); k += 4) {
            const std::u16string memo = textOf(k * 37, u"替换的备注");
            ASSERT_TRUE(
                db->updateRow(u"AllTypes", ids[k], {{13, Value(memo)}, {20, Value(jet::Bytes(k, 1))}}));
            expected[k][13] = memo;
            expected[k][20] = jet::Bytes(k, 1);
        }
        for (size_t k : {ids.size() - 2, ids.size() - 9, size_t(1)}) {
            ASSERT_TRUE(db->deleteRow(u"AllTypes", ids[k]));
            expected.erase(expected.begin() + ptrdiff_t(k));
        }
    }
    expectOraclesRead(path, u"AllTypes", expected);
}

TEST(Interop, ChineseDatabaseWithMemoChains) {
    REQUIRE_ORACLES();
    TempDir dir;
    const std::string path = copySample(dir, "zblog_data_cp936_overflow.mdb");
    const std::u16string table = u"blog_Config";
    Rows expected = readTable(path, table);
    {
        auto db = openWrite(path);
        ASSERT_TRUE(db);
        for (int i = 0; i < 12; ++i) {
            std::vector<Value> row = {Value(kTexts[i % 8] + u"配置" + jet::fromUtf8(std::to_string(i))),
                                      Value(textOf(size_t(i) * i * 60, u"设置内容<li>𠀀"))};
            ASSERT_TRUE(db->insertRow(table, row));
            expected.push_back(row);
        }
        auto first = db->rowAt(table, 0);
        ASSERT_TRUE(db->updateRow(table, *first, {{1, Value(std::u16string(u"ZC_BLOG_HOST=改过了"))}}));
        expected[0][1] = std::u16string(u"ZC_BLOG_HOST=改过了");
        auto third = db->rowAt(table, 3);
        ASSERT_TRUE(db->deleteRow(table, *third));
        expected.erase(expected.begin() + 3);
    }
    expectOraclesRead(path, table, expected);
}

TEST(Interop, ReferenceMapsOfAGrownFile) {
    REQUIRE_ORACLES();
    TempDir dir;
    const std::string path = copySample(dir, "ucanaccess_FunctionsTestV2000.mdb");
    const std::u16string table = u"t234";
    Rows expected = readTable(path, table);
    {
        auto db = openWrite(path);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->begin());
        // Enough rows to take the file past the 512 pages an inline map can name.
        for (int i = 0; i < 6000; ++i) {
            std::vector<Value> row = {Value(int16_t(i)), Value(textOf(size_t(i % 300), u"描述")),
                                      Value(jet::Decimal{i % 2 == 1, 12, 3, {uint32_t(i) * 7919u, 0, 0}}),
                                      Value(jet::DateTime{40000.0 + i / 4 + (i % 4) * 0.25})};
            if (i % 11 == 0)
                row[1] = jet::Null{};
            ASSERT_TRUE(db->insertRow(table, row));
        }
        ASSERT_TRUE(db->commit());
        EXPECT_GT(db->file()->pageCount(), 520u);
    }
    expected = readTable(path, table);
    ASSERT_EQ(expected.size(), 6001u);
    expectOraclesRead(path, table, expected);
}
