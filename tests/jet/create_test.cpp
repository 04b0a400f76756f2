// Creating databases, read back through the engine: the empty database against Jet's own Chinese
// blank, tables of every type with their rows, the system indexes decoded here independently of
// the builder (and their keys compared with keys Jet wrote into the samples), the limits and the
// errors, and writing the file.
#include "testutil.h"

#include "jet/create.h"
#include "jet/database.h"
#include "jet/indexbuild.h"
#include "jet/pagefile.h"
#include "jet/tdefbuild.h"
#include "jet/usagemap.h"
#include "platform/local_time.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace fs = std::filesystem;
using namespace testutil;
using jet::Bytes;
using jet::ColumnType;
using jet::RowId;
using jet::Value;

namespace {

constexpr int32_t kTablesContainer = 0x0F000001;

jet::CreateOptions options() {
    jet::CreateOptions o;
    o.objectDate = 45000.5; // 2023-03-15 12:00
    return o;
}

Bytes create(const std::vector<jet::TableSpec>& tables, const jet::CreateOptions& o = options()) {
    auto r = jet::createDatabase(o, tables);
    EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().describe());
    return r.ok() ? std::move(*r) : Bytes{};
}

std::unique_ptr<jet::Database> openImage(const Bytes& image) {
    auto db = jet::Database::openMemory(image);
    EXPECT_TRUE(db.ok()) << (db.ok() ? "" : db.error().describe());
    return db.ok() ? std::move(*db) : nullptr;
}

std::string createError(const std::vector<jet::TableSpec>& tables, const jet::CreateOptions& o = options()) {
    auto r = jet::createDatabase(o, tables);
    EXPECT_FALSE(r.ok());
    return r.ok() ? std::string() : r.error().message;
}

const uint8_t* pageOf(const Bytes& image, uint32_t page) {
    return image.data() + size_t(page) * jet::kPageSize;
}

// ---- index pages, decoded here without the builder's help ----------------------------------

struct LeafEntry {
    Bytes key; // without the row pointer
    RowId row;
};

// Entries of one index page: the bitmask from 0x1B marks where each entry ends; entries after the
// first omit the prefix they share with it.
std::vector<LeafEntry> pageEntries(const uint8_t* page, bool intermediate, std::vector<uint32_t>* children) {
    const size_t prefix = jet::le16(page + 0x18);
    std::vector<LeafEntry> out;
    Bytes first;
    size_t start = 0x1E0;
    for (size_t bit = 1; 0x1B + bit / 8 < 0x1E0; ++bit) {
        if (!(page[0x1B + bit / 8] & (1u << (bit % 8))))
            continue;
        const size_t end = 0x1E0 + bit;
        Bytes e(page + start, page + end);
        if (first.empty())
            first = e;
        else
            e.insert(e.begin(), first.begin(), first.begin() + std::ptrdiff_t(prefix));
        if (intermediate) {
            if (children)
                children->push_back(uint32_t(e[e.size() - 4]) << 24 | uint32_t(e[e.size() - 3]) << 16 |
                                    uint32_t(e[e.size() - 2]) << 8 | e[e.size() - 1]);
            e.resize(e.size() - 4);
        }
        LeafEntry le;
        le.row.page = uint32_t(e[e.size() - 4]) << 16 | uint32_t(e[e.size() - 3]) << 8 | e[e.size() - 2];
        le.row.row = e[e.size() - 1];
        le.key.assign(e.begin(), e.end() - 4);
        out.push_back(std::move(le));
        start = end;
    }
    return out;
}

// All leaf entries of the index whose root is `root`, following the leaves' next-page links.
std::vector<LeafEntry> indexEntries(const jet::PageFile& file, uint32_t root) {
    uint32_t p = root;
    for (int depth = 0; depth < 8; ++depth) {
        auto pg = file.page(p);
        if (!pg.ok())
            return {};
        if ((*pg)->bytes[0] == 0x04)
            break;
        std::vector<uint32_t> children;
        pageEntries((*pg)->bytes.data(), true, &children);
        if (children.empty())
            return {};
        p = children.front();
    }
    std::vector<LeafEntry> all;
    for (int guard = 0; p != 0 && guard < 10000; ++guard) {
        auto pg = file.page(p);
        if (!pg.ok() || (*pg)->bytes[0] != 0x04)
            return {};
        auto e = pageEntries((*pg)->bytes.data(), false, nullptr);
        all.insert(all.end(), e.begin(), e.end());
        p = jet::le32((*pg)->bytes.data() + 0x10);
    }
    return all;
}

int32_t longKey(const Bytes& key, size_t at) {
    EXPECT_EQ(key[at], 0x7F);
    const uint32_t v =
        uint32_t(key[at + 1]) << 24 | uint32_t(key[at + 2]) << 16 | uint32_t(key[at + 3]) << 8 | key[at + 4];
    return int32_t(v ^ 0x80000000u);
}

// Key of a name as Jet writes it, from the weights seen in the samples' index pages.
Bytes expectedNameKey(const std::string& name) {
    static const std::map<char, Bytes> weights = [] {
        std::map<char, Bytes> w;
        const uint8_t letters[26] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59,
                                     0x5B, 0x5C, 0x5E, 0x60, 0x62, 0x64, 0x66, 0x68, 0x69,
                                     0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
        for (int i = 0; i < 26; ++i) {
            w[char('a' + i)] = {letters[i]};
            w[char('A' + i)] = {letters[i]};
        }
        for (int i = 0; i < 10; ++i)
            w[char('0' + i)] = {uint8_t(0x36 + 2 * i)};
        w['_'] = {0x2B, 0x03};
        return w;
    }();
    Bytes k{0x7F};
    for (char c : name) {
        const Bytes& b = weights.at(c);
        k.insert(k.end(), b.begin(), b.end());
    }
    k.push_back(0x01);
    k.push_back(0x00);
    return k;
}

