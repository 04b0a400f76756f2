// The safety net on real files: the copy of the day and its retention across simulated dates, a
// failure at every step of writing a copy or a compacted file (the database and the backup folder
// stay exactly as they were), a copy taken while another process writes, restore (also over a
// damaged file, a file with a journal, and refused under another program's writer lock), compact
// after heavy churn read back by mdbtools and mdb-reader, the refusals of compact, and the account
// as passwd sets it.
#include "tests/jet/child.h"
#include "tests/jet/writeutil.h"

#include "jet/atomic_file.h"
#include "jet/check.h"
#include "jet/codec.h"
#include "jet/create.h"
#include "jet/database.h"
#include "store/account.h"
#include "store/backup.h"
#include "store/compact.h"
#include "store/credential.h"
#include "store/schema.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <thread>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace testutil;
using namespace writeutil;
using jet::Value;

namespace {

namespace fs = std::filesystem;

store::Day date(int y, int m, int d) {
    return store::Day{y, m, d};
}

std::vector<Value> entry(int n) {
    const double workDay = 45000 + n;
    return {std::u16string(u"张三"),
            std::u16string(u"某某电子科技有限公司"),
            std::u16string(u"深圳市南山区科技园"),
            jet::DateTime{44000},
            jet::DateTime{workDay},
            int32_t(8),
            std::u16string(u"调试接口，整理会议记录 ") + jet::fromUtf8(std::to_string(n)),
            jet::DateTime{workDay + 0.75},
            jet::fromUtf8("GZ-" + std::to_string(100000 + n).substr(1))};
}

void addEntries(const std::string& path, int from, int count) {
    auto db = openWrite(path);
    ASSERT_TRUE(db && db->begin());
    for (int n = from; n < from + count; ++n)
        ASSERT_TRUE(db->insertRow(u"data", entry(n)));
    ASSERT_TRUE(db->commit());
}

// A work log as the program keeps it: Ledrimo's tables, the default account, `entries` entries.
std::string makeLog(const TempDir& dir, int entries) {
    const std::string path = dir.file("db");
    auto bytes = store::createLedrimoDatabase(
        jet::accessDateNow(), {{1, u"tamsu", jet::fromUtf8(store::buildPasswordCode("tamsu"))}});
    EXPECT_TRUE(bytes);
    writeBytes(path, *bytes);
    if (entries > 0)
        addEntries(path, 0, entries);
    return path;
}

// Every file under `dir` (hidden ones too) with its bytes.
std::map<std::string, std::vector<uint8_t>> filesUnder(const std::string& dir) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            files[fs::relative(e.path(), dir).string()] = readBytes(e.path().string());
    return files;
}

std::vector<std::string> namesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (fs::exists(dir))
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Makes the write step `failAt` (counted from 0, over every placeFile) fail with a full disk. The
// folder's flush after a rename is left out: it cannot fail the operation.
class DiskFullAt {
public:
    explicit DiskFullAt(int failAt) {
        jet::setPlaceFileFaultHook([this, failAt](const char* step) {
            if (std::string_view(step) == "dirsync")
                return 0;
            return steps_++ == failAt ? ENOSPC : 0;
        });
    }
    ~DiskFullAt() { jet::setPlaceFileFaultHook(nullptr); }

private:
    int steps_ = 0;
};

int64_t entriesIn(const std::string& path) {
    auto db = openRead(path);
    auto table = db->openTable(u"data");
    return table ? int64_t((*table)->rowIds()->size()) : -1;
}

bool checksOut(const std::string& path) {
    auto db = jet::Database::open(path);
    return db && jet::checkDatabase(**db).ok();
}

// Damage the check finds but that leaves the file readable: the free-space field of the first data
// page of `data`.
void damageDataPage(const std::string& path) {
    const uint32_t page = rowIdsOf(*openRead(path), u"data").front().page;
    auto bytes = readBytes(path);
    bytes[size_t(page) * jet::kPageSize + 2] ^= 4;
    writeBytes(path, bytes);
}

// Damage that keeps the file from opening: the catalog's definition page overwritten.
void damageCatalog(const std::string& path) {
    auto bytes = readBytes(path);
    std::fill(bytes.begin() + 2 * jet::kPageSize, bytes.begin() + 3 * jet::kPageSize, uint8_t(0x5A));
    writeBytes(path, bytes);
}

// The bodies of the other processes (tests/jet/child.h); `arg` is the database's path.

// Saves entries seven at a time, a few milliseconds apart, each save taking the writer's lock only
// while it writes, as the program does.
void saveInSevens(const std::string& db, int) {
    for (int n = 0;; std::this_thread::sleep_for(std::chrono::milliseconds(3))) {
        jet::OpenOptions o;
        o.write = true;
        auto w = jet::Database::open(db, o);
        if (!w || !(*w)->begin())
            continue;
        for (int i = 0; i < 7; ++i)
            (void)(*w)->insertRow(u"data", entry(n + i));
        if ((*w)->commit())
            n += 7;
    }
}

// Holds the writer's lock, having said whether it got it.
void holdWriterLock(const std::string& db, int report) {
    jet::OpenOptions o;
    o.write = true;
    auto holder = jet::Database::open(db, o);
    (void)!::write(report, holder ? "1" : "0", 1);
    testutil::waitToBeKilled();
}

// Holds the database in use, as the program does while connected, having said whether it could.
void holdInUse(const std::string& db, int report) {
    auto inUse = jet::UseLock::take(db, 0);
    (void)!::write(report, inUse ? "1" : "0", 1);
    testutil::waitToBeKilled();
}

} // namespace

// ---- the copy of the day ----

