// The engine's interfaces on the real sample files: header fields, catalog, table definitions,
// row identities and lazy reads, moved and deleted rows, usage-map kinds, long values, and the
// clean errors for Jet 3, password-protected and damaged files.
#include "testutil.h"

#include "jet/codec.h"
#include "jet/database.h"
#include "jet/longvalue.h"

#include <filesystem>
#include <set>

using namespace testutil;

namespace {

std::unique_ptr<jet::Database> open(const std::string& file, std::optional<std::u16string> password = {}) {
    jet::OpenOptions opt;
    opt.password = std::move(password);
    auto db = jet::Database::open(samplePath(file), opt);
    if (!db)
        ADD_FAILURE() << db.error().describe();
    return db ? std::move(*db) : nullptr;
}

std::shared_ptr<const jet::Table> table(const jet::Database& db, const std::u16string& name) {
    auto t = db.openTable(name);
    if (!t)
        ADD_FAILURE() << t.error().describe();
    return t ? *t : nullptr;
}

struct SlotCounts {
    int live = 0, moved = 0, deleted = 0, targets = 0;
};

// Walks the owned pages of every user table and counts slot states.
SlotCounts countSlots(const jet::Database& db) {
    SlotCounts n;
    for (const auto* e : db.catalog().tables(false)) {
        auto t = db.openTable(*e);
        if (!t)
            continue;
        for (uint32_t p : (*t)->ownedPages().pages) {
            auto dp = jet::DataPage::open(*db.file(), *db.file()->page(p));
            if (!dp || dp->owner() != (*t)->def().page)
                continue;
            for (uint16_t s = 0; s < dp->rowCount(); ++s) {
                switch (dp->state(s)) {
                case jet::SlotState::Row:
                    ++n.live;
                    break;
                case jet::SlotState::Pointer:
                    ++n.moved;
                    break;
                case jet::SlotState::Deleted:
                    ++n.deleted;
                    break;
                case jet::SlotState::Target:
                    ++n.targets;
                    break;
                }
            }
        }
    }
    return n;
}

} // namespace

TEST(Samples, HeaderFields) {
    REQUIRE_SAMPLES();
    for (const auto& f : jet4Samples()) {
        SCOPED_TRACE(f);
        auto db = open(f, u"password");
        ASSERT_TRUE(db);
        const auto& h = db->header();
        EXPECT_EQ(h.version, 1u);
        EXPECT_EQ(h.pageCount, std::filesystem::file_size(samplePath(f)) / 4096);
        EXPECT_EQ(h.encryptionKey, 0u);
        const bool chinese = f.rfind("zblog_blank", 0) == 0 || f == "zblog_data_cp936_overflow.mdb";
        EXPECT_EQ(h.codePage, chinese ? 936 : 1252);
        EXPECT_EQ(h.sortOrder, chinese ? 2052 : 1033);
        EXPECT_GT(h.creationDate, 36000); // all were made after 1998
        EXPECT_EQ(h.password, f == "mdbreader_V2000_with-password.mdb" ? u"password" : u"");
    }
}

TEST(Samples, BlankDatabaseCatalog) {
    REQUIRE_SAMPLES();
    // Made by the Jet engine alone: 8 catalog rows, four system tables on TDEF pages 2 to 5.
    auto db = open("jackcess_emptyJet4.mdb");
    ASSERT_TRUE(db);
    EXPECT_EQ(db->catalog().entries().size(), 8u);
    EXPECT_TRUE(db->catalog().tables(false).empty());
    const auto sys = db->catalog().tables(true);
    ASSERT_EQ(sys.size(), 4u);
    EXPECT_EQ(sys[0]->name, u"MSysObjects");
    for (size_t i = 0; i < sys.size(); ++i) {
        EXPECT_EQ(sys[i]->tdefPage(), 2 + i);
        EXPECT_TRUE(sys[i]->isSystem());
    }
    const auto* tables = &db->catalog().entries()[0];
    EXPECT_EQ(tables->name, u"Tables");
    EXPECT_EQ(tables->type, jet::kObjectContainer);
    // MSysObjects reads itself: its definition is the one the catalog bootstraps from.
    auto self = table(*db, u"msysobjects"); // names are case-insensitive
    ASSERT_TRUE(self);
    EXPECT_EQ(self->def().page, 2u);
    EXPECT_EQ(self->def().columns.size(), 17u);
    auto ids = self->rowIds();
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->size(), 8u);
}

