// What the SQL layer needs from a database: tables with their columns, a scan in table order, and
// row insert, update and remove inside an all-or-nothing batch. The Jet 4 engine offers it
// through an adapter; MemoryStorage (jet/sql_memory.h) keeps tables in memory.
#pragma once

#include "jet/error.h"
#include "jet/value.h"

#include <compare>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace jet::sql {

// Where a row lives: its data page and its slot on that page. Meaningful only to the storage
// that handed it out, and only until the next change of the table.
struct RowId {
    uint32_t page = 0;
    uint8_t row = 0;
    auto operator<=>(const RowId&) const = default;
};

struct ColumnInfo {
    std::u16string name;
    ColumnType type = ColumnType::Text;
    // Text: the most characters (UTF-16 units) a value may have; Binary: the most bytes;
    // 0: no limit (Memo, OLE).
    uint32_t maxLength = 0;
    bool nullable = true;
    uint8_t precision = 18; // Numeric only
    uint8_t scale = 0;      // Numeric only
};

// A new value for one column of a row; `column` is the position in Table::columns().
struct ColumnValue {
    size_t column = 0;
    Value value;
};

class Table {
public:
    virtual ~Table() = default;

    // The columns in table order.
    virtual const std::vector<ColumnInfo>& columns() const = 0;

    // Visits every row in table order. `wanted` lists the positions of the columns to read, and
    // the visitor gets their values in that order (values.size() == wanted.size()); columns not
    // wanted need not be decoded at all. The vector may be reused from row to row. When the
    // visitor returns false the scan stops (with success).
    using RowVisitor = std::function<bool(RowId id, const std::vector<Value>& values)>;
    virtual Status scan(const std::vector<size_t>& wanted, const RowVisitor& visit) = 0;

    // The same scan in two steps: the first `filterCount` columns of `wanted` are read for every
    // row and given to `keep` (the values past them are unspecified); only the rows it keeps have
    // the other columns read and go to `visit`, with all of `wanted`. A storage that decodes
    // rows from a file then decodes little of a wide table that few rows match. This default
    // reads every wanted column of every row.
    using RowFilter = std::function<bool(const std::vector<Value>& values)>;
    virtual Status scanWhere(const std::vector<size_t>& wanted, size_t filterCount, const RowFilter& keep,
                             const RowVisitor& visit) {
        (void)filterCount;
        return scan(wanted, [&](RowId id, const std::vector<Value>& values) {
            return !keep(values) || visit(id, values);
        });
    }

    // Appends a row; `row` holds one value per column, in column order. The values have already
    // been checked against the columns (type, length, NULL).
    virtual Result<RowId> insert(const std::vector<Value>& row) = 0;
    // Replaces the values of the given columns of a row; the other columns keep theirs.
    virtual Status update(RowId id, const std::vector<ColumnValue>& changes) = 0;
    virtual Status remove(RowId id) = 0;
};

class Storage {
public:
    virtual ~Storage() = default;

    // The table of that name, compared as sameName() does (case-insensitively); nullptr when the
    // database has no such table; an error when the catalog cannot be read. The table stays
    // owned by the storage.
    virtual Result<Table*> openTable(std::u16string_view name) = 0;

    // Every statement that changes rows runs its writes between begin() and commit(). When a
    // write fails the SQL layer calls rollback(), which must leave every table as it was at
    // begin(); a failed commit() must do the same by itself.
    virtual Status begin() = 0;
    virtual Status commit() = 0;
    virtual void rollback() = 0;
};

} // namespace jet::sql
