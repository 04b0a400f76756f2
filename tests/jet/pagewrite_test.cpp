// The page building blocks on their own: rows added and replaced in a data page (the rows after
// a replaced one move, the free-space field follows), damaged offset tables refused, and the
// bytes of usage-map records.
#include "jet/datapage.h"
#include "jet/pagewrite.h"
#include "jet/usagemap.h"

#include <gtest/gtest.h>

namespace {

jet::Bytes bytesOf(std::string_view s) {
    return jet::Bytes(s.begin(), s.end());
}

std::string rowText(jet::Page& page, uint16_t slot) {
    auto span = jet::rowSpan(page, slot);
    return std::string(span->begin(), span->end());
}

} // namespace

TEST(PageWrite, RowsAreAddedDownwardsAndReplacedInPlace) {
    jet::Page page;
    jet::initDataPage(page, 77);
    EXPECT_EQ(jet::le16(page.bytes.data() + 2), 4096 - 14);
    EXPECT_EQ(jet::le32(page.bytes.data() + 4), 77u);
    for (std::string_view s : {"first", "second", "third"})
        ASSERT_TRUE(jet::addRow(page, bytesOf(s)));
    ASSERT_TRUE(jet::addRow(page, bytesOf("moved"), jet::kRowFlagTarget));
    EXPECT_EQ(jet::le16(page.bytes.data() + 0x0E), 4096 - 5);
    EXPECT_EQ(jet::freeSpaceOf(page), size_t(4096 - 14 - 4 * 2 - 5 - 6 - 5 - 5));
    EXPECT_EQ(jet::le16(page.bytes.data() + 2), jet::freeSpaceOf(page));
    // Longer, shorter and empty: the later rows move, their flags stay.
    ASSERT_TRUE(jet::replaceRow(page, 1, bytesOf("the second row, longer")));
    ASSERT_TRUE(jet::replaceRow(page, 0, bytesOf("1")));
    ASSERT_TRUE(jet::replaceRow(page, 2, {}));
    EXPECT_EQ(rowText(page, 0), "1");
    EXPECT_EQ(rowText(page, 1), "the second row, longer");
    EXPECT_EQ(rowText(page, 2), "");
    EXPECT_EQ(rowText(page, 3), "moved");
    EXPECT_EQ(jet::slotFlags(page, 3), jet::kRowFlagTarget);
    EXPECT_EQ(jet::le16(page.bytes.data() + 2), jet::freeSpaceOf(page));
    EXPECT_EQ(jet::freeSpaceOf(page), size_t(4096 - 14 - 8 - 1 - 22 - 0 - 5));
    // The reader sees the same rows.
    auto file = jet::PageFile::openMemory(jet::Bytes(page.bytes.begin(), page.bytes.end()), "page");
    auto dp = jet::DataPage::open(*file, *file->page(0));
    ASSERT_TRUE(dp);
    EXPECT_EQ(dp->state(3), jet::SlotState::Target);
    auto row1 = dp->rowBytes(*file, 1);
    EXPECT_EQ(std::string(row1->begin(), row1->end()), "the second row, longer");
}

TEST(PageWrite, FullPagesAndDamagedOffsetTablesAreRefused) {
    jet::Page page;
    jet::initDataPage(page, 5);
    const jet::Bytes big(4000, 'x');
    ASSERT_TRUE(jet::addRow(page, big));
    EXPECT_EQ(jet::freeSpaceOf(page), 80u);
    EXPECT_TRUE(jet::fitsNewRow(page, 78)) << "a new row also takes a 2-byte offset entry";
    EXPECT_FALSE(jet::fitsNewRow(page, 79));
    EXPECT_FALSE(jet::addRow(page, jet::Bytes(79, 'y')));
    EXPECT_FALSE(jet::replaceRow(page, 0, jet::Bytes(4081, 'z')));
    EXPECT_TRUE(jet::replaceRow(page, 0, jet::Bytes(4080, 'z')));
    EXPECT_EQ(jet::freeSpaceOf(page), 0u);
    EXPECT_FALSE(jet::replaceRow(page, 1, {}));
    jet::Page slots;
    jet::initDataPage(slots, 5);
    for (int i = 0; i < 255; ++i)
        ASSERT_TRUE(jet::addRow(slots, bytesOf("r")));
    EXPECT_FALSE(jet::fitsNewRow(slots, 1)) << "at most 255 rows a page";
    // Slot 1 starting above slot 0: overlapping rows.
    jet::Page bad;
    jet::initDataPage(bad, 5);
    ASSERT_TRUE(jet::addRow(bad, bytesOf("aaaa")));
    ASSERT_TRUE(jet::addRow(bad, bytesOf("bbbb")));
    jet::put16(bad.bytes.data() + 0x10, 4096 - 2);
    auto st = jet::replaceRow(bad, 0, bytesOf("c"));
    ASSERT_FALSE(st);
    EXPECT_EQ(st.error().kind, jet::ErrorKind::Corrupt);
}

