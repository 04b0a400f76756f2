// Row writes on copies of the samples: where new rows go, updates in place and as moved rows,
// deletes, long values, value checks, autonumbers, usage maps that outgrow their record, and
// transactions. Every test runs the consistency check on the file it changed.
#include "writeutil.h"

#include "jet/allocate.h"
#include "jet/codec.h"
#include "jet/datapage.h"
#include "jet/longvalue.h"
#include "jet/usagemap.h"

#include <cmath>
#include <filesystem>

using namespace testutil;
using namespace writeutil;
using jet::Value;

namespace {

const char16_t* const kDelTable = u"Table"; // jackcess_delTestV2000: a, b Text(50), no indexes

std::vector<Value> textRow(std::u16string a, std::optional<std::u16string> b) {
    return {Value(std::move(a)), b ? Value(std::move(*b)) : Value(jet::Null{})};
}

jet::SlotState stateOf(const jet::Database& db, jet::RowId id) {
    auto pg = db.file()->page(id.page);
    auto dp = jet::DataPage::open(*db.file(), *pg);
    return dp->state(id.row);
}

jet::RowId pointerOf(const jet::Database& db, jet::RowId id) {
    auto pg = db.file()->page(id.page);
    auto dp = jet::DataPage::open(*db.file(), *pg);
    auto bytes = dp->rowBytes(*db.file(), id.row);
    return jet::readRowPointer(bytes->data());
}

uint16_t freeSpaceField(const jet::Database& db, uint32_t page) {
    auto pg = db.file()->page(page);
    return jet::le16((*pg)->bytes.data() + 2);
}

size_t storedSize(const jet::Database& db, jet::RowId id) {
    auto pg = db.file()->page(id.page);
    auto dp = jet::DataPage::open(*db.file(), *pg);
    return dp->rowBytes(*db.file(), id.row)->size();
}

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// Appends `n` rows (`make(i)`) in one transaction: many rows quickly, one commit.
template <class Make> void fill(jet::Database& db, std::u16string_view table, int n, Make make) {
    ASSERT_TRUE(db.begin());
    for (int i = 0; i < n; ++i) {
        auto id = db.insertRow(table, make(i));
        ASSERT_TRUE(id) << id.error().describe();
    }
    ASSERT_TRUE(db.commit());
}

std::vector<Value> numbered(int i) {
    return textRow(jet::fromUtf8(std::to_string(i)), u"");
}

} // namespace

TEST(Writer, InsertAppendsRowsAfterEveryRowAndKeepsTheMapsRight) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    const Rows before = readTable(path, kDelTable);
    ASSERT_EQ(before.size(), 2u);
    const uint32_t pagesBefore = uint32_t(std::filesystem::file_size(path) / jet::kPageSize);
    Rows expected = before;
    {
        auto db = openWrite(path);
        ASSERT_TRUE(db);
        // Chinese text, a character outside the Basic Multilingual Plane, quotes, empty and NULL.
        const std::u16string samples[] = {u"张三", u"𠀀𠮷",     u"say \"hi\" 'ok'",
                                          u"",     u"a,b\r\nc", u"中文abc混合"};
        // The first rows each in a durable transaction of its own, the rest in one transaction.
        for (int i = 0; i < 400; ++i) {
            if (i == 40) {
                ASSERT_TRUE(db->begin());
            }
            std::vector<Value> row = textRow(samples[i % 6] + jet::fromUtf8(std::to_string(i)),
                                             i % 5 == 0 ? std::nullopt : std::optional(samples[(i + 3) % 6]));
            auto id = db->insertRow(kDelTable, row);
            ASSERT_TRUE(id) << id.error().describe();
            expected.push_back(row);
        }
        ASSERT_TRUE(db->commit());
        // RowIds ascend in table order and the new pages lie at the end of the file.
        const auto ids = rowIdsOf(*db, kDelTable);
        ASSERT_EQ(ids.size(), expected.size());
        EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
        auto t = db->openTable(kDelTable);
        ASSERT_TRUE(t);
        const auto& pages = (*t)->ownedPages().pages;
        ASSERT_GE(pages.size(), 3u);
        auto global = jet::readUsageMap(*db->file(), jet::kGlobalUsageMap);
        ASSERT_TRUE(global);
        for (size_t k = 1; k < pages.size(); ++k) {
            EXPECT_GE(pages[k], pagesBefore);
            EXPECT_FALSE(global->contains(pages[k])) << "page " << pages[k] << " is marked free";
        }
    }
    EXPECT_EQ(readTable(path, kDelTable), expected);
    EXPECT_TRUE(consistent(path, {kDelTable}));
    EXPECT_FALSE(exists(path + "-journal"));
}