TEST(Samples, RowIdsLazyReadsAndCursorAgree) {
    REQUIRE_SAMPLES();
    for (const auto& f : jet4Samples()) {
        auto db = open(f, u"password");
        ASSERT_TRUE(db);
        // The same file read from memory gives the same rows.
        auto mem = jet::Database::openMemory(readBytes(samplePath(f)), {u"password"}, f);
        ASSERT_TRUE(mem) << mem.error().describe();
        for (const auto* e : db->catalog().tables(false)) {
            SCOPED_TRACE(f + " " + jet::toUtf8(e->name));
            auto t = db->openTable(*e);
            ASSERT_TRUE(t) << t.error().describe();
            auto ids = (*t)->rowIds();
            ASSERT_TRUE(ids) << ids.error().describe();
            auto cursor = (*t)->cursor();
            auto tm = (*mem)->openTable(e->name);
            ASSERT_TRUE(tm);
            auto memCursor = (*tm)->cursor();
            std::vector<jet::Value> a, b, c;
            size_t n = 0;
            while (true) {
                auto more = cursor.next();
                ASSERT_TRUE(more);
                auto memMore = memCursor.next();
                ASSERT_TRUE(memMore);
                ASSERT_EQ(*more, *memMore);
                if (!*more)
                    break;
                ASSERT_LT(n, ids->size());
                EXPECT_EQ(cursor.rowId(), (*ids)[n]);
                ASSERT_TRUE(cursor.values(a));
                ASSERT_TRUE(memCursor.values(c));
                EXPECT_EQ(a, c);
                ASSERT_TRUE((*t)->readRow((*ids)[n], b));
                EXPECT_EQ(a, b);
                for (size_t col = 0; col < a.size(); ++col) {
                    auto v = (*t)->readValue((*ids)[n], col);
                    ASSERT_TRUE(v);
                    EXPECT_EQ(*v, a[col]);
                    auto cv = cursor.value(col);
                    ASSERT_TRUE(cv);
                    EXPECT_EQ(*cv, a[col]);
                }
                ++n;
            }
            EXPECT_EQ(n, ids->size());
            // RowIds come in table order: usage-map page order, then slot order.
            for (size_t i = 1; i < ids->size(); ++i)
                EXPECT_LT((*ids)[i - 1], (*ids)[i]);
            // A second cursor is not disturbed by the first having run, and rewinds.
            auto again = (*t)->cursor();
            cursor.rewind();
            if (!ids->empty()) {
                ASSERT_TRUE(*again.next());
                ASSERT_TRUE(*cursor.next());
                EXPECT_EQ(again.rowId(), ids->front());
                EXPECT_EQ(cursor.rowId(), ids->front());
            }
        }
    }
}

TEST(Samples, SlotStatesMatchTheSurvey) {
    REQUIRE_SAMPLES();
    // Deleted and moved rows per file as counted by the survey of the sample folder (its own
    // page scanner). Every moved row's target is a 0x8000 slot that is never delivered alone.
    struct Want {
        const char* file;
        int deleted, moved;
    } wants[] = {
        {"zblog_data_cp1252_cjk.mdb", 20, 22},  {"zblog_data_cp936_overflow.mdb", 14, 14},
        {"jackcess_delTestV2000.mdb", 1, 0},    {"jackcess_overflowTestV2000.mdb", 0, 2},
        {"linq2db_TestData.mdb", 428, 0},       {"ucanaccess_likeTest.mdb", 19, 1},
        {"jackcess_testIndexCodes.mdb", 53, 1}, {"jackcess_compIndexTestV2000.mdb", 0, 0},
    };
    for (const auto& w : wants) {
        SCOPED_TRACE(w.file);
        auto db = open(w.file);
        ASSERT_TRUE(db);
        const SlotCounts n = countSlots(*db);
        EXPECT_EQ(n.deleted, w.deleted);
        EXPECT_EQ(n.moved, w.moved);
        EXPECT_EQ(n.targets, w.moved);
    }
}