TEST(Backup, TheCopyOfTheDayIsTheDatabaseAndAsPrivate) {
    TempDir dir;
    const std::string db = makeLog(dir, 20);
    fs::permissions(db, fs::perms::owner_read | fs::perms::owner_write);
    auto done = store::backupDatabase(db, date(2024, 3, 15), store::BackupMode::IfMissing);
    ASSERT_TRUE(done) << done.error().describe();
    EXPECT_TRUE(done->written);
    EXPECT_EQ(done->path, dir.file("backup/db-2024-03-15.mdb"));
    EXPECT_EQ(readBytes(done->path), readBytes(db));
#ifndef _WIN32 // file modes are POSIX's
    EXPECT_EQ(fs::status(done->path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(dir.file("backup")).permissions() & fs::perms::all, fs::perms::owner_all);
#endif

    // Later the same day the program finds it there; ledrimo-db replaces it with a fresh one.
    addEntries(db, 20, 1);
    done = store::backupDatabase(db, date(2024, 3, 15), store::BackupMode::IfMissing);
    ASSERT_TRUE(done);
    EXPECT_FALSE(done->written);
    EXPECT_EQ(entriesIn(done->path), 20);
    ASSERT_TRUE(store::backupDatabase(db, date(2024, 3, 15), store::BackupMode::Replace));
    EXPECT_EQ(entriesIn(done->path), 21);

    const auto list = store::listBackups(db);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(list[0].ok);
    EXPECT_EQ(list[0].entries, 21);
}

TEST(Backup, AFailureAtAnyStepLeavesTheDatabaseAndTheFolderAsTheyWere) {
    TempDir dir;
    const std::string db = makeLog(dir, 50);
    // Fourteen earlier copies: a new one prunes the oldest, but only once it is in place.
    for (int d = 2; d <= 15; ++d)
        ASSERT_TRUE(store::backupDatabase(db, date(2024, 1, d), store::BackupMode::Replace));
    const auto before = filesUnder(dir.path());
    for (int failAt = 0;; ++failAt) {
        ASSERT_LT(failAt, 20) << "the backup never got through";
        DiskFullAt fault(failAt);
        auto done = store::backupDatabase(db, date(2024, 1, 16), store::BackupMode::Replace);
        if (done) {
            EXPECT_EQ(failAt, 5); // create, fill, write, sync, rename

            EXPECT_EQ(done->pruned, std::vector<std::string>{dir.file("backup/db-2024-01-02.mdb")});
            break;
        }
        EXPECT_NE(done.error().message.find("磁盘空间不足"), std::string::npos) << done.error().describe();
        EXPECT_EQ(filesUnder(dir.path()), before) << "a failure at step " << failAt << " left a trace";
    }
    EXPECT_EQ(namesIn(dir.file("backup")).size(), 14u);
}

// A copy that comes out wrong from a good database (the disk loses half of it without a word) is a
// failed backup: nothing kept, nothing pruned. A damaged database's copy is kept apart under a
// name that says so, and prunes no good copy.
TEST(Backup, ACopyThatComesOutWrongIsNotKeptAndADamagedDatabasesCopyIsKeptApart) {
    TempDir dir;
    const std::string db = makeLog(dir, 200);
    for (int d = 1; d <= 15; ++d)
        ASSERT_TRUE(store::backupDatabase(db, date(2024, 1, d), store::BackupMode::Replace));
    const auto before = filesUnder(dir.file("backup"));
    {
        jet::setPlaceFileFaultHook([](const char* step) { return std::string_view(step) == "write" ? -1 : 0; });
        auto done = store::backupDatabase(db, date(2024, 1, 16), store::BackupMode::IfMissing);
        jet::setPlaceFileFaultHook(nullptr);
        ASSERT_FALSE(done);
        EXPECT_EQ(done.error().kind, jet::ErrorKind::Io);
        EXPECT_NE(done.error().message.find("副本写出后未通过一致性检查，数据库本身完好"), std::string::npos)
            << done.error().message;
        EXPECT_EQ(filesUnder(dir.file("backup")), before);
    }

    damageDataPage(db);
    auto done = store::backupDatabase(db, date(2024, 1, 16), store::BackupMode::IfMissing);
    ASSERT_FALSE(done);
    EXPECT_EQ(done.error().kind, jet::ErrorKind::Corrupt);
    const std::string apart = dir.file("backup/db-2024-01-16-damaged.mdb");
    EXPECT_NE(done.error().message.find("数据库未通过一致性检查，副本另存为 " + apart), std::string::npos)
        << done.error().message;
    auto after = filesUnder(dir.file("backup"));
    EXPECT_EQ(after.at("db-2024-01-16-damaged.mdb"), readBytes(db));
    after.erase("db-2024-01-16-damaged.mdb");
    EXPECT_EQ(after, before);
    const auto list = store::listBackups(db);
    EXPECT_EQ(list.front().kind, store::BackupEntry::Kind::Damaged);
    EXPECT_FALSE(list.front().ok);
    // The connect of the same day does not write it again.
    EXPECT_TRUE(store::backupDatabase(db, date(2024, 1, 16), store::BackupMode::IfMissing));
}

// Twenty good days, a day that lost entries, fourteen good days after it and a copy dated 2030,
// then thirty days of a damaged database: the good copies stay as they were before the damage,
// with the last copy that had every entry; of the damaged copies the fourteen newest.
TEST(Backup, ThirtyDaysOfADamagedDatabaseKeepTheLastGoodCopies) {
    using namespace std::chrono;
    TempDir dir;
    const std::string db = makeLog(dir, 40);
    auto backupOn = [&](sys_days d) {
        const year_month_day ymd{d};
        return store::backupDatabase(db, date(int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day()))),
                                     store::BackupMode::IfMissing);
    };
    for (sys_days d = sys_days{2024y / January / 1}; d <= sys_days{2024y / January / 20}; d += days{1})
        ASSERT_TRUE(backupOn(d));
    {
        auto w = openWrite(db); // a day that loses ten entries, and passes the check
        const auto ids = rowIdsOf(*w, u"data");
        ASSERT_TRUE(w->begin());
        for (size_t i = 0; i < 10; ++i)
            ASSERT_TRUE(w->deleteRow(u"data", ids[i]));
        ASSERT_TRUE(w->commit());
    }
    for (sys_days d = sys_days{2024y / January / 21}; d <= sys_days{2024y / February / 4}; d += days{1})
        ASSERT_TRUE(backupOn(d));
    ASSERT_TRUE(store::backupDatabase(db, date(2030, 6, 1), store::BackupMode::Replace));
    std::vector<std::string> good = namesIn(dir.file("backup"));

    auto bytes = readBytes(db); // one data page of `data` zeroed
    const uint32_t page = rowIdsOf(*openRead(db), u"data").front().page;
    std::fill_n(bytes.begin() + ptrdiff_t(page) * jet::kPageSize, jet::kPageSize, uint8_t(0));
    writeBytes(db, bytes);
    ASSERT_TRUE(store::databaseDamage(db));
    for (sys_days d = sys_days{2024y / February / 5}; d <= sys_days{2024y / March / 5}; d += days{1}) {
        auto done = backupOn(d);
        ASSERT_FALSE(done);
        EXPECT_EQ(done.error().kind, jet::ErrorKind::Corrupt);
    }

    std::vector<std::string> expected = {"db-2024-01-20.mdb"}; // 40 entries: the last with every one
    for (sys_days d = sys_days{2024y / January / 22}; d <= sys_days{2024y / February / 4}; d += days{1}) {
        const year_month_day ymd{d};
        expected.push_back(store::dailyBackupName(db, date(2024, int(unsigned(ymd.month())), int(unsigned(ymd.day())))));
    }
    EXPECT_EQ(good.size(), expected.size() + 1);
    for (sys_days d = sys_days{2024y / February / 21}; d <= sys_days{2024y / March / 5}; d += days{1}) {
        const year_month_day ymd{d};
        expected.push_back(store::damagedBackupName(db, date(2024, int(unsigned(ymd.month())), int(unsigned(ymd.day())))));
    }
    expected.push_back("db-2030-06-01.mdb");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(dir.file("backup")), expected);
    const std::string advice = store::damagedDatabaseAdvice(db);
    EXPECT_NE(advice.find("30 条记录"), std::string::npos) << advice;
    EXPECT_EQ(advice.find("damaged"), std::string::npos) << advice;
}

