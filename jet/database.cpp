#include "jet/database.h"

namespace jet {

Result<std::unique_ptr<Database>> Database::open(const std::string& path, const OpenOptions& options) {
    auto file = options.write ? PageFile::openForWriting(path, options.lockWaitMs) : PageFile::openPath(path);
    if (!file)
        return file.error();
    return open(std::move(*file), options);
}

Result<std::unique_ptr<Database>> Database::openMemory(std::vector<uint8_t> bytes, const OpenOptions& options,
                                                       std::string name) {
    return open(PageFile::openMemory(std::move(bytes), std::move(name), options.write), options);
}

Result<std::unique_ptr<Database>> Database::open(std::shared_ptr<PageFile> file, const OpenOptions& options) {
    auto header = readHeader(*file);
    if (!header)
        return header.error();
    if (header->encryptionKey != 0)
        return file->error(ErrorKind::Unsupported, "数据库的页已加密，不支持读取加密的数据库", 0);
    // The password only guards opening; the pages are not encrypted with it
    // (docs/jet4-format.md §2).
    if (!header->password.empty()) {
        if (!options.password)
            return file->error(ErrorKind::Password, "数据库受密码保护");
        if (*options.password != header->password)
            return file->error(ErrorKind::Password, "数据库密码错误");
    }
    std::unique_ptr<Database> db(new Database());
    if (file->writable())
        db->writer_ = file;
    db->file_ = std::move(file);
    db->header_ = std::move(*header);
    auto cat = Catalog::load(db->file_);
    if (!cat)
        return cat.error();
    db->catalog_ = std::move(*cat);
    return db;
}

Result<std::shared_ptr<const TableDef>> Database::tableDef(const CatalogEntry& entry) const {
    return readTableDef(*file_, entry.tdefPage(), entry.name);
}

Result<std::shared_ptr<const Table>> Database::openTable(const CatalogEntry& entry) const {
    auto def = tableDef(entry);
    if (!def)
        return def.error();
    return Table::open(file_, *def);
}

Result<std::shared_ptr<const Table>> Database::openTable(std::u16string_view name) const {
    const CatalogEntry* e = catalog_.findTable(name);
    if (!e)
        return makeError(ErrorKind::NotFound, "没有名为“" + toUtf8(std::u16string(name)) + "”的表",
                         file_->name());
    return openTable(*e);
}

} // namespace jet

namespace jet {

Status Database::begin() {
    if (!writer_)
        return file_->error(ErrorKind::ReadOnly, "数据库以只读方式打开，不能修改");
    if (inTransaction_)
        return file_->error(ErrorKind::Invalid, "已经在一个事务中");
    JET_TRY(writer_->begin());
    inTransaction_ = true;
    return okStatus();
}

Status Database::commit() {
    if (!inTransaction_)
        return file_->error(ErrorKind::Invalid, "没有进行中的事务");
    inTransaction_ = false;
    return writer_->commit();
}

void Database::rollback() {
    if (!inTransaction_)
        return;
    inTransaction_ = false;
    writer_->rollback();
}

Result<Database::Savepoint> Database::savepoint() const {
    if (!inTransaction_)
        return file_->error(ErrorKind::Invalid, "没有进行中的事务");
    return Savepoint{writer_->snapshot()};
}

void Database::rollbackTo(const Savepoint& point) {
    if (inTransaction_)
        writer_->restore(point.pages);
}

template <class F>
auto Database::write(std::u16string_view table, F&& f) -> decltype(f(std::declval<TableWriter&>())) {
    if (!writer_)
        return file_->error(ErrorKind::ReadOnly, "数据库以只读方式打开，不能修改");
    const CatalogEntry* e = catalog_.findTable(table);
    if (!e)
        return makeError(ErrorKind::NotFound, "没有名为“" + toUtf8(std::u16string(table)) + "”的表",
                         file_->name());
    auto def = tableDef(*e);
    if (!def)
        return def.error();
    TableWriter w(*writer_, *def);
    JET_TRY(w.checkWritable());
    const bool own = !inTransaction_;
    if (own)
        JET_TRY(writer_->begin());
    writer_->markOperation();
    auto result = f(w);
    if (!result.ok()) {
        writer_->undoOperation();
        if (own)
            writer_->rollback();
        return result;
    }
    if (own)
        JET_TRY(writer_->commit());
    return result;
}

Result<RowId> Database::insertRow(std::u16string_view table, const std::vector<Value>& values) {
    return write(table, [&](TableWriter& w) { return w.insert(values); });
}

Status Database::updateRow(std::u16string_view table, RowId row, const std::vector<ColumnChange>& changes) {
    return write(table, [&](TableWriter& w) { return w.update(row, changes); });
}

Status Database::deleteRow(std::u16string_view table, RowId row) {
    return write(table, [&](TableWriter& w) { return w.remove(row); });
}

Result<RowId> Database::rowAt(std::u16string_view table, uint64_t position) const {
    auto t = openTable(table);
    if (!t)
        return t.error();
    auto cursor = (*t)->cursor();
    for (uint64_t i = 0;; ++i) {
        auto more = cursor.next();
        if (!more)
            return more.error();
        if (!*more)
            return makeError(ErrorKind::NotFound,
                             "表“" + toUtf8(std::u16string(table)) + "”中没有第 " + std::to_string(position) +
                                 " 行（共 " + std::to_string(i) + " 行，从 0 数起）",
                             file_->name());
        if (i == position)
            return cursor.rowId();
    }
}

} // namespace jet