TEST(Samples, MovedRowsKeepTheirPlaceAndTargetsAreNotRows) {
    REQUIRE_SAMPLES();
    // jackcess_overflowTestV2000: rows "row1".."row7" were inserted in order; rows 3 and 5 were
    // later updated until they no longer fitted and were moved to another page. Read in slot
    // order with the pointers followed, the table is row1..row7. Readers that visit the moved
    // rows where they now lie (mdbtools, mdb-reader) give row1, row2, row4, row6, row7, row3,
    // row5: the right rows in the order of the pages they were moved to.
    auto db = open("jackcess_overflowTestV2000.mdb");
    ASSERT_TRUE(db);
    auto t = table(*db, u"Table1");
    ASSERT_TRUE(t);
    auto ids = t->rowIds();
    ASSERT_TRUE(ids);
    ASSERT_EQ(ids->size(), 7u);
    std::vector<std::string> order;
    int moved = 0;
    for (const auto& id : *ids) {
        auto row = t->readRow(id);
        ASSERT_TRUE(row);
        std::string label;
        for (const auto& v : *row)
            if (auto s = std::get_if<std::u16string>(&v); s && label.empty())
                label = jet::toUtf8(*s).substr(0, 4);
        order.push_back(label);
        auto stored = t->storedRow(id);
        ASSERT_TRUE(stored);
        if (stored->page->number != id.page) {
            ++moved;
            // The target slot is a row, but not one of the table's rows by itself.
            auto dp = jet::DataPage::open(t->file(), stored->page);
            ASSERT_TRUE(dp);
            for (uint16_t s = 0; s < dp->rowCount(); ++s) {
                if (dp->state(s) != jet::SlotState::Target)
                    continue;
                auto r = t->readRow(jet::RowId{dp->number(), uint8_t(s)});
                ASSERT_FALSE(r);
                EXPECT_EQ(r.error().kind, jet::ErrorKind::NotFound);
            }
        }
    }
    EXPECT_EQ(moved, 2);
    EXPECT_EQ(order, (std::vector<std::string>{"row1", "row2", "row3", "row4", "row5", "row6", "row7"}));
}

TEST(Samples, DeletedSlotsAndStrangersAreNotFound) {
    REQUIRE_SAMPLES();
    auto db = open("jackcess_delTestV2000.mdb");
    ASSERT_TRUE(db);
    auto t = table(*db, u"Table");
    ASSERT_TRUE(t);
    bool sawDeleted = false;
    for (uint32_t p : t->ownedPages().pages) {
        auto dp = jet::DataPage::open(t->file(), *t->file().page(p));
        ASSERT_TRUE(dp);
        for (uint16_t s = 0; s < dp->rowCount(); ++s) {
            auto r = t->readRow(jet::RowId{p, uint8_t(s)});
            if (dp->state(s) == jet::SlotState::Deleted) {
                sawDeleted = true;
                ASSERT_FALSE(r);
                EXPECT_EQ(r.error().kind, jet::ErrorKind::NotFound);
            } else {
                EXPECT_TRUE(r);
            }
        }
        auto past = t->readRow(jet::RowId{p, uint8_t(dp->rowCount())});
        ASSERT_FALSE(past);
        EXPECT_EQ(past.error().kind, jet::ErrorKind::NotFound);
    }
    EXPECT_TRUE(sawDeleted);
    // A page that is not one of the table's.
    auto other = t->readRow(jet::RowId{2, 0});
    ASSERT_FALSE(other);
    EXPECT_EQ(other.error().kind, jet::ErrorKind::NotFound);
    auto badColumn = t->readValue(t->rowIds()->front(), 99);
    ASSERT_FALSE(badColumn);
    EXPECT_EQ(badColumn.error().kind, jet::ErrorKind::Invalid);
}

