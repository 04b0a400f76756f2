// The consistency check: untouched samples pass it, and each kind of damage it looks for is
// found in a file damaged on purpose (and reported by `ledrimo-db check` with exit code 1).
#include "writeutil.h"

#include "jet/allocate.h"
#include "jet/datapage.h"
#include "jet/pagewrite.h"
#include "jet/usagemap.h"

using namespace testutil;
using namespace writeutil;
using jet::Value;

namespace {

const char16_t* const kTable = u"Table";

// A copy of the delete-test sample with 300 small rows and one moved row, and where things are.
struct Prepared {
    std::string path;
    std::vector<jet::RowId> ids;
    jet::RowId moved, target;
    uint32_t tdef = 0;
};

Prepared prepare(const TempDir& dir) {
    Prepared p;
    p.path = copySample(dir, "jackcess_delTestV2000.mdb");
    auto db = openWrite(p.path);
    EXPECT_TRUE(db->begin());
    for (int i = 0; i < 300; ++i)
        EXPECT_TRUE(
            db->insertRow(kTable, {Value(jet::fromUtf8(std::to_string(i))), Value(std::u16string())}));
    EXPECT_TRUE(db->commit());
    p.ids = rowIdsOf(*db, kTable);
    p.moved = p.ids[10];
    EXPECT_TRUE(db->updateRow(kTable, p.moved, {{1, Value(textOf(50))}}));
    auto pg = db->file()->page(p.moved.page);
    auto dp = jet::DataPage::open(*db->file(), *pg);
    EXPECT_EQ(dp->state(p.moved.row), jet::SlotState::Pointer);
    p.target = jet::readRowPointer(dp->rowBytes(*db->file(), p.moved.row)->data());
    p.tdef = (*db->openTable(kTable))->def().page;
    return p;
}

size_t entryAt(uint32_t page, uint16_t slot) {
    return size_t(page) * jet::kPageSize + jet::kDataRowTableOffset + 2 * size_t(slot);
}

std::string checkText(const std::string& path, bool strict = false) {
    auto db = openRead(path);
    jet::CheckOptions o;
    o.strictRowCounts = strict;
    return jet::checkDatabase(*db, o).describe();
}

// Applies `damage` to the prepared file's bytes and returns the check's text.
template <class F> std::string damaged(const Prepared& p, F damage) {
    auto bytes = readBytes(p.path);
    damage(bytes);
    const std::string path = p.path + ".damaged";
    writeBytes(path, bytes);
    return checkText(path);
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(Check, TheSamplesAsAccessWroteThemHaveNoErrors) {
    REQUIRE_SAMPLES();
    for (const auto& f : jet4Samples()) {
        SCOPED_TRACE(f);
        jet::OpenOptions o;
        o.password = u"password";
        auto db = jet::Database::open(samplePath(f), o);
        ASSERT_TRUE(db);
        const jet::CheckReport r = jet::checkDatabase(**db);
        EXPECT_TRUE(r.ok()) << r.describe();
        EXPECT_GT(r.tables, 3u);
    }
    // The one known counter that is off: a warning, and an error when counters must agree.
    auto db = jet::Database::open(samplePath("jackcess_testIndexCodes.mdb"));
    const std::string text = jet::checkDatabase(**db).describe();
    EXPECT_TRUE(has(text, "警告：表“Table1”，第 24 页：表定义中的行数计数为 274，实际有 275 行")) << text;
    jet::CheckOptions strict;
    strict.strictRowCounts = true;
    EXPECT_FALSE(jet::checkDatabase(**db, strict).ok());
}

TEST(Check, FindsAWrongFreeSpaceField) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const Prepared p = prepare(dir);
    ASSERT_TRUE(consistent(p.path, {kTable}));
    const uint32_t page = p.ids[100].page;
    const std::string text =
        damaged(p, [&](std::vector<uint8_t>& b) { b[size_t(page) * jet::kPageSize + 2] ^= 4; });
    EXPECT_TRUE(has(text, "错误：表“Table”，第 " + std::to_string(page) + " 页：页头记录的空闲空间")) << text;
}

TEST(Check, FindsRowOffsetsOutOfOrder) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const Prepared p = prepare(dir);
    const jet::RowId id = p.ids[50];
    const std::string text = damaged(p, [&](std::vector<uint8_t>& b) {
        // Slot 50 starting below slot 51: the two rows overlap.
        const size_t e = entryAt(id.page, id.row);
        jet::put16(b.data() + e, uint16_t(jet::le16(b.data() + e + 2) - 3));
    });
    EXPECT_TRUE(has(text, "行偏移表无效")) << text;
}

