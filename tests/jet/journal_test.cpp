// Nothing lost: the rollback journal, the writer's lock, and crash safety. The fault-injection
// tests stop a change after each single disk write in turn (N = 0, 1, 2, ... until the change
// completes), and after every stop reopen the file and demand that it is, byte for byte, the
// file before the change or the file after it, and passes the consistency check. A writer in
// another process killed at random moments must leave every row it reported as saved.
#include "child.h"
#include "writeutil.h"

#include "jet/journal.h"
#include "jet/pagefile.h"
#include "platform/file.h"
#include "platform/lock.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace testutil;
using namespace writeutil;
using jet::Value;

namespace {

const char16_t* const kTable = u"Table"; // jackcess_delTestV2000: a, b Text(50)

std::vector<Value> row(const std::u16string& a, const std::u16string& b) {
    return {Value(a), Value(b)};
}

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

using Scenario = std::function<jet::Status(jet::Database&)>;

struct FaultRun {
    int before = 0, after = 0; // reopened files equal to the old or the new state
    uint64_t writes = 0;       // disk writes of the whole change
};

// Runs `scenario` on `start` once to learn the file after it, then again with a stop after each
// write in turn (torn or not). Every reopened file must be `start` or that file, and consistent.
FaultRun injectFaults(const TempDir& dir, const std::vector<uint8_t>& start, const Scenario& scenario,
                      bool torn) {
    FaultRun out;
    const std::string path = dir.file("fault.mdb");
    writeBytes(path, start);
    {
        auto db = openWrite(path);
        if (!db)
            return out;
        auto st = scenario(*db);
        EXPECT_TRUE(st) << st.error().describe();
        out.writes = db->pageFile().writesDone();
    }
    const std::vector<uint8_t> after = readBytes(path);
    EXPECT_NE(after, start);
    for (uint64_t n = 0; n <= out.writes + 1; ++n) {
        SCOPED_TRACE("stop after " + std::to_string(n) + " writes" + (torn ? ", torn" : ""));
        writeBytes(path, start);
        std::filesystem::remove(path + "-journal");
        bool completed = false;
        {
            auto db = openWrite(path);
            if (!db)
                return out;
            db->pageFile().setFaultPlan(jet::FaultPlan{n, torn});
            auto st = scenario(*db);
            completed = st.ok() && !db->pageFile().stoppedByFault();
            EXPECT_EQ(completed, n >= out.writes);
        }
        // What a reader finds: the journal (if any) is rolled back on open.
        {
            auto db = openRead(path);
            if (!db)
                return out;
        }
        EXPECT_FALSE(exists(path + "-journal"));
        const std::vector<uint8_t> now = readBytes(path);
        if (now == start)
            ++out.before;
        else if (now == after)
            ++out.after;
        else
            ADD_FAILURE() << "the reopened file is neither the old nor the new one";
        EXPECT_TRUE(consistent(path));
        if (completed)
            break;
    }
    return out;
}

void expectAllStops(const TempDir& dir, const std::vector<uint8_t>& start, const Scenario& scenario) {
    for (bool torn : {false, true}) {
        const FaultRun r = injectFaults(dir, start, scenario, torn);
        EXPECT_GT(r.writes, 5u);
        // Until the database is synced a stop leaves the old file; from the journal's removal
        // on, the new one.
        EXPECT_GT(r.before, 3);
        EXPECT_GE(r.after, 1);
        EXPECT_EQ(uint64_t(r.before + r.after), r.writes + 1);
    }
}

} // namespace

TEST(Journal, ASecondWriterIsTurnedAwayWhileReadersAreNot) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    auto first = openWrite(path);
    ASSERT_TRUE(first);
    jet::OpenOptions o;
    o.write = true;
    auto second = jet::Database::open(path, o);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().kind, jet::ErrorKind::Locked);
    EXPECT_EQ(second.error().message, "数据库正被另一个程序修改");
    auto reader = openRead(path);
    ASSERT_TRUE(reader);
    ASSERT_TRUE(first->insertRow(kTable, row(u"x", u"y")));
    first.reset();
    auto third = jet::Database::open(path, o);
    EXPECT_TRUE(third) << "the lock goes with the writer";
}

namespace {

// Opens the file named by `path` for writing, says whether it could, and holds it.
void holdWriter(const std::string& path, int report) {
    jet::OpenOptions o;
    o.write = true;
    auto db = jet::Database::open(path, o);
    const char c = db ? '1' : '0';
    (void)!::write(report, &c, 1);
    testutil::waitToBeKilled();
}

} // namespace

TEST(Journal, AWriterInAnotherProcessLocksTheFile) {
    testutil::childRole("writer", holdWriter);
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    testutil::Child child("writer", holdWriter, path);
    char c = 0;
    ASSERT_TRUE(child.readReport(&c, 1));
    ASSERT_EQ(c, '1');
    jet::OpenOptions o;
    o.write = true;
    auto locked = jet::Database::open(path, o);
    ASSERT_FALSE(locked);
    EXPECT_EQ(locked.error().kind, jet::ErrorKind::Locked);
    EXPECT_EQ(locked.error().message, "数据库正被另一个程序修改");
    EXPECT_TRUE(openRead(path));
    EXPECT_TRUE(child.kill());
    EXPECT_TRUE(jet::Database::open(path, o)) << "a killed writer's lock is gone with it";
}

