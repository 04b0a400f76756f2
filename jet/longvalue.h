// Long values: the contents of Memo and OLE columns, stored inline in the row, in one LVAL row,
// or in a chain of LVAL rows. See docs/jet4-format.md §8.
#pragma once

#include "jet/pagefile.h"
#include "jet/value.h"

namespace jet {

// The 12-byte header a Memo/OLE column keeps in the row.
struct LongValueRef {
    enum class Kind : uint8_t { Chain = 0x00, SingleRow = 0x40, Inline = 0x80 };
    Kind kind = Kind::Inline;
    uint32_t length = 0; // bytes of the whole value
    RowId where;         // SingleRow/Chain: the (first) LVAL row
    ByteView inlineData; // Inline: the value itself (a view into the row)
};

inline constexpr size_t kLongValueHeaderSize = 12;

// Parses the header of a long-value field. Corrupt error (no file/page context) if the field is
// shorter than the header, the kind bits are unknown, or an inline length exceeds the field.
Result<LongValueRef> parseLongValueRef(ByteView field);

// The whole value a field refers to, following LVAL rows through `file`. `rowPage` is the page
// of the row holding the field, for errors. Corrupt error naming the page for a length the file
// cannot hold, an LVAL row that is missing, deleted, not on an LVAL page or shorter than
// claimed, a chain that ends early or loops.
Result<Bytes> readLongValue(const PageFile& file, ByteView field, uint32_t rowPage);

// Builds the header of an inline value (the writer stores values up to 64 bytes this way).
Bytes makeInlineLongValue(ByteView data);

} // namespace jet
