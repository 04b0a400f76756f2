// Usage maps: the records that say which pages belong to a table (its owned pages), which have
// free space, which hold a memo column's long values, and which pages of the file are free.
// Both kinds are read: inline (type 0, a bitmap inside the record) and reference (type 1, a
// list of bitmap pages). See docs/jet4-format.md §7.
#pragma once

#include "jet/pagefile.h"

#include <optional>
#include <vector>

namespace jet {

struct UsageMap {
    enum class Kind : uint8_t { Inline = 0, Reference = 1 };
    Kind kind = Kind::Inline;
    RowId location;                    // the map record's slot
    uint32_t firstPage = 0;            // Inline: the page bit 0 stands for
    uint32_t bitmapBytes = 0;          // Inline: length of the bitmap in the record
    std::vector<uint32_t> bitmapPages; // Reference: page of each 4092-byte bitmap (0 = none)
    // Pages whose bit is set, ascending, each inside the file.
    std::vector<uint32_t> pages;
    // Set bits of an inline map that name a page past the end of the file (none in an
    // undamaged table map; the global map marks such pages as free). Bitmap pages of a
    // reference map that cover only pages past the end are not read.
    uint32_t pagesBeyondEnd = 0;

    bool contains(uint32_t page) const;
};

// Pages covered by one bitmap page of a reference map.
inline constexpr uint32_t kPagesPerBitmapPage = (kPageSize - 4) * 8;

// Reads the map record at `location`. A null location gives an empty inline map. Corrupt error
// naming the page if the record is not in a data page slot, its type is unknown, it is shorter
// than its header, or a listed bitmap page is missing or not a bitmap page.
Result<UsageMap> readUsageMap(const PageFile& file, RowId location);

// The map record at `location` (the caller checks that location is not null): `bytes`, at least
// its 5-byte header long, stay valid while `page` is held. Corrupt error as readUsageMap for a
// record that is not in a data page slot or is too short.
struct UsageMapRecord {
    PageRef page;
    ByteView bytes;
};
Result<UsageMapRecord> usageMapRecord(const PageFile& file, RowId location);

// The highest page of the map at `location` inside the file (the last of readUsageMap's pages),
// nothing for an empty map or a null location. Reads only the bitmap pages it must, from the
// last one back. Errors as readUsageMap.
Result<std::optional<uint32_t>> lastUsageMapPage(const PageFile& file, RowId location);

} // namespace jet