TEST(Writer, NewRowsNeverFillHolesOfEarlierPages) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    fill(*db, kDelTable, 60, [](int) { return textRow(textOf(50), textOf(50)); });
    auto ids = rowIdsOf(*db, kDelTable);
    // Free room on the first pages, then insert: the row still comes last.
    for (size_t k = 0; k < 20; ++k)
        ASSERT_TRUE(db->deleteRow(kDelTable, ids[k]));
    auto id = db->insertRow(kDelTable, textRow(u"last", u"row"));
    ASSERT_TRUE(id);
    ids = rowIdsOf(*db, kDelTable);
    EXPECT_EQ(ids.back(), *id);
    const Rows rows = readTable(*db, kDelTable);
    EXPECT_EQ(rows.back(), textRow(u"last", u"row"));
    db.reset();
    EXPECT_TRUE(consistent(path, {kDelTable}));
}

TEST(Writer, UpdateInPlaceMovesTheLaterRowsOfThePage) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    Rows expected = readTable(*db, kDelTable);
    fill(*db, kDelTable, 10, [](int i) { return textRow(jet::fromUtf8("row" + std::to_string(i)), u"x"); });
    expected = readTable(*db, kDelTable);
    const auto ids = rowIdsOf(*db, kDelTable);
    const uint16_t freeBefore = freeSpaceField(*db, ids[5].page);
    // Longer (the rows after it on the page move down), shorter, NULL, and back.
    const std::pair<size_t, std::u16string> edits[] = {
        {5, textOf(50, u"中文字")}, {3, u""}, {11, textOf(49)}, {5, u"y"}, {0, u"first"}};
    for (const auto& [row, text] : edits) {
        ASSERT_TRUE(db->updateRow(kDelTable, ids[row], {jet::ColumnChange{1, Value(text)}}));
        expected[row][1] = text;
        EXPECT_EQ(readTable(*db, kDelTable), expected);
    }
    ASSERT_TRUE(db->updateRow(kDelTable, ids[7], {jet::ColumnChange{0, Value(jet::Null{})}}));
    expected[7][0] = jet::Null{};
    EXPECT_EQ(rowIdsOf(*db, kDelTable), ids);
    for (const auto& id : ids)
        EXPECT_EQ(stateOf(*db, id), jet::SlotState::Row);
    EXPECT_NE(freeSpaceField(*db, ids[5].page), freeBefore);
    db.reset();
    EXPECT_EQ(readTable(path, kDelTable), expected);
    EXPECT_TRUE(consistent(path, {kDelTable}));
}

TEST(Writer, AnUpdateThatDoesNotFitMovesTheRowAndKeepsItsRowId) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    // Fill pages with small rows, so that a row grown to full size cannot stay.
    fill(*db, kDelTable, 300, numbered);
    auto ids = rowIdsOf(*db, kDelTable);
    Rows expected = readTable(*db, kDelTable);
    // The first page of the new rows is full: pick a row in its middle.
    size_t victim = 0;
    for (size_t k = 2; k < ids.size(); ++k)
        if (ids[k].page == ids[2].page && ids[k].page != ids.back().page)
            victim = k;
    ASSERT_GT(victim, 2u);
    const jet::RowId id = ids[victim];
    ASSERT_LT(freeSpaceField(*db, id.page), 150);
    const std::u16string big = textOf(50, u"移动的行");
    ASSERT_TRUE(db->updateRow(kDelTable, id, {{0, Value(big)}, {1, Value(big)}}));
    expected[victim] = {Value(big), Value(big)};
    EXPECT_EQ(stateOf(*db, id), jet::SlotState::Pointer);
    const jet::RowId target = pointerOf(*db, id);
    EXPECT_NE(target.page, id.page);
    EXPECT_EQ(stateOf(*db, target), jet::SlotState::Target);
    EXPECT_EQ(rowIdsOf(*db, kDelTable), ids) << "a moved row keeps its place and RowId";
    EXPECT_EQ(readTable(*db, kDelTable), expected);

    // Updated again, still too big for home: rewritten where it is, the pointer unchanged.
    const std::u16string big2 = textOf(50, u"再改一次");
    ASSERT_TRUE(db->updateRow(kDelTable, id, {{1, Value(big2)}}));
    expected[victim][1] = big2;
    EXPECT_EQ(pointerOf(*db, id), target);
    EXPECT_EQ(readTable(*db, kDelTable), expected);

    // Shrunk, with room made at home: it comes back, its old place is deleted.
    ASSERT_TRUE(db->deleteRow(kDelTable, ids[victim - 1]));
    expected.erase(expected.begin() + ptrdiff_t(victim) - 1);
    --victim;
    ASSERT_TRUE(db->updateRow(kDelTable, id, {{0, Value(std::u16string(u"s"))}, {1, Value(jet::Null{})}}));
    expected[victim] = {Value(std::u16string(u"s")), Value(jet::Null{})};
    EXPECT_EQ(stateOf(*db, id), jet::SlotState::Row);
    EXPECT_EQ(stateOf(*db, target), jet::SlotState::Deleted);
    EXPECT_EQ(readTable(*db, kDelTable), expected);
    db.reset();
    EXPECT_TRUE(consistent(path, {kDelTable}));
}

