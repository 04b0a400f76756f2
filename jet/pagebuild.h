// Building pages from scratch: inline usage-map records and data pages filled with rows. The
// counterparts of usagemap.h and datapage.h for whoever writes a file (database creation, and the
// writer when it needs a fresh page). See docs/jet4-format.md §4 and §7.
#pragma once

#include "jet/error.h"
#include "jet/layout.h"
#include "jet/value.h"

#include <array>
#include <span>
#include <vector>

namespace jet {

using PageImage = std::array<uint8_t, kPageSize>;

// Bytes of an inline usage-map record as Jet 4 writes it: kind 0, the first page, a 64-byte bitmap.
inline constexpr size_t kInlineMapBitmapBytes = 64;
inline constexpr size_t kInlineMapRecordSize = 5 + kInlineMapBitmapBytes;
inline constexpr uint32_t kInlineMapPages = kInlineMapBitmapBytes * 8;

// An inline usage-map record with `firstPage` as bit 0 and a set bit for each of `pages`.
// Invalid error for a page outside firstPage .. firstPage + 511.
Result<Bytes> encodeInlineUsageMap(uint32_t firstPage, std::span<const uint32_t> pages);

// Fills one data page with rows, slot after slot: rows are packed from the end of the page
// downwards and the row-offset table grows after the 14-byte header.
class DataPageBuilder {
public:
    // `owner`: the owning table's definition page (0 for pages of usage-map records, 1 for the
    // page of the global map, as Jet writes them).
    explicit DataPageBuilder(uint32_t owner);

    // Whether a row of `length` bytes (plus its offset entry) still fits.
    bool fits(size_t length) const;
    // Appends a row and returns its slot. Invalid error if it does not fit, is empty, or the page
    // already holds the most slots a page can have.
    Result<uint8_t> add(ByteView row);
    size_t rowCount() const { return rows_; }
    // Space left: what the page header's free-space field says.
    size_t freeSpace() const { return free_; }
    const PageImage& page() const { return page_; }

private:
    PageImage page_{};
    size_t rows_ = 0;
    size_t end_ = kPageSize; // start of the lowest row so far
    size_t free_ = 0;
};

} // namespace jet
