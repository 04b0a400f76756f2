#include "jet/sql_engine.h"

namespace jet::sql {

std::vector<ColumnInfo> columnInfo(const TableDef& def) {
    std::vector<ColumnInfo> out;
    out.reserve(def.columns.size());
    for (const auto& c : def.columns) {
        ColumnInfo info;
        info.name = c.name;
        info.type = c.type;
        if (c.type == ColumnType::Text)
            info.maxLength = c.size / 2u;
        else if (c.type == ColumnType::Binary)
            info.maxLength = c.size;
        info.nullable = c.isNullable() || c.type == ColumnType::Boolean;
        if (c.type == ColumnType::Numeric) {
            info.precision = c.precision;
            info.scale = c.scale;
        }
        out.push_back(std::move(info));
    }
    return out;
}

// One table of the storage. Reads go through a snapshot of the table that is renewed after
// every write; writes go to the database by name.
class EngineTable : public Table {
public:
    EngineTable(EngineStorage& storage, std::u16string name, std::vector<ColumnInfo> columns)
        : storage_(storage), name_(std::move(name)), columns_(std::move(columns)) {}

    const std::vector<ColumnInfo>& columns() const override { return columns_; }

    Status scan(const std::vector<size_t>& wanted, const RowVisitor& visit) override {
        return scanWhere(
            wanted, wanted.size(), [](const std::vector<Value>&) { return true; }, visit);
    }

    Status scanWhere(const std::vector<size_t>& wanted, size_t filterCount, const RowFilter& keep,
                     const RowVisitor& visit) override {
        for (size_t c : wanted)
            if (c >= columns_.size())
                return makeError(ErrorKind::Invalid, "列序号超出范围");
        if (filterCount > wanted.size())
            return makeError(ErrorKind::Invalid, "筛选列的个数超出范围");
        auto t = storage_.snapshot(name_);
        if (!t)
            return t.error();
        const std::vector<size_t> first(wanted.begin(), wanted.begin() + long(filterCount));
        const std::vector<size_t> rest(wanted.begin() + long(filterCount), wanted.end());
        auto cursor = (*t)->cursor();
        std::vector<Value> values, more;
        for (;;) {
            auto next = cursor.next();
            if (!next)
                return next.error();
            if (!*next)
                return okStatus();
            JET_TRY(cursor.values(first, values));
            if (!keep(values))
                continue;
            if (!rest.empty()) {
                JET_TRY(cursor.values(rest, more));
                values.resize(wanted.size());
                for (size_t k = 0; k < rest.size(); ++k)
                    values[filterCount + k] = std::move(more[k]);
            }
            if (!visit(toSql(cursor.rowId()), values))
                return okStatus();
        }
    }

    Result<RowId> insert(const std::vector<Value>& row) override {
        auto id = storage_.database().insertRow(name_, row);
        storage_.changed();
        if (!id)
            return id.error();
        return toSql(*id);
    }

    Status update(RowId id, const std::vector<ColumnValue>& changes) override {
        std::vector<ColumnChange> c;
        c.reserve(changes.size());
        for (const auto& ch : changes)
            c.push_back(ColumnChange{ch.column, ch.value});
        auto st = storage_.database().updateRow(name_, toEngine(id), c);
        storage_.changed();
        return st;
    }

    Status remove(RowId id) override {
        auto st = storage_.database().deleteRow(name_, toEngine(id));
        storage_.changed();
        return st;
    }

