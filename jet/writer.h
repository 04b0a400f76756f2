// Row writes: insert, update and delete of rows in a table without indexes, inside an open change
// of a page file. What the writer keeps true after every write (docs/jet4-format.md §4 to §8):
//
//   - a new row comes after every existing row in table order: on the table's last data page
//     when it fits there, else on a new page at the end of the file, never in a hole of an
//     earlier page;
//   - an updated row keeps its place and its RowId: rewritten in place when the page has room
//     (the rows after it on the page move), else stored elsewhere as a moved row's target
//     (flag 0x8000) with its slot turned into a 4-byte pointer (flag 0x4000); a moved row that
//     is updated again comes back home if it fits there, else is rewritten at its target or
//     moved once more, but its pointer always leads straight to it;
//   - a deleted row's slot (and a moved row's target) is flagged 0xC000 and its bytes freed;
//   - memo and OLE values up to kMaxInlineLongValue bytes stay in the row, longer ones go to
//     LVAL pages of the column (one row, or a chain of rows); values a write replaces or
//     deletes have their LVAL rows deleted;
//   - the table's owned-pages and free-space maps, the long-value columns' maps, the global
//     map, every data page's free-space field, and the row counter and autonumber counter of
//     the definition agree with the pages.
//
// Every value is checked against its column before a page changes (type, text length, range,
// NULL), and every encoded row is decoded again and compared with the intended values before
// it is stored. Errors carry a Chinese message; after an error the pages of the change may be
// partly edited, so the caller takes the operation back (PageFile::undoOperation).
#pragma once

#include "jet/pagefile.h"
#include "jet/row.h"
#include "jet/tabledef.h"
#include "jet/value.h"

#include <memory>
#include <vector>

namespace jet {

// A new value for one column of a row: `column` indexes TableDef::columns.
struct ColumnChange {
    size_t column = 0;
    Value value;
};

// Memo and OLE values up to this many bytes are stored inside the row.
inline constexpr size_t kMaxInlineLongValue = 64;

// The value as it will be stored in `column`, or an Invalid error saying why it cannot be:
// a value of another type, text longer than the column, a number with more digits than the
// column's precision or another scale, a date outside the years 100 to 9999, NULL in a column
// that does not take NULL. Fixed-length text is padded with blanks and fixed-length binary with
// zeros; NULL in a Yes/No column is No. Unsupported for a column type the engine cannot write.
Result<Value> valueForColumn(const ColumnDef& column, const Value& value);

// Whether two values are the same, bit for bit for floating-point numbers and dates.
bool sameValue(const Value& a, const Value& b);

class TableWriter {
public:
    // `def` must be the table's current definition in `file`.
    TableWriter(PageFile& file, std::shared_ptr<const TableDef> def);

    // Ok if rows of this table can be written: Unsupported for a table with indexes (they would
    // go stale), a system table or one without an owned-pages map.
    Status checkWritable() const;

    // Appends a row: one value per column, in def().columns order. Autonumber columns given
    // NULL get the next number (the definition's counter advances); a GUID autonumber column a
    // new random GUID. Returns the new row's RowId.
    Result<RowId> insert(const std::vector<Value>& values);
    // Changes the given columns of row `id`; the others keep their stored bytes.
    // NotFound if `id` is not a live row of the table.
    Status update(RowId id, const std::vector<ColumnChange>& changes);
    // Deletes row `id`. NotFound if it is not a live row of the table.
    Status remove(RowId id);

    const TableDef& def() const { return *def_; }

private:
    struct Located;
    Result<Located> locate(RowId id) const;
    Result<RowId> place(ByteView row, uint16_t flags, int64_t avoidPage);
    Status syncFreeMap(uint32_t page);
    Result<Bytes> finishRow(std::vector<FieldBytes>& fields, const std::vector<Value>& intended,
                            const std::vector<bool>& writeLong);
    Status adjustRowCount(int delta);
    Result<std::vector<Value>> decodeStored(ByteView row, uint32_t page) const;

    PageFile& file_;
    std::shared_ptr<const TableDef> def_;
    size_t minRowSize_ = 0;
};

} // namespace jet
