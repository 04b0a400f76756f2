// Building blocks for writing pages: empty data, long-value and bitmap pages, adding and
// replacing rows in a data page's slots, and the bytes of usage-map records. They work on a page
// image in memory and know nothing of files, tables or journals; the row writer and the
// creation of new databases put them together. See docs/jet4-format.md §4 and §7.
#pragma once

#include "jet/error.h"
#include "jet/pagefile.h"
#include "jet/value.h"

#include <span>

namespace jet {

// ---- data pages (docs/jet4-format.md §4) ----

inline constexpr size_t kDataPageHeaderSize = 0x0E; // up to the row-offset table

// An empty data page of the table whose definition starts at `owner` (0 for a page that holds
// usage-map records and catalog-less data).
void initDataPage(Page& page, uint32_t owner);
// An empty long-value (LVAL) page.
void initLongValuePage(Page& page);
// An empty bitmap page of a reference usage map: `05 01 00 00` and 4092 bytes of zero bits.
void initUsageBitmapPage(Page& page);

// The free space of a data page: the bytes between the end of its row-offset table and its
// lowest row. This is what the header's free-space field holds.
size_t freeSpaceOf(const Page& page);
// Whether a new row of `size` bytes fits (its bytes plus its 2-byte offset entry, and a free
// slot: at most 255 per page).
bool fitsNewRow(const Page& page, size_t size);

// Checks that the row-offset table describes rows packed from the end of the page down, each
// inside the row area (the only layout the editing functions below accept). Corrupt error
// (no file) otherwise.
Status checkRowArea(const Page& page);

// Adds `row` in a new slot after the last one, with the slot flags `flags` (0, kRowFlagTarget,
// ...), and returns the slot. Updates the free-space field. Invalid error if it does not fit.
Result<uint16_t> addRow(Page& page, ByteView row, uint16_t flags = 0);
// Replaces the bytes of slot `slot` with `row`, which may be longer or shorter: the rows of the
// later slots (below it on the page) move by the difference. Keeps the slot's flags. Updates
// the free-space field. Invalid error if the longer row does not fit; Corrupt as checkRowArea.
Status replaceRow(Page& page, uint16_t slot, ByteView row);
// The bytes of slot `slot` (its span as the offsets say), for changing a record in place.
Result<std::span<uint8_t>> rowSpan(Page& page, uint16_t slot);
// The two flag bits of a slot's offset entry, and setting them (the offset stays).
uint16_t slotFlags(const Page& page, uint16_t slot);
void setSlotFlags(Page& page, uint16_t slot, uint16_t flags);

// ---- usage maps (docs/jet4-format.md §7) ----

inline constexpr size_t kInlineMapBitmapBytes = 64;                           // 512 pages
inline constexpr size_t kUsageMapRecordSize = 5 + kInlineMapBitmapBytes;      // as Jet writes them
inline constexpr size_t kReferenceMapEntries = (kUsageMapRecordSize - 1) / 4; // 17 bitmap pages
inline constexpr uint32_t kInlineMapPages = kInlineMapBitmapBytes * 8;

// An inline map record (kind 0) whose bit 0 stands for `firstPage`, with the bits of `pages`
// set. Invalid error if a page lies outside the 512 pages from `firstPage`.
Result<Bytes> encodeInlineUsageMap(uint32_t firstPage, std::span<const uint32_t> pages);
// A reference map record (kind 1) listing the bitmap page of each range of kPagesPerBitmapPage
// pages (0: no page for that range), padded with zeros to kReferenceMapEntries entries.
Bytes encodeReferenceUsageMap(std::span<const uint32_t> bitmapPages);

// Bit `index` of a bitmap (bit index % 8 of byte index / 8).
inline bool bitOf(const uint8_t* bits, uint32_t index) {
    return (bits[index / 8] >> (index % 8)) & 1;
}
inline void setBit(uint8_t* bits, uint32_t index, bool on) {
    if (on)
        bits[index / 8] = uint8_t(bits[index / 8] | (1u << (index % 8)));
    else
        bits[index / 8] = uint8_t(bits[index / 8] & ~(1u << (index % 8)));
}

} // namespace jet
