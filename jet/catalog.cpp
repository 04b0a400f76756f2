#include "jet/catalog.h"

namespace jet {

Result<Catalog> Catalog::load(std::shared_ptr<const PageFile> file) {
    auto def = readTableDef(*file, kCatalogTdefPage, u"MSysObjects");
    if (!def) {
        Error e = def.error();
        e.message = "无法读取系统目录（MSysObjects）：" + e.message;
        return e;
    }
    const int colId = (*def)->findColumn(u"Id"), colParent = (*def)->findColumn(u"ParentId"),
              colName = (*def)->findColumn(u"Name"), colType = (*def)->findColumn(u"Type"),
              colFlags = (*def)->findColumn(u"Flags");
    if (colId < 0 || colParent < 0 || colName < 0 || colType < 0 || colFlags < 0)
        return file->corrupt("系统目录（MSysObjects）缺少必需的列", kCatalogTdefPage);
    auto table = Table::open(file, *def);
    if (!table)
        return table.error();

    Catalog cat;
    cat.table_ = *table;
    TableCursor cur = cat.table_->cursor();
    for (;;) {
        auto more = cur.next();
        if (!more)
            return more.error();
        if (!*more)
            break;
        CatalogEntry e;
        e.row = cur.rowId();
        // Each column checked for its type, so that damage cannot make a name out of a number.
        auto get = [&](int col) { return cur.value(size_t(col)); };
        auto id = get(colId), parent = get(colParent), name = get(colName), type = get(colType),
             flags = get(colFlags);
        for (auto* r : {&id, &parent, &name, &type, &flags})
            if (!*r)
                return r->error();
        if (auto* v = std::get_if<int32_t>(&*id))
            e.id = *v;
        if (auto* v = std::get_if<int32_t>(&*parent))
            e.parentId = *v;
        if (auto* v = std::get_if<std::u16string>(&*name))
            e.name = std::move(*v);
        if (auto* v = std::get_if<int16_t>(&*type))
            e.type = *v;
        if (auto* v = std::get_if<int32_t>(&*flags))
            e.flags = uint32_t(*v);
        cat.entries_.push_back(std::move(e));
    }
    return cat;
}

std::vector<const CatalogEntry*> Catalog::tables(bool includeSystem) const {
    std::vector<const CatalogEntry*> out;
    for (const auto& e : entries_)
        if (e.isTable() && (includeSystem || !e.isSystem()))
            out.push_back(&e);
    return out;
}

const CatalogEntry* Catalog::findTable(std::u16string_view name) const {
    for (const auto& e : entries_)
        if (e.isTable() && e.name == name)
            return &e;
    for (const auto& e : entries_)
        if (e.isTable() && sameName(e.name, name))
            return &e;
    return nullptr;
}

} // namespace jet
