// Reading a table's rows: which pages hold them (the owned-pages usage map), which slots are
// live, where moved rows went, and decoding rows into values, all at once or column by column.
//
// Table order is usage-map page order, then slot order. Every row has a stable RowId: the slot
// where it is delivered in that order. A row that Jet moved to another page (an overflow row)
// is delivered at its pointer's slot and keeps the pointer's RowId; its target slot is never
// delivered by itself. See docs/jet4-format.md §4.
#pragma once

#include "jet/datapage.h"
#include "jet/row.h"
#include "jet/tabledef.h"
#include "jet/usagemap.h"

#include <memory>
#include <optional>
#include <vector>

namespace jet {

class TableCursor;

// One table opened for reading: its definition and its data pages. Immutable and safe to share;
// all reading state lives in the caller (RowIds) or in a TableCursor.
class Table : public std::enable_shared_from_this<Table> {
public:
    // Reads the owned-pages map of `def`. Corrupt error naming the map's page if it cannot be
    // read or names pages past the end of the file.
    static Result<std::shared_ptr<const Table>> open(std::shared_ptr<const PageFile> file,
                                                     std::shared_ptr<const TableDef> def);

    const TableDef& def() const { return *def_; }
    const std::shared_ptr<const TableDef>& defPtr() const { return def_; }
    const PageFile& file() const { return *file_; }
    const UsageMap& ownedPages() const { return owned_; }

    // The RowIds of all live rows in table order, without decoding any value: a walk over the
    // row-offset tables only. Corrupt error naming the page for a page that cannot be read.
    Result<std::vector<RowId>> rowIds() const;

    // All values of the row `id`, in def().columns order, into `out` (resized; its strings and
    // buffers are reused). NotFound if `id` is not a live row of this table (a deleted slot, a
    // moved row's target slot, a slot past the page's rows, a page not in the table); Corrupt
    // naming the page for damage met on the way (including pointer cycles).
    Status readRow(RowId id, std::vector<Value>& out) const;
    Result<std::vector<Value>> readRow(RowId id) const;
    // One value of the row `id`; `column` indexes def().columns. Errors as readRow; Invalid for
    // a column index out of range.
    Result<Value> readValue(RowId id, size_t column) const;
    // The stored bytes of row `id` after following a moved row's pointer, and the page they are
    // on (for the writer, and for tests that compare encoded rows).
    struct StoredRow {
        PageRef page;
        ByteView bytes;
    };
    Result<StoredRow> storedRow(RowId id) const;

    // A cursor at the start of the table.
    TableCursor cursor() const;

    // Decodes the value of `column` from a parsed row stored on page `page` (long values are
    // fetched through the file). Corrupt error naming the page for damage.
    Result<Value> decodeValue(const RowLayout& row, const ColumnDef& column, uint32_t page) const;
    // The same into `out`, reusing the storage of the string or bytes it holds.
    Status decodeValueInto(const RowLayout& row, const ColumnDef& column, uint32_t page, Value& out) const;

private:
    Table() = default;
    friend class TableCursor;
    // Whether page `n` is a data page of this table (in its map, right type and owner).
    Result<DataPage> dataPage(uint32_t n) const;
    // The stored bytes of the row at `slot` of `page`, after following a moved row's pointer;
    // the page the pointer leads to is kept in `moved`, and `at` tells the page the bytes are on.
    Result<ByteView> locate(const DataPage& page, uint8_t slot, std::optional<DataPage>& moved,
                            uint32_t& at) const;
    Result<StoredRow> resolve(const DataPage& page, uint8_t slot) const;
    // All values of a stored row that lies on page `at`.
    Status decodeAll(ByteView row, uint32_t at, std::vector<Value>& out, RowLayout& scratch) const;

    std::shared_ptr<const PageFile> file_;
    std::shared_ptr<const TableDef> def_;
    UsageMap owned_;
};

// Walks a table's live rows in table order. Owns its position and its current page image; two
// cursors over the same table never disturb each other. Not thread-safe itself.
class TableCursor {
public:
    explicit TableCursor(std::shared_ptr<const Table> table);

    // Moves to the next live row: true if there is one, false at the end. Corrupt error naming
    // the page for a page that cannot be read; the cursor then stays at the end.
    Result<bool> next();
    // Back to before the first row.
    void rewind();
    // The current row's id (after next() returned true).
    RowId rowId() const { return current_; }
    // Decodes the current row into `out` (as Table::readRow).
    Status values(std::vector<Value>& out);
    // Decodes one value of the current row.
    Result<Value> value(size_t column);
    // Decodes the columns `wanted` (indexes into def().columns) of the current row into `out`
    // (resized to wanted.size(); its strings and buffers are reused), parsing the row once.
    Status values(const std::vector<size_t>& wanted, std::vector<Value>& out);

    const Table& table() const { return *table_; }

private:
    std::shared_ptr<const Table> table_;
    size_t pageIndex_ = 0; // index into the owned map's pages of the page being walked
    int slot_ = -1;        // slot of the current row on that page
    bool atEnd_ = false;
    std::optional<DataPage> page_;
    RowId current_;
    RowLayout scratch_;
    std::optional<DataPage> moved_; // the page the current row moved to, if it did
};

} // namespace jet