TEST(Samples, ReferenceUsageMaps) {
    REQUIRE_SAMPLES();
    // The global map and one table's owned map are of the reference kind here.
    auto db = open("jackcess_testRefGlobalV2000.mdb");
    ASSERT_TRUE(db);
    auto global = jet::readUsageMap(*db->file(), jet::RowId{1, 0});
    ASSERT_TRUE(global) << global.error().describe();
    EXPECT_EQ(global->kind, jet::UsageMap::Kind::Reference);
    auto t2 = table(*db, u"Table2");
    ASSERT_TRUE(t2);
    EXPECT_EQ(t2->ownedPages().kind, jet::UsageMap::Kind::Reference);
    auto t1 = table(*db, u"Table1");
    ASSERT_TRUE(t1);
    EXPECT_EQ(t1->ownedPages().kind, jet::UsageMap::Kind::Inline);
    EXPECT_EQ(t1->rowIds()->size(), 2u);

    auto db2 = open("ucanaccess_FunctionsTestV2000.mdb");
    ASSERT_TRUE(db2);
    auto t = table(*db2, u"t234");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->ownedPages().kind, jet::UsageMap::Kind::Reference);
    EXPECT_FALSE(t->ownedPages().pages.empty());
    auto row = t->readRow(t->rowIds()->front());
    ASSERT_TRUE(row);
    EXPECT_EQ(std::get<int16_t>((*row)[0]), 1234);
}

// The writer asks only for a map's last page; it must be the last page of the full read, for
// both kinds of map and for the global map, whose bits run past the end of the file.
TEST(Samples, LastPageOfAMapIsTheLastOfItsPages) {
    REQUIRE_SAMPLES();
    for (const char* name : {"jackcess_testRefGlobalV2000.mdb", "ucanaccess_FunctionsTestV2000.mdb"}) {
        auto db = open(name);
        ASSERT_TRUE(db) << name;
        std::vector<jet::RowId> maps{jet::RowId{1, 0}};
        for (const jet::CatalogEntry* e : db->catalog().tables(true)) {
            auto def = db->tableDef(*e);
            ASSERT_TRUE(def) << name;
            maps.push_back((*def)->ownedPagesMap);
            maps.push_back((*def)->freeSpaceMap);
        }
        for (const jet::RowId& at : maps) {
            auto full = jet::readUsageMap(*db->file(), at);
            auto last = jet::lastUsageMapPage(*db->file(), at);
            ASSERT_TRUE(full && last) << name;
            if (full->pages.empty())
                EXPECT_FALSE(*last) << name << " page " << at.page;
            else
                EXPECT_EQ(**last, full->pages.back()) << name << " page " << at.page;
        }
    }
    EXPECT_FALSE(*jet::lastUsageMapPage(*open("jackcess_testRefGlobalV2000.mdb")->file(), jet::RowId{}));
}

TEST(Samples, DefinitionsOverTwoPagesAndTheirFields) {
    REQUIRE_SAMPLES();
    auto db = open("jackcess_test2V2000.mdb");
    ASSERT_TRUE(db);
    const auto* e = db->catalog().findTable(u"MSP_PROJECTS");
    ASSERT_TRUE(e);
    auto def = db->tableDef(*e);
    ASSERT_TRUE(def);
    const auto& d = **def;
    EXPECT_EQ(d.pages.size(), 2u);
    EXPECT_EQ(d.raw.size(), 4096u + 4088u);
    EXPECT_EQ(d.columns.size(), 74u);
    EXPECT_EQ(d.columnCount, 74);
    EXPECT_EQ(d.tableType, 0x4E);
    for (size_t i = 0; i < d.columns.size(); ++i)
        EXPECT_EQ(d.columns[i].number, i); // sorted by column number
    const auto& author = d.columns[size_t(d.findColumn(u"proj_prop_author"))];
    EXPECT_EQ(author.type, jet::ColumnType::Memo);
    EXPECT_FALSE(author.longValueOwnedMap.isNull());
    EXPECT_EQ(d.realIndexes.size(), d.realIndexCount);
    EXPECT_EQ(d.logicalIndexes.size(), d.logicalIndexCount);
    for (const auto& li : d.logicalIndexes)
        EXPECT_FALSE(li.name.empty());

    // Descending key columns are read from the index definition.
    auto db2 = open("jackcess_testIndexCodes.mdb");
    ASSERT_TRUE(db2);
    auto asc = db2->tableDef(*db2->catalog().findTable(u"Table12_desc_asc"));
    ASSERT_TRUE(asc);
    bool sawDescThenAsc = false;
    for (const auto& ix : (*asc)->realIndexes)
        if (ix.columns.size() == 2 && !ix.columns[0].ascending && ix.columns[1].ascending)
            sawDescThenAsc = true;
    EXPECT_TRUE(sawDescThenAsc);
}

