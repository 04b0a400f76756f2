#include "jet/check.h"

#include "jet/allocate.h"
#include "jet/codec.h"
#include "jet/datapage.h"
#include "jet/pagewrite.h"
#include "jet/usagemap.h"

#include <algorithm>
#include <map>
#include <set>

namespace jet {

size_t CheckReport::errors() const {
    size_t n = 0;
    for (const auto& f : findings)
        n += f.severity == CheckFinding::Severity::Error;
    return n;
}

size_t CheckReport::warnings() const {
    return findings.size() - errors();
}

std::string CheckReport::describe() const {
    std::string out;
    for (const auto& f : findings) {
        out += f.severity == CheckFinding::Severity::Error ? "错误：" : "警告：";
        if (!f.table.empty())
            out += "表“" + toUtf8(f.table) + "”，";
        if (f.page >= 0)
            out += "第 " + std::to_string(f.page) + " 页：";
        out += f.message;
        out += '\n';
    }
    return out;
}

namespace {

using Severity = CheckFinding::Severity;

// What a page listed in a table's owned-pages map turns out to be: a data page of the table; a
// data page of another table, whose definition is where its header says (Jet reuses a page for
// another table now and then without clearing the old bit: this table's rows are not on it, so
// nothing is lost); or anything else (zeroed, another type, a data page naming no table), where
// the rows the map promises are lost to every reader.
enum class OwnedPage { OfTable, OfAnotherTable, Lost };

OwnedPage classifyOwned(const PageFile& file, const Page& page, uint32_t tdefPage) {
    if (page.type() != PageType::Data)
        return OwnedPage::Lost;
    const uint32_t owner = le32(page.bytes.data() + 4);
    if (owner == tdefPage)
        return OwnedPage::OfTable;
    if (owner == 0 || owner >= file.pageCount())
        return OwnedPage::Lost;
    auto def = file.page(owner);
    return def && (*def)->type() == PageType::TableDef ? OwnedPage::OfAnotherTable : OwnedPage::Lost;
}

std::string lostPageMessage(const Page& page) {
    const auto& b = page.bytes;
    std::string what;
    if (std::all_of(b.begin(), b.end(), [](uint8_t x) { return x == 0; }))
        what = "全为零";
    else if (page.type() != PageType::Data)
        what = "页类型为 " + std::to_string(unsigned(b[0]));
    else
        what = "页头指向的第 " + std::to_string(le32(b.data() + 4)) + " 页不是表定义";
    return "页用法图中的页不是这个表的数据页（" + what + "），其中的行读不到";
}

// A row counter that the pages cannot account for loses rows: fewer live rows than counted is
// an error. Access leaves the counter one too high or too low now and then (a row counted twice
// or not at all after a failed write); one off either way stays a warning, as do more rows than
// counted (nothing is missing then).
Severity rowCountSeverity(uint64_t live, uint64_t counted, bool strict) {
    if (strict || live + 1 < counted)
        return Severity::Error;
    return Severity::Warning;
}

std::string rowCountMessage(uint64_t live, uint64_t counted) {
    return "表定义中的行数计数为 " + std::to_string(counted) + "，实际有 " + std::to_string(live) + " 行" +
           (live + 1 < counted ? "（有行丢失）" : "");
}

class Checker {
public:
    Checker(const Database& db, const CheckOptions& options, CheckReport& report)
        : db_(db), file_(*db.file()), options_(options), report_(report) {}

    void run();

private:
    void add(Severity s, const std::u16string& table, int64_t page, std::string message) {
        report_.findings.push_back(CheckFinding{s, table, page, std::move(message)});
    }
    void claim(uint32_t page, const std::u16string& table, const std::string& what);
    void checkTable(const CatalogEntry& entry);
    bool checkDataPage(const std::u16string& table, const Page& page);
    void checkLongValueMaps(const TableDef& def);