std::vector<jet::ColumnSpec> simpleColumns() {
    return {{u"id", ColumnType::Long}, {u"name", ColumnType::Text, 20}};
}

jet::TableSpec table(std::u16string name, std::vector<std::vector<Value>> rows = {}) {
    return {std::move(name), simpleColumns(), std::move(rows)};
}

// A table with a column of every type, with rows of ordinary, NULL and edge values.
jet::TableSpec everyType() {
    jet::TableSpec t;
    t.name = u"Every_Type";
    t.columns = {{u"是否", ColumnType::Boolean},
                 {u"Small", ColumnType::Byte},
                 {u"Int", ColumnType::Integer},
                 {u"Big", ColumnType::Long},
                 {u"Money", ColumnType::Currency},
                 {u"F", ColumnType::Single},
                 {u"D", ColumnType::Double},
                 {u"When", ColumnType::DateTime},
                 {u"Raw", ColumnType::Binary, 8},
                 {u"姓名", ColumnType::Text, 20},
                 {u"Guid", ColumnType::GUID},
                 {u"Num", ColumnType::Numeric, 0, true, false, 10, 2},
                 {u"Note", ColumnType::Memo},
                 {u"Blob", ColumnType::OLE},
                 {u"Packed", ColumnType::Text, 50, true, true}};
    jet::Guid g;
    for (int i = 0; i < 16; ++i)
        g.bytes[size_t(i)] = uint8_t(i * 17);
    jet::Decimal dec;
    dec.precision = 10;
    dec.scale = 2;
    dec.negative = true;
    dec.magnitude = {12345, 0, 0};
    t.rows = {
        {true, uint8_t(200), int16_t(-300), int32_t(70000), jet::Currency{-123456}, 1.5f, 3.25,
         jet::DateTime{45000.75}, Bytes{1, 0, 2}, std::u16string(u"张三 Zhang"), g, dec, jet::Null{},
         jet::Null{}, std::u16string(u"plain ASCII text")},
        std::vector<Value>(15, jet::Null{}),
        {false, uint8_t(0), int16_t(-32768), int32_t(INT32_MIN), jet::Currency{INT64_MAX}, -0.0f, -1e308,
         jet::DateTime{-1.25}, Bytes{}, std::u16string(), jet::Guid{}, jet::Decimal{false, 10, 2, {0, 0, 0}},
         jet::Null{}, jet::Null{}, std::u16string(u"混合 mixed 一")},
    };
    return t;
}

// Everything the reader takes from a definition, except a variable column's fixed offset (a
// leftover the writer does not keep).
void expectSameDefinition(const jet::TableDef& a, const jet::TableDef& b) {
    EXPECT_EQ(a.rowCount, b.rowCount);
    EXPECT_EQ(a.nextAutoNumber, b.nextAutoNumber);
    EXPECT_EQ(a.tableType, b.tableType);
    EXPECT_EQ(a.maxColumns, b.maxColumns);
    EXPECT_EQ(a.variableColumns, b.variableColumns);
    EXPECT_EQ(a.ownedPagesMap, b.ownedPagesMap);
    EXPECT_EQ(a.freeSpaceMap, b.freeSpaceMap);
    EXPECT_EQ(a.hasVariableColumns, b.hasVariableColumns);
    ASSERT_EQ(a.columns.size(), b.columns.size());
    for (size_t i = 0; i < a.columns.size(); ++i) {
        const auto &x = a.columns[i], &y = b.columns[i];
        SCOPED_TRACE(jet::toUtf8(y.name));
        EXPECT_TRUE(x.name == y.name && x.type == y.type && x.number == y.number &&
                    x.varIndex == y.varIndex && x.size == y.size && x.flags == y.flags &&
                    x.extFlags == y.extFlags && x.sortOrder == y.sortOrder &&
                    x.sortOrderVersion == y.sortOrderVersion && x.precision == y.precision &&
                    x.scale == y.scale);
        EXPECT_EQ(x.descriptorOffset, y.descriptorOffset) << "descriptor order";
        EXPECT_EQ(x.longValueOwnedMap, y.longValueOwnedMap);
        EXPECT_EQ(x.longValueFreeMap, y.longValueFreeMap);
        if (!y.isVariable()) {
            EXPECT_EQ(x.fixedOffset, y.fixedOffset);
        }
    }
    ASSERT_EQ(a.realIndexes.size(), b.realIndexes.size());
    for (size_t i = 0; i < a.realIndexes.size(); ++i) {
        const auto &x = a.realIndexes[i], &y = b.realIndexes[i];
        ASSERT_EQ(x.columns.size(), y.columns.size());
        for (size_t k = 0; k < x.columns.size(); ++k)
            EXPECT_TRUE(x.columns[k].number == y.columns[k].number &&
                        x.columns[k].ascending == y.columns[k].ascending);
        EXPECT_TRUE(x.rowCount == y.rowCount && x.usageMap == y.usageMap && x.firstPage == y.firstPage &&
                    x.flags == y.flags)
            << "index " << i;
    }
    ASSERT_EQ(a.logicalIndexes.size(), b.logicalIndexes.size());
    for (size_t i = 0; i < a.logicalIndexes.size(); ++i) {
        const auto &x = a.logicalIndexes[i], &y = b.logicalIndexes[i];
        EXPECT_TRUE(x.name == y.name && x.number == y.number && x.realIndex == y.realIndex &&
                    x.type == y.type && x.relatedTablePage == y.relatedTablePage)
            << "logical index " << i;
    }
}
} // namespace

// ---- the empty database -------------------------------------------------------------------------

