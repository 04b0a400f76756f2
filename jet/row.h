// Row codec: where each column's bytes sit in a stored row (column count, fixed area, variable
// part with its offset table, null mask), in both directions. It knows nothing of what the
// bytes mean; codec.h and longvalue.h turn them into values. See docs/jet4-format.md §5.
#pragma once

#include "jet/codec.h"
#include "jet/error.h"
#include "jet/layout.h"
#include "jet/tabledef.h"

#include <span>
#include <vector>

namespace jet {

// The parsed frame of one stored row. Views into the row's bytes: valid while they are.
struct RowLayout {
    ByteView bytes;                   // the whole stored row
    uint16_t columnCount = 0;         // columns the row was written with
    ByteView nullMask;                // (columnCount + 7) / 8 bytes at the end of the row
    size_t dataEnd = 0;               // where the variable-offset table (or the null mask) starts
    std::vector<uint16_t> varOffsets; // one per variable value in the row, plus its end
};

// One column's bytes in a row.
struct FieldRef {
    bool null = true;  // no value (Boolean: never null unless the row predates the column)
    bool flag = false; // Boolean: the value
    ByteView data;     // the value's bytes (fixed: the column's size; variable: may be empty)
};

// Parses the frame of `row` for a table defined by `def`, reusing `out`'s storage. Corrupt
// error (no file/page; the caller adds them) if the row is too short for its column count,
// null mask and offset table, or the variable offsets are out of order or outside the row.
Status parseRow(const TableDef& def, ByteView row, RowLayout& out);

// The bytes a fixed column takes in the fixed area of a row.
inline size_t storedSize(const ColumnDef& c) {
    const size_t f = fixedSizeOf(c.type);
    return f != 0 ? f : c.size;
}

// The bytes of `column` in a parsed row. A column the row predates is null. Corrupt error if a
// fixed column's bytes run into the variable part of the row.
Result<FieldRef> fieldOf(const RowLayout& row, const ColumnDef& column);

// The same for reading many rows quickly: false where fieldOf gives its error (call fieldOf to
// have it).
inline bool locateField(const RowLayout& row, const ColumnDef& c, FieldRef& f) {
    f = FieldRef{};
    if (c.number >= row.columnCount)
        return true; // the row was written before this column existed
    const bool bit = (row.nullMask[c.number / 8] >> (c.number % 8)) & 1;
    if (c.type == ColumnType::Boolean) {
        f.null = false;
        f.flag = bit;
        return true;
    }
    if (!bit)
        return true;
    if (c.isFixed()) {
        const size_t limit = row.varOffsets.empty() ? row.dataEnd : row.varOffsets.front();
        const size_t start = 2 + size_t(c.fixedOffset), len = storedSize(c);
        if (start + len > limit)
            return false;
        f.null = false;
        f.data = row.bytes.subspan(start, len);
        return true;
    }
    if (size_t(c.varIndex) + 1 >= row.varOffsets.size())
        return true; // the row has fewer variable values than this column's slot
    f.null = false;
    const size_t a = row.varOffsets[c.varIndex], b = row.varOffsets[c.varIndex + 1u];
    f.data = row.bytes.subspan(a, b - a);
    return true;
}

// ---- encoding ----

// One column's value as stored bytes, ready to be framed into a row: fixed columns exactly
// their size, variable columns any length (Memo/OLE: the 12-byte long-value header and any
// inline data), Boolean only `flag` (a row is always written with all columns, so a Yes/No
// column cannot be NULL; `null` counts as No).
struct FieldBytes {
    bool null = true;
    bool flag = false;
    Bytes data;
};

// Frames a row from one FieldBytes per column of `def` (in `def.columns` order), written with
// the table's full column count: fixed area at the descriptor offsets, variable values in
// variable-index order, offset table, null mask. Invalid error if the field count or a fixed
// field's length does not match, or the row would exceed the Jet 4 row size limit (4060 bytes).
// The caller decodes the result with parseRow/fieldOf and compares before writing it.
Result<Bytes> encodeRow(const TableDef& def, std::span<const FieldBytes> fields);

inline constexpr size_t kMaxRowSize = 4060;

} // namespace jet
