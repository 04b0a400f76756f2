// Damaged files: each kind of damage the engine guards against, made on purpose in a copy of a
// sample held in memory, gives an error of kind Corrupt naming the file and the page, not a
// crash, a hang or a huge allocation. Then cuts at every page and random byte damage.
#include "testutil.h"

#include "jet/database.h"
#include "jet/longvalue.h"

#include <random>

using namespace testutil;

namespace {

using Bytes = std::vector<uint8_t>;

// Opens `bytes` and reads every value of every user table; the first error, if any.
jet::Status readEverything(Bytes bytes, const std::string& name = "damaged.mdb") {
    auto db = jet::Database::openMemory(std::move(bytes), {u"password"}, name);
    if (!db)
        return db.error();
    std::vector<jet::Value> values;
    for (const auto* e : (*db)->catalog().tables(false)) {
        auto t = (*db)->openTable(*e);
        if (!t)
            return t.error();
        auto cursor = (*t)->cursor();
        for (;;) {
            auto more = cursor.next();
            if (!more)
                return more.error();
            if (!*more)
                break;
            JET_TRY(cursor.values(values));
        }
    }
    return jet::okStatus();
}

void expectCorrupt(const jet::Status& st, int64_t page, const std::string& words) {
    ASSERT_FALSE(st) << "damage went unnoticed";
    EXPECT_EQ(st.error().kind, jet::ErrorKind::Corrupt) << st.error().describe();
    EXPECT_EQ(st.error().file, "damaged.mdb");
    if (page >= 0) {
        EXPECT_EQ(st.error().page, page) << st.error().describe();
    }
    EXPECT_NE(st.error().message.find(words), std::string::npos) << st.error().message;
}

// File offset of a view into a page image.
size_t offsetIn(const jet::Page& page, const uint8_t* p) {
    return size_t(page.number) * 4096 + size_t(p - page.bytes.data());
}

struct Sample {
    Bytes bytes;
    std::unique_ptr<jet::Database> db;
    explicit Sample(const std::string& file) : bytes(readBytes(samplePath(file))) {
        auto d = jet::Database::openMemory(bytes, {}, file);
        EXPECT_TRUE(d);
        db = std::move(*d);
    }
    std::shared_ptr<const jet::Table> table(const std::u16string& name) { return *db->openTable(name); }
};

// The first memo of MSP_PROJECTS stored as an LVAL chain: the field's file offset and the
// chain's first row.
struct ChainedMemo {
    size_t fieldOffset = 0;
    jet::RowId first;
    size_t firstRowOffset = 0;
};

ChainedMemo findChainedMemo(Sample& s) {
    ChainedMemo m;
    auto t = s.table(u"MSP_PROJECTS");
    auto ids = t->rowIds();
    auto stored = t->storedRow(ids->front());
    jet::RowLayout layout;
    EXPECT_TRUE(jet::parseRow(t->def(), stored->bytes, layout));
    for (const auto& c : t->def().columns) {
        if (!c.isLongValue())
            continue;
        auto f = jet::fieldOf(layout, c);
        if (f->null)
            continue;
        auto ref = jet::parseLongValueRef(f->data);
        if (ref->kind != jet::LongValueRef::Kind::Chain)
            continue;
        m.fieldOffset = offsetIn(*stored->page, f->data.data());
        m.first = ref->where;
        auto lvalPage = *s.db->file()->page(ref->where.page);
        auto dp = jet::DataPage::open(*s.db->file(), lvalPage);
        m.firstRowOffset = offsetIn(*lvalPage, dp->rowBytes(*s.db->file(), ref->where.row)->data());
        return m;
    }
    ADD_FAILURE() << "no chained memo";
    return m;
}

} // namespace

TEST(Damage, LongValueChainThatLoops) {
    REQUIRE_SAMPLES();
    Sample s("jackcess_test2V2000.mdb");
    ASSERT_TRUE(readEverything(s.bytes));
    const ChainedMemo m = findChainedMemo(s);
    Bytes b = s.bytes;
    jet::writeRowPointer(b.data() + m.firstRowOffset, m.first); // first piece points to itself
    expectCorrupt(readEverything(b), m.first.page, "循环");
}