// With no user tables and the blank's dates, every page but the four table definitions is Jet's
// own byte for byte; the definitions differ only in leftover bytes, so they read back the same.
TEST(CreateDatabase, EmptyDatabaseIsJetsChineseBlank) {
    REQUIRE_SAMPLES();
    const auto blank = readBytes(samplePath("zblog_blank_zh-CN.mdb"));
    jet::CreateOptions o;
    o.objectDate = jet::creationHeaderDate();
    const Bytes ours = create({}, o);
    ASSERT_EQ(ours.size(), blank.size());
    for (uint32_t p = 0; p < ours.size() / jet::kPageSize; ++p) {
        if (p >= 2 && p <= 5)
            continue;
        EXPECT_TRUE(
            std::equal(pageOf(ours, p), pageOf(ours, p) + jet::kPageSize, blank.data() + p * jet::kPageSize))
            << "page " << p;
    }
    auto a = jet::PageFile::openMemory(ours, "ours");
    auto b = jet::PageFile::openMemory(blank, "blank");
    for (uint32_t p = 2; p <= 5; ++p) {
        auto x = jet::readTableDef(*a, p);
        auto y = jet::readTableDef(*b, p);
        ASSERT_TRUE(x.ok() && y.ok());
        EXPECT_EQ((*x)->definitionLength, (*y)->definitionLength);
        expectSameDefinition(**x, **y);
    }
}

TEST(CreateDatabase, HeaderDescribesAChineseJet4Database) {
    const Bytes image = create({table(u"t")});
    auto db = openImage(image);
    ASSERT_TRUE(db);
    const auto& h = db->header();
    EXPECT_EQ(h.version, jet::kVersionJet4);
    EXPECT_EQ(h.codePage, 936);
    EXPECT_EQ(h.sortOrder, 2052);
    EXPECT_EQ(h.sortOrderVersion, 0);
    EXPECT_EQ(h.encryptionKey, 0u);
    EXPECT_TRUE(h.password.empty());
    EXPECT_EQ(h.creationDate, jet::creationHeaderDate());
    EXPECT_NEAR(h.creationDate, 41138.1087, 1e-4); // 2012-08-18 02:36
    EXPECT_EQ(image.size() % jet::kPageSize, 0u);
}

// ---- tables read back --------------------------------------------------------------------------

TEST(CreateDatabase, CatalogHasTheSystemObjectsAndOneRowPerTable) {
    const Bytes image = create({table(u"data"), table(u"admin")});
    auto db = openImage(image);
    ASSERT_TRUE(db);
    struct Want {
        std::u16string name;
        int32_t id, parent;
        int16_t type;
        uint32_t flags;
    };
    const std::vector<Want> want = {
        {u"Tables", 0x0F000001, 0x0F000000, 3, 0x80000000u},
        {u"Databases", 0x0F000002, 0x0F000000, 3, 0x80000000u},
        {u"Relationships", 0x0F000003, 0x0F000000, 3, 0x80000000u},
        {u"MSysDb", 0x10000000, 0x0F000002, 2, 0x80000000u},
        {u"MSysObjects", 2, kTablesContainer, 1, 0x80000000u},
        {u"MSysACEs", 3, kTablesContainer, 1, 0x80000000u},
        {u"MSysQueries", 4, kTablesContainer, 1, 0x80000000u},
        {u"MSysRelationships", 5, kTablesContainer, 1, 0x80000000u},
        {u"data", 16, kTablesContainer, 1, 0},
        {u"admin", 18, kTablesContainer, 1, 0},
    };
    const auto& entries = db->catalog().entries();
    ASSERT_EQ(entries.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(entries[i].name, want[i].name);
        EXPECT_EQ(entries[i].id, want[i].id) << i;
        EXPECT_EQ(entries[i].parentId, want[i].parent) << i;
        EXPECT_EQ(entries[i].type, want[i].type) << i;
        EXPECT_EQ(entries[i].flags, want[i].flags) << i;
    }
    const auto user = db->catalog().tables(false);
    ASSERT_EQ(user.size(), 2u);
    EXPECT_EQ(user[0]->name, u"data");
    EXPECT_EQ(user[1]->name, u"admin");
    EXPECT_EQ(db->catalog().tables(true).size(), 6u);

    // The system's objects date from the database's creation, user tables from the object date;
    // owners and permissions as Jet gives a new table.
    auto objects = db->openTable(u"MSysObjects");
    ASSERT_TRUE(objects.ok());
    auto ids = (*objects)->rowIds();
    ASSERT_TRUE(ids.ok());
    auto msysDb = (*objects)->readRow((*ids)[3]);
    ASSERT_TRUE(msysDb.ok());
    EXPECT_EQ(std::get<jet::DateTime>((*msysDb)[4]).days, jet::creationHeaderDate());
    EXPECT_EQ(std::get<jet::DateTime>((*msysDb)[5]).days, jet::creationHeaderDate());
    auto row = (*objects)->readRow(ids->back());
    ASSERT_TRUE(row.ok());
    EXPECT_EQ(std::get<jet::DateTime>((*row)[4]).days, 45000.5);
    EXPECT_EQ(std::get<jet::DateTime>((*row)[5]).days, 45000.5);
    EXPECT_EQ(std::get<Bytes>((*row)[6]), (Bytes{0x9A, 0x98}));
    for (size_t k = 8; k < row->size(); ++k)
        EXPECT_TRUE(jet::isNull((*row)[k])) << k;

    auto aces = db->openTable(u"MSysACEs");
    ASSERT_TRUE(aces.ok());
    auto aceIds = (*aces)->rowIds();
    ASSERT_TRUE(aceIds.ok());
    ASSERT_EQ(aceIds->size(), 16u + 2 * 2);
    std::vector<std::vector<Value>> forAdmin;
    for (const auto& id : *aceIds) {
        auto r = (*aces)->readRow(id);
        ASSERT_TRUE(r.ok());
        if (std::get<int32_t>((*r)[0]) == 18)
            forAdmin.push_back(*r);
    }
    ASSERT_EQ(forAdmin.size(), 2u);
    EXPECT_EQ(std::get<Bytes>(forAdmin[0][1]), (Bytes{0x9A, 0x98}));
    EXPECT_EQ(std::get<int32_t>(forAdmin[0][2]), 0x000F00FE);
    EXPECT_EQ(std::get<Bytes>(forAdmin[1][1]), (Bytes{0x9B, 0x98}));
    EXPECT_EQ(std::get<int32_t>(forAdmin[1][2]), 0x000FFEFF);
    EXPECT_EQ(std::get<bool>(forAdmin[1][3]), false);
}

