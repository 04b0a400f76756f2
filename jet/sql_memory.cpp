#include "jet/sql_memory.h"

#include "jet/sql_text.h"

namespace jet::sql {

MemoryTable::MemoryTable(std::u16string name, std::vector<ColumnInfo> columns)
    : name_(std::move(name)), columns_(std::move(columns)) {}

Status MemoryTable::scan(const std::vector<size_t>& wanted, const RowVisitor& visit) {
    for (size_t c : wanted)
        if (c >= columns_.size())
            return makeError(ErrorKind::Invalid, "列序号超出范围");
    std::vector<Value> values(wanted.size());
    for (size_t i = 0; i < slots_.size(); ++i) {
        if (!slots_[i])
            continue;
        const std::vector<Value>& row = *slots_[i];
        for (size_t k = 0; k < wanted.size(); ++k)
            values[k] = row[wanted[k]];
        if (!visit(RowId{uint32_t(1 + i / kRowsPerPage), uint8_t(i % kRowsPerPage)}, values))
            break;
    }
    return okStatus();
}

Status MemoryTable::write() {
    if (owner_ && owner_->failAfter_) {
        if (*owner_->failAfter_ == 0) {
            owner_->failAfter_.reset();
            return makeError(ErrorKind::Io, "写入失败（测试）");
        }
        --*owner_->failAfter_;
    }
    return okStatus();
}

Result<size_t> MemoryTable::slotOf(RowId id) const {
    if (id.page == 0 || id.row >= kRowsPerPage)
        return makeError(ErrorKind::NotFound, "找不到行");
    const size_t i = size_t(id.page - 1) * kRowsPerPage + id.row;
    if (i >= slots_.size() || !slots_[i])
        return makeError(ErrorKind::NotFound, "找不到行");
    return i;
}

Result<RowId> MemoryTable::insert(const std::vector<Value>& row) {
    if (row.size() != columns_.size())
        return makeError(ErrorKind::Invalid, "值的个数与列的个数不一致");
    JET_TRY(write());
    slots_.emplace_back(row);
    ++live_;
    if (owner_)
        owner_->record(this, slots_.size() - 1, true);
    const size_t i = slots_.size() - 1;
    return RowId{uint32_t(1 + i / kRowsPerPage), uint8_t(i % kRowsPerPage)};
}

Status MemoryTable::update(RowId id, const std::vector<ColumnValue>& changes) {
    auto i = slotOf(id);
    if (!i)
        return i.error();
    for (const ColumnValue& c : changes)
        if (c.column >= columns_.size())
            return makeError(ErrorKind::Invalid, "列序号超出范围");
    JET_TRY(write());
    if (owner_)
        owner_->record(this, *i, false);
    for (const ColumnValue& c : changes)
        (*slots_[*i])[c.column] = c.value;
    return okStatus();
}

Status MemoryTable::remove(RowId id) {
    auto i = slotOf(id);
    if (!i)
        return i.error();
    JET_TRY(write());
    if (owner_)
        owner_->record(this, *i, false);
    slots_[*i].reset();
    --live_;
    return okStatus();
}

std::vector<std::vector<Value>> MemoryTable::rows() const {
    std::vector<std::vector<Value>> out;
    for (const auto& r : slots_)
        if (r)
            out.push_back(*r);
    return out;
}

size_t MemoryTable::rowCount() const {
    return live_;
}

RowId MemoryTable::rowId(size_t n) const {
    for (size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i] && n-- == 0)
            return RowId{uint32_t(1 + i / kRowsPerPage), uint8_t(i % kRowsPerPage)};
    return RowId{};
}

MemoryTable& MemoryStorage::addTable(std::u16string name, std::vector<ColumnInfo> columns) {
    for (auto& t : tables_)
        if (sameName(t->name(), name)) {
            t = std::make_unique<MemoryTable>(std::move(name), std::move(columns));
            t->owner_ = this;
            return *t;
        }
    tables_.push_back(std::make_unique<MemoryTable>(std::move(name), std::move(columns)));
    tables_.back()->owner_ = this;
    return *tables_.back();
}

MemoryTable* MemoryStorage::table(std::u16string_view name) {
    for (auto& t : tables_)
        if (sameName(t->name(), name))
            return t.get();
    return nullptr;
}

Result<Table*> MemoryStorage::openTable(std::u16string_view name) {
    return static_cast<Table*>(table(name));
}

Status MemoryStorage::begin() {
    if (inBatch_)
        return makeError(ErrorKind::Invalid, "已经在一个批次中");
    inBatch_ = true;
    undo_.clear();
    return okStatus();
}

Status MemoryStorage::commit() {
    inBatch_ = false;
    undo_.clear();
    return okStatus();
}

void MemoryStorage::rollback() {
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) {
        MemoryTable& t = *it->table;
        if (it->appended) {
            t.slots_.pop_back();
            --t.live_;
        } else {
            if (!t.slots_[it->slot] && it->before)
                ++t.live_;
            t.slots_[it->slot] = std::move(it->before);
        }
    }
    undo_.clear();
    inBatch_ = false;
}

void MemoryStorage::record(MemoryTable* t, size_t slot, bool appended) {
    if (!inBatch_)
        return;
    Undo u{t, slot, std::nullopt, appended};
    if (!appended)
        u.before = t->slots_[slot];
    undo_.push_back(std::move(u));
}

} // namespace jet::sql