// Growing a row by exactly the free space of its page still fits: it is rewritten in place, its
// slot holds the row itself and not a pointer.
TEST(Writer, AnUpdateThatTakesExactlyThePagesFreeSpaceStaysInPlace) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    fill(*db, kDelTable, 300, numbered);
    const auto ids = rowIdsOf(*db, kDelTable);
    const jet::RowId id = ids[150];
    ASSERT_NE(id.page, ids.back().page);
    const size_t free = freeSpaceField(*db, id.page);
    const size_t size = storedSize(*db, id);
    // The stored size of each candidate value, measured on a copy of the file.
    auto scratch = openWrite(copySample(dir, "jackcess_delTestV2000.mdb", "scratch.mdb"));
    ASSERT_TRUE(scratch);
    ASSERT_GT(free, 0u);
    std::optional<std::u16string> grown;
    ASSERT_TRUE(scratch->begin());
    for (size_t n = 1; n <= 50 && !grown; ++n) {
        auto probe = scratch->insertRow(kDelTable, textRow(textOf(n), u""));
        ASSERT_TRUE(probe);
        if (storedSize(*scratch, *probe) == size + free)
            grown = textOf(n);
    }
    scratch->rollback();
    ASSERT_TRUE(grown) << "no value makes row " << size << " bytes grow by " << free;
    Rows expected = readTable(*db, kDelTable);
    ASSERT_TRUE(db->updateRow(kDelTable, id, {{0, Value(*grown)}}));
    expected[150][0] = *grown;
    EXPECT_EQ(stateOf(*db, id), jet::SlotState::Row) << "the row stays in its slot";
    EXPECT_EQ(storedSize(*db, id), size + free);
    EXPECT_EQ(freeSpaceField(*db, id.page), 0);
    db.reset();
    EXPECT_EQ(readTable(path, kDelTable), expected);
    EXPECT_TRUE(consistent(path, {kDelTable}));
}

// The table's last page at bit 0 of its byte in the map (a multiple of 8 pages past the map's
// first page): the next row still goes onto that page, after every other row.
TEST(Writer, TheLastPageAtTheStartOfAMapByteTakesTheNextRow) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    auto t = db->openTable(kDelTable);
    ASSERT_TRUE(t);
    ASSERT_EQ((*t)->ownedPages().kind, jet::UsageMap::Kind::Inline);
    const uint32_t first = (*t)->ownedPages().firstPage;
    const std::vector<Value> row = textRow(textOf(50), textOf(50));
    jet::RowId last = rowIdsOf(*db, kDelTable).back();
    // Rows until one starts a new page at bit 0 of a map byte.
    ASSERT_TRUE(db->begin());
    for (int i = 0;; ++i) {
        ASSERT_LT(i, 1000) << "no new page at a multiple of 8";
        auto id = db->insertRow(kDelTable, row);
        ASSERT_TRUE(id) << id.error().describe();
        const bool boundary = id->page != last.page && (id->page - first) % 8 == 0;
        last = *id;
        if (boundary)
            break;
    }
    ASSERT_TRUE(db->commit());
    const Rows before = readTable(*db, kDelTable);
    auto next = db->insertRow(kDelTable, textRow(u"next", u"row"));
    ASSERT_TRUE(next) << next.error().describe();
    EXPECT_EQ(next->page, last.page) << "a new page although the last one has room";
    EXPECT_EQ(rowIdsOf(*db, kDelTable).back(), *next);
    db.reset();
    Rows expected = before;
    expected.push_back(textRow(u"next", u"row"));
    EXPECT_EQ(readTable(path, kDelTable), expected);
    EXPECT_TRUE(consistent(path, {kDelTable}));
}