TEST(Samples, TextFlagsAndTypes) {
    REQUIRE_SAMPLES();
    auto db = open("zblog_data_cp936_overflow.mdb");
    ASSERT_TRUE(db);
    auto def = db->tableDef(*db->catalog().findTable(u"blog_Function"));
    ASSERT_TRUE(def);
    const auto& name = (*def)->columns[size_t((*def)->findColumn(u"fn_Name"))];
    EXPECT_EQ(name.type, jet::ColumnType::Text);
    EXPECT_EQ(name.sortOrder, 2052);
    EXPECT_FALSE(name.isCompressedUnicode()); // this Chinese site's columns are not compressed
    EXPECT_TRUE(name.isVariable());
    auto db1 = open("zblog_data_cp1252_cjk.mdb");
    ASSERT_TRUE(db1);
    auto cat = db1->tableDef(*db1->catalog().findTable(u"blog_Category"));
    ASSERT_TRUE(cat);
    EXPECT_TRUE((*cat)->columns[size_t((*cat)->findColumn(u"cate_Name"))].isCompressedUnicode());
    EXPECT_EQ((*cat)->columns[size_t((*cat)->findColumn(u"cate_Name"))].sortOrder, 1033);
    // A deleted column leaves a gap in the column numbers (8 is missing here).
    EXPECT_EQ((*cat)->columns.back().number, 9);
    EXPECT_EQ((*cat)->maxColumns, 10);

    auto db2 = open("linq2db_TestData.mdb");
    ASSERT_TRUE(db2);
    auto all = db2->tableDef(*db2->catalog().findTable(u"AllTypes"));
    ASSERT_TRUE(all);
    const auto& id = (*all)->columns[0];
    EXPECT_TRUE(id.isAutoNumber());
    EXPECT_TRUE(id.isFixed());
    const auto& bin = (*all)->columns[size_t((*all)->findColumn(u"binaryDataType"))];
    EXPECT_EQ(bin.type, jet::ColumnType::Binary);
    EXPECT_TRUE(bin.isFixed());
    EXPECT_EQ(bin.size, 10);
    const auto& dec = (*all)->columns[size_t((*all)->findColumn(u"decimalDataType"))];
    EXPECT_EQ(dec.type, jet::ColumnType::Numeric);
    EXPECT_EQ(dec.precision, 18);
    EXPECT_EQ(dec.scale, 0);
}

TEST(Samples, LongValuesOfEveryKind) {
    REQUIRE_SAMPLES();
    // MSP_PROJECTS has an inline memo, a memo in one LVAL row and one spread over a chain.
    auto db = open("jackcess_test2V2000.mdb");
    ASSERT_TRUE(db);
    auto t = table(*db, u"MSP_PROJECTS");
    ASSERT_TRUE(t);
    auto cur = t->cursor();
    ASSERT_TRUE(*cur.next());
    auto stored = t->storedRow(cur.rowId());
    ASSERT_TRUE(stored);
    jet::RowLayout layout;
    ASSERT_TRUE(jet::parseRow(t->def(), stored->bytes, layout));
    std::set<jet::LongValueRef::Kind> kinds;
    size_t longest = 0;
    for (const auto& c : t->def().columns) {
        if (!c.isLongValue())
            continue;
        auto f = jet::fieldOf(layout, c);
        ASSERT_TRUE(f);
        if (f->null)
            continue;
        auto ref = jet::parseLongValueRef(f->data);
        ASSERT_TRUE(ref);
        kinds.insert(ref->kind);
        auto bytes = jet::readLongValue(t->file(), f->data, stored->page->number);
        ASSERT_TRUE(bytes) << bytes.error().describe();
        EXPECT_EQ(bytes->size(), ref->length);
        longest = std::max(longest, bytes->size());
    }
    EXPECT_EQ(kinds.size(), 3u);
    EXPECT_GT(longest, 4076u); // more than one LVAL row can hold
}

TEST(Samples, Jet3IsReportedAsUnsupported) {
    REQUIRE_SAMPLES();
    for (const char* f : {"negative/jet3_V1997_test.mdb", "negative/jet3_charsetGBK.mdb"}) {
        SCOPED_TRACE(f);
        auto db = jet::Database::open(samplePath(f));
        ASSERT_FALSE(db);
        EXPECT_EQ(db.error().kind, jet::ErrorKind::Unsupported);
        EXPECT_EQ(db.error().message, "不支持的文件格式版本：Jet 3（Access 97）");
        EXPECT_EQ(db.error().file, samplePath(f));
    }
}