// Another process saves entries seven at a time, a few milliseconds apart, each save taking the
// writer's lock only while it writes, as the program does. Every copy must check out and hold whole saves
// only.
TEST(Backup, TakenWhileAnotherProcessWritesReadsWhole) {
    testutil::childRole("writer", saveInSevens);
    TempDir dir;
    const std::string db = makeLog(dir, 0);
    testutil::Child writer("writer", saveInSevens, db);
    int64_t last = 0;
    for (int i = 0; i < 30; ++i) {
        auto done = store::backupDatabase(db, date(2024, 2, 1 + i % 28), store::BackupMode::Replace);
        ASSERT_TRUE(done) << done.error().describe();
        ASSERT_TRUE(checksOut(done->path));
        const int64_t entries = entriesIn(done->path);
        EXPECT_EQ(entries % 7, 0) << "a copy holds part of a save";
        EXPECT_GE(entries, last);
        last = entries;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    writer.kill();
    EXPECT_GT(last, 0);
}

// Daily use on working days from March 2023 to mid-March 2024, with August 2023 away: the 14
// newest copies stay, and the newest of each of the 12 months up to March 2024.
TEST(Backup, RetentionKeepsExactlyTheRightCopiesAcrossTheDays) {
    using namespace std::chrono;
    TempDir dir;
    const std::string db = makeLog(dir, 3);
    for (sys_days d = sys_days{2023y / March / 20}; d <= sys_days{2024y / March / 15}; d += days{1}) {
        const year_month_day ymd{d};
        const weekday wd{d};
        if (wd == Saturday || wd == Sunday || ymd.month() == August)
            continue;
        auto done = store::backupDatabase(
            db, date(int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day()))),
            store::BackupMode::IfMissing);
        ASSERT_TRUE(done) << done.error().describe();
    }
    const std::vector<std::string> expected = {
        "db-2023-04-28.mdb", "db-2023-05-31.mdb", "db-2023-06-30.mdb", "db-2023-07-31.mdb",
        "db-2023-09-29.mdb", "db-2023-10-31.mdb", "db-2023-11-30.mdb", "db-2023-12-29.mdb",
        "db-2024-01-31.mdb", "db-2024-02-27.mdb", "db-2024-02-28.mdb", "db-2024-02-29.mdb",
        "db-2024-03-01.mdb", "db-2024-03-04.mdb", "db-2024-03-05.mdb", "db-2024-03-06.mdb",
        "db-2024-03-07.mdb", "db-2024-03-08.mdb", "db-2024-03-11.mdb", "db-2024-03-12.mdb",
        "db-2024-03-13.mdb", "db-2024-03-14.mdb", "db-2024-03-15.mdb"};
    EXPECT_EQ(namesIn(dir.file("backup")), expected);

    // A clock set back a month: the copies dated after "today" are not touched, and copies that are
    // no copies of a day (before a restore, other files) never are.
    fs::copy_file(dir.file("backup/db-2024-03-15.mdb"),
                  dir.file("backup/db-before-restore-20230101-120000.mdb"));
    fs::copy_file(dir.file("backup/db-2024-03-15.mdb"), dir.file("backup/notes.mdb"));
    ASSERT_TRUE(store::backupDatabase(db, date(2024, 2, 14), store::BackupMode::IfMissing));
    auto names = namesIn(dir.file("backup"));
    for (const char* kept : {"db-2024-03-15.mdb", "db-2024-03-01.mdb", "db-2024-02-14.mdb",
                             "db-2023-04-28.mdb", "db-before-restore-20230101-120000.mdb", "notes.mdb"})
        EXPECT_NE(std::find(names.begin(), names.end(), kept), names.end()) << kept;
    EXPECT_EQ(store::listBackups(db, {}, false).front().name, "db-2024-03-15.mdb");
}

