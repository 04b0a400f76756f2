// The open database behind one connection, shared by the record sets bound to it.
//
// Reading: the file is open for reading for as long as the connection is, without the writer's
// lock, so other programs can read it (and write it) meanwhile; only its in-use lock is held
// (shared), which keeps a restore or a compact out. A record set's snapshot of a table is the
// list of its rows' RowIds in table order, which needs no value decoded; the session keeps the last
// list of each table and hands it out again while the table is unchanged.
//
// Writing (statements, deletes): each write opens the file for writing, which takes the engine's
// writer lock, runs as one all-or-nothing change, and closes it again, so the lock is held only
// while writing. Afterwards the file is read afresh, and the kept RowId lists follow the change
// (the engine appends inserted rows after every existing row, an update keeps a row's RowId, a
// delete retires only its own). A change of the file by another program (seen by its size, time
// or identity) drops what the session kept.
#pragma once

#include "runtime/data_errors.h"

#include "jet/database.h"
#include "jet/sql.h"
#include "jet/sql_engine.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rt::data {

// A column of a record set: its name and type, and its place in the table's rows.
struct Field {
    std::u16string name;
    jet::ColumnType type = jet::ColumnType::Text;
    size_t column = 0; // index into TableDef::columns
};

using RowIds = std::vector<jet::RowId>;

// Rows of one table as a record set opens them.
struct RowSet {
    std::shared_ptr<const jet::Table> table;
    std::shared_ptr<const RowIds> rows; // in result order
    std::vector<Field> fields;
};

// What an SQL statement gave: rows (SELECT) or the number of rows it changed.
struct StatementResult {
    bool hasRows = false;
    RowSet rowSet;             // hasRows
    uint64_t rowsAffected = 0; // !hasRows
};

class Session {
public:
    // Opens the file for reading. Errors as jet::Database::open.
    static jet::Result<std::shared_ptr<Session>> open(const std::string& path,
                                                      std::optional<std::u16string> password);

    // Every column and every row of table `name` in table order. NotFound "找不到表 'x'".
    jet::Result<RowSet> table(std::u16string_view name);
    // Parses and runs a statement: a SELECT gives its rows (RowIds only, values are read when a
    // record set visits them); INSERT, UPDATE and DELETE write.
    jet::Result<StatementResult> run(std::u16string_view statement);
    // The table of that catalog name as the file has it now: a set opened before a change reads
    // its rows through this (the same object until the next change).
    jet::Result<std::shared_ptr<const jet::Table>> currentTable(const std::u16string& catalogName);
    // Deletes the rows `rows` of `table` as one change: all of them or none.
    jet::Status remove(const jet::Table& table, const RowIds& rows);

    // The database as the file has it now, read afresh first when another program changed the
    // file (which counts as a change). Valid until the next change or refresh; errors as
    // jet::Database::open.
    jet::Result<const jet::Database*> current();

    // Counts the changes written through this session, and those of other programs it has seen
    // (a record set's cached row is stale when this moved on).
    uint64_t changes() const { return changes_; }

    const std::string& path() const { return path_; }

    // A row inserted or deleted by a write, in the order they were made.
    struct Change {
        std::u16string table; // catalog name
        bool inserted = false;
        jet::RowId row;
    };

private:
    Session() = default;
    struct Stamp {
        uint64_t device = 0, inode = 0, size = 0;
        int64_t seconds = 0, nanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };
    static std::optional<Stamp> stampOf(const std::string& path);
    // Reads the file afresh when another program changed it since we last looked.
    jet::Status refreshIfChangedOutside();
    jet::Status reopen();
    jet::Result<std::shared_ptr<const RowIds>> rowIdsOf(const jet::Table& table);
    jet::Result<std::u16string> catalogName(std::u16string_view name) const;
    // Opens the file for writing (the writer lock is held until the result goes).
    jet::Result<std::unique_ptr<jet::sql::Connection>> openForWriting();
    // After a committed write: reads the file afresh and brings the kept RowId lists along.
    void written(const std::vector<Change>& changes);

    std::string path_;
    std::optional<std::u16string> password_;
    std::unique_ptr<jet::sql::Connection> read_; // opened for reading: no lock
    // Held shared for as long as the session is open (jet::UseLock): a restore or a compact is
    // refused meanwhile, other programs still read and write the file.
    std::unique_ptr<jet::UseLock> inUse_;
    std::optional<Stamp> stamp_;                 // of the file as last read
    std::optional<Stamp> seen_;                  // of the file as last looked at (read or not)
    // The last RowId list of each table, by catalog name.
    std::map<std::u16string, std::shared_ptr<const RowIds>> rowIds_;
    // Tables opened since the file was last read, by catalog name.
    std::map<std::u16string, std::shared_ptr<const jet::Table>> tables_;
    uint64_t changes_ = 0;
};

// The fields of every column of a table, in column order.
std::vector<Field> fieldsOf(const jet::TableDef& def);

} // namespace rt::data