TEST(Check, FindsPointersThatLeadNowhereAndTargetsNobodyPointsAt) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const Prepared p = prepare(dir);
    // The target made an ordinary row: the pointer now leads to a row of its own.
    std::string text = damaged(p, [&](std::vector<uint8_t>& b) {
        const size_t e = entryAt(p.target.page, p.target.row);
        jet::put16(b.data() + e, uint16_t(jet::le16(b.data() + e) & 0x1FFF));
    });
    EXPECT_TRUE(has(text, "的指针指向的不是本表移动后的行")) << text;
    // An ordinary row flagged as a target: other readers would read it as an extra row.
    const jet::RowId id = p.ids[40];
    text = damaged(p, [&](std::vector<uint8_t>& b) {
        const size_t e = entryAt(id.page, id.row);
        jet::put16(b.data() + e, uint16_t(jet::le16(b.data() + e) | jet::kRowFlagTarget));
    });
    EXPECT_TRUE(has(text, "第 " + std::to_string(id.row) + " 行标为移动后的行，但没有指针指向它")) << text;
}

TEST(Check, FindsATablePageTheGlobalMapCallsFree) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const Prepared p = prepare(dir);
    const uint32_t page = p.ids.back().page;
    // The global map is an inline map starting at page 0 in this file (page 1, slot 0).
    auto db = openRead(p.path);
    auto global = jet::readUsageMap(*db->file(), jet::kGlobalUsageMap);
    ASSERT_EQ(global->kind, jet::UsageMap::Kind::Inline);
    ASSERT_EQ(global->firstPage, 0u);
    auto pg = db->file()->page(1);
    auto dp = jet::DataPage::open(*db->file(), *pg);
    const size_t record = size_t(dp->rowBytes(*db->file(), 0)->data() - (*pg)->bytes.data());
    db.reset();
    const std::string text = damaged(
        p, [&](std::vector<uint8_t>& b) { jet::setBit(b.data() + jet::kPageSize + record + 5, page, true); });
    EXPECT_TRUE(has(text, "全局用法图却把它标为空闲页")) << text;
}

TEST(Check, FindsAPageInTwoMaps) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "linq2db_TestData.mdb");
    jet::RowId otherMap;
    uint32_t lvalPage = 0;
    {
        auto db = openWrite(path);
        std::vector<Value> r(22, Value(jet::Null{}));
        r[13] = textOf(1000);
        ASSERT_TRUE(db->insertRow(u"AllTypes", r));
        auto t = db->openTable(u"AllTypes");
        auto m = jet::readUsageMap(*db->file(), (*t)->def().columns[13].longValueOwnedMap);
        ASSERT_FALSE(m->pages.empty());
        lvalPage = m->pages.back();
        otherMap = (*t)->def().columns[16].longValueOwnedMap;
        // The other memo column's map names the same page.
        ASSERT_TRUE(db->begin());
        ASSERT_TRUE(jet::setMapMember(db->pageFile(), otherMap, lvalPage, true));
        ASSERT_TRUE(db->commit());
    }
    const std::string text = checkText(path);
    EXPECT_TRUE(has(text, "第 " + std::to_string(lvalPage) + " 页：该页同时属于")) << text;
}