TEST(CreateDatabase, ColumnsComeOutExactlyAsAsked) {
    const auto spec = everyType();
    const Bytes image = create({spec});
    auto db = openImage(image);
    ASSERT_TRUE(db);
    auto t = db->openTable(u"Every_Type");
    ASSERT_TRUE(t.ok());
    const auto& def = (*t)->def();
    EXPECT_EQ(def.tableType, 0x4E);
    EXPECT_EQ(def.rowCount, 3u);
    EXPECT_TRUE(def.realIndexes.empty());
    EXPECT_TRUE(def.logicalIndexes.empty());
    ASSERT_EQ(def.columns.size(), spec.columns.size());
    const uint16_t sizes[] = {1, 1, 2, 4, 8, 4, 8, 8, 8, 40, 16, 17, 0, 0, 100};
    for (size_t i = 0; i < def.columns.size(); ++i) {
        const auto& c = def.columns[i];
        SCOPED_TRACE(jet::toUtf8(c.name));
        EXPECT_EQ(c.name, spec.columns[i].name);
        EXPECT_EQ(c.type, spec.columns[i].type);
        EXPECT_EQ(c.number, i);
        EXPECT_EQ(c.size, sizes[i]);
        EXPECT_TRUE(c.isNullable());
        EXPECT_FALSE(c.isAutoNumber());
        const bool text = c.type == ColumnType::Text || c.type == ColumnType::Memo;
        EXPECT_EQ(c.sortOrder, text ? 2052 : 0);
        EXPECT_EQ(c.isCompressedUnicode(), c.name == u"Packed");
        if (c.isLongValue()) {
            EXPECT_FALSE(c.longValueOwnedMap.isNull());
            EXPECT_FALSE(c.longValueFreeMap.isNull());
        }
    }
    EXPECT_EQ(def.columns[11].precision, 10);
    EXPECT_EQ(def.columns[11].scale, 2);

    auto ids = (*t)->rowIds();
    ASSERT_TRUE(ids.ok());
    ASSERT_EQ(ids->size(), spec.rows.size());
    for (size_t r = 0; r < ids->size(); ++r) {
        auto row = (*t)->readRow((*ids)[r]);
        ASSERT_TRUE(row.ok());
        for (size_t k = 0; k < row->size(); ++k) {
            Value want = spec.rows[r][k];
            if (k == 0 && jet::isNull(want))
                want = false; // a Yes/No column has no NULL
            EXPECT_TRUE(jet::sameValue((*row)[k], want)) << "row " << r << " column " << k;
        }
    }
}

TEST(CreateDatabase, RequiredColumnsLoseTheNullableFlagAndRefuseNull) {
    jet::TableSpec t{u"t", {{u"id", ColumnType::Long, 0, false}, {u"name", ColumnType::Text, 5, false}}, {}};
    t.rows = {{int32_t(1), std::u16string(u"x")}};
    auto db = openImage(create({t}));
    ASSERT_TRUE(db);
    auto def = db->openTable(u"t");
    ASSERT_TRUE(def.ok());
    EXPECT_FALSE((*def)->def().columns[0].isNullable());
    EXPECT_FALSE((*def)->def().columns[1].isNullable());
    t.rows = {{int32_t(1), jet::Null{}}};
    EXPECT_NE(createError({t}).find("不能为空"), std::string::npos);
}

TEST(CreateDatabase, ManyRowsFillSeveralDataPagesInOrder) {
    jet::TableSpec t = table(u"log");
    for (int i = 0; i < 1500; ++i)
        t.rows.push_back({int32_t(i), std::u16string(u"第") + jet::fromUtf8(std::to_string(i)) + u"行"});
    const Bytes image = create({t});
    auto db = openImage(image);
    ASSERT_TRUE(db);
    auto table = db->openTable(u"log");
    ASSERT_TRUE(table.ok());
    EXPECT_GT((*table)->ownedPages().pages.size(), 5u);
    auto cursor = (*table)->cursor();
    std::vector<Value> values;
    int n = 0;
    for (;;) {
        auto more = cursor.next();
        ASSERT_TRUE(more.ok());
        if (!*more)
            break;
        ASSERT_TRUE(cursor.values(values).ok());
        EXPECT_EQ(std::get<int32_t>(values[0]), n);
        ++n;
    }
    EXPECT_EQ(n, 1500);
}

TEST(CreateDatabase, ManyTablesSpillCatalogRowsOntoAnotherPage) {
    std::vector<jet::TableSpec> tables;
    for (int i = 0; i < 30; ++i)
        tables.push_back(table(jet::fromUtf8("T" + std::to_string(i) + "_" + std::string(55, 'x'))));
    const Bytes image = create(tables);
    auto db = openImage(image);
    ASSERT_TRUE(db);
    EXPECT_EQ(db->catalog().tables(false).size(), 30u);
    auto objects = db->openTable(u"MSysObjects");
    ASSERT_TRUE(objects.ok());
    EXPECT_EQ((*objects)->ownedPages().pages.size(), 2u);
    EXPECT_EQ((*objects)->ownedPages().pages.front(), 14u);
    for (const auto& t : tables)
        EXPECT_TRUE(db->openTable(t.name).ok());
    // The name index still finds every row, wherever it went.
    const auto entries = indexEntries(*db->file(), (*objects)->def().realIndexes[0].firstPage);
    EXPECT_EQ(entries.size(), 38u);
}

TEST(CreateDatabase, SameInputGivesTheSameBytes) {
    EXPECT_EQ(create({everyType(), table(u"b")}), create({everyType(), table(u"b")}));
}