// ---- restore ----

TEST(Restore, PutsTheCopyOverADamagedFileAndKeepsTheDamagedOne) {
    TempDir dir;
    const std::string db = makeLog(dir, 30);
    auto copy = store::backupDatabase(db, date(2024, 3, 14), store::BackupMode::Replace);
    ASSERT_TRUE(copy);
    addEntries(db, 30, 5);
    damageCatalog(db);
    const auto damaged = readBytes(db);
    ASSERT_TRUE(store::databaseDamage(db));
    const std::string advice = store::damagedDatabaseAdvice(db);
    EXPECT_NE(advice.find("ledrimo-db restore " + db + " " + copy->path), std::string::npos) << advice;
    EXPECT_NE(advice.find("2024年3月14日，30 条记录"), std::string::npos) << advice;

    auto done = store::restoreBackup(db, copy->path, {date(2024, 3, 15), 9, 30, 5});
    ASSERT_TRUE(done) << done.error().describe();
    EXPECT_EQ(done->keptAs, dir.file("backup/db-before-restore-20240315-093005.mdb"));
    EXPECT_EQ(readBytes(done->keptAs), damaged);
    EXPECT_EQ(readBytes(db), readBytes(copy->path));
    EXPECT_FALSE(store::databaseDamage(db));
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"backup", "db"}));
}

TEST(Restore, RefusedWhileAnotherProgramHoldsTheWriterLockOrForADamagedCopy) {
    testutil::childRole("holder", holdWriterLock);
    TempDir dir;
    const std::string db = makeLog(dir, 30);
    auto copy = store::backupDatabase(db, date(2024, 3, 14), store::BackupMode::Replace);
    ASSERT_TRUE(copy);
    addEntries(db, 30, 5);
    const auto before = filesUnder(dir.path());

    testutil::Child holder("holder", holdWriterLock, db);
    char c = 0;
    ASSERT_TRUE(holder.readReport(&c, 1));
    ASSERT_EQ(c, '1');
    auto done = store::restoreBackup(db, copy->path, store::localNow());
    holder.kill();
    ASSERT_FALSE(done);
    EXPECT_EQ(done.error().kind, jet::ErrorKind::Locked);
    EXPECT_NE(done.error().message.find("请先退出 Ledrimo"), std::string::npos) << done.error().message;
    EXPECT_EQ(filesUnder(dir.path()), before);

    damageDataPage(copy->path);
    done = store::restoreBackup(db, copy->path, store::localNow());
    ASSERT_FALSE(done);
    EXPECT_EQ(done.error().kind, jet::ErrorKind::Corrupt);
    EXPECT_EQ(readBytes(db), before.at("db"));
    EXPECT_EQ(namesIn(dir.file("backup")), (std::vector<std::string>{"db-2024-03-14.mdb"}));
}

// The program holds the database in use while connected (in another process here): restore and
// compact are refused by name and touch nothing, while another program still writes between the
// program's own writes; once the program is gone, both go ahead.
TEST(Restore, RestoreAndCompactRefusedWhileTheProgramHasTheDatabaseOpen) {
    testutil::childRole("program", holdInUse);
    TempDir dir;
    const std::string db = makeLog(dir, 30);
    auto copy = store::backupDatabase(db, date(2024, 3, 14), store::BackupMode::Replace);
    ASSERT_TRUE(copy);
    testutil::Child program("program", holdInUse, db);
    char c = 0;
    ASSERT_TRUE(program.readReport(&c, 1));
    ASSERT_EQ(c, '1');
    addEntries(db, 30, 5); // another program writes meanwhile
    EXPECT_EQ(entriesIn(db), 35);
    const auto before = filesUnder(dir.path());
    auto restored = store::restoreBackup(db, copy->path, store::localNow());
    ASSERT_FALSE(restored);
    EXPECT_EQ(restored.error().kind, jet::ErrorKind::Locked);
    EXPECT_NE(restored.error().message.find("Ledrimo 正打开着这个数据库，没有恢复"), std::string::npos)
        << restored.error().message;
    auto compacted = store::compactDatabase(db, store::localNow());
    ASSERT_FALSE(compacted);
    EXPECT_EQ(compacted.error().kind, jet::ErrorKind::Locked);
    EXPECT_NE(compacted.error().message.find("Ledrimo 正打开着这个数据库，没有压缩"), std::string::npos)
        << compacted.error().message;
    EXPECT_EQ(filesUnder(dir.path()), before);

    program.kill();
    EXPECT_TRUE(store::compactDatabase(db, store::localNow()));
    EXPECT_TRUE(store::restoreBackup(db, copy->path, store::localNow()));
    EXPECT_EQ(entriesIn(db), 30);
}