TEST(Writer, AMovedRowThatOutgrowsItsTargetPageMovesAgainWithoutAChain) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    fill(*db, kDelTable, 300, numbered);
    auto ids = rowIdsOf(*db, kDelTable);
    // Move a row with a middle-sized value, then fill the target's page behind it.
    const jet::RowId id = ids[10];
    ASSERT_TRUE(db->updateRow(kDelTable, id, {{1, Value(textOf(30))}}));
    ASSERT_EQ(stateOf(*db, id), jet::SlotState::Pointer);
    const jet::RowId first = pointerOf(*db, id);
    ASSERT_TRUE(db->begin());
    while (rowIdsOf(*db, kDelTable).back().page == first.page)
        ASSERT_TRUE(db->insertRow(kDelTable, textRow(textOf(40), textOf(40))));
    ASSERT_TRUE(db->commit());
    ASSERT_LT(freeSpaceField(*db, first.page), 100);
    // Now the row needs more room than its target page has.
    const std::u16string big = textOf(50, u"再次移动");
    ASSERT_TRUE(db->updateRow(kDelTable, id, {{0, Value(big)}, {1, Value(big)}}));
    const jet::RowId second = pointerOf(*db, id);
    EXPECT_NE(second, first);
    EXPECT_EQ(stateOf(*db, first), jet::SlotState::Deleted);
    EXPECT_EQ(stateOf(*db, second), jet::SlotState::Target) << "the pointer leads straight to the row";
    auto t = db->openTable(kDelTable);
    auto row = (*t)->readRow(id);
    ASSERT_TRUE(row);
    EXPECT_EQ(*row, (std::vector<Value>{Value(big), Value(big)}));
    db.reset();
    EXPECT_TRUE(consistent(path, {kDelTable}));
}

TEST(Writer, DeleteRetiresTheSlotsAndFreesTheirBytes) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    fill(*db, kDelTable, 300, numbered);
    auto ids = rowIdsOf(*db, kDelTable);
    Rows expected = readTable(*db, kDelTable);
    ASSERT_TRUE(db->updateRow(kDelTable, ids[20], {{1, Value(textOf(50))}})); // moved
    expected[20][1] = textOf(50);
    ASSERT_EQ(stateOf(*db, ids[20]), jet::SlotState::Pointer);
    const jet::RowId target = pointerOf(*db, ids[20]);
    const uint16_t freeBefore = freeSpaceField(*db, ids[30].page);
    for (size_t k : {size_t(30), size_t(20), size_t(0)}) {
        ASSERT_TRUE(db->deleteRow(kDelTable, ids[k]));
        EXPECT_EQ(stateOf(*db, ids[k]), jet::SlotState::Deleted);
    }
    EXPECT_EQ(stateOf(*db, target), jet::SlotState::Deleted);
    EXPECT_GT(freeSpaceField(*db, ids[30].page), freeBefore);
    // Deleting again, or updating a deleted row, is NotFound and changes nothing.
    auto again = db->deleteRow(kDelTable, ids[30]);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().kind, jet::ErrorKind::NotFound);
    auto upd = db->updateRow(kDelTable, ids[0], {{0, Value(std::u16string(u"x"))}});
    ASSERT_FALSE(upd);
    EXPECT_EQ(upd.error().kind, jet::ErrorKind::NotFound);
    auto bad = db->deleteRow(kDelTable, target);
    ASSERT_FALSE(bad) << "a moved row's target is not a row of its own";
    expected.erase(expected.begin() + 30);
    expected.erase(expected.begin() + 20);
    expected.erase(expected.begin());
    std::vector<jet::RowId> rest = ids;
    rest.erase(rest.begin() + 30);
    rest.erase(rest.begin() + 20);
    rest.erase(rest.begin());
    EXPECT_EQ(rowIdsOf(*db, kDelTable), rest) << "the other rows keep their RowIds";
    db.reset();
    EXPECT_EQ(readTable(path, kDelTable), expected);
    EXPECT_TRUE(consistent(path, {kDelTable}));
}

