#include "runtime/data_session.h"

#include "platform/file.h"

#include <algorithm>

namespace rt::data {

namespace sql = jet::sql;

std::vector<Field> fieldsOf(const jet::TableDef& def) {
    std::vector<Field> out;
    out.reserve(def.columns.size());
    for (size_t i = 0; i < def.columns.size(); ++i)
        out.push_back(Field{def.columns[i].name, def.columns[i].type, i});
    return out;
}

namespace {

// Passes a statement's writes through to the storage of the writing connection and notes the
// RowIds it inserts and removes, keeping those of the batches that were committed.
class Recorder : public sql::Storage {
public:
    Recorder(sql::Storage& inner, const jet::Catalog& catalog) : inner_(inner), catalog_(catalog) {}

    jet::Result<sql::Table*> openTable(std::u16string_view name) override {
        auto t = inner_.openTable(name);
        if (!t || !*t)
            return t;
        auto& wrapped = tables_[*t];
        if (!wrapped) {
            const jet::CatalogEntry* e = catalog_.findTable(name);
            wrapped = std::make_unique<Table>(*this, **t, e ? e->name : std::u16string(name));
        }
        return static_cast<sql::Table*>(wrapped.get());
    }
    jet::Status begin() override {
        pending_.clear();
        return inner_.begin();
    }
    jet::Status commit() override {
        auto st = inner_.commit();
        if (st)
            committed_.insert(committed_.end(), pending_.begin(), pending_.end());
        pending_.clear();
        return st;
    }
    void rollback() override {
        pending_.clear();
        inner_.rollback();
    }

    const std::vector<Session::Change>& committed() const { return committed_; }

private:
    class Table : public sql::Table {
    public:
        Table(Recorder& owner, sql::Table& inner, std::u16string name)
            : owner_(owner), inner_(inner), name_(std::move(name)) {}
        const std::vector<sql::ColumnInfo>& columns() const override { return inner_.columns(); }
        jet::Status scan(const std::vector<size_t>& wanted, const RowVisitor& visit) override {
            return inner_.scan(wanted, visit);
        }
        jet::Status scanWhere(const std::vector<size_t>& wanted, size_t filterCount, const RowFilter& keep,
                              const RowVisitor& visit) override {
            return inner_.scanWhere(wanted, filterCount, keep, visit);
        }
        jet::Result<sql::RowId> insert(const std::vector<jet::Value>& row) override {
            auto id = inner_.insert(row);
            if (id)
                owner_.pending_.push_back(Session::Change{name_, true, sql::toEngine(*id)});
            return id;
        }
        jet::Status update(sql::RowId id, const std::vector<sql::ColumnValue>& changes) override {
            return inner_.update(id, changes); // a row keeps its RowId
        }
        jet::Status remove(sql::RowId id) override {
            auto st = inner_.remove(id);
            if (st)
                owner_.pending_.push_back(Session::Change{name_, false, sql::toEngine(id)});
            return st;
        }

    private:
        Recorder& owner_;
        sql::Table& inner_;
        std::u16string name_;
    };