// A save that finds another writer's lock taken waits for it instead of failing at once.
TEST(Restore, AWriterThatFindsTheLockTakenWaitsAndThenSucceeds) {
    TempDir dir;
    const std::string db = makeLog(dir, 3);
    auto holder = jet::PageFile::openForWriting(db);
    ASSERT_TRUE(holder);
    jet::OpenOptions now;
    now.write = true;
    now.lockWaitMs = 0;
    auto refused = jet::Database::open(db, now);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message, "数据库正被另一个程序修改");
    std::optional<jet::Status> saved;
    std::thread writer([&] {
        jet::OpenOptions o;
        o.write = true; // the usual wait
        auto w = jet::Database::open(db, o);
        if (!w) {
            saved = w.error();
            return;
        }
        jet::Status st = (*w)->begin();
        if (st) {
            auto row = (*w)->insertRow(u"data", entry(3));
            st = row ? (*w)->commit() : jet::Status(row.error());
        }
        saved = st;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the writer is waiting now
    holder->reset();
    writer.join();
    ASSERT_TRUE(saved && *saved) << (saved ? saved->error().describe() : "");
    EXPECT_EQ(entriesIn(db), 4);
}

// The copy kept before a restore is as private as the database, also when db is a symbolic link
// (whose own mode is 0777).
TEST(Restore, TheKeptCopyOfALinkedDatabaseHasTheFilesMode) {
#ifdef _WIN32
    GTEST_SKIP() << "file modes and symbolic links as POSIX has them";
#else
    TempDir dir;
    const std::string real = dir.file("real.mdb");
    fs::rename(makeLog(dir, 3), real);
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    const std::string db = dir.file("db");
    fs::create_symlink("real.mdb", db);
    auto copy = store::backupDatabase(db, date(2024, 3, 14), store::BackupMode::Replace);
    ASSERT_TRUE(copy) << copy.error().describe();
    auto done = store::restoreBackup(db, copy->path, {date(2024, 3, 15), 9, 30, 5});
    ASSERT_TRUE(done) << done.error().describe();
    struct stat st {};
    ASSERT_EQ(::stat(done->keptAs.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif
}

// A `db` its user made private stays private, and keeps its owner, when compact or restore puts a
// new file in its place.
TEST(Restore, CompactAndRestoreKeepTheDatabasesOwnerAndMode) {
#ifdef _WIN32
    GTEST_SKIP() << "file modes and owners as POSIX has them";
#else
    TempDir dir;
    const std::string db = makeLog(dir, 10);
    auto copy = store::backupDatabase(db, date(2024, 3, 14), store::BackupMode::Replace);
    ASSERT_TRUE(copy) << copy.error().describe();
    ASSERT_EQ(::chmod(db.c_str(), 0600), 0);
    // As root the file is given to another user (nobody), as a user's own file is when root runs
    // the tool on it.
    const bool root = ::geteuid() == 0;
    if (root)
        ASSERT_EQ(::chown(db.c_str(), 65534, 65534), 0);
    struct stat before {};
    ASSERT_EQ(::stat(db.c_str(), &before), 0);
    auto expectKept = [&](const char* after) {
        struct stat st {};
        ASSERT_EQ(::stat(db.c_str(), &st), 0);
        EXPECT_NE(st.st_ino, before.st_ino) << after << ": the file was not replaced";
        EXPECT_EQ(st.st_mode & 07777, 0600u) << after;
        EXPECT_EQ(st.st_uid, before.st_uid) << after;
        EXPECT_EQ(st.st_gid, before.st_gid) << after;
    };
    auto compacted = store::compactDatabase(db, {date(2024, 3, 15), 9, 0, 0});
    ASSERT_TRUE(compacted) << compacted.error().describe();
    expectKept("compact");
    ASSERT_EQ(::stat(db.c_str(), &before), 0);
    auto restored = store::restoreBackup(db, copy->path, {date(2024, 3, 15), 9, 30, 5});
    ASSERT_TRUE(restored) << restored.error().describe();
    expectKept("restore");
    EXPECT_EQ(entriesIn(db), 10);
#endif
}

// A writer that stopped in the middle of saving left a journal: it belongs to the file being
// replaced and must not be applied to the copy put in its place.
TEST(Restore, TheJournalOfTheReplacedFileIsRolledBackIntoItsKeptCopy) {
    TempDir dir;
    const std::string db = makeLog(dir, 30);
    auto copy = store::backupDatabase(db, date(2024, 3, 14), store::BackupMode::Replace);
    ASSERT_TRUE(copy);
    const auto saved = readBytes(db);
    // How many disk steps one save of five entries takes, on a scratch copy.
    const std::string scratch = dir.file("scratch");
    writeBytes(scratch, saved);
    uint64_t steps = 0;
    {
        auto w = openWrite(scratch);
        ASSERT_TRUE(w->begin());
        for (int n = 30; n < 35; ++n)
            ASSERT_TRUE(w->insertRow(u"data", entry(n)));
        ASSERT_TRUE(w->commit());
        steps = w->pageFile().writesDone();
    }
    fs::remove(scratch);
    {
        // Stopped after every page was written, before the file was synced.
        auto w = openWrite(db);
        w->pageFile().setFaultPlan(jet::FaultPlan{steps - 3, false});
        ASSERT_TRUE(w->begin());
        for (int n = 30; n < 35; ++n)
            ASSERT_TRUE(w->insertRow(u"data", entry(n)));
        ASSERT_FALSE(w->commit());
    }
    ASSERT_TRUE(fs::exists(db + "-journal"));
    ASSERT_NE(readBytes(db), saved);

    auto done = store::restoreBackup(db, copy->path, store::localNow());
    ASSERT_TRUE(done) << done.error().describe();
    EXPECT_FALSE(fs::exists(db + "-journal"));
    EXPECT_EQ(readBytes(done->keptAs), saved);
    EXPECT_EQ(readBytes(db), readBytes(copy->path));
    EXPECT_EQ(entriesIn(db), 30);
}

// ---- compact ----

namespace {

// A value of mdb-reader's JSON as text.
std::string text(const Json& j) {
    switch (j.kind) {
    case Json::Null:
        return "null";
    case Json::Bool:
        return j.boolean ? "true" : "false";
    case Json::Number:
        return j.number;
    case Json::String:
        return '"' + jet::toUtf8(j.string) + '"';
    case Json::Array: {
        std::string out = "[";
        for (const Json& e : j.array)
            out += text(e) + ",";
        return out + "]";
    }
    case Json::Object: {
        std::string out = "{";
        for (const auto& [k, v] : j.object)
            out += k + ":" + text(v) + ",";
        return out + "}";
    }
    }
    return {};
}

// What the readers see of every user table: mdb-export's CSV and mdb-reader's columns and rows.
// Rows are compared as a sorted list: both readers take a moved row from where its data lies, not
// from its place in the table, so before compacting they list moved rows out of table order.
std::vector<std::string> readersView(const std::string& path) {
    std::vector<std::string> view;
    const std::string tables = runProgram({"mdb-tables", "-1", path}).out;
    for (const char* table : {"data", "admin", "mixed"}) {
        if (tables.find(table) == std::string::npos)
            continue;
        std::vector<std::string> rows;
        const std::string csv = runProgram({"mdb-export", "-D", "%Y-%m-%d %H:%M:%S", path, table}).out;
        for (size_t at = 0, end; at < csv.size(); at = end + 1) {
            end = csv.find('\n', at);
            rows.push_back(csv.substr(at, end - at));
            if (end == std::string::npos)
                break;
        }
        if (!nodeModulesDir().empty()) {
            const Json j = parseJson(runProgram({"node", LEDRIMO_JET_TEST_DIR "/mdb_reader_table.mjs",
                                                 nodeModulesDir(), path, table})
                                         .out);
            rows.push_back(text(j.at("columns")) + " " + text(j.at("rowCount")));
            for (const Json& row : j.at("rows").array)
                rows.push_back(text(row));
        }
        std::sort(rows.begin(), rows.end());
        view.push_back(table);
        view.insert(view.end(), rows.begin(), rows.end());
    }
    return view;
}

} // namespace

TEST(Compact, AfterHeavyChurnTheFileShrinksAndReadsTheSameInOtherReaders) {
    REQUIRE_ORACLE(haveProgram("mdb-export"), "mdbtools");
    TempDir dir;
    const std::string db = makeLog(dir, 3000);
    {
        // Notes grown past their page (moved rows), two entries of three deleted.
        auto w = openWrite(db);
        ASSERT_TRUE(w->begin());
        const auto ids = rowIdsOf(*w, u"data");
        for (size_t i = 0; i < ids.size(); ++i) {
            if (i % 3 != 0) {
                ASSERT_TRUE(w->deleteRow(u"data", ids[i]));
            } else if (i % 2 == 0) {
                ASSERT_TRUE(w->updateRow(u"data", ids[i], {{6, Value(textOf(200, u"长备注"))}}));
            }
        }
        ASSERT_TRUE(w->commit());
    }
    // Another table of every type the engine writes, NULLs and long memos included.
    {
        jet::TableSpec mixed{u"mixed", {}, {}};
        for (auto [name, type, length] : std::vector<std::tuple<const char16_t*, jet::ColumnType, uint16_t>>{
                 {u"t", jet::ColumnType::Text, 50},
                 {u"m", jet::ColumnType::Memo, 0},
                 {u"o", jet::ColumnType::OLE, 0},
                 {u"b", jet::ColumnType::Boolean, 0},
                 {u"y", jet::ColumnType::Byte, 0},
                 {u"i", jet::ColumnType::Integer, 0},
                 {u"l", jet::ColumnType::Long, 0},
                 {u"c", jet::ColumnType::Currency, 0},
                 {u"f", jet::ColumnType::Single, 0},
                 {u"d", jet::ColumnType::Double, 0},
                 {u"w", jet::ColumnType::DateTime, 0},
                 {u"g", jet::ColumnType::GUID, 0},
                 {u"n", jet::ColumnType::Numeric, 0},
                 {u"x", jet::ColumnType::Binary, 16}})
            mixed.columns.push_back({name, type, length});
        mixed.columns[12].scale = 2;
        auto bytes = jet::createDatabase({}, {store::ledrimoTables()[0], mixed});
        ASSERT_TRUE(bytes) << bytes.error().describe();
        writeBytes(dir.file("mixed.mdb"), *bytes);
        auto w = openWrite(dir.file("mixed.mdb"));
        ASSERT_TRUE(w->begin());
        for (int r = 0; r < 400; ++r) {
            std::vector<Value> v(14, jet::Null{});
            if (r % 5 != 0) {
                v = {textOf(size_t(r % 50)),
                     textOf(size_t(r * 7 % 500), u"备忘录"),
                     jet::Bytes(size_t(r % 90), uint8_t(r)),
                     r % 2 == 0,
                     uint8_t(r),
                     int16_t(-r),
                     int32_t(r * 1000),
                     jet::Currency{r * 12345},
                     float(r) / 3,
                     double(r) / 7,
                     jet::DateTime{40000.25 + r},
                     jet::Guid{{uint8_t(r), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
                     jet::Decimal{r % 3 == 0, 18, 2, {uint32_t(r * 100 + 25), 0, 0}},
                     jet::Bytes(16, uint8_t(r))};
            }
            ASSERT_TRUE(w->insertRow(u"mixed", v)) << r;
        }
        const auto ids = rowIdsOf(*w, u"mixed");
        for (size_t i = 0; i < ids.size(); i += 3)
            ASSERT_TRUE(w->deleteRow(u"mixed", ids[i]));
        ASSERT_TRUE(w->commit());
    }

    for (const std::string& file : {db, dir.file("mixed.mdb")}) {
        SCOPED_TRACE(file);
        const auto bytes = readBytes(file);
        const auto view = readersView(file);
        ASSERT_GT(view.size(), 400u);
        auto done = store::compactDatabase(file, {date(2024, 3, 15), 18, 0, 0});
        ASSERT_TRUE(done) << done.error().describe();
        EXPECT_EQ(done->bytesBefore, bytes.size());
        EXPECT_EQ(done->bytesAfter, fs::file_size(file));
        EXPECT_LT(done->bytesAfter, done->bytesBefore * (file == db ? 0.8 : 0.95));
        EXPECT_EQ(readBytes(done->keptAs), bytes);
        EXPECT_TRUE(readersView(file) == view) << "the readers see other rows after compacting";
        // And now mdbtools lists them in table order, as the engine (and Access) do: by ID in
        // `data`, by the Long column in `mixed`.
        const bool log = file == db;
        const size_t key = log ? 8 : 6;
        const auto csv = parseCsv(runProgram({"mdb-export", file, log ? "data" : "mixed"}).out);
        const Rows rows = readTable(file, log ? u"data" : u"mixed");
        ASSERT_EQ(csv.size(), rows.size() + 1);
        for (size_t r = 0; r < rows.size(); ++r) {
            const Value& v = rows[r][key];
            const std::string expected = log         ? jet::toUtf8(std::get<std::u16string>(v))
                                         : isNull(v) ? ""
                                                     : std::to_string(std::get<int32_t>(v));
            ASSERT_EQ(csv[r + 1][key].text, expected) << "row " << r;
        }
        EXPECT_TRUE(consistent(file, {file == db ? u"data" : u"mixed"}));
    }
}

TEST(Compact, AFailureAtAnyStepLeavesTheFileAsItWas) {
    TempDir dir;
    const std::string db = makeLog(dir, 300);
    {
        auto w = openWrite(db);
        ASSERT_TRUE(w->begin());
        for (const auto& id : rowIdsOf(*w, u"data")) {
            if (id.row % 2 == 0) {
                ASSERT_TRUE(w->deleteRow(u"data", id));
            }
        }
        ASSERT_TRUE(w->commit());
    }
    const auto before = filesUnder(dir.path());
    for (int failAt = 0;; ++failAt) {
        ASSERT_LT(failAt, 30) << "the compact never got through";
        DiskFullAt fault(failAt);
        auto done = store::compactDatabase(db, store::localNow());
        if (done) {
            EXPECT_EQ(failAt, 10); // the kept copy, then the new file: create, fill, write, sync, rename
            EXPECT_EQ(readBytes(done->keptAs), before.at("db"));
            break;
        }
        EXPECT_NE(done.error().message.find("磁盘空间不足"), std::string::npos) << done.error().describe();
        EXPECT_EQ(filesUnder(dir.path()), before) << "a failure at step " << failAt << " left a trace";
    }
    EXPECT_TRUE(consistent(db, {u"data"}));
}

// A rebuilt file whose rows read back differently (one entry's identifier changed in it) is
// refused, and the original stays as it was.
TEST(Compact, ARebuiltFileThatReadsBackDifferentlyIsRefused) {
    TempDir dir;
    const std::string db = makeLog(dir, 30);
    const auto before = filesUnder(dir.path());
    int changed = 0;
    store::setCompactRebuiltFileHook([&](std::vector<uint8_t>& image) {
        // The identifier GZ-00007 as compressed text, or else as UTF-16: its last digit becomes 8.
        const std::string ascii = "GZ-00007";
        std::string wide;
        for (char c : ascii)
            wide += std::string{c, '\0'};
        for (const std::string& text : {ascii, wide}) {
            auto at = std::search(image.begin(), image.end(), text.begin(), text.end());
            if (at != image.end()) {
                *(at + ptrdiff_t(text.size() == ascii.size() ? text.size() - 1 : text.size() - 2)) = '8';
                ++changed;
                return;
            }
        }
    });
    auto done = store::compactDatabase(db, store::localNow());
    store::setCompactRebuiltFileHook(nullptr);
    ASSERT_EQ(changed, 1);
    ASSERT_FALSE(done);
    EXPECT_EQ(done.error().kind, jet::ErrorKind::Corrupt);
    EXPECT_NE(done.error().message.find("重建的表“data”读回的行与原来的不同，没有压缩；文件未改动"),
              std::string::npos)
        << done.error().message;
    EXPECT_EQ(filesUnder(dir.path()), before);
}

TEST(Compact, RefusesWhatTheEngineCannotRebuildAndTouchesNothing) {
    REQUIRE_SAMPLES();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"access2000_empty.mdb", "Access 保存的对象"},
        {"jackcess_delTestV2000.mdb", "MSysAccessObjects"},
        {"linq2db_TestData.mdb", "查询"},
        {"access_parser_test.mdb", "表间关系"},
        {"mdbreader_V2000_with-password.mdb", "密码"},
    };
    for (const auto& [sample, reason] : cases) {
        SCOPED_TRACE(sample);
        TempDir dir;
        const std::string file = copySample(dir, sample);
        const auto before = filesUnder(dir.path());
        store::BackupOptions options;
        options.password = u"password";
        auto done = store::compactDatabase(file, store::localNow(), options);
        ASSERT_FALSE(done);
        EXPECT_EQ(done.error().kind, jet::ErrorKind::Unsupported);
        EXPECT_NE(done.error().message.find(reason), std::string::npos) << done.error().message;
        EXPECT_EQ(filesUnder(dir.path()), before);
    }

    // Under another program's writer lock.
    TempDir dir;
    const std::string db = makeLog(dir, 10);
    auto holder = openWrite(db);
    auto done = store::compactDatabase(db, store::localNow());
    ASSERT_FALSE(done);
    EXPECT_EQ(done.error().kind, jet::ErrorKind::Locked);
}

// ---- the account ----

TEST(Account, SetAsTheAccountWindowStoresIt) {
    TempDir dir;
    const std::string db = makeLog(dir, 0);
    auto set = store::setAccount(db, "O'Neil", "新密码1");
    ASSERT_TRUE(set) << set.error().describe();
    EXPECT_FALSE(set->inserted);
    auto rows = readTable(db, u"admin");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], Value(std::u16string(u"O'Neil")));
    // The password's GBK bytes, as the program's password box gives them.
    EXPECT_EQ(rows[0][2], Value(jet::fromUtf8(store::buildPasswordCode("\xD0\xC2\xC3\xDC\xC2\xEB"
                                                                       "1"))));

    // Without a name the stored one stays; the checks of the window, and more.
    ASSERT_TRUE(store::setAccount(db, "", "other"));
    EXPECT_EQ(readTable(db, u"admin")[0][1], Value(std::u16string(u"O'Neil")));
    for (auto [name, password, message] : std::vector<std::tuple<const char*, const char*, const char*>>{
             {"tamsu", "", "请输入你要设置的密码"},
             {"12345678901", "x", "用户名最多 10 个字符"},
             {"tamsu", "\xF0\x9F\x98\x80", "GBK"}}) {
        auto r = store::setAccount(db, name, password);
        ASSERT_FALSE(r) << name;
        EXPECT_NE(r.error().message.find(message), std::string::npos) << r.error().message;
    }

    // An empty table gets the insert; without a name there is nothing to keep.
    {
        auto w = openWrite(db);
        ASSERT_TRUE(w->deleteRow(u"admin", rowIdsOf(*w, u"admin")[0]));
    }
    auto none = store::setAccount(db, "", "x");
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error().message, "请输入用户名");
    set = store::setAccount(db, "李四", "x");
    ASSERT_TRUE(set);
    EXPECT_TRUE(set->inserted);
    rows = readTable(db, u"admin");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], Value(int32_t(1)));
    EXPECT_EQ(rows[0][1], Value(std::u16string(u"李四")));

    // A damaged definition of admin is the engine's Corrupt error, not a foreign database.
    {
        auto bytes = readBytes(db);
        const uint32_t page = openRead(db)->catalog().findTable(u"admin")->tdefPage();
        std::fill(bytes.begin() + size_t(page) * jet::kPageSize,
                  bytes.begin() + size_t(page + 1) * jet::kPageSize, uint8_t(0x5A));
        writeBytes(db, bytes);
    }
    set = store::setAccount(db, "李四", "x");
    ASSERT_FALSE(set);
    EXPECT_EQ(set.error().kind, jet::ErrorKind::Corrupt) << set.error().describe();
    EXPECT_EQ(set.error().message.find("没有表 admin"), std::string::npos) << set.error().message;
}