TEST(Journal, AStoppedChangeIsRolledBackWhenTheFileIsOpened) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    const auto original = readBytes(path);
    {
        auto db = openWrite(path);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->begin());
        for (int i = 0; i < 200; ++i)
            ASSERT_TRUE(db->insertRow(kTable, row(textOf(50), textOf(50))));
        const size_t pages = db->pageFile().changedPages();
        // Journal header, its records, its sync and the folder's, then some pages of the file.
        db->pageFile().setFaultPlan(jet::FaultPlan{1 + 2 + 2 + pages / 2, false});
        auto st = db->commit();
        ASSERT_FALSE(st);
        EXPECT_TRUE(db->pageFile().stoppedByFault());
        EXPECT_FALSE(db->insertRow(kTable, row(u"a", u"b"))) << "a stopped writer is gone";
    }
    ASSERT_TRUE(exists(path + "-journal"));
    EXPECT_NE(readBytes(path), original) << "the stop left the file half-written";
    // While another writer holds the lock the journal is not touched, and reading goes
    // through it: the file reads as it was before the change.
    {
        const int lockFd = platform::openFile(path, platform::kReadWrite);
        ASSERT_GE(lockFd, 0);
        ASSERT_TRUE(platform::tryLock(lockFd, platform::FileLock::Writer, platform::LockMode::Exclusive).taken());
        auto db = openRead(path);
        ASSERT_TRUE(db);
        EXPECT_EQ(readTable(*db, kTable).size(), 2u);
        EXPECT_TRUE(exists(path + "-journal"));
        platform::closeFile(lockFd);
    }
    // Opened for writing: rolled back first.
    auto db = openWrite(path);
    ASSERT_TRUE(db);
    EXPECT_FALSE(exists(path + "-journal"));
    EXPECT_EQ(readBytes(path), original);
    EXPECT_EQ(readTable(*db, kTable).size(), 2u);
}

TEST(Journal, AJournalThatDoesNotCheckOutIsIgnored) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    const auto original = readBytes(path);
    // A journal cut short, and one with a damaged record: the file was never touched.
    const jet::Bytes header = jet::journal::encodeHeader(original.size(), 2, 77);
    const jet::Bytes rec = jet::journal::encodeRecord(77, 3, original.data() + 3 * jet::kPageSize);
    std::vector<uint8_t> cut(header.begin(), header.end());
    cut.insert(cut.end(), rec.begin(), rec.end());
    std::vector<uint8_t> damaged = cut;
    damaged.insert(damaged.end(), rec.begin(), rec.end());
    damaged[header.size() + rec.size() + 100] ^= 1;
    std::vector<uint8_t> overwrite = original;
    overwrite[3 * jet::kPageSize + 10] ^= 0xFF; // what a rollback of the good record would undo
    for (const auto& journal : {cut, damaged}) {
        writeBytes(path, overwrite);
        writeBytes(path + "-journal", journal);
        auto db = openRead(path);
        ASSERT_TRUE(db);
        EXPECT_FALSE(exists(path + "-journal"));
        EXPECT_EQ(readBytes(path), overwrite);
    }
    // A whole journal is rolled back: its images written, the file cut to its old size.
    std::vector<uint8_t> whole(header.begin(), header.end());
    whole.insert(whole.end(), rec.begin(), rec.end());
    const jet::Bytes rec2 = jet::journal::encodeRecord(77, 4, original.data() + 4 * jet::kPageSize);
    whole.insert(whole.end(), rec2.begin(), rec2.end());
    std::vector<uint8_t> longer = overwrite;
    longer.resize(longer.size() + 3 * jet::kPageSize, 0x55);
    writeBytes(path, longer);
    writeBytes(path + "-journal", whole);
    auto db = openRead(path);
    ASSERT_TRUE(db);
    EXPECT_FALSE(exists(path + "-journal"));
    EXPECT_EQ(readBytes(path), original);
}

TEST(Journal, StoppingAnInsertAfterAnyWriteLeavesTheOldOrTheNewFile) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const auto start = readBytes(samplePath("jackcess_delTestV2000.mdb"));
    expectAllStops(dir, start, [](jet::Database& db) -> jet::Status {
        auto id = db.insertRow(kTable, row(u"新的一行", u"𠀀"));
        if (!id)
            return id.error();
        return jet::okStatus();
    });
}