TEST(Writer, ValuesAreCheckedBeforeAnythingIsWritten) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string del = copySample(dir, "jackcess_delTestV2000.mdb", "del.mdb");
    const std::string linq = copySample(dir, "linq2db_TestData.mdb", "linq.mdb");
    const auto delBytes = readBytes(del), linqBytes = readBytes(linq);
    struct Case {
        std::string file;
        std::u16string table;
        size_t column;
        Value value;
        std::string expect; // part of the message
    };
    const Case cases[] = {
        {del, kDelTable, 0, Value(textOf(51)), "最多容纳 50 个字符"},
        {del, kDelTable, 1, Value(int32_t(5)), "是文本类型，不能存放长整型值"},
        {linq, u"AllTypes", 2, Value(int32_t(5)), "“smallintDataType”是整型类型"},
        {linq, u"AllTypes", 9, Value(jet::DateTime{1e7}), "日期超出范围"},
        {linq, u"AllTypes", 9, Value(jet::DateTime{std::nan("")}), "日期超出范围"},
        {linq, u"AllTypes", 10, Value(std::u16string(u"ab")), "最多容纳 1 个字符"},
        {linq, u"AllTypes", 17, Value(jet::Bytes(11, 1)), "最多容纳 10 个字节"},
        {linq, u"AllTypes", 3, Value(jet::Decimal{false, 18, 0, {0, 0, 0x10000000}}), "最多 18 位数字"},
        {linq, u"AllTypes", 3, Value(jet::Decimal{false, 18, 2, {5, 0, 0}}), "小数位数应为 0"},
        {linq, u"LinqDataTypes", 5, Value(std::u16string(u"{not a guid}")), "不能存放文本值"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expect);
        auto db = openWrite(c.file);
        ASSERT_TRUE(db);
        auto t = db->openTable(c.table);
        ASSERT_TRUE(t);
        std::vector<Value> row((*t)->def().columns.size(), Value(jet::Null{}));
        row[c.column] = c.value;
        auto id = db->insertRow(c.table, row);
        ASSERT_FALSE(id);
        EXPECT_EQ(id.error().kind, jet::ErrorKind::Invalid);
        EXPECT_NE(id.error().message.find(c.expect), std::string::npos) << id.error().message;
        auto first = db->rowAt(c.table, 0);
        ASSERT_TRUE(first);
        auto st = db->updateRow(c.table, *first, {{c.column, c.value}});
        ASSERT_FALSE(st);
        EXPECT_EQ(st.error().kind, jet::ErrorKind::Invalid);
    }
    EXPECT_EQ(readBytes(del), delBytes);
    EXPECT_EQ(readBytes(linq), linqBytes);
    EXPECT_FALSE(exists(del + "-journal"));
}

TEST(Writer, AColumnThatTakesNoNullRefusesIt) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    // Clear the nullable flag of column a in the definition (page 23).
    auto bytes = readBytes(path);
    {
        auto db = openRead(path);
        auto def = db->openTable(kDelTable);
        const size_t at = 23 * jet::kPageSize + (*def)->def().columns[0].descriptorOffset + 15;
        bytes[at] = uint8_t(bytes[at] & ~jet::kColumnNullable);
    }
    writeBytes(path, bytes);
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    auto id = db->insertRow(kDelTable, textRow(u"", std::nullopt));
    EXPECT_TRUE(id) << "an empty text is not NULL";
    auto bad = db->insertRow(kDelTable, {Value(jet::Null{}), Value(std::u16string(u"x"))});
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().message, "列“a”不能为空");
}

TEST(Writer, TablesWithIndexesAndSystemTablesRefuseWrites) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "linq2db_TestData.mdb");
    const auto before = readBytes(path);
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    auto person =
        db->insertRow(u"Person", {Value(int32_t(9)), Value(std::u16string(u"a")), Value(std::u16string(u"b")),
                                  Value(jet::Null{}), Value(std::u16string(u"M"))});
    ASSERT_FALSE(person);
    EXPECT_EQ(person.error().kind, jet::ErrorKind::Unsupported);
    EXPECT_NE(person.error().message.find("有索引"), std::string::npos);
    auto first = db->rowAt(u"Person", 0);
    ASSERT_TRUE(first);
    EXPECT_FALSE(db->deleteRow(u"Person", *first));
    auto sys = db->deleteRow(u"MSysObjects", jet::RowId{0, 0});
    ASSERT_FALSE(sys);
    EXPECT_EQ(sys.error().kind, jet::ErrorKind::Unsupported);
    auto missing = db->insertRow(u"NoSuchTable", {});
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind, jet::ErrorKind::NotFound);
    db.reset();
    EXPECT_EQ(readBytes(path), before);
}

