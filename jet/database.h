// A Jet 4 database: header, password check, catalog, tables by name, and (opened for writing)
// row inserts, updates and deletes in transactions. The entry point of the engine; the layers
// below can also be used on their own.
//
// Writing: a database opened with OpenOptions::write locks the file against other writers while
// it is open. Each write outside begin()/commit() is a transaction of its own, durable on disk
// when it returns; between begin() and commit() writes are all-or-nothing together, and a write
// that fails leaves the transaction as it was before that write. Tables opened before a write
// are snapshots: open them again to see the write (RowIds stay valid: an update never moves a
// row's RowId, a delete removes only its own).
#pragma once

#include "jet/catalog.h"
#include "jet/cursor.h"
#include "jet/pagefile.h"
#include "jet/writer.h"

#include <memory>
#include <optional>
#include <string>

namespace jet {

struct OpenOptions {
    // The database password, if the caller has one. A file with a password opens only with
    // the right one; a file without a password ignores it.
    std::optional<std::u16string> password;
    // Open for reading and writing (PageFile::openForWriting): Locked if another process is
    // writing the file and does not finish within lockWaitMs, ReadOnly if it cannot be written.
    bool write = false;
    int lockWaitMs = PageFile::kWriterLockWaitMs;
};

class Database {
public:
    // Opens the file at `path`. Errors: Io (cannot open), Corrupt (not a Jet file, damaged
    // header or catalog; naming the page), Unsupported (Jet 3, ACE, encrypted pages), Password
    // (a password is set and none or a wrong one was given).
    static Result<std::unique_ptr<Database>> open(const std::string& path, const OpenOptions& options = {});
    // The same over bytes in memory; `name` stands for the file in errors. With options.write
    // the database can be written, and each commit puts the changed pages into the bytes
    // (pageFile().memoryImage()); nothing is locked or journalled.
    static Result<std::unique_ptr<Database>> openMemory(std::vector<uint8_t> bytes,
                                                        const OpenOptions& options = {},
                                                        std::string name = "（内存中的数据库）");
    // The same over an already opened page file.
    static Result<std::unique_ptr<Database>> open(std::shared_ptr<PageFile> file, const OpenOptions& options);

    const DatabaseHeader& header() const { return header_; }
    const Catalog& catalog() const { return catalog_; }
    const std::shared_ptr<const PageFile>& file() const { return file_; }

    // The definition of a table in the catalog. Errors as readTableDef.
    Result<std::shared_ptr<const TableDef>> tableDef(const CatalogEntry& entry) const;
    // A table opened for reading. NotFound for a name the catalog has no table for (local
    // tables only; linked tables and queries have no rows here).
    Result<std::shared_ptr<const Table>> openTable(std::u16string_view name) const;
    Result<std::shared_ptr<const Table>> openTable(const CatalogEntry& entry) const;

    // ---- writing ----

    bool writable() const { return writer_ != nullptr; }
    // Starts a transaction. ReadOnly for a database opened for reading; Invalid inside one.
    Status begin();
    // Saves every write since begin() durably, or none of them (the error says why).
    Status commit();
    // Forgets every write since begin(); the file was not touched.
    void rollback();
    bool inTransaction() const { return inTransaction_; }
    // A point inside the transaction to go back to: rollbackTo() takes back every write made
    // since, the transaction goes on. Invalid outside a transaction.
    struct Savepoint {
        PageFile::Snapshot pages;
    };
    Result<Savepoint> savepoint() const;
    void rollbackTo(const Savepoint& point);

    // Appends a row to table `table`: one value per column in TableDef::columns order (NULL for
    // autonumber columns to number them). Returns its RowId. Errors: NotFound (no such table),
    // Invalid (a value that does not fit its column, with the column named), Unsupported (a
    // table with indexes, a system table), ReadOnly, Io, Corrupt.
    Result<RowId> insertRow(std::u16string_view table, const std::vector<Value>& values);
    // Changes the given columns of row `row`. NotFound also for a row that is not live.
    Status updateRow(std::u16string_view table, RowId row, const std::vector<ColumnChange>& changes);
    // Deletes row `row`.
    Status deleteRow(std::u16string_view table, RowId row);
    // The RowId of the row at 0-based position `position` in table order. NotFound past the end.
    Result<RowId> rowAt(std::u16string_view table, uint64_t position) const;

    // The page file of a database opened for writing: for lower-level page writes inside a
    // transaction, and for tests that plan faults in its commits.
    PageFile& pageFile() { return *writer_; }

private:
    Database() = default;
    template <class F>
    auto write(std::u16string_view table, F&& f) -> decltype(f(std::declval<TableWriter&>()));
    std::shared_ptr<const PageFile> file_;
    std::shared_ptr<PageFile> writer_; // the same file, when opened for writing
    bool inTransaction_ = false;
    DatabaseHeader header_;
    Catalog catalog_;
};

} // namespace jet
