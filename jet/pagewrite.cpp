#include "jet/pagewrite.h"

#include "jet/datapage.h"
#include "jet/usagemap.h"

#include <algorithm>
#include <cstring>

namespace jet {

namespace {

uint16_t slotCount(const Page& page) {
    return le16(page.bytes.data() + kDataRowCountOffset);
}
uint16_t entry(const Page& page, uint16_t slot) {
    return le16(page.bytes.data() + kDataRowTableOffset + 2 * size_t(slot));
}
void putEntry(Page& page, uint16_t slot, uint16_t value) {
    put16(page.bytes.data() + kDataRowTableOffset + 2 * size_t(slot), value);
}
size_t offsetOf(const Page& page, uint16_t slot) {
    return entry(page, slot) & kRowOffsetMask;
}
// Where the rows begin: the lowest row's offset, or the end of the page on an empty page.
size_t rowsStart(const Page& page) {
    const uint16_t n = slotCount(page);
    return n == 0 ? kPageSize : offsetOf(page, uint16_t(n - 1));
}
size_t tableEnd(uint16_t slots) {
    return kDataRowTableOffset + 2 * size_t(slots);
}
void storeFreeSpace(Page& page) {
    put16(page.bytes.data() + 2, uint16_t(freeSpaceOf(page)));
}
void initPage(Page& page, uint8_t type) {
    page.bytes.fill(0);
    page.bytes[0] = type;
    page.bytes[1] = 0x01;
}

} // namespace

void initDataPage(Page& page, uint32_t owner) {
    initPage(page, uint8_t(PageType::Data));
    put32(page.bytes.data() + 4, owner);
    storeFreeSpace(page);
}

void initLongValuePage(Page& page) {
    initPage(page, uint8_t(PageType::Data));
    std::memcpy(page.bytes.data() + 4, "LVAL", 4);
    storeFreeSpace(page);
}

void initUsageBitmapPage(Page& page) {
    initPage(page, uint8_t(PageType::UsageBitmap));
}

size_t freeSpaceOf(const Page& page) {
    const size_t end = tableEnd(slotCount(page)), start = rowsStart(page);
    return start > end ? start - end : 0;
}

bool fitsNewRow(const Page& page, size_t size) {
    return slotCount(page) < kMaxRowsPerPage && freeSpaceOf(page) >= size + 2;
}

Status checkRowArea(const Page& page) {
    const uint16_t n = slotCount(page);
    if (n > kMaxRowsPerPage)
        return makeError(ErrorKind::Corrupt, "数据页的行数超出上限", {}, page.number);
    size_t prev = kPageSize;
    const size_t area = tableEnd(n);
    for (uint16_t i = 0; i < n; ++i) {
        const size_t off = offsetOf(page, i);
        if (off > prev || off < area)
            return makeError(ErrorKind::Corrupt, "数据页的行偏移表无效，不能在该页上写入", {}, page.number);
        prev = off;
    }
    return okStatus();
}

Result<uint16_t> addRow(Page& page, ByteView row, uint16_t flags) {
    JET_TRY(checkRowArea(page));
    if (!fitsNewRow(page, row.size()))
        return makeError(ErrorKind::Invalid, "数据页上没有足够的空间", {}, page.number);
    const uint16_t slot = slotCount(page);
    const size_t at = rowsStart(page) - row.size();
    std::copy(row.begin(), row.end(), page.bytes.begin() + at);
    putEntry(page, slot, uint16_t(at | flags));
    put16(page.bytes.data() + kDataRowCountOffset, uint16_t(slot + 1));
    storeFreeSpace(page);
    return slot;
}

Status replaceRow(Page& page, uint16_t slot, ByteView row) {
    JET_TRY(checkRowArea(page));
    const uint16_t n = slotCount(page);
    if (slot >= n)
        return makeError(ErrorKind::NotFound, "数据页上没有这一行", {}, page.number);
    const size_t start = offsetOf(page, slot);
    const size_t end = slot == 0 ? kPageSize : offsetOf(page, uint16_t(slot - 1));
    const size_t oldLen = end - start;
    const size_t low = rowsStart(page);
    if (row.size() > oldLen && row.size() - oldLen > freeSpaceOf(page))
        return makeError(ErrorKind::Invalid, "数据页上没有足够的空间", {}, page.number);
    // The later rows occupy [low, start); they move so that this row can end where it did.
    const ptrdiff_t shift = ptrdiff_t(oldLen) - ptrdiff_t(row.size()); // > 0: rows move up
    const size_t newStart = end - row.size();
    if (shift != 0) {
        std::memmove(page.bytes.data() + ptrdiff_t(low) + shift, page.bytes.data() + low, start - low);
        for (uint16_t i = uint16_t(slot + 1); i < n; ++i) {
            const uint16_t e = entry(page, i);
            putEntry(page, i, uint16_t(((e & kRowOffsetMask) + shift) | (e & ~kRowOffsetMask)));
        }
        if (shift > 0) // clear the bytes the rows left, so no stale data lingers in free space
            std::memset(page.bytes.data() + low, 0, size_t(shift));
    }
    std::copy(row.begin(), row.end(), page.bytes.begin() + newStart);
    const uint16_t e = entry(page, slot);
    putEntry(page, slot, uint16_t(newStart | (e & ~kRowOffsetMask)));
    storeFreeSpace(page);
    return okStatus();
}

Result<std::span<uint8_t>> rowSpan(Page& page, uint16_t slot) {
    JET_TRY(checkRowArea(page));
    if (slot >= slotCount(page))
        return makeError(ErrorKind::NotFound, "数据页上没有这一行", {}, page.number);
    const size_t start = offsetOf(page, slot);
    const size_t end = slot == 0 ? kPageSize : offsetOf(page, uint16_t(slot - 1));
    return std::span<uint8_t>(page.bytes.data() + start, end - start);
}

uint16_t slotFlags(const Page& page, uint16_t slot) {
    return entry(page, slot) & uint16_t(~kRowOffsetMask);
}

void setSlotFlags(Page& page, uint16_t slot, uint16_t flags) {
    putEntry(page, slot, uint16_t((entry(page, slot) & kRowOffsetMask) | flags));
}

Result<Bytes> encodeInlineUsageMap(uint32_t firstPage, std::span<const uint32_t> pages) {
    Bytes rec(kUsageMapRecordSize, 0);
    rec[0] = 0;
    put32(rec.data() + 1, firstPage);
    for (uint32_t p : pages) {
        if (p < firstPage || p - firstPage >= kInlineMapPages)
            return makeError(ErrorKind::Invalid, "页 " + std::to_string(p) + " 不在内联用法图的范围内");
        setBit(rec.data() + 5, p - firstPage, true);
    }
    return rec;
}

Bytes encodeReferenceUsageMap(std::span<const uint32_t> bitmapPages) {
    Bytes rec(std::max(kUsageMapRecordSize, 1 + 4 * bitmapPages.size()), 0);
    rec[0] = 1;
    for (size_t k = 0; k < bitmapPages.size(); ++k)
        put32(rec.data() + 1 + 4 * k, bitmapPages[k]);
    return rec;
}

} // namespace jet