TEST(Damage, LongValueLongerThanTheFile) {
    REQUIRE_SAMPLES();
    Sample s("jackcess_test2V2000.mdb");
    const ChainedMemo m = findChainedMemo(s);
    Bytes b = s.bytes;
    jet::put32(b.data() + m.fieldOffset, 0x3FFFFFFF); // ~1 GB claimed in a 256 KB file
    expectCorrupt(readEverything(b), int64_t(m.fieldOffset / 4096), "长值的长度超出文件大小");
    // A chain that ends before its length is reached.
    b = s.bytes;
    jet::put32(b.data() + m.firstRowOffset, 0);
    expectCorrupt(readEverything(b), -1, "长值链在取完数据前结束");
}

TEST(Damage, MovedRowPointerThatLoops) {
    REQUIRE_SAMPLES();
    Sample s("jackcess_overflowTestV2000.mdb");
    auto t = s.table(u"Table1");
    auto ids = t->rowIds();
    bool done = false;
    for (const auto& id : *ids) {
        auto pg = *t->file().page(id.page);
        auto dp = jet::DataPage::open(t->file(), pg);
        if (dp->state(id.row) != jet::SlotState::Pointer)
            continue;
        Bytes b = s.bytes;
        jet::writeRowPointer(b.data() + offsetIn(*pg, dp->rowBytes(t->file(), id.row)->data()), id);
        expectCorrupt(readEverything(b), id.page, "循环");
        done = true;
        break;
    }
    EXPECT_TRUE(done);
}

TEST(Damage, DefinitionChainThatLoops) {
    REQUIRE_SAMPLES();
    Sample s("jackcess_test2V2000.mdb");
    auto def = *s.db->tableDef(*s.db->catalog().findTable(u"MSP_PROJECTS"));
    ASSERT_EQ(def->pages.size(), 2u);
    Bytes b = s.bytes;
    jet::put32(b.data() + size_t(def->pages[1]) * 4096 + 4, def->pages[0]);
    expectCorrupt(readEverything(b), def->pages[0], "循环");
    // A continuation that is not a definition page.
    b = s.bytes;
    b[size_t(def->pages[1]) * 4096] = 0x01;
    expectCorrupt(readEverything(b), def->pages[1], "表定义页");
    // An index count the definition's bytes cannot hold.
    b = s.bytes;
    jet::put32(b.data() + size_t(def->pages[0]) * 4096 + 0x2F, 255); // logical indexes
    expectCorrupt(readEverything(b), def->pages[0], "超出定义末尾");
    // A column count that makes descriptors and names out of other bytes.
    b = s.bytes;
    jet::put16(b.data() + size_t(def->pages[0]) * 4096 + 0x2D, 250);
    expectCorrupt(readEverything(b), def->pages[0], "定义损坏");
}

TEST(Damage, UsageMapsAndDataPages) {
    REQUIRE_SAMPLES();
    Sample s("jackcess_delTestV2000.mdb");
    auto t = s.table(u"Table");
    const jet::RowId mapAt = t->def().ownedPagesMap;
    auto mapPage = *t->file().page(mapAt.page);
    auto mapDp = jet::DataPage::open(t->file(), mapPage);
    const size_t recordOffset = offsetIn(*mapPage, mapDp->rowBytes(t->file(), mapAt.row)->data());

    Bytes b = s.bytes;
    b[recordOffset] = 7; // a map kind that does not exist
    expectCorrupt(readEverything(b), mapAt.page, "用法图类型");

    b = s.bytes;
    b[recordOffset] = 1; // a reference map whose "bitmap pages" are the inline bitmap's bytes
    auto st = readEverything(b);
    if (!st) {
        EXPECT_EQ(st.error().kind, jet::ErrorKind::Corrupt);
    }

    b = s.bytes;
    jet::put32(b.data() + recordOffset + 1, 0x00FFFF00); // bit 0 far past the end of the file
    expectCorrupt(readEverything(b), mapAt.page, "文件末尾之外");

    const uint32_t dataPage = t->ownedPages().pages.front();
    b = s.bytes;
    jet::put16(b.data() + size_t(dataPage) * 4096 + 0x0C, 0xFFFF); // row count
    expectCorrupt(readEverything(b), dataPage, "行数");

    b = s.bytes;
    jet::put16(b.data() + size_t(dataPage) * 4096 + 0x0E, 0x1FFF); // slot 0 past the page
    expectCorrupt(readEverything(b), dataPage, "行的位置");
}

