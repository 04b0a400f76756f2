// Tables kept in memory behind the SQL storage interface: for tests, benchmarks and tools that
// want SQL over rows that are not in a file.
#pragma once

#include "jet/sql_storage.h"

#include <memory>
#include <optional>

namespace jet::sql {

class MemoryTable : public Table {
public:
    explicit MemoryTable(std::u16string name, std::vector<ColumnInfo> columns);

    const std::u16string& name() const { return name_; }
    const std::vector<ColumnInfo>& columns() const override { return columns_; }
    Status scan(const std::vector<size_t>& wanted, const RowVisitor& visit) override;
    Result<RowId> insert(const std::vector<Value>& row) override;
    Status update(RowId id, const std::vector<ColumnValue>& changes) override;
    Status remove(RowId id) override;

    // The live rows in table order, every column.
    std::vector<std::vector<Value>> rows() const;
    size_t rowCount() const;
    // The row id of the n-th live row (0-based) in table order.
    RowId rowId(size_t n) const;

private:
    friend class MemoryStorage;
    // Rows never move; a removed row leaves an empty slot. Row i has the id
    // {1 + i / kRowsPerPage, i % kRowsPerPage}.
    static constexpr size_t kRowsPerPage = 64;
    Result<size_t> slotOf(RowId id) const;
    Status write(); // counts writes for failure injection

    class MemoryStorage* owner_ = nullptr;
    std::u16string name_;
    std::vector<ColumnInfo> columns_;
    std::vector<std::optional<std::vector<Value>>> slots_;
    size_t live_ = 0;
};

class MemoryStorage : public Storage {
public:
    MemoryStorage() = default;
    MemoryStorage(const MemoryStorage&) = delete;
    MemoryStorage& operator=(const MemoryStorage&) = delete;

    // Adds an empty table (replacing one of the same name) and returns it.
    MemoryTable& addTable(std::u16string name, std::vector<ColumnInfo> columns);
    MemoryTable* table(std::u16string_view name);

    Result<Table*> openTable(std::u16string_view name) override;
    Status begin() override;
    Status commit() override;
    void rollback() override;

    // For tests: the next `n` writes succeed and the one after fails with an I/O error.
    void failAfterWrites(size_t n) { failAfter_ = n; }
    bool inBatch() const { return inBatch_; }

private:
    friend class MemoryTable;
    struct Undo {
        MemoryTable* table;
        size_t slot;
        std::optional<std::vector<Value>> before;
        bool appended;
    };
    void record(MemoryTable* t, size_t slot, bool appended);

    std::vector<std::unique_ptr<MemoryTable>> tables_;
    std::vector<Undo> undo_;
    bool inBatch_ = false;
    std::optional<size_t> failAfter_;
};

} // namespace jet::sql
