#include "store/compact.h"

#include "jet/atomic_file.h"
#include "jet/catalog.h"
#include "jet/check.h"
#include "jet/codec.h"
#include "jet/create.h"
#include "jet/database.h"
#include "jet/datetext.h"
#include "platform/file.h"
#include "store/file_bytes.h"


namespace store {

namespace {

std::string quoted(const std::u16string& name) {
    return "“" + jet::toUtf8(name) + "”";
}

jet::Error refused(const std::string& why, const std::string& dbPath) {
    return jet::makeError(jet::ErrorKind::Unsupported, "不能压缩：" + why + "；文件未改动", dbPath);
}

// The system tables a new file has; rows in any other one belong to Access (forms, reports...).
bool madeByEngine(const std::u16string& name) {
    for (const char16_t* n : {u"MSysObjects", u"MSysACEs", u"MSysQueries", u"MSysRelationships"})
        if (jet::sameName(name, n))
            return true;
    return false;
}

// The column as the creation code takes it.
jet::ColumnSpec specOf(const jet::ColumnDef& c) {
    jet::ColumnSpec s;
    s.name = c.name;
    s.type = c.type;
    if (c.type == jet::ColumnType::Text)
        s.length = uint16_t(c.size / 2);
    else if (c.type == jet::ColumnType::Binary)
        s.length = c.size;
    s.nullable = c.isNullable();
    s.compressedUnicode = c.isCompressedUnicode();
    s.precision = c.precision;
    s.scale = c.scale;
    return s;
}

// Whether the rebuilt column is the original one in everything a reader sees.
bool sameColumn(const jet::ColumnDef& a, const jet::ColumnDef& b) {
    return a.name == b.name && a.type == b.type && a.size == b.size && a.flags == b.flags &&
           a.extFlags == b.extFlags && a.precision == b.precision && a.scale == b.scale &&
           ((a.type != jet::ColumnType::Text && a.type != jet::ColumnType::Memo) ||
            (a.sortOrder == b.sortOrder && a.sortOrderVersion == b.sortOrderVersion));
}

struct Source {
    const jet::CatalogEntry* entry;
    std::shared_ptr<const jet::Table> table;
    std::vector<jet::RowId> rows;
};

// The user tables to rebuild, or why the file cannot be rebuilt.
jet::Result<std::vector<Source>> examine(const jet::Database& db, const std::string& dbPath) {
    std::vector<Source> tables;
    for (const jet::CatalogEntry& e : db.catalog().entries()) {
        switch (e.type) {
        case jet::kObjectQuery:
            return refused("文件中有查询" + quoted(e.name), dbPath);
        case jet::kObjectLinkedOdbc:
        case jet::kObjectLinkedTable:
            return refused("文件中有链接表" + quoted(e.name), dbPath);
        case jet::kObjectRelationship:
            return refused("文件中有表间关系" + quoted(e.name), dbPath);
        case jet::kObjectContainer:
        case jet::kObjectDatabase:
            continue;
        case jet::kObjectTable:
            break;
        default:
            return refused("文件中有 Access 保存的对象" + quoted(e.name) +
                               "（窗体、报表、模块、数据库属性等），引擎不能重建",
                           dbPath);
        }
        auto table = db.openTable(e);
        if (!table)
            return table.error();
        auto rows = (*table)->rowIds();
        if (!rows)
            return rows.error();
        if (e.isSystem()) {
            if (rows->empty() || jet::sameName(e.name, u"MSysObjects") || jet::sameName(e.name, u"MSysACEs"))
                continue;
            if (jet::sameName(e.name, u"MSysQueries"))
                return refused("文件中有查询", dbPath);
            if (jet::sameName(e.name, u"MSysRelationships"))
                return refused("文件中有表间关系", dbPath);
            if (!madeByEngine(e.name))
                return refused("系统表" + quoted(e.name) +
                                   "中有 Access 的内容（窗体、报表、模块等），引擎不能重建",
                               dbPath);
            continue;
        }
        const jet::TableDef& def = (*table)->def();
        if (def.realIndexCount != 0 || def.logicalIndexCount != 0)
            return refused("表" + quoted(e.name) + "有索引或主键，引擎不能重建", dbPath);
        tables.push_back({&e, *table, std::move(*rows)});
    }
    return tables;
}

std::function<void(std::vector<uint8_t>&)>& rebuiltFileHook() {
    static std::function<void(std::vector<uint8_t>&)> hook;
    return hook;
}

} // namespace

void setCompactRebuiltFileHook(std::function<void(std::vector<uint8_t>& image)> hook) {
    rebuiltFileHook() = std::move(hook);
}

jet::Result<CompactOutcome> compactDatabase(const std::string& dbPath, Moment now,
                                            const BackupOptions& options) {
    jet::OpenOptions open;
    open.write = true; // the lock, until the new file is in place
    open.password = options.password;
    auto opened = jet::Database::open(dbPath, open);
    if (!opened) {
        if (opened.error().kind == jet::ErrorKind::Locked)
            return jet::makeError(jet::ErrorKind::Locked,
                                  "数据库正被另一个程序修改，没有压缩。请先退出 Ledrimo，再压缩", dbPath);
        return opened.error();
    }
    jet::Database& db = **opened;
    if (auto st = db.pageFile().excludeUsers(); !st) {
        if (st.error().kind == jet::ErrorKind::Locked)
            return jet::makeError(jet::ErrorKind::Locked,
                                  "Ledrimo 正打开着这个数据库，没有压缩。请先退出 Ledrimo，再压缩", dbPath);
        return st.error();
    }
    if (!db.header().password.empty())
        return refused("数据库设有密码，新文件不能带上它", dbPath);
    auto sources = examine(db, dbPath);
    if (!sources)
        return sources.error();

    // The new file: the tables made by the creation code, then filled by the writer in memory.
    std::vector<jet::TableSpec> specs;
    for (const Source& s : *sources) {
        jet::TableSpec spec;
        spec.name = s.entry->name;
        for (const jet::ColumnDef& c : s.table->def().columns)
            spec.columns.push_back(specOf(c));
        specs.push_back(std::move(spec));
    }
    jet::CreateOptions create;
    create.objectDate =
        jet::makeDate({now.day.year, now.day.month, now.day.day, now.hour, now.minute, now.second})
            .value_or(jet::accessDateNow());
    create.codePage = db.header().codePage;
    create.sortOrder = db.header().sortOrder;
    auto fresh = jet::createDatabase(create, specs);
    if (!fresh)
        return refused(fresh.error().message, dbPath);
    jet::OpenOptions inMemory;
    inMemory.write = true;
    auto rebuilt = jet::Database::openMemory(std::move(*fresh), inMemory, dbPath);
    if (!rebuilt)
        return rebuilt.error();
    jet::Database& out = **rebuilt;
    CompactOutcome outcome;
    JET_TRY(out.begin());
    std::vector<jet::Value> values;
    for (const Source& s : *sources) {
        const std::u16string& name = s.entry->name;
        auto made = out.openTable(name);
        if (!made)
            return made.error();
        const auto& was = s.table->def().columns;
        const auto& made_ = (*made)->def().columns;
        for (size_t i = 0; i < was.size(); ++i)
            if (i >= made_.size() || !sameColumn(was[i], made_[i]))
                return refused("表" + quoted(name) + "的列" + quoted(was[i].name) + "（" +
                                   jet::columnTypeName(was[i].type) + "）引擎不能按原样重建",
                               dbPath);
        for (const jet::RowId id : s.rows) {
            JET_TRY(s.table->readRow(id, values));
            auto inserted = out.insertRow(name, values);
            if (!inserted)
                return refused("表" + quoted(name) + "的一行不能写入新文件：" + inserted.error().message,
                               dbPath);
        }
        outcome.rows += s.rows.size();
    }
    JET_TRY(out.commit());
    outcome.tables = sources->size();
    const std::vector<uint8_t>* built = &out.pageFile().memoryImage();
    std::vector<uint8_t> altered;
    if (rebuiltFileHook()) {
        altered = *built;
        rebuiltFileHook()(altered);
        built = &altered;
    }
    const std::vector<uint8_t>& image = *built;

    // Every row reads back equal, in the same order, and the file passes the check.
    {
        auto again = jet::Database::openMemory(image, {}, dbPath);
        if (!again)
            return again.error();
        std::vector<jet::Value> copy;
        for (const Source& s : *sources) {
            auto table = (*again)->openTable(s.entry->name);
            if (!table)
                return table.error();
            auto rows = (*table)->rowIds();
            if (!rows)
                return rows.error();
            bool same = rows->size() == s.rows.size();
            for (size_t r = 0; same && r < rows->size(); ++r) {
                JET_TRY(s.table->readRow(s.rows[r], values));
                JET_TRY((*table)->readRow((*rows)[r], copy));
                for (size_t c = 0; same && c < values.size(); ++c)
                    same = c < copy.size() && jet::sameValue(values[c], copy[c]);
            }
            if (!same)
                return jet::makeError(jet::ErrorKind::Corrupt,
                                      "重建的表" + quoted(s.entry->name) +
                                          "读回的行与原来的不同，没有压缩；文件未改动",
                                      dbPath);
        }
        jet::CheckOptions strict;
        strict.strictRowCounts = true;
        const jet::CheckReport report = jet::checkDatabase(**again, strict);
        if (!report.ok())
            return jet::makeError(jet::ErrorKind::Corrupt,
                                  "重建的文件未通过一致性检查，没有压缩；文件未改动：\n" + report.describe(),
                                  dbPath);
    }

    // The file as it was goes to the backup folder, then the new one takes its place.
    jet::PageFile& file = db.pageFile();
    jet::Bytes before(size_t(file.size()));
    auto got = file.readAt(0, before.data(), before.size());
    if (!got)
        return got.error();
    before.resize(*got);
    platform::FileInfo st;
    const unsigned mode = platform::pathInfo(dbPath, st) == 0 ? st.permissions & 0666 : 0600;
    JET_TRY(makeBackupFolder(backupFolder(dbPath, options), dbPath));
    auto kept = keepCopy(keptCopyBase(dbPath, "compact", now, options), before, mode);
    if (!kept)
        return kept.error();
    auto placed =
        jet::placeFileBytes(dbPath, jet::PlaceMode::Replace, jet::ByteView(image.data(), image.size()));
    if (!placed) {
        platform::removeFile(*kept); // the database is still the file it holds
        return placed.error();
    }
    outcome.keptAs = *kept;
    outcome.bytesBefore = before.size();
    outcome.bytesAfter = image.size();
    return outcome;
}

} // namespace store