TEST(Writer, AutonumbersComeFromTheDefinitionsCounter) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "linq2db_TestData.mdb");
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    auto t = db->openTable(u"AllTypes");
    ASSERT_TRUE(t);
    ASSERT_EQ((*t)->def().nextAutoNumber, 204u); // the last number handed out
    const size_t width = (*t)->def().columns.size();
    auto idOf = [&](jet::RowId r) {
        return std::get<int32_t>(*(*db->openTable(u"AllTypes"))->readValue(r, 0));
    };
    std::vector<Value> row(width, Value(jet::Null{}));
    auto a = db->insertRow(u"AllTypes", row);
    ASSERT_TRUE(a);
    EXPECT_EQ(idOf(*a), 205);
    row[0] = int32_t(1000);
    auto b = db->insertRow(u"AllTypes", row);
    ASSERT_TRUE(b);
    EXPECT_EQ(idOf(*b), 1000);
    row[0] = jet::Null{};
    auto c = db->insertRow(u"AllTypes", row);
    ASSERT_TRUE(c);
    EXPECT_EQ(idOf(*c), 1001);
    row[0] = int32_t(7); // a lower explicit number leaves the counter
    ASSERT_TRUE(db->insertRow(u"AllTypes", row));
    EXPECT_EQ((*db->openTable(u"AllTypes"))->def().nextAutoNumber, 1001u);
    db.reset();
    EXPECT_TRUE(consistent(path, {u"AllTypes"}));
}

TEST(Writer, EveryColumnTypeRoundTrips) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "linq2db_TestData.mdb");
    jet::Guid g;
    for (int i = 0; i < 16; ++i)
        g.bytes[size_t(i)] = uint8_t(0x10 * i + 1);
    const std::vector<Value> row = {
        Value(int32_t(-42)),
        Value(true),
        Value(int16_t(-32768)),
        Value(jet::Decimal{true, 18, 0, {0x89ABCDEF, 0x01234567, 0}}),
        Value(int32_t(2147483647)),
        Value(uint8_t(255)),
        Value(jet::Currency{-9223372036854775807LL}),
        Value(-1.7976931348623157e308),
        Value(float(1.25e-30f)),
        Value(jet::DateTime{-657434.0}),
        Value(std::u16string(u"字")),
        Value(std::u16string(u"fixed 定长")),
        Value(std::u16string(u"𠀀 var")),
        Value(std::u16string(u"短备注")),
        Value(std::u16string(u"n")),
        Value(std::u16string(u"")),
        Value(textOf(3000, u"长备注，")),
        Value(jet::Bytes{0, 1, 2}),
        Value(jet::Bytes(510, 0xAB)),
        Value(jet::Bytes(70, 7)),
        Value(jet::Bytes{}),
        Value(g),
    };
    {
        auto db = openWrite(path);
        ASSERT_TRUE(db);
        auto id = db->insertRow(u"AllTypes", row);
        ASSERT_TRUE(id) << id.error().describe();
    }
    const Rows rows = readTable(path, u"AllTypes");
    ASSERT_FALSE(rows.empty());
    std::vector<Value> want = row;
    want[11] = std::u16string(u"fixed 定长") + std::u16string(12, u' '); // Text(20), fixed: padded
    want[14] = std::u16string(u"n") + std::u16string(19, u' ');
    want[17] = jet::Bytes{0, 1, 2, 0, 0, 0, 0, 0, 0, 0}; // Binary(10), fixed
    EXPECT_EQ(rows.back(), want);
    EXPECT_TRUE(consistent(path, {u"AllTypes"}));
}