TEST(Damage, HeaderDamage) {
    REQUIRE_SAMPLES();
    const Bytes good = readBytes(samplePath("jackcess_delTestV2000.mdb"));
    auto kindOf = [](Bytes b) {
        auto db = jet::Database::openMemory(std::move(b), {}, "damaged.mdb");
        return db ? std::optional<jet::Error>() : std::optional<jet::Error>(db.error());
    };
    Bytes b = good;
    b[0x14] = 2;
    auto e = kindOf(b);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind, jet::ErrorKind::Unsupported);
    EXPECT_EQ(e->message, "不支持的文件格式版本：ACE 12（Access 2007）");

    b = good;
    std::memcpy(b.data() + 4, "Standard ACE DB", 15);
    EXPECT_EQ(kindOf(b)->kind, jet::ErrorKind::Unsupported);

    b = good;
    b[0x3E] ^= 0x5A; // the page encryption key, seen through the mask
    e = kindOf(b);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind, jet::ErrorKind::Unsupported);

    for (size_t n : {size_t(0), size_t(10), size_t(100), size_t(4095)}) {
        e = kindOf(Bytes(good.begin(), good.begin() + long(n)));
        ASSERT_TRUE(e) << n;
        EXPECT_EQ(e->kind, jet::ErrorKind::Corrupt) << n;
        EXPECT_EQ(e->page, 0) << n;
    }
}

TEST(Damage, CutAtEveryPage) {
    REQUIRE_SAMPLES();
    for (const char* f : {"jackcess_test2V2000.mdb", "zblog_data_cp936_overflow.mdb"}) {
        const Bytes good = readBytes(samplePath(f));
        for (size_t cut = 4096; cut < good.size(); cut += 4096) {
            for (size_t extra : {size_t(0), size_t(1000)}) {
                auto st = readEverything(Bytes(good.begin(), good.begin() + long(cut + extra)));
                if (st)
                    continue; // everything needed lies before the cut
                EXPECT_EQ(st.error().kind, jet::ErrorKind::Corrupt) << f << " cut at " << cut + extra;
                EXPECT_GE(st.error().page, 0) << st.error().describe();
            }
        }
    }
}

TEST(Damage, RandomByteDamage) {
    REQUIRE_SAMPLES();
    // Deterministic pseudo-random damage to the pages a reader touches. Every outcome is either
    // a clean read or an error of a kind damage can cause; the sanitizer build checks the rest.
    std::mt19937 rng(20240229);
    for (const char* f : {"jackcess_delTestV2000.mdb", "jackcess_overflowTestV2000.mdb",
                          "jackcess_test2V2000.mdb", "ucanaccess_FunctionsTestV2000.mdb"}) {
        const Bytes good = readBytes(samplePath(f));
        std::uniform_int_distribution<size_t> at(0x14, good.size() - 1);
        int clean = 0, errors = 0;
        for (int round = 0; round < 300; ++round) {
            Bytes b = good;
            const int hits = 1 + int(rng() % 8);
            for (int k = 0; k < hits; ++k)
                b[at(rng)] = uint8_t(rng());
            auto st = readEverything(std::move(b));
            if (st) {
                ++clean;
                continue;
            }
            ++errors;
            const auto kind = st.error().kind;
            EXPECT_TRUE(kind == jet::ErrorKind::Corrupt || kind == jet::ErrorKind::Unsupported ||
                        kind == jet::ErrorKind::Password)
                << st.error().describe();
            EXPECT_EQ(st.error().file, "damaged.mdb");
        }
        EXPECT_GT(clean + errors, 0);
    }
}