    const Database& db_;
    const PageFile& file_;
    const CheckOptions& options_;
    CheckReport& report_;
    std::optional<UsageMap> global_;
    std::map<uint32_t, std::string> claimed_; // page -> who owns it
};

void Checker::claim(uint32_t page, const std::u16string& table, const std::string& what) {
    const std::string who = "表“" + toUtf8(table) + "”的" + what;
    auto [it, fresh] = claimed_.emplace(page, who);
    if (!fresh)
        add(Severity::Error, table, page, "该页同时属于" + it->second + "和" + who);
    if (global_ && global_->contains(page))
        add(Severity::Error, table, page, "该页属于" + who + "，全局用法图却把它标为空闲页");
}

bool Checker::checkDataPage(const std::u16string& table, const Page& page) {
    const uint16_t count = le16(page.bytes.data() + kDataRowCountOffset);
    if (count > kMaxRowsPerPage) {
        add(Severity::Error, table, page.number, "数据页的行数 " + std::to_string(count) + " 超出上限 255");
        return false;
    }
    if (auto st = checkRowArea(page); !st) {
        add(Severity::Error, table, page.number, "行偏移表无效：有的行超出页内的行区域或互相重叠");
        return false;
    }
    const size_t stored = le16(page.bytes.data() + 2), real = freeSpaceOf(page);
    if (stored != real)
        add(Severity::Error, table, page.number,
            "页头记录的空闲空间为 " + std::to_string(stored) + " 字节，实际为 " + std::to_string(real) +
                " 字节");
    return true;
}

void Checker::checkLongValueMaps(const TableDef& def) {
    for (const auto& c : def.columns) {
        if (!c.isLongValue() || c.longValueOwnedMap.isNull())
            continue;
        auto owned = readUsageMap(file_, c.longValueOwnedMap);
        if (!owned) {
            add(Severity::Error, def.name, owned.error().page,
                "列“" + toUtf8(c.name) + "”的长值页用法图无法读取：" + owned.error().message);
            continue;
        }
        for (uint32_t p : owned->pages) {
            claim(p, def.name, "列“" + toUtf8(c.name) + "”的长值页");
            auto pg = file_.page(p);
            if (!pg)
                continue;
            const Page& page = **pg;
            if (page.type() != PageType::Data || std::memcmp(page.bytes.data() + 4, "LVAL", 4) != 0) {
                // The values kept there are lost; a value that lives there fails to decode below.
                add(Severity::Error, def.name, p,
                    "列“" + toUtf8(c.name) + "”的长值页用法图中的页不是长值页");
                continue;
            }
            ++report_.pages;
            checkDataPage(def.name, page);
        }
        if (!c.longValueFreeMap.isNull()) {
            auto free = readUsageMap(file_, c.longValueFreeMap);
            if (!free)
                add(Severity::Error, def.name, free.error().page,
                    "列“" + toUtf8(c.name) + "”的长值空闲页用法图无法读取：" + free.error().message);
        }
    }
}

void Checker::checkTable(const CatalogEntry& entry) {
    const std::u16string& name = entry.name;
    auto defR = db_.tableDef(entry);
    if (!defR) {
        add(Severity::Error, name, defR.error().page, "表定义无法读取：" + defR.error().message);
        return;
    }
    const TableDef& def = **defR;
    ++report_.tables;
    for (uint32_t p : def.pages)
        claim(p, name, "定义页");

    auto owned = readUsageMap(file_, def.ownedPagesMap);
    if (!owned) {
        add(Severity::Error, name, owned.error().page, "页用法图无法读取：" + owned.error().message);
        return;
    }
    if (owned->pagesBeyondEnd)
        add(Severity::Error, name, def.ownedPagesMap.page, "页用法图指向文件末尾之外的页");
    auto free = readUsageMap(file_, def.freeSpaceMap);
    if (!free) {
        add(Severity::Error, name, free.error().page, "空闲空间用法图无法读取：" + free.error().message);
    } else {
        for (uint32_t p : free->pages)
            if (!owned->contains(p))
                add(Severity::Warning, name, p, "空闲空间用法图中的页不在表的页用法图中");
    }

    // Pages: header, offsets, and the slots' flags. Targets of moved rows are counted so that
    // each is reached by exactly one pointer.
    std::map<std::pair<uint32_t, uint8_t>, int> targets; // target slot -> pointers to it
    std::vector<std::pair<RowId, RowId>> pointers;       // pointer slot -> where it leads
    for (uint32_t p : owned->pages) {
        auto pg = file_.page(p);
        if (!pg) {
            add(Severity::Error, name, p, "页无法读取：" + pg.error().message);
            continue;
        }
        const Page& page = **pg;
        switch (classifyOwned(file_, page, def.page)) {
        case OwnedPage::OfTable:
            break;
        case OwnedPage::OfAnotherTable:
            add(Severity::Warning, name, p, "页用法图中的页已是另一个表的数据页（读取时跳过）");
            continue;
        case OwnedPage::Lost:
            add(Severity::Error, name, p, lostPageMessage(page));
            continue;
        }
        claim(p, name, "数据页");
        ++report_.pages;
        if (!checkDataPage(name, page))
            continue;
        auto dp = DataPage::open(file_, *pg);
        if (!dp)
            continue;
        for (uint16_t s = 0; s < dp->rowCount(); ++s) {
            const SlotState st = dp->state(s);
            if (st == SlotState::Target) {
                targets.emplace(std::make_pair(p, uint8_t(s)), 0);
            } else if (st == SlotState::Pointer) {
                auto bytes = dp->rowBytes(file_, s);
                if (!bytes || bytes->size() < 4) {
                    add(Severity::Error, name, p,
                        "第 " + std::to_string(s) + " 行是移动行的指针，但不足 4 字节");
                    continue;
                }
                pointers.emplace_back(RowId{p, uint8_t(s)}, readRowPointer(bytes->data()));
            }
        }
    }
    for (const auto& [from, to] : pointers) {
        auto it = targets.find({to.page, to.row});
        if (it == targets.end()) {
            add(Severity::Error, name, from.page,
                "第 " + std::to_string(from.row) + " 行的指针指向的不是本表移动后的行（第 " +
                    std::to_string(to.page) + " 页第 " + std::to_string(to.row) + " 行）");
            continue;
        }
        if (++it->second > 1)
            add(Severity::Error, name, to.page,
                "第 " + std::to_string(to.row) + " 行（移动后的行）被不止一个指针指向");
    }
    for (const auto& [at, n] : targets)
        if (n == 0)
            add(Severity::Error, name, at.first,
                "第 " + std::to_string(at.second) +
                    " 行标为移动后的行，但没有指针指向它（其他程序会把它读成多出的一行）");

    checkLongValueMaps(def);

    // Every row decodes; columns of types the engine does not know are left out.
    auto table = Table::open(db_.file(), *defR);
    if (!table)
        return;
    std::vector<size_t> known;
    for (size_t i = 0; i < def.columns.size(); ++i)
        if (isJet4ColumnType(uint8_t(def.columns[i].type)))
            known.push_back(i);
    const bool allKnown = known.size() == def.columns.size();
    uint64_t live = 0;
    auto cursor = (*table)->cursor();
    std::vector<Value> values;
    for (;;) {
        auto more = cursor.next();
        if (!more) {
            add(Severity::Error, name, more.error().page, "遍历表的行时出错：" + more.error().message);
            break;
        }
        if (!*more)
            break;
        ++live;
        ++report_.rows;
        const RowId id = cursor.rowId();
        auto undecodable = [&](const Error& e) {
            add(Severity::Error, name, id.page,
                "第 " + std::to_string(id.row) + " 行无法解码：" + e.describe());
        };
        if (allKnown) {
            if (auto st = cursor.values(values); !st)
                undecodable(st.error());
            continue;
        }
        for (size_t i : known) {
            if (auto v = cursor.value(i); !v) {
                undecodable(v.error());
                break;
            }
        }
    }
    if (live != def.rowCount)
        add(rowCountSeverity(live, def.rowCount, options_.strictRowCounts), name, def.page,
            rowCountMessage(live, def.rowCount));
}

// The catalog's own entry, also when the catalog lost the row that names itself.
CatalogEntry catalogTable() {
    CatalogEntry e;
    e.name = u"MSysObjects";
    e.id = int32_t(kCatalogTdefPage);
    e.type = kObjectTable;
    e.flags = kObjectFlagSystem;
    return e;
}

bool isCatalog(const CatalogEntry& e) {
    return e.isTable() && e.tdefPage() == kCatalogTdefPage;
}

CheckReport quickCheck(const Database& db, std::u16string_view tableName) {
    CheckReport report;
    const std::u16string name(tableName);
    auto error = [&](int64_t page, std::string message) {
        report.findings.push_back(CheckFinding{Severity::Error, name, page, std::move(message)});
    };
    const CatalogEntry* entry = db.catalog().findTable(tableName);
    const CatalogEntry catalog = catalogTable();
    if (!entry && tableName == catalog.name)
        entry = &catalog;
    if (!entry)
        return report;
    auto def = db.tableDef(*entry);
    if (!def) {
        error(def.error().page, "表定义无法读取：" + def.error().message);
        return report;
    }
    ++report.tables;
    const PageFile& file = *db.file();
    auto owned = readUsageMap(file, (*def)->ownedPagesMap);
    if (!owned) {
        error(owned.error().page, "页用法图无法读取：" + owned.error().message);
        return report;
    }
    if (owned->pagesBeyondEnd)
        error((*def)->ownedPagesMap.page, "页用法图指向文件末尾之外的页");
    for (uint32_t p : owned->pages) {
        auto pg = file.page(p);
        if (!pg) {
            error(p, "页无法读取：" + pg.error().message);
            continue;
        }
        ++report.pages;
        if (classifyOwned(file, **pg, (*def)->page) == OwnedPage::Lost)
            error(p, lostPageMessage(**pg));
    }
    auto table = Table::open(db.file(), *def);
    if (!table)
        return report;
    auto rows = (*table)->rowIds();
    if (!rows) {
        error(rows.error().page, "遍历表的行时出错：" + rows.error().message);
        return report;
    }
    report.rows = rows->size();
    if (rowCountSeverity(rows->size(), (*def)->rowCount, false) == Severity::Error)
        error((*def)->page, rowCountMessage(rows->size(), (*def)->rowCount));
    return report;
}

void Checker::run() {
    auto global = readUsageMap(file_, kGlobalUsageMap);
    if (!global)
        add(Severity::Error, {}, 1, "全局用法图无法读取：" + global.error().message);
    else
        global_ = std::move(*global);
    bool catalogChecked = false;
    for (const CatalogEntry& e : db_.catalog().entries()) {
        if (!e.isTable() || (!options_.systemTables && e.isSystem() && !isCatalog(e)))
            continue;
        catalogChecked = catalogChecked || isCatalog(e);
        checkTable(e);
    }
    // The catalog holds every table: its pages and rows are checked also when it lost the row
    // that names itself (a lost page of it loses tables).
    if (!catalogChecked)
        checkTable(catalogTable());
}

} // namespace

CheckReport checkTableQuickly(const Database& db, std::u16string_view table) {
    return quickCheck(db, table);
}

CheckReport checkDatabase(const Database& db, const CheckOptions& options) {
    CheckReport report;
    Checker(db, options, report).run();
    return report;
}

} // namespace jet