// ---- the verbs of ledrimo-db ----

TEST(Tool, BackupListRestoreCompactAndPasswd) {
    TempDir dir;
    const std::string db = makeLog(dir, 12);
    auto r = runTool({"backup", db, "--date", "2024-03-14"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("db-2024-03-14.mdb（"), std::string::npos) << r.out;
    for (const char* bad : {"2024-02-30", "2024-3-5", " 2024-03-05", "2024-03-05x"}) {
        r = runTool({"backup", db, "--date", bad});
        EXPECT_EQ(r.exitCode, 1) << bad;
        EXPECT_NE(r.err.find(std::string("--date 的日期无效：") + bad + "（应为存在的日期，如 2026-10-01）"),
                  std::string::npos)
            << r.err;
    }
    damageDataPage(dir.file("backup/db-2024-03-14.mdb"));
    ASSERT_EQ(runTool({"backup", db, "--date", "2024-03-15"}).exitCode, 0);

    r = runTool({"backups", db});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const size_t newer = r.out.find("db-2024-03-15.mdb"), older = r.out.find("db-2024-03-14.mdb");
    ASSERT_LT(newer, older) << r.out;
    EXPECT_NE(r.out.find("12  正常", newer), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("未通过一致性检查", older), std::string::npos) << r.out;

    r = runTool({"restore", db, dir.file("backup/db-2024-03-14.mdb")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("备份未通过一致性检查，不能用来恢复"), std::string::npos) << r.err;

    r = runTool({"compact", db});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("压缩前："), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("压缩后："), std::string::npos) << r.out;

    // Through a shell's pipe (on Windows: tests/tools/windows_tool_test.sh).
    if (!linuxToolsRun())
        return;
    r = runProgram(
        {"sh", "-c", "printf 'pa ss\\n' | \"$0\" passwd \"$1\" --password-stdin", LEDRIMO_DB_TOOL, db});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readTable(db, u"admin")[0][2], Value(jet::fromUtf8(store::buildPasswordCode("pa ss"))));
    r = runProgram({"sh", "-c", "\"$0\" passwd \"$1\" </dev/null", LEDRIMO_DB_TOOL, db});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("--password-stdin"), std::string::npos) << r.err;
}