TEST(Journal, StoppingATransactionOfManyWritesLeavesTheOldOrTheNewFile) {
    REQUIRE_SAMPLES();
    TempDir dir;
    // A table grown close to the 512 pages its inline maps can name, so that the transaction
    // adds pages, turns the maps into reference maps, moves rows and deletes some.
    const std::string prep = copySample(dir, "jackcess_delTestV2000.mdb", "prep.mdb");
    {
        auto db = openWrite(prep);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->begin());
        while (db->file()->pageCount() < 510)
            ASSERT_TRUE(db->insertRow(kTable, row(textOf(50, u"页"), textOf(50, u"满"))));
        ASSERT_TRUE(db->commit());
    }
    const auto start = readBytes(prep);
    expectAllStops(dir, start, [](jet::Database& db) -> jet::Status {
        JET_TRY(db.begin());
        for (int i = 0; i < 80; ++i) {
            auto id = db.insertRow(kTable, row(textOf(50, u"新"), textOf(50, u"页")));
            if (!id)
                return id.error();
        }
        for (uint64_t k = 0; k < 5; ++k) {
            auto id = db.rowAt(kTable, 10 + k);
            if (!id)
                return id.error();
            JET_TRY(db.updateRow(kTable, *id, {{1, Value(textOf(50, u"改"))}}));
        }
        auto id = db.rowAt(kTable, 3);
        if (!id)
            return id.error();
        JET_TRY(db.deleteRow(kTable, *id));
        return db.commit();
    });
}

TEST(Journal, StoppingLongValueWritesLeavesTheOldOrTheNewFile) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const auto start = readBytes(samplePath("linq2db_TestData.mdb"));
    expectAllStops(dir, start, [](jet::Database& db) -> jet::Status {
        JET_TRY(db.begin());
        std::vector<Value> r(22, Value(jet::Null{}));
        r[13] = textOf(9000, u"长备注");
        r[20] = jet::Bytes(5000, 0x5A);
        auto id = db.insertRow(u"AllTypes", r);
        if (!id)
            return id.error();
        auto first = db.rowAt(u"AllTypes", 0);
        if (!first)
            return first.error();
        JET_TRY(db.updateRow(u"AllTypes", *first, {{13, Value(textOf(3000, u"改"))}}));
        JET_TRY(db.deleteRow(u"AllTypes", *id));
        return db.commit();
    });
}

namespace {

// Inserts rows numbered on from FIRST into the file at PATH (`arg`: "PATH\nFIRST"), reporting
// each number once its row is durable.
void insertForever(const std::string& arg, int report) {
    const size_t cut = arg.rfind('\n');
    jet::OpenOptions o;
    o.write = true;
    auto db = jet::Database::open(arg.substr(0, cut), o);
    if (!db)
        return;
    for (int i = std::stoi(arg.substr(cut + 1));; ++i) {
        const std::u16string n = jet::fromUtf8(std::to_string(i));
        if (!(*db)->insertRow(kTable, row(n, textOf(size_t(i % 50), n))))
            return;
        (void)!::write(report, &i, sizeof i); // only once durable
    }
}

} // namespace

TEST(Journal, AKilledWriterLosesNoRowItReportedAsSaved) {
    testutil::childRole("inserter", insertForever);
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    std::mt19937 rng(12345);
    int reported = 0;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        testutil::Child child("inserter", insertForever, path + "\n" + std::to_string(reported));
        // Killed at a random moment once it writes (a child takes a while to start on Windows).
        int last = 0, got = 0;
        ASSERT_TRUE(child.readReport(&last, sizeof last)) << "the writer stopped by itself";
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + rng() % 120));
        ASSERT_TRUE(child.kill()) << "the writer stopped by itself";
        while (child.readReport(&got, sizeof got))
            last = got;
        // Reopened: the rows 0..k in order, k at least the last one reported.
        const Rows rows = readTable(path, kTable);
        ASSERT_GE(rows.size(), size_t(2 + last + 1));
        ASSERT_LE(rows.size(), size_t(2 + last + 2)) << "at most the row being saved at the kill";
        for (size_t k = 2; k < rows.size(); ++k) {
            const std::u16string n = jet::fromUtf8(std::to_string(k - 2));
            ASSERT_EQ(rows[k], row(n, textOf((k - 2) % 50, n)));
        }
        EXPECT_FALSE(exists(path + "-journal"));
        EXPECT_TRUE(consistent(path, {kTable}));
        reported = int(rows.size()) - 2;
    }
    EXPECT_GT(reported, 6);
}

TEST(Journal, StoppingTheFirstEntryOfANewDatabaseLeavesTheOldOrTheNewFile) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string made = dir.file("made.mdb");
    const auto r = runTool({"new", made});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The first entry gives the empty table its first page: maps and global map change too.
    expectAllStops(dir, readBytes(made), [](jet::Database& db) -> jet::Status {
        std::vector<Value> entry = {Value(std::u16string(u"张三")),    Value(std::u16string(u"公司")),
                                    Value(std::u16string(u"地址")),    Value(jet::DateTime{39873}),
                                    Value(jet::DateTime{40379}),       Value(int32_t(8)),
                                    Value(std::u16string(u"备注")),    Value(jet::DateTime{40379.67}),
                                    Value(std::u16string(u"GZ-00001"))};
        auto id = db.insertRow(u"data", entry);
        if (!id)
            return id.error();
        return jet::okStatus();
    });
}
