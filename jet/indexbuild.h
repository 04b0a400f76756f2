// Building index pages: the key bytes of column values and leaf pages of sorted entries. Only
// what a new database needs: ascending keys of Long columns and of text made of ASCII letters,
// digits and the underscore under the General and Chinese (PRC) sort orders, and indexes that fit
// on one leaf page (which is then the index's root). See docs/jet4-format.md §11.
#pragma once

#include "jet/pagebuild.h"

#include <string_view>

namespace jet {

// Flag byte in front of each ascending, non-null key column.
inline constexpr uint8_t kIndexKeyAscending = 0x7F;
// Offsets in an index page (docs/jet4-format.md §11).
inline constexpr size_t kIndexPrefixLengthOffset = 0x18;
inline constexpr size_t kIndexEntryMaskOffset = 0x1B;
inline constexpr size_t kIndexEntriesOffset = 0x1E0;

// Key bytes of a Long value: the flag, then the number big-endian with its sign bit inverted, so
// that the bytes sort like the numbers.
Bytes indexKeyLong(int32_t value);

// Whether text keys under `sortOrder` can be encoded here (1033 General, 2052 Chinese PRC: both
// give ASCII letters, digits and the underscore the same weights).
bool textKeySortOrderSupported(uint16_t sortOrder);
// The first character of `text` that has no key weight here, or 0 if every character has one.
char16_t firstUnencodableKeyChar(std::u16string_view text);
// Key bytes of a text value: the flag, one weight per character (letters without regard to case),
// then 0x01 and 0x00 (no accent, case or ignorable-character sections are needed for these
// characters). Invalid error for an empty text, a character without a weight here, or an
// unsupported sort order.
Result<Bytes> indexKeyText(std::u16string_view text, uint16_t sortOrder);

struct IndexEntry {
    Bytes key; // the concatenated key columns
    RowId row; // the row it stands for
};
// Entry bytes as stored: the key, then the row's page (3 bytes, big-endian) and slot.
Bytes indexEntryBytes(const IndexEntry& entry);

// A leaf page holding `entries` in sorted order (by their stored bytes, so equal keys are ordered
// by row), no shared prefix, no neighbours. `tdefPage`: the owning table's definition page.
// Invalid error if the entries do not fit on one page.
Result<PageImage> buildIndexLeafPage(uint32_t tdefPage, std::vector<IndexEntry> entries);

} // namespace jet
