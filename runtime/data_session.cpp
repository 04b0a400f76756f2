#include "runtime/data_session.h"

#include <sys/stat.h>

namespace rt::data {

std::vector<Field> fieldsOf(const jet::TableDef& def) {
    std::vector<Field> out;
    out.reserve(def.columns.size());
    for (size_t i = 0; i < def.columns.size(); ++i)
        out.push_back(Field{def.columns[i].name, def.columns[i].type, i});
    return out;
}

std::optional<Session::Stamp> Session::stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return Stamp{uint64_t(st.st_dev), uint64_t(st.st_ino), uint64_t(st.st_size), int64_t(st.st_mtim.tv_sec),
                 int64_t(st.st_mtim.tv_nsec)};
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
    // different stamp at the next look.
    stamp_ = stampOf(path_);
    jet::OpenOptions options;
    options.password = password_;
    auto db = jet::Database::open(path_, options);
    if (!db)
        return db.error();
    db_ = std::move(*db);
    return jet::okStatus();
}

jet::Status Session::refreshIfChangedOutside() {
    if (stampOf(path_) == stamp_)
        return jet::okStatus();
    rowIds_.clear();
    ++changes_;
    return reopen();
}

jet::Result<std::u16string> Session::catalogName(std::u16string_view name) const {
    const jet::CatalogEntry* e = db_->catalog().findTable(name);
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

jet::Result<RowSet> Session::table(std::u16string_view name) {
    JET_TRY(refreshIfChangedOutside());
    auto catalog = catalogName(name);
    if (!catalog)
        return catalog.error();
    auto t = db_->openTable(*catalog);
    if (!t)
        return t.error();
    auto rows = rowIdsOf(**t);
    if (!rows)
        return rows.error();
    return RowSet{*t, *rows, fieldsOf((*t)->def())};
}

jet::Result<StatementResult> Session::run(std::u16string_view statement) {
    auto parsed = jet::sql::parseStatement(statement);
    if (!parsed)
        return parsed.error();
    JET_TRY(refreshIfChangedOutside());
    return jet::makeError(jet::ErrorKind::ReadOnly, "数据库以只读方式打开，不能执行 SQL 语句");
}

jet::Status Session::remove(const jet::Table&, const RowIds&) {
    return jet::makeError(jet::ErrorKind::ReadOnly, "数据库以只读方式打开，不能删除记录");
}

} // namespace rt::data
