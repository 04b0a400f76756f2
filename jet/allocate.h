// Pages and usage maps in a file being changed: new pages come from the end of the file and are
// marked in use in the global usage map; a table's (or a long-value column's) maps gain and lose
// pages. An inline map that cannot name a page becomes a reference map with bitmap pages, so
// maps never refuse a page of a file Jet 4 can address. All of it inside a change of the page
// file. See docs/jet4-format.md §7.
#pragma once

#include "jet/pagefile.h"

namespace jet {

// The global usage map: page 1, slot 0. A set bit marks a free page.
inline constexpr RowId kGlobalUsageMap{1, 0};

// Appends a zero-filled page at the end of the file and marks it in use in the global map.
// Errors: Unsupported (the file is as large as Jet 4 allows, or the global map cannot grow),
// Corrupt (a damaged global map).
Result<uint32_t> allocatePage(PageFile& file);

// Whether the map at `location` (of a table, an index or a long-value column; a set bit
// names a member) lists `page`. A null location lists nothing.
Result<bool> mapContains(const PageFile& file, RowId location, uint32_t page);

// Adds `page` to the map at `location` or removes it. An inline map whose bits cannot reach the
// page starts at the page instead when it is empty, else becomes a reference map (its record
// keeps its size); a reference map gets a bitmap page for a range it has none for.
// Corrupt error for a damaged map record or bitmap page; Unsupported if the record has no entry
// for the page's range.
Status setMapMember(PageFile& file, RowId location, uint32_t page, bool member);

} // namespace jet
