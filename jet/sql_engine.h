// SQL on the Jet 4 engine: the SQL layer's Storage over a Database, and Connection, the one
// object the program's data-access objects need:
//
//   auto conn = jet::sql::Connection::open(path);          // reading and writing, locked
//   if (!conn) ... conn.error().kind, conn.error().message  // errors are values, never thrown
//   auto r = (*conn)->execute("SELECT * FROM data ORDER BY id", {.rowIdsOnly = true});
//   for (RowId id : r->rowIds) (*conn)->readValue(u"data", id, column);   // lazily, by RowId
//   (*conn)->execute("INSERT INTO data (ID) VALUES ('GZ-00001')");        // durable on return
//   (*conn)->deleteRow(u"data", id);
//
// RowIds stay valid across writes: an update never changes a row's RowId (a row that no longer
// fits its page moves, but is still found through its old slot), a delete only retires its own,
// and an insert appends. Each statement is all-or-nothing; outside begin()/commit() it is saved
// durably before execute() returns, inside them with the transaction.
#pragma once

#include "jet/database.h"
#include "jet/sql.h"
#include "jet/sql_storage.h"

#include <map>
#include <memory>

namespace jet::sql {

inline RowId toSql(jet::RowId id) {
    return RowId{id.page, id.row};
}
inline jet::RowId toEngine(RowId id) {
    return jet::RowId{id.page, id.row};
}

// The columns of a table definition as the SQL layer describes them.
std::vector<ColumnInfo> columnInfo(const TableDef& def);

class EngineTable;

// Storage over a database. Writes need the database opened for writing; reads work either way.
// The storage does not own the database. A statement's batch (begin ... commit) is a transaction
// of its own, or, inside a transaction the caller began on the database, a savepoint of it: a
// failed statement is then taken back alone.
class EngineStorage : public Storage {
public:
    explicit EngineStorage(Database& db);
    ~EngineStorage() override;
    EngineStorage(const EngineStorage&) = delete;
    EngineStorage& operator=(const EngineStorage&) = delete;

    Result<Table*> openTable(std::u16string_view name) override;
    Status begin() override;
    Status commit() override;
    void rollback() override;

    Database& database() { return db_; }
    // The table's current rows for reading: reopened after every write, shared until the next.
    Result<std::shared_ptr<const jet::Table>> snapshot(std::u16string_view name);
    // Called after every write (and rollback): snapshots are stale.
    void changed() { ++generation_; }
    uint64_t generation() const { return generation_; }

private:
    Database& db_;
    uint64_t generation_ = 0;
    bool ownTransaction_ = false;
    std::optional<Database::Savepoint> statementStart_;
    std::map<std::u16string, std::unique_ptr<EngineTable>> tables_; // by catalog name
};

// A database opened for SQL and for the data-access objects.
class Connection {
public:
    struct Options {
        std::optional<std::u16string> password;
        bool write = true; // false: reading only, no lock
    };
    // Opens the database at `path`. Errors as Database::open (Locked "数据库正被另一个程序修改"
    // when another process writes it).
    static Result<std::unique_ptr<Connection>> open(const std::string& path, const Options& options);
    static Result<std::unique_ptr<Connection>> open(const std::string& path);

    Database& database() { return *db_; }
    Storage& storage() { return storage_; }

    // Runs one statement. With options.rowIdsOnly a SELECT gives its RowIds in result order and
    // no values (read them with readRow/readValue as needed).
    Result<ExecResult> execute(std::u16string_view statement, const ExecOptions& options = {});
    Result<ExecResult> execute(std::string_view utf8, const ExecOptions& options = {});

    // The columns of a table (NotFound for an unknown table).
    Result<std::vector<ColumnInfo>> columns(std::u16string_view table);
    // All values of row `id` in column order into `out` (its storage reused).
    Status readRow(std::u16string_view table, RowId id, std::vector<Value>& out);
    // One value; `column` is a position in columns().
    Result<Value> readValue(std::u16string_view table, RowId id, size_t column);

    // Writes by RowId, each all-or-nothing (durable on return outside a transaction). Values are
    // checked as INSERT and UPDATE check them (convertForColumn), then by the engine.
    Result<RowId> insertRow(std::u16string_view table, const std::vector<Value>& values);
    Status updateRow(std::u16string_view table, RowId id, const std::vector<ColumnValue>& changes);
    Status deleteRow(std::u16string_view table, RowId id);

    // A transaction around several statements or writes: all of them or none.
    Status begin();
    Status commit();
    void rollback();
    bool inTransaction() const { return db_->inTransaction(); }

private:
    Connection(std::unique_ptr<Database> db);
    std::unique_ptr<Database> db_;
    EngineStorage storage_;
};

} // namespace jet::sql