TEST(Writer, LongValuesGoInlineIntoOneLvalRowOrIntoAChain) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "linq2db_TestData.mdb");
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    auto t = db->openTable(u"AllTypes");
    ASSERT_TRUE(t);
    const size_t width = (*t)->def().columns.size(), memo = 13, ole = 20;
    const jet::ColumnDef& memoColumn = (*t)->def().columns[memo];
    // Text is two bytes a character (the column is not compressed): 32 characters is 64 bytes.
    const size_t sizes[] = {0, 31, 32, 33, 2040, 2041, 5000, 30000};
    std::vector<jet::RowId> ids;
    for (size_t n : sizes) {
        std::vector<Value> row(width, Value(jet::Null{}));
        row[memo] = textOf(n, u"备注abc");
        jet::Bytes blob(n * 3);
        for (size_t i = 0; i < blob.size(); ++i)
            blob[i] = uint8_t(i * 7);
        row[ole] = blob;
        auto id = db->insertRow(u"AllTypes", row);
        ASSERT_TRUE(id) << n << ": " << id.error().describe();
        ids.push_back(*id);
    }
    auto kindOf = [&](jet::RowId id) {
        auto tt = db->openTable(u"AllTypes");
        auto stored = (*tt)->storedRow(id);
        jet::RowLayout layout;
        EXPECT_TRUE(jet::parseRow((*tt)->def(), stored->bytes, layout));
        auto f = jet::fieldOf(layout, memoColumn);
        return jet::parseLongValueRef(f->data)->kind;
    };
    using K = jet::LongValueRef::Kind;
    EXPECT_EQ(kindOf(ids[1]), K::Inline);
    EXPECT_EQ(kindOf(ids[2]), K::Inline);
    EXPECT_EQ(kindOf(ids[3]), K::SingleRow);
    EXPECT_EQ(kindOf(ids[4]), K::SingleRow);
    EXPECT_EQ(kindOf(ids[5]), K::Chain);
    EXPECT_EQ(kindOf(ids[7]), K::Chain);
    for (size_t k = 0; k < ids.size(); ++k) {
        auto v = (*db->openTable(u"AllTypes"))->readValue(ids[k], memo);
        ASSERT_TRUE(v);
        EXPECT_EQ(std::get<std::u16string>(*v), textOf(sizes[k], u"备注abc"));
    }
    // Every LVAL page is in the column's map; replacing and deleting values deletes their rows.
    auto lvalPages = jet::readUsageMap(*db->file(), memoColumn.longValueOwnedMap);
    ASSERT_TRUE(lvalPages);
    EXPECT_GE(lvalPages->pages.size(), 10u);
    auto liveLvalRows = [&] {
        size_t n = 0;
        auto m = jet::readUsageMap(*db->file(), memoColumn.longValueOwnedMap);
        for (uint32_t p : m->pages) {
            auto dp = jet::DataPage::open(*db->file(), *db->file()->page(p));
            for (uint16_t s = 0; s < dp->rowCount(); ++s)
                n += dp->state(s) != jet::SlotState::Deleted;
        }
        return n;
    };
    const size_t before = liveLvalRows();
    ASSERT_TRUE(db->updateRow(u"AllTypes", ids[7], {{memo, Value(std::u16string(u"short now"))}}));
    const size_t afterUpdate = liveLvalRows();
    EXPECT_EQ(afterUpdate, before - 15); // 60,000 bytes took 15 chained rows of 4,076
    ASSERT_TRUE(db->deleteRow(u"AllTypes", ids[5]));
    EXPECT_EQ(liveLvalRows(), afterUpdate - 2);
    ASSERT_TRUE(db->updateRow(u"AllTypes", ids[1], {{memo, Value(textOf(4000, u"变长"))}}));
    auto v = (*db->openTable(u"AllTypes"))->readValue(ids[1], memo);
    EXPECT_EQ(std::get<std::u16string>(*v), textOf(4000, u"变长"));
    db.reset();
    EXPECT_TRUE(consistent(path, {u"AllTypes"}));
}

TEST(Writer, UsageMapsOutgrowingTheirRecordBecomeReferenceMaps) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    Rows expected = readTable(path, kDelTable);
    {
        auto db = openWrite(path);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->begin());
        // About 22 rows a page: 15,000 rows take the file well past the 512 pages an inline map
        // can name.
        for (int i = 0; i < 15000; ++i) {
            expected.push_back(textRow(textOf(50, u"长文本"), textOf(50, jet::fromUtf8(std::to_string(i)))));
            ASSERT_TRUE(db->insertRow(kDelTable, expected.back()));
        }
        ASSERT_TRUE(db->commit());
    }
    auto db = openRead(path);
    ASSERT_TRUE(db);
    EXPECT_GT(db->file()->pageCount(), 600u);
    auto t = db->openTable(kDelTable);
    ASSERT_TRUE(t);
    EXPECT_EQ((*t)->ownedPages().kind, jet::UsageMap::Kind::Reference);
    auto global = jet::readUsageMap(*db->file(), jet::kGlobalUsageMap);
    ASSERT_TRUE(global);
    EXPECT_EQ(global->kind, jet::UsageMap::Kind::Reference);
    for (uint32_t p = 0; p < db->file()->pageCount(); ++p)
        ASSERT_FALSE(global->contains(p)) << "page " << p << " of the file is marked free";
    EXPECT_EQ(readTable(*db, kDelTable), expected);
    EXPECT_TRUE(consistent(path, {kDelTable}));
}