    // The snapshot, renewed when the storage changed since it was taken.
    Result<std::shared_ptr<const jet::Table>> current() {
        if (!snapshot_ || seen_ != storage_.generation()) {
            auto t = storage_.database().openTable(name_);
            if (!t)
                return t.error();
            snapshot_ = std::move(*t);
            seen_ = storage_.generation();
        }
        return snapshot_;
    }

private:
    EngineStorage& storage_;
    std::u16string name_;
    std::vector<ColumnInfo> columns_;
    std::shared_ptr<const jet::Table> snapshot_;
    uint64_t seen_ = 0;
};

EngineStorage::EngineStorage(Database& db) : db_(db) {}
EngineStorage::~EngineStorage() = default;

Result<Table*> EngineStorage::openTable(std::u16string_view name) {
    const CatalogEntry* e = db_.catalog().findTable(name);
    if (!e)
        return static_cast<Table*>(nullptr);
    auto it = tables_.find(e->name);
    if (it == tables_.end()) {
        auto def = db_.tableDef(*e);
        if (!def)
            return def.error();
        it = tables_.emplace(e->name, std::make_unique<EngineTable>(*this, e->name, columnInfo(**def))).first;
    }
    return static_cast<Table*>(it->second.get());
}

Result<std::shared_ptr<const jet::Table>> EngineStorage::snapshot(std::u16string_view name) {
    auto t = openTable(name);
    if (!t)
        return t.error();
    if (!*t)
        return makeError(ErrorKind::NotFound, "找不到表 '" + toUtf8(std::u16string(name)) + "'");
    return static_cast<EngineTable*>(*t)->current();
}

Status EngineStorage::begin() {
    if (db_.inTransaction()) {
        auto point = db_.savepoint();
        if (!point)
            return point.error();
        statementStart_ = std::move(*point);
        ownTransaction_ = false;
        return okStatus();
    }
    JET_TRY(db_.begin());
    ownTransaction_ = true;
    return okStatus();
}

Status EngineStorage::commit() {
    statementStart_.reset();
    changed();
    if (!ownTransaction_)
        return okStatus();
    ownTransaction_ = false;
    return db_.commit();
}

void EngineStorage::rollback() {
    changed();
    if (ownTransaction_) {
        ownTransaction_ = false;
        db_.rollback();
    } else if (statementStart_) {
        db_.rollbackTo(*statementStart_);
    }
    statementStart_.reset();
}

// ---- Connection ------------------------------------------------------------------------------

Connection::Connection(std::unique_ptr<Database> db) : db_(std::move(db)), storage_(*db_) {}

Result<std::unique_ptr<Connection>> Connection::open(const std::string& path, const Options& options) {
    OpenOptions o;
    o.password = options.password;
    o.write = options.write;
    auto db = Database::open(path, o);
    if (!db)
        return db.error();
    return std::unique_ptr<Connection>(new Connection(std::move(*db)));
}

Result<std::unique_ptr<Connection>> Connection::open(const std::string& path) {
    return open(path, Options{});
}

Result<ExecResult> Connection::execute(std::u16string_view statement, const ExecOptions& options) {
    return sql::execute(statement, storage_, options);
}

Result<ExecResult> Connection::execute(std::string_view utf8, const ExecOptions& options) {
    return sql::execute(utf8, storage_, options);
}

Result<std::vector<ColumnInfo>> Connection::columns(std::u16string_view table) {
    auto t = storage_.openTable(table);
    if (!t)
        return t.error();
    if (!*t)
        return makeError(ErrorKind::NotFound, "找不到表 '" + toUtf8(std::u16string(table)) + "'");
    return (*t)->columns();
}

Status Connection::readRow(std::u16string_view table, RowId id, std::vector<Value>& out) {
    auto t = storage_.snapshot(table);
    if (!t)
        return t.error();
    return (*t)->readRow(toEngine(id), out);
}

Result<Value> Connection::readValue(std::u16string_view table, RowId id, size_t column) {
    auto t = storage_.snapshot(table);
    if (!t)
        return t.error();
    return (*t)->readValue(toEngine(id), column);
}

namespace {
Result<Table*> findTable(Storage& storage, std::u16string_view name) {
    auto t = storage.openTable(name);
    if (!t)
        return t.error();
    if (!*t)
        return makeError(ErrorKind::NotFound, "找不到表 '" + toUtf8(std::u16string(name)) + "'");
    return *t;
}
} // namespace

Result<RowId> Connection::insertRow(std::u16string_view table, const std::vector<Value>& values) {
    auto t = findTable(storage_, table);
    if (!t)
        return t.error();
    const auto& cols = (*t)->columns();
    if (values.size() != cols.size())
        return makeError(ErrorKind::Invalid, "值的个数（" + std::to_string(values.size()) + "）与列的个数（" +
                                                 std::to_string(cols.size()) + "）不一致");
    std::vector<Value> row;
    row.reserve(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        auto v = convertForColumn(values[i], cols[i]);
        if (!v)
            return v.error();
        row.push_back(std::move(*v));
    }
    return (*t)->insert(row);
}

Status Connection::updateRow(std::u16string_view table, RowId id, const std::vector<ColumnValue>& changes) {
    auto t = findTable(storage_, table);
    if (!t)
        return t.error();
    const auto& cols = (*t)->columns();
    std::vector<ColumnValue> checked;
    checked.reserve(changes.size());
    for (const auto& c : changes) {
        if (c.column >= cols.size())
            return makeError(ErrorKind::Invalid, "列序号超出范围");
        auto v = convertForColumn(c.value, cols[c.column]);
        if (!v)
            return v.error();
        checked.push_back(ColumnValue{c.column, std::move(*v)});
    }
    return (*t)->update(id, checked);
}

Status Connection::deleteRow(std::u16string_view table, RowId id) {
    auto t = findTable(storage_, table);
    if (!t)
        return t.error();
    return (*t)->remove(id);
}

Status Connection::begin() {
    return db_->begin();
}

Status Connection::commit() {
    auto st = db_->commit();
    storage_.changed();
    return st;
}

void Connection::rollback() {
    db_->rollback();
    storage_.changed();
}

} // namespace jet::sql