TEST(Check, FindsRowsThatDoNotDecodeAndCountersThatDoNotAgree) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const Prepared p = prepare(dir);
    std::string text = damaged(p, [&](std::vector<uint8_t>& b) {
        jet::put32(b.data() + size_t(p.tdef) * jet::kPageSize + 0x10, 5);
    });
    EXPECT_TRUE(has(text, "警告：表“Table”，第 " + std::to_string(p.tdef) +
                              " 页：表定义中的行数计数为 5，实际有 302 行"))
        << text;
    EXPECT_FALSE(has(text, "错误："));
    // One off the other way stays a warning; two rows the pages do not have is an error.
    text = damaged(p, [&](std::vector<uint8_t>& b) {
        jet::put32(b.data() + size_t(p.tdef) * jet::kPageSize + 0x10, 303);
    });
    EXPECT_TRUE(has(text, "警告：")) << text;
    EXPECT_FALSE(has(text, "错误：")) << text;
    text = damaged(p, [&](std::vector<uint8_t>& b) {
        jet::put32(b.data() + size_t(p.tdef) * jet::kPageSize + 0x10, 304);
    });
    EXPECT_TRUE(has(text, "错误：表“Table”，第 " + std::to_string(p.tdef) +
                              " 页：表定义中的行数计数为 304，实际有 302 行（有行丢失）"))
        << text;
    // A text whose bytes are not whole characters: its row's end offset moved by one byte.
    const jet::RowId id = p.ids[60];
    auto db = openRead(p.path);
    auto stored = (*db->openTable(kTable))->storedRow(id);
    const size_t rowStart = size_t(stored->bytes.data() - stored->page->bytes.data());
    const size_t rowSize = stored->bytes.size();
    db.reset();
    text = damaged(p, [&](std::vector<uint8_t>& b) {
        // The offset table ends the row: mask (1 byte), count (2), then offsets from the last.
        uint8_t* row = b.data() + size_t(id.page) * jet::kPageSize + rowStart;
        uint8_t* firstOffset = row + rowSize - 1 - 2 - 2; // entry 0: where column a starts
        jet::put16(firstOffset - 2, uint16_t(jet::le16(firstOffset - 2) - 1)); // entry 1: a's end
    });
    EXPECT_TRUE(has(text, "第 " + std::to_string(id.row) + " 行无法解码")) << text;
}

// A data page of the table zeroed (a bad sector): every reader skips it, its rows are gone: an
// error, with the counter that no longer adds up. A page of another table left in the map, as Jet
// leaves one, is a warning; the rows lost with it still show in the counter.
TEST(Check, APageInTheMapThatIsNoDataPageOfTheTableLosesItsRows) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const Prepared p = prepare(dir);
    const uint32_t page = p.ids[100].page;
    std::string text = damaged(p, [&](std::vector<uint8_t>& b) {
        std::fill_n(b.begin() + ptrdiff_t(page) * jet::kPageSize, jet::kPageSize, uint8_t(0));
    });
    EXPECT_TRUE(has(text, "错误：表“Table”，第 " + std::to_string(page) +
                              " 页：页用法图中的页不是这个表的数据页（全为零），其中的行读不到"))
        << text;
    EXPECT_TRUE(has(text, "（有行丢失）")) << text;
    text = damaged(p, [&](std::vector<uint8_t>& b) {
        jet::put32(b.data() + size_t(page) * jet::kPageSize + 4, 2); // MSysObjects' definition
    });
    EXPECT_TRUE(has(text, "警告：表“Table”，第 " + std::to_string(page) + " 页：页用法图中的页已是另一个表的数据页"))
        << text;
    EXPECT_TRUE(has(text, "（有行丢失）")) << text;
    // The quick check at connect finds both.
    auto db = openRead(p.path + ".damaged");
    EXPECT_FALSE(jet::checkTableQuickly(*db, kTable).ok());
    EXPECT_TRUE(jet::checkTableQuickly(*openRead(p.path), kTable).ok());
    EXPECT_EQ(runTool({"check", p.path + ".damaged"}).exitCode, 1);
}

TEST(Check, TheToolListsTheProblemsAndFailsOnErrors) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const Prepared p = prepare(dir);
    auto ok = runTool({"check", p.path});
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_TRUE(ok.out.starts_with("检查了 7 个表、")) << ok.out;
    EXPECT_TRUE(ok.out.ends_with("行：没有发现问题\n")) << ok.out;
    auto bytes = readBytes(p.path);
    bytes[size_t(p.ids[100].page) * jet::kPageSize + 2] ^= 4;
    jet::put32(bytes.data() + size_t(p.tdef) * jet::kPageSize + 0x10, 5);
    writeBytes(p.path, bytes);
    auto bad = runTool({"check", p.path});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(has(bad.out, "错误：")) << bad.out;
    EXPECT_TRUE(has(bad.out, "警告："));
    EXPECT_TRUE(has(bad.out, "1 个错误，1 个警告")) << bad.out;
    auto warnOnly = runTool({"check", samplePath("jackcess_testIndexCodes.mdb")});
    EXPECT_EQ(warnOnly.exitCode, 0) << "warnings alone do not fail";
}