TEST(Samples, PasswordProtectedFile) {
    REQUIRE_SAMPLES();
    const std::string f = samplePath("mdbreader_V2000_with-password.mdb");
    auto none = jet::Database::open(f);
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error().kind, jet::ErrorKind::Password);
    EXPECT_EQ(none.error().message, "数据库受密码保护");
    auto wrong = jet::Database::open(f, {u"Password"}); // passwords are case-sensitive
    ASSERT_FALSE(wrong);
    EXPECT_EQ(wrong.error().kind, jet::ErrorKind::Password);
    auto right = jet::Database::open(f, {u"password"});
    ASSERT_TRUE(right);
    auto t = (*right)->openTable(u"Table1");
    ASSERT_TRUE(t);
    EXPECT_EQ((*t)->rowIds()->size(), 3u);
    // A password given for a file without one is ignored.
    EXPECT_TRUE(jet::Database::open(samplePath("jackcess_delTestV2000.mdb"), {u"x"}));
}

TEST(Samples, DamagedFilesGiveCleanErrors) {
    REQUIRE_SAMPLES();
    // Page 2 (the catalog's definition) zero-filled: nothing can be found without it.
    const std::string zeroed = samplePath("negative/corrupt_catalog_zeroed_delTestV2000.mdb");
    auto db = jet::Database::open(zeroed);
    ASSERT_FALSE(db);
    EXPECT_EQ(db.error().kind, jet::ErrorKind::Corrupt);
    EXPECT_EQ(db.error().page, 2);
    EXPECT_EQ(db.error().file, zeroed);

    // Cut in the middle of page 24: the catalog survives, the table's usage map names pages
    // that are gone.
    const std::string cut = samplePath("negative/corrupt_truncated_test2V2000.mdb");
    auto db2 = jet::Database::open(cut);
    ASSERT_TRUE(db2) << db2.error().describe();
    EXPECT_EQ((*db2)->header().pageCount, 24u);
    EXPECT_TRUE((*db2)->file()->hasPartialPage());
    auto t = (*db2)->openTable(u"MSP_PROJECTS");
    ASSERT_FALSE(t);
    EXPECT_EQ(t.error().kind, jet::ErrorKind::Corrupt);
    EXPECT_GE(t.error().page, 0);
    EXPECT_NE(t.error().describe().find(cut), std::string::npos);

    // Not a database at all, and no file.
    auto junk = jet::Database::openMemory(std::vector<uint8_t>(8192, 0x41), {}, "junk");
    ASSERT_FALSE(junk);
    EXPECT_EQ(junk.error().kind, jet::ErrorKind::Corrupt);
    auto missing = jet::Database::open(samplesDir() + "/no-such-file.mdb");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind, jet::ErrorKind::Io);
    EXPECT_EQ(missing.error().message, "无法打开数据库文件：文件不存在");
}

TEST(Samples, UnknownColumnTypesAreReportedNotGuessed) {
    REQUIRE_SAMPLES();
    // Access keeps an opaque column of type 0x11 in MSysAccessObjects. Its definition reads;
    // its values are refused, while the table's other column still reads.
    auto db = open("access2000_empty.mdb");
    ASSERT_TRUE(db);
    auto t = table(*db, u"MSysAccessObjects");
    ASSERT_TRUE(t);
    const int data = t->def().findColumn(u"Data"), id = t->def().findColumn(u"ID");
    ASSERT_GE(data, 0);
    EXPECT_EQ(uint8_t(t->def().columns[size_t(data)].type), 0x11);
    auto ids = t->rowIds();
    ASSERT_TRUE(ids);
    ASSERT_FALSE(ids->empty());
    auto v = t->readValue(ids->front(), size_t(data));
    ASSERT_FALSE(v);
    EXPECT_EQ(v.error().kind, jet::ErrorKind::Unsupported);
    EXPECT_NE(v.error().message.find("0x11"), std::string::npos);
    EXPECT_TRUE(t->readValue(ids->front(), size_t(id)));
}
