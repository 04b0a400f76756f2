#include "jet/database.h"

namespace jet {

Result<std::unique_ptr<Database>> Database::open(const std::string& path, const OpenOptions& options) {
    auto file = PageFile::openPath(path);
    if (!file)
        return file.error();
    return open(std::move(*file), options);
}

Result<std::unique_ptr<Database>> Database::openMemory(std::vector<uint8_t> bytes, const OpenOptions& options,
                                                       std::string name) {
    return open(PageFile::openMemory(std::move(bytes), std::move(name)), options);
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