// ---- the system indexes ---------------------------------------------------------------------

TEST(CreateIndexes, CatalogIndexesHoldOneEntryPerRowInOrder) {
    const Bytes image = create({table(u"data"), table(u"admin"), table(u"Z9_x")});
    auto db = openImage(image);
    ASSERT_TRUE(db);
    auto objects = db->openTable(u"MSysObjects");
    ASSERT_TRUE(objects.ok());
    const auto& def = (*objects)->def();
    ASSERT_EQ(def.realIndexes.size(), 2u);
    auto rowIds = (*objects)->rowIds();
    ASSERT_TRUE(rowIds.ok());
    ASSERT_EQ(rowIds->size(), 11u);
    std::map<RowId, std::vector<Value>> rows;
    for (const auto& id : *rowIds)
        rows[id] = *(*objects)->readRow(id);

    for (size_t ix = 0; ix < 2; ++ix) {
        SCOPED_TRACE(ix);
        const auto entries = indexEntries(*db->file(), def.realIndexes[ix].firstPage);
        ASSERT_EQ(entries.size(), rows.size());
        EXPECT_EQ(def.realIndexes[ix].rowCount, rows.size());
        std::set<RowId> seen;
        for (size_t i = 0; i < entries.size(); ++i) {
            const auto& e = entries[i];
            ASSERT_TRUE(rows.count(e.row)) << "entry " << i << " points nowhere";
            seen.insert(e.row);
            const auto& row = rows[e.row];
            if (ix == 0) {
                EXPECT_EQ(longKey(e.key, 0), std::get<int32_t>(row[1]));
                const std::string name = jet::toUtf8(std::get<std::u16string>(row[2]));
                EXPECT_EQ(Bytes(e.key.begin() + 5, e.key.end()), expectedNameKey(name)) << name;
            } else {
                EXPECT_EQ(e.key.size(), 5u);
                EXPECT_EQ(longKey(e.key, 0), std::get<int32_t>(row[0]));
            }
            if (i > 0) {
                auto a = entries[i - 1].key, b = e.key;
                a.insert(a.end(),
                         {uint8_t(entries[i - 1].row.page >> 16), uint8_t(entries[i - 1].row.page >> 8),
                          uint8_t(entries[i - 1].row.page), entries[i - 1].row.row});
                b.insert(b.end(), {uint8_t(e.row.page >> 16), uint8_t(e.row.page >> 8), uint8_t(e.row.page),
                                   e.row.row});
                EXPECT_LT(a, b) << "entries " << i - 1 << " and " << i << " out of order";
            }
        }
        EXPECT_EQ(seen.size(), rows.size());
    }

    // Permissions: one entry per row, by object id; the counter holds the distinct ids.
    auto aces = db->openTable(u"MSysACEs");
    ASSERT_TRUE(aces.ok());
    const auto aceEntries = indexEntries(*db->file(), (*aces)->def().realIndexes[0].firstPage);
    auto aceIds = (*aces)->rowIds();
    ASSERT_EQ(aceEntries.size(), aceIds->size());
    std::set<int32_t> objectIds;
    for (size_t i = 0; i < aceEntries.size(); ++i) {
        auto r = (*aces)->readRow(aceEntries[i].row);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(longKey(aceEntries[i].key, 0), std::get<int32_t>((*r)[0]));
        objectIds.insert(std::get<int32_t>((*r)[0]));
        if (i > 0) {
            EXPECT_LE(longKey(aceEntries[i - 1].key, 0), longKey(aceEntries[i].key, 0));
        }
    }
    EXPECT_EQ((*aces)->def().realIndexes[0].rowCount, objectIds.size());

    // The other system tables' indexes are empty leaves.
    for (const char16_t* name : {u"MSysQueries", u"MSysRelationships"}) {
        auto t = db->openTable(name);
        ASSERT_TRUE(t.ok());
        for (const auto& ix : (*t)->def().realIndexes) {
            const uint8_t* page = pageOf(image, ix.firstPage);
            EXPECT_EQ(page[0], 0x04);
            EXPECT_EQ(jet::le16(page + 2), jet::kPageSize - 0x1E0);
            EXPECT_EQ(jet::le32(page + 4), (*t)->def().page);
            EXPECT_TRUE(indexEntries(*db->file(), ix.firstPage).empty());
        }
    }
}

// The keys of table names are those Jet wrote for the same names under sort order 2052.
TEST(CreateIndexes, NameKeysMatchJetsOwnUnderChineseSortOrder) {
    REQUIRE_SAMPLES();
    auto sample = jet::Database::open(samplePath("zblog_data_cp936_overflow.mdb"));
    ASSERT_TRUE(sample.ok());
    auto objects = (*sample)->openTable(u"MSysObjects");
    ASSERT_TRUE(objects.ok());
    std::map<std::u16string, Bytes> jetKeys;
    for (const auto& e : indexEntries(*(*sample)->file(), (*objects)->def().realIndexes[0].firstPage)) {
        auto row = (*objects)->readRow(e.row);
        ASSERT_TRUE(row.ok());
        jetKeys[std::get<std::u16string>((*row)[2])] = Bytes(e.key.begin() + 5, e.key.end());
    }
    std::vector<jet::TableSpec> tables;
    for (const auto& [name, key] : jetKeys)
        if (name.rfind(u"blog_", 0) == 0)
            tables.push_back(table(name));
    ASSERT_EQ(tables.size(), 11u);
    const Bytes image = create(tables);
    auto db = openImage(image);
    ASSERT_TRUE(db);
    auto ours = db->openTable(u"MSysObjects");
    ASSERT_TRUE(ours.ok());
    size_t compared = 0;
    for (const auto& e : indexEntries(*db->file(), (*ours)->def().realIndexes[0].firstPage)) {
        auto row = (*ours)->readRow(e.row);
        ASSERT_TRUE(row.ok());
        const auto name = std::get<std::u16string>((*row)[2]);
        ASSERT_TRUE(jetKeys.count(name)) << jet::toUtf8(name);
        EXPECT_EQ(Bytes(e.key.begin() + 5, e.key.end()), jetKeys[name]) << jet::toUtf8(name);
        ++compared;
    }
    EXPECT_EQ(compared, 8u + 11u);
}