    sql::Storage& inner_;
    const jet::Catalog& catalog_;
    std::map<sql::Table*, std::unique_ptr<Table>> tables_;
    std::vector<Session::Change> pending_, committed_;
};

} // namespace

std::optional<Session::Stamp> Session::stampOf(const std::string& path) {
    platform::FileInfo info;
    if (platform::pathInfo(path, info) != 0)
        return std::nullopt;
    return Stamp{info.device, info.id, info.size, info.modifiedSeconds, info.modifiedNanos};
}

jet::Result<std::shared_ptr<Session>> Session::open(const std::string& path,
                                                    std::optional<std::u16string> password) {
    std::shared_ptr<Session> s(new Session());
    s->path_ = path;
    s->password_ = std::move(password);
    JET_TRY(s->reopen());
    return s;
}

jet::Status Session::reopen() {
    // The stamp is taken before the file is read: a change made while we read shows as a
    // different stamp at the next look. It is kept only when the file could be read, so that a
    // file that cannot be read now is tried again (and reported) at every look.
    const auto stamp = stampOf(path_);
    sql::Connection::Options options;
    options.password = password_;
    options.write = false;
    auto c = sql::Connection::open(path_, options);
    if (!c)
        return c.error();
    read_ = std::move(*c);
    // The file the session shows is held in use, so that a restore or a compact does not replace
    // it under the window; a file put in its place by a program that did not ask is held anew.
    if (!inUse_ || !inUse_->holds(path_)) {
        inUse_.reset();
        if (auto lock = jet::UseLock::take(path_, jet::PageFile::kWriterLockWaitMs))
            inUse_ = std::move(*lock);
    }
    stamp_ = stamp;
    seen_ = stamp;
    tables_.clear();
    return jet::okStatus();
}

jet::Status Session::refreshIfChangedOutside() {
    const auto now = stampOf(path_);
    if (now == stamp_)
        return jet::okStatus();
    rowIds_.clear();
    // A file that cannot be read is tried again at every look, but counts as one change until it
    // changes again or can be read: a reader that follows the count does not spin on it.
    const bool unseen = now != seen_;
    seen_ = now;
    jet::Status st = reopen();
    if (unseen || st)
        ++changes_;
    return st;
}

jet::Result<const jet::Database*> Session::current() {
    JET_TRY(refreshIfChangedOutside());
    return &read_->database();
}

jet::Result<std::u16string> Session::catalogName(std::u16string_view name) const {
    const jet::CatalogEntry* e = read_->database().catalog().findTable(name);
    if (!e)
        return jet::makeError(jet::ErrorKind::NotFound,
                              "找不到表 '" + jet::toUtf8(std::u16string(name)) + "'");
    return e->name;
}

jet::Result<std::shared_ptr<const RowIds>> Session::rowIdsOf(const jet::Table& table) {
    auto& kept = rowIds_[table.def().name];
    if (!kept) {
        auto ids = table.rowIds();
        if (!ids)
            return ids.error();
        kept = std::make_shared<const RowIds>(std::move(*ids));
    }
    return kept;
}

jet::Result<std::shared_ptr<const jet::Table>> Session::currentTable(const std::u16string& catalogName) {
    auto& kept = tables_[catalogName];
    if (!kept) {
        auto t = read_->database().openTable(catalogName);
        if (!t) {
            tables_.erase(catalogName);
            return t.error();
        }
        kept = std::move(*t);
    }
    return kept;
}

jet::Result<RowSet> Session::table(std::u16string_view name) {
    JET_TRY(refreshIfChangedOutside());
    auto catalog = catalogName(name);
    if (!catalog)
        return catalog.error();
    auto t = currentTable(*catalog);
    if (!t)
        return t.error();
    auto rows = rowIdsOf(**t);
    if (!rows)
        return rows.error();
    return RowSet{*t, *rows, fieldsOf((*t)->def())};
}

jet::Result<std::unique_ptr<sql::Connection>> Session::openForWriting() {
    sql::Connection::Options options;
    options.password = password_;
    options.write = true;
    auto c = sql::Connection::open(path_, options);
    if (!c)
        return c.error();
    // Holding the lock now: whatever changed the file since we last read it was another program.
    if (stampOf(path_) != stamp_)
        rowIds_.clear();
    return std::move(*c);
}

void Session::written(const std::vector<Change>& changes) {
    ++changes_;
    // Each table's list is copied once (open record sets share the old one) and then follows the
    // changes: inserted rows come last in table order, deleted ones leave.
    std::map<std::u16string, std::shared_ptr<RowIds>> edited;
    for (const Change& c : changes) {
        auto kept = rowIds_.find(c.table);
        if (kept == rowIds_.end())
            continue;
        auto& list = edited[c.table];
        if (!list)
            list = std::make_shared<RowIds>(*kept->second);
        if (c.inserted) {
            if (!list->empty() && !(list->back() < c.row)) {
                rowIds_.erase(kept); // not where the engine promises to put it: walk the table again
                edited.erase(c.table);
                continue;
            }
            list->push_back(c.row);
        } else {
            auto at = std::find(list->begin(), list->end(), c.row);
            if (at == list->end()) {
                rowIds_.erase(kept);
                edited.erase(c.table);
                continue;
            }
            list->erase(at);
        }
    }
    for (auto& [table, list] : edited)
        if (auto kept = rowIds_.find(table); kept != rowIds_.end())
            kept->second = std::move(list);
    if (!reopen())
        rowIds_.clear(); // the next Open reports why the file cannot be read
}

jet::Result<StatementResult> Session::run(std::u16string_view statement) {
    auto parsed = sql::parseStatement(statement);
    if (!parsed)
        return parsed.error();
    JET_TRY(refreshIfChangedOutside());

    if (parsed->kind == sql::StatementKind::Select) {
        sql::ExecOptions options;
        options.rowIdsOnly = true;
        auto r = sql::execute(*parsed, read_->storage(), options);
        if (!r)
            return r.error();
        auto catalog = catalogName(parsed->table);
        if (!catalog)
            return catalog.error();
        auto t = currentTable(*catalog);
        if (!t)
            return t.error();
        auto rows = std::make_shared<RowIds>();
        rows->reserve(r->rowIds.size());
        for (const sql::RowId& id : r->rowIds)
            rows->push_back(sql::toEngine(id));
        StatementResult out;
        out.hasRows = true;
        out.rowSet.table = *t;
        out.rowSet.rows = std::move(rows);
        for (const sql::ResultColumn& c : r->columns)
            out.rowSet.fields.push_back(Field{c.name, c.type, c.tableColumn});
        return out;
    }

    auto writer = openForWriting();
    if (!writer)
        return writer.error();
    Recorder recorder((*writer)->storage(), (*writer)->database().catalog());
    auto r = sql::execute(*parsed, recorder);
    writer->reset(); // the lock goes with the writing connection
    if (!r)
        return r.error();
    written(recorder.committed());
    StatementResult out;
    out.rowsAffected = r->rowsAffected;
    return out;
}

jet::Status Session::remove(const jet::Table& table, const RowIds& rows) {
    auto writer = openForWriting();
    if (!writer)
        return writer.error();
    sql::Connection& w = **writer;
    const std::u16string& name = table.def().name;
    JET_TRY(w.begin());
    std::vector<Change> changes;
    changes.reserve(rows.size());
    for (const jet::RowId& id : rows) {
        auto st = w.deleteRow(name, sql::toSql(id));
        if (!st) {
            w.rollback();
            return st;
        }
        changes.push_back(Change{name, false, id});
    }
    auto st = w.commit();
    writer->reset();
    if (!st)
        return st;
    written(changes);
    return jet::okStatus();
}

} // namespace rt::data