TEST(Writer, WritesGoOnThroughAnExistingReferenceMap) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "ucanaccess_FunctionsTestV2000.mdb");
    Rows expected = readTable(path, u"t234");
    {
        auto db = openWrite(path);
        ASSERT_TRUE(db);
        ASSERT_EQ((*db->openTable(u"t234"))->ownedPages().kind, jet::UsageMap::Kind::Reference);
        auto make = [](int i) {
            return std::vector<Value>{Value(int16_t(i)), Value(textOf(size_t(i) * 3, u"说明")),
                                      Value(jet::Null{}), Value(jet::DateTime{40000.5 + i})};
        };
        fill(*db, u"t234", 200, make);
        for (int i = 0; i < 200; ++i)
            expected.push_back(make(i));
    }
    EXPECT_EQ(readTable(path, u"t234"), expected);
    EXPECT_TRUE(consistent(path, {u"t234"}));
}

TEST(Writer, TransactionsAreAllOrNothing) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    const auto original = readBytes(path);
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    Rows expected = readTable(*db, kDelTable);
    // Rolled back: nothing reaches the file.
    ASSERT_TRUE(db->begin());
    EXPECT_TRUE(db->inTransaction());
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(db->insertRow(kDelTable, textRow(textOf(40), textOf(40))));
    auto first = db->rowAt(kDelTable, 0);
    ASSERT_TRUE(db->updateRow(kDelTable, *first, {{0, Value(textOf(50))}}));
    EXPECT_EQ(readTable(*db, kDelTable).size(), expected.size() + 50) << "a transaction sees its writes";
    EXPECT_EQ(readBytes(path), original) << "nothing is written before commit";
    db->rollback();
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(readTable(*db, kDelTable), expected);
    EXPECT_EQ(readBytes(path), original);
    // A failing write inside a transaction leaves the writes before it.
    ASSERT_TRUE(db->begin());
    ASSERT_TRUE(db->insertRow(kDelTable, textRow(u"one", u"1")));
    ASSERT_FALSE(db->insertRow(kDelTable, textRow(textOf(60), u"too long")));
    ASSERT_TRUE(db->insertRow(kDelTable, textRow(u"two", u"2")));
    ASSERT_TRUE(db->commit());
    expected.push_back(textRow(u"one", u"1"));
    expected.push_back(textRow(u"two", u"2"));
    EXPECT_EQ(readTable(*db, kDelTable), expected);
    auto nested = db->begin();
    ASSERT_TRUE(nested);
    EXPECT_FALSE(db->begin()) << "no nested transactions";
    db->rollback();
    EXPECT_FALSE(db->commit()) << "commit without begin";
    db.reset();
    EXPECT_EQ(readTable(path, kDelTable), expected);
    EXPECT_TRUE(consistent(path, {kDelTable}));
}

TEST(Writer, RowAtCountsInTableOrder) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_overflowTestV2000.mdb");
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    const auto ids = rowIdsOf(*db, u"Table1");
    for (size_t k = 0; k < ids.size(); ++k) {
        auto id = db->rowAt(u"Table1", k);
        ASSERT_TRUE(id);
        EXPECT_EQ(*id, ids[k]);
    }
    auto past = db->rowAt(u"Table1", ids.size());
    ASSERT_FALSE(past);
    EXPECT_EQ(past.error().kind, jet::ErrorKind::NotFound);
    // The sample's own moved rows can be updated and deleted too.
    const Rows rows = readTable(*db, u"Table1");
    ASSERT_TRUE(db->updateRow(u"Table1", ids[1], {{8, Value(textOf(50))}}));
    ASSERT_TRUE(db->deleteRow(u"Table1", ids[2]));
    Rows expected = rows;
    expected[1][8] = textOf(50);
    expected.erase(expected.begin() + 2);
    EXPECT_EQ(readTable(*db, u"Table1"), expected);
    db.reset();
    EXPECT_TRUE(consistent(path, {u"Table1"}));
}

TEST(Writer, ReadOnlyDatabasesRefuseWrites) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    auto db = openRead(path);
    ASSERT_TRUE(db);
    EXPECT_FALSE(db->writable());
    auto id = db->insertRow(kDelTable, textRow(u"a", u"b"));
    ASSERT_FALSE(id);
    EXPECT_EQ(id.error().kind, jet::ErrorKind::ReadOnly);
    auto b = db->begin();
    ASSERT_FALSE(b);
    EXPECT_EQ(b.error().kind, jet::ErrorKind::ReadOnly);
}