// Digits, the underscore and both cases of every letter, against the keys of the text index in
// Jackcess's index-code sample (sort order 1033, whose weights for these characters are those of
// 2052 wherever both were seen).
TEST(CreateIndexes, TextKeysMatchJetsGeneralSortOrder) {
    REQUIRE_SAMPLES();
    auto db = jet::Database::open(samplePath("jackcess_testIndexCodes.mdb"));
    ASSERT_TRUE(db.ok());
    auto t = (*db)->openTable(u"Table1");
    ASSERT_TRUE(t.ok());
    const auto& def = (*t)->def();
    const jet::RealIndexDef* dataIndex = nullptr;
    for (const auto& ix : def.realIndexes)
        if (ix.columns.size() == 1 && ix.columns[0].number == 1)
            dataIndex = &ix;
    ASSERT_NE(dataIndex, nullptr);
    size_t compared = 0;
    std::set<char16_t> chars;
    for (const auto& e : indexEntries(*(*db)->file(), dataIndex->firstPage)) {
        auto v = (*t)->readValue(e.row, 1);
        ASSERT_TRUE(v.ok());
        const auto* text = std::get_if<std::u16string>(&*v);
        if (!text || text->empty() || jet::firstUnencodableKeyChar(*text) != 0)
            continue;
        auto key = jet::indexKeyText(*text, 1033);
        ASSERT_TRUE(key.ok());
        EXPECT_EQ(*key, e.key) << jet::toUtf8(*text);
        chars.insert(text->begin(), text->end());
        ++compared;
    }
    EXPECT_GT(compared, 60u);
    for (char16_t c : std::u16string(u"0123456789_AZaz"))
        EXPECT_TRUE(chars.count(c)) << "no sample key with " << char(c);
}

// ---- refusals -----------------------------------------------------------------------------

TEST(CreateDatabase, RefusesNamesItCannotWriteCorrectly) {
    struct Case {
        jet::TableSpec spec;
        const char* expect;
    };
    auto withColumns = [](std::vector<jet::ColumnSpec> c) { return jet::TableSpec{u"t", std::move(c), {}}; };
    const std::vector<Case> cases = {
        {table(u""), "表名的长度"},
        {table(std::u16string(65, u'a')), "表名的长度"},
        {table(u"数据"), "只能由英文字母、数字和下划线组成"},
        {table(u"a-b"), "含有字符“-”"},
        {table(u"a b"), "含有字符“ ”"},
        {table(u"MSysThing"), "MSys"},
        {withColumns({}), "列数"},
        {withColumns({{u"", ColumnType::Long}}), "列名长度"},
        {withColumns({{u" x", ColumnType::Long}}), "空格开头"},
        {withColumns({{u"a.b", ColumnType::Long}}), "不允许的字符"},
        {withColumns({{u"a[b]", ColumnType::Long}}), "不允许的字符"},
        {withColumns({{u"Id", ColumnType::Long}, {u"ID", ColumnType::Text, 5}}), "重复"},
        {withColumns({{u"t", ColumnType::Text, 0}}), "1 到 255 个字符"},
        {withColumns({{u"t", ColumnType::Text, 256}}), "1 到 255 个字符"},
        {withColumns({{u"b", ColumnType::Binary, 0}}), "1 到 255 字节"},
        {withColumns({{u"n", ColumnType::Numeric, 0, true, false, 29, 0}}), "精度"},
        {withColumns({{u"n", ColumnType::Numeric, 0, true, false, 5, 6}}), "精度"},
        {withColumns({{u"x", ColumnType(0x11)}}), "不支持的列类型"},
    };
    for (const auto& c : cases)
        EXPECT_NE(createError({c.spec}).find(c.expect), std::string::npos) << c.expect;
    EXPECT_NE(createError({table(u"a"), table(u"A")}).find("重复"), std::string::npos);
    EXPECT_NE(createError({table(u"msysobjects")}).find("MSys"), std::string::npos);
    std::vector<jet::ColumnSpec> many(256, {u"c", ColumnType::Long});
    EXPECT_NE(createError({{u"t", many, {}}}).find("列数"), std::string::npos);
}

TEST(CreateDatabase, RefusesValuesTheColumnsCannotHold) {
    auto with = [](std::vector<Value> row) { return table(u"t", {std::move(row)}); };
    EXPECT_NE(createError({with({int32_t(1)})}).find("有 1 个"), std::string::npos);
    EXPECT_NE(createError({with({std::u16string(u"1"), std::u16string(u"x")})}).find("列“id”"),
              std::string::npos);
    EXPECT_NE(createError({with({int32_t(1), std::u16string(21, u'x')})}).find("列“name”"),
              std::string::npos);
    jet::TableSpec memo{u"m", {{u"note", ColumnType::Memo}}, {{std::u16string(u"text")}}};
    EXPECT_NE(createError({memo}).find("备注和 OLE"), std::string::npos);
    jet::TableSpec yesNo{u"b", {{u"flag", ColumnType::Boolean}}, {{int32_t(1)}}};
    EXPECT_NE(createError({yesNo}).find("布尔值"), std::string::npos);
    // The message says where: table and row.
    const std::string where =
        createError({table(u"people", {{int32_t(1), std::u16string(u"a")}, {int32_t(2)}})});
    EXPECT_NE(where.find("表“people”第 2 行"), std::string::npos) << where;
}