TEST(PageWrite, UsageMapRecords) {
    const uint32_t pages[] = {100, 101, 611};
    auto rec = jet::encodeInlineUsageMap(100, pages);
    ASSERT_TRUE(rec);
    ASSERT_EQ(rec->size(), 69u);
    EXPECT_EQ((*rec)[0], 0);
    EXPECT_EQ(jet::le32(rec->data() + 1), 100u);
    EXPECT_EQ((*rec)[5], 0x03);
    EXPECT_EQ((*rec)[5 + 63], 0x80);
    const uint32_t outside[] = {612};
    EXPECT_FALSE(jet::encodeInlineUsageMap(100, outside));
    const uint32_t bitmaps[] = {40, 0, 41};
    const jet::Bytes ref = jet::encodeReferenceUsageMap(bitmaps);
    ASSERT_EQ(ref.size(), 69u);
    EXPECT_EQ(ref[0], 1);
    EXPECT_EQ(jet::le32(ref.data() + 1), 40u);
    EXPECT_EQ(jet::le32(ref.data() + 5), 0u);
    EXPECT_EQ(jet::le32(ref.data() + 9), 41u);
    EXPECT_EQ(jet::le32(ref.data() + 65), 0u);
    // Read back through a page holding the inline record.
    jet::Page page;
    jet::initDataPage(page, 0);
    ASSERT_TRUE(jet::addRow(page, *rec));
    std::vector<uint8_t> file(2 * jet::kPageSize);
    std::copy(page.bytes.begin(), page.bytes.end(), file.begin() + jet::kPageSize);
    file.resize(700 * jet::kPageSize);
    auto pf = jet::PageFile::openMemory(std::move(file), "maps");
    auto map = jet::readUsageMap(*pf, jet::RowId{1, 0});
    ASSERT_TRUE(map);
    EXPECT_EQ(map->pages, (std::vector<uint32_t>{100, 101, 611}));
}

// The last page of a map, where the table's next row goes: the highest set bit, also when it is
// bit 0 or bit 7 of its byte, inline and through bitmap pages.
TEST(PageWrite, TheLastPageOfAMapIsItsHighestBitAtEitherEndOfAByte) {
    jet::Page maps;
    jet::initDataPage(maps, 0);
    // Inline maps from page 100: bit 0 and bit 7 of the bitmap's last byte (pages 604 and 611).
    for (uint32_t last : {604u, 611u}) {
        const uint32_t pages[] = {101, last};
        auto rec = jet::encodeInlineUsageMap(100, pages);
        ASSERT_TRUE(rec);
        ASSERT_EQ((*rec)[5 + 63], last == 604 ? 0x01 : 0x80);
        ASSERT_TRUE(jet::addRow(maps, *rec));
    }
    // Reference maps over bitmap pages 2 and 3: pages 5 and 16 (bit 0 of byte 2), 5 and 23 (bit 7).
    std::vector<uint8_t> file(700 * jet::kPageSize);
    for (uint32_t bp : {2u, 3u}) {
        jet::Page bitmap;
        jet::initUsageBitmapPage(bitmap);
        jet::setBit(bitmap.bytes.data() + 4, 5, true);
        jet::setBit(bitmap.bytes.data() + 4, bp == 2 ? 16 : 23, true);
        std::copy(bitmap.bytes.begin(), bitmap.bytes.end(), file.begin() + bp * jet::kPageSize);
        const uint32_t bitmaps[] = {bp};
        ASSERT_TRUE(jet::addRow(maps, jet::encodeReferenceUsageMap(bitmaps)));
    }
    std::copy(maps.bytes.begin(), maps.bytes.end(), file.begin() + jet::kPageSize);
    auto pf = jet::PageFile::openMemory(std::move(file), "maps");
    const uint32_t expected[] = {604, 611, 16, 23};
    for (uint8_t slot = 0; slot < 4; ++slot) {
        auto last = jet::lastUsageMapPage(*pf, jet::RowId{1, slot});
        ASSERT_TRUE(last) << last.error().describe();
        EXPECT_EQ(*last, std::optional<uint32_t>(expected[slot])) << "map in slot " << int(slot);
        auto map = jet::readUsageMap(*pf, jet::RowId{1, slot});
        ASSERT_TRUE(map);
        EXPECT_EQ(map->pages, (std::vector<uint32_t>{slot < 2 ? 101u : 5u, expected[slot]}));
    }
}