TEST(CreateDatabase, RefusesWhatDoesNotFitItsLayout) {
    jet::CreateOptions o = options();
    o.sortOrder = 1036;
    auto r = jet::createDatabase(o, {table(u"t")});
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().kind, jet::ErrorKind::Unsupported);

    o = options();
    o.minimumPages = 513;
    EXPECT_NE(createError({table(u"t")}, o).find("512"), std::string::npos);

    // More names than one page of the name index holds.
    std::vector<jet::TableSpec> tables;
    for (int i = 0; i < 60; ++i)
        tables.push_back(table(jet::fromUtf8("T" + std::to_string(i) + "_" + std::string(60, 'x'))));
    EXPECT_NE(createError(tables).find("索引"), std::string::npos);

    // More rows than 512 pages hold.
    jet::TableSpec big{u"big", {{u"t", ColumnType::Text, 255}}, {}};
    for (int i = 0; i < 4000; ++i)
        big.rows.push_back({std::u16string(255, u'字')});
    EXPECT_NE(createError({big}).find("最多 512 页"), std::string::npos);
}

// ---- pages and maps ---------------------------------------------------------------------------

TEST(CreateDatabase, PaddingPagesAreZeroAndMarkedFree) {
    jet::CreateOptions o = options();
    o.minimumPages = 40;
    const Bytes image = create({table(u"admin", {{int32_t(1), std::u16string(u"tamsu")}})}, o);
    ASSERT_EQ(image.size(), 40u * jet::kPageSize);
    auto file = jet::PageFile::openMemory(image, "padded");
    auto global = jet::readUsageMap(*file, RowId{1, 0});
    ASSERT_TRUE(global.ok());
    EXPECT_EQ(global->firstPage, 0u);
    // Pages 0-15 are the system's, 16-18 the table's definition, maps and rows.
    std::vector<uint32_t> free;
    for (uint32_t p = 19; p < 40; ++p)
        free.push_back(p);
    EXPECT_EQ(global->pages, free);
    EXPECT_EQ(global->pagesBeyondEnd, 512u - 40u);
    for (uint32_t p = 19; p < 40; ++p)
        EXPECT_TRUE(std::all_of(pageOf(image, p), pageOf(image, p) + jet::kPageSize,
                                [](uint8_t b) { return b == 0; }));
    auto second = jet::readUsageMap(*file, RowId{1, 1});
    ASSERT_TRUE(second.ok());
    EXPECT_TRUE(second->pages.empty());

    // The table's own maps: its one data page owned and with free space.
    auto db = openImage(image);
    auto t = db->openTable(u"admin");
    ASSERT_TRUE(t.ok());
    EXPECT_EQ((*t)->ownedPages().pages, std::vector<uint32_t>{18});
    auto freeSpace = jet::readUsageMap(*file, (*t)->def().freeSpaceMap);
    ASSERT_TRUE(freeSpace.ok());
    EXPECT_EQ(freeSpace->pages, std::vector<uint32_t>{18});
    const uint8_t* data = pageOf(image, 18);
    EXPECT_EQ(data[0], 0x01);
    EXPECT_EQ(jet::le32(data + 4), 16u);
}

TEST(PageBuilders, DataPageAccountsForEveryByte) {
    jet::DataPageBuilder b(7);
    EXPECT_EQ(b.freeSpace(), 4096u - 14u);
    const Bytes row(100, 0xAB);
    size_t n = 0;
    while (b.fits(row.size())) {
        auto slot = b.add(jet::ByteView(row.data(), row.size()));
        ASSERT_TRUE(slot.ok());
        EXPECT_EQ(*slot, n);
        ++n;
    }
    EXPECT_EQ(n, (4096u - 14u) / 102u);
    EXPECT_EQ(b.freeSpace(), 4096u - 14u - n * 102u);
    EXPECT_FALSE(b.add(jet::ByteView(row.data(), row.size())).ok());
    auto file = jet::PageFile::openMemory(Bytes(b.page().begin(), b.page().end()), "page");
    auto page = file->page(0);
    ASSERT_TRUE(page.ok());
    auto dp = jet::DataPage::open(*file, *page);
    ASSERT_TRUE(dp.ok());
    EXPECT_EQ(dp->owner(), 7u);
    EXPECT_EQ(dp->freeSpace(), b.freeSpace());
    ASSERT_EQ(dp->rowCount(), n);
    for (uint16_t s = 0; s < n; ++s) {
        auto bytes = dp->rowBytes(*file, s);
        ASSERT_TRUE(bytes.ok());
        EXPECT_TRUE(std::equal(bytes->begin(), bytes->end(), row.begin(), row.end()));
    }
    // At most 255 slots, however small the rows.
    jet::DataPageBuilder tiny(1);
    const Bytes one{1};
    for (int i = 0; i < 255; ++i)
        ASSERT_TRUE(tiny.add(jet::ByteView(one.data(), 1)).ok());
    EXPECT_FALSE(tiny.fits(1));
}

TEST(PageBuilders, LeafPageRefusesWhatDoesNotFit) {
    std::vector<jet::IndexEntry> entries;
    for (int i = 0; i < 402; ++i) // 9 bytes each: 3618 bytes, two more than the page holds
        entries.push_back({jet::indexKeyLong(i), RowId{14, uint8_t(i)}});
    EXPECT_FALSE(jet::buildIndexLeafPage(2, entries).ok());
    entries.resize(401);
    auto page = jet::buildIndexLeafPage(2, entries);
    ASSERT_TRUE(page.ok());
    EXPECT_EQ(jet::le16(page->data() + 2), 4096u - 0x1E0 - 401u * 9u);
}

TEST(IndexKeys, LongKeysSortLikeTheNumbers) {
    const int32_t values[] = {INT32_MIN, -70000, -1, 0, 1, 2, 0x0F000000, INT32_MAX};
    for (size_t i = 1; i < std::size(values); ++i)
        EXPECT_LT(jet::indexKeyLong(values[i - 1]), jet::indexKeyLong(values[i]));
    EXPECT_EQ(jet::indexKeyLong(2), (Bytes{0x7F, 0x80, 0x00, 0x00, 0x02}));
    EXPECT_EQ(jet::indexKeyLong(-1), (Bytes{0x7F, 0x7F, 0xFF, 0xFF, 0xFF}));
}

TEST(IndexKeys, TextKeysIgnoreCaseAndRefuseOtherCharacters) {
    EXPECT_EQ(*jet::indexKeyText(u"Admin", 2052), *jet::indexKeyText(u"aDMIN", 2052));
    EXPECT_EQ(*jet::indexKeyText(u"data", 2052), expectedNameKey("data"));
    EXPECT_LT(*jet::indexKeyText(u"ab", 2052), *jet::indexKeyText(u"abc", 2052));
    EXPECT_LT(*jet::indexKeyText(u"a9", 2052), *jet::indexKeyText(u"aa", 2052));
    EXPECT_LT(*jet::indexKeyText(u"a_", 2052), *jet::indexKeyText(u"a0", 2052));
    EXPECT_FALSE(jet::indexKeyText(u"", 2052).ok());
    EXPECT_FALSE(jet::indexKeyText(u"a-b", 2052).ok());
    EXPECT_FALSE(jet::indexKeyText(u"数据", 2052).ok());
    EXPECT_FALSE(jet::indexKeyText(u"data", 1036).ok());
    EXPECT_EQ(jet::firstUnencodableKeyChar(u"ab-c d"), u'-');
    EXPECT_EQ(jet::firstUnencodableKeyChar(std::u16string(u"a\0b", 3)), u'\uFFFD');
    EXPECT_EQ(jet::firstUnencodableKeyChar(u"Ab_9"), 0);
}

// ---- writing the file ------------------------------------------------------------------------

class WriteNewFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ledrimo-create-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir_;
};

TEST_F(WriteNewFile, WritesTheBytesAndLeavesNothingElse) {
    const Bytes bytes = create({table(u"t")});
    const std::string path = (dir_ / "new.mdb").string();
    ASSERT_TRUE(jet::writeNewFile(path, bytes).ok());
    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_EQ(listing(), std::vector<std::string>{"new.mdb"});
}

TEST_F(WriteNewFile, NeverReplacesAFileOrDirectory) {
    const std::string path = (dir_ / "db").string();
    std::ofstream(path) << "keep me";
    auto r = jet::writeNewFile(path, Bytes(4096, 1));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().kind, jet::ErrorKind::Io);
    EXPECT_NE(r.error().message.find("已存在"), std::string::npos);
    EXPECT_EQ(readText(path), "keep me");
    fs::create_directory(dir_ / "sub");
    EXPECT_FALSE(jet::writeNewFile((dir_ / "sub").string(), Bytes(10, 1)).ok());
    EXPECT_EQ(listing(), (std::vector<std::string>{"db", "sub"}));
}

TEST_F(WriteNewFile, ReportsADirectoryThatIsNotThere) {
    const std::string path = (dir_ / "missing" / "db").string();
    auto r = jet::writeNewFile(path, Bytes(10, 1));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().kind, jet::ErrorKind::Io);
    EXPECT_EQ(r.error().file, path);
    EXPECT_FALSE(jet::writeNewFile("", Bytes(1, 1)).ok());
}

TEST(AccessDate, NowIsTheLocalTimeAsADayNumber) {
    const std::time_t t = std::time(nullptr);
    const double now = jet::accessDateNow();
    // 1970-01-01 is day 25569; the local time counted as seconds since then.
    const std::tm tm = platform::localTime(t);
    using namespace std::chrono;
    const auto day = sys_days(year(tm.tm_year + 1900) / (tm.tm_mon + 1) / tm.tm_mday).time_since_epoch();
    const double seconds = double(day.count()) * 86400.0 + tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
    EXPECT_NEAR(now, 25569.0 + seconds / 86400.0, 3.0 / 86400.0);
}

// ---- the definition encoder over every sample ------------------------------------------------

// Every single-page definition of every sample, re-encoded in its own descriptor order, reads back
// with the same columns, indexes and maps.
TEST(TableDefEncoder, SampleDefinitionsReadBackTheSame) {
    REQUIRE_SAMPLES();
    size_t checked = 0;
    for (const auto& name : jet4Samples()) {
        SCOPED_TRACE(name);
        Bytes bytes = readBytes(samplePath(name));
        jet::OpenOptions opt;
        opt.password = u"password";
        auto db = jet::Database::openMemory(bytes, opt);
        ASSERT_TRUE(db.ok());
        for (const auto& entry : (*db)->catalog().entries()) {
            if (!entry.isTable())
                continue;
            auto def = (*db)->tableDef(entry);
            ASSERT_TRUE(def.ok());
            const jet::TableDef& d = **def;
            if (d.pages.size() != 1)
                continue;
            jet::TableDefLayout layout;
            for (size_t i = 0; i < d.columns.size(); ++i)
                layout.descriptorOrder.push_back(i);
            std::sort(layout.descriptorOrder.begin(), layout.descriptorOrder.end(), [&](size_t a, size_t b) {
                return d.columns[a].descriptorOffset < d.columns[b].descriptorOffset;
            });
            auto page = jet::encodeTableDef(d, layout);
            ASSERT_TRUE(page.ok()) << jet::toUtf8(d.name) << ": " << page.error().message;
            Bytes patched = bytes;
            std::copy(page->begin(), page->end(),
                      patched.begin() + std::ptrdiff_t(size_t(d.page) * jet::kPageSize));
            auto file = jet::PageFile::openMemory(patched, name);
            auto again = jet::readTableDef(*file, d.page, d.name);
            ASSERT_TRUE(again.ok()) << jet::toUtf8(d.name);
            SCOPED_TRACE(jet::toUtf8(d.name));
            expectSameDefinition(**again, d);
            ++checked;
        }
    }
    EXPECT_GT(checked, 150u);
}
