// What the automatic backup adds to connecting, with the main window's real handlers over a
// program directory whose `db` holds 10,000 or 100,000 entries:
//   Connect            menu 打开数据库 when the copy of the day exists already (a look at the folder)
//   ConnectMakingCopy  the same when the copy of the day is made: what the connect waits for (the
//                      file read under the writer lock; the rest goes on beside the window)
//   ConnectUntilCopyPlaced  the same until the copy is written, synced, checked and renamed
// and the parts of making the copy on their own:
//   WriteAndSync       the file's bytes placed as a new file (jet::placeFileBytes: write, fsync, rename)
//   Check              the engine's consistency check of the copy
//   QuickCheck         the quick check of `data` connecting runs (jet::checkTableQuickly)
//   DamageAtConnect    all that connecting adds for it (store::databaseDamage)
// A benchmark, not a test: run by hand, offscreen.
//   backup_bench [benchmark options]
#include "jet/atomic_file.h"
#include "jet/check.h"
#include "jet/database.h"
#include "runtime/data_values.h"
#include "runtime/datetime.h"
#include "runtime/runtime.h"
#include "store/backup.h"
#include "store/database_file.h"
#include "ui/main/main_window.h"

#include "bench/bench_windows.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using benchwin::closeWindows;
using benchwin::prepared;

// The copy of today the connect makes.
fs::path todaysCopy(const fs::path& dir) {
    const double now = rt::now();
    return dir / "backup" /
           store::dailyBackupName((dir / "db").string(), {rt::year(now), rt::month(now), rt::day(now)});
}

rt::MenuItem& connectedMainWindow(const fs::path& dir) {
    closeWindows();
    rt::setProgramDirectoryForTests(rt::Text::fromUtf8(dir.string()));
    rt::loadForm("主窗口");
    rt::MenuItem& item = rt::form("主窗口").menuItem("打开数据库");
    item.choose();
    return item;
}

void Connect(benchmark::State& state) {
    const fs::path dir = prepared(int(state.range(0)));
    rt::MenuItem& item = connectedMainWindow(dir);
    store::waitForBackup();
    if (!fs::exists(todaysCopy(dir)))
        state.SkipWithError("no copy of the day");
    for (auto _ : state) {
        state.PauseTiming();
        item.choose(); // disconnect
        state.ResumeTiming();
        item.choose(); // connect
    }
    closeWindows();
}

// `wait`: until the copy is in place too (the part that goes on beside the window).
void connectMakingCopy(benchmark::State& state, bool wait) {
    const fs::path dir = prepared(int(state.range(0)));
    rt::MenuItem& item = connectedMainWindow(dir);
    const fs::path copy = todaysCopy(dir);
    for (auto _ : state) {
        state.PauseTiming();
        store::waitForBackup();
        item.choose(); // disconnect
        fs::remove(copy);
        state.ResumeTiming();
        item.choose(); // connect
        if (wait)
            store::waitForBackup();
    }
    store::waitForBackup();
    if (!fs::exists(copy))
        state.SkipWithError("no copy made");
    closeWindows();
}

void ConnectMakingCopy(benchmark::State& state) {
    connectMakingCopy(state, false);
}

void ConnectUntilCopyPlaced(benchmark::State& state) {
    connectMakingCopy(state, true);
}

jet::Bytes fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return jet::Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAndSync(benchmark::State& state) {
    const fs::path dir = prepared(int(state.range(0)));
    const jet::Bytes bytes = fileBytes(dir / "db");
    const std::string target = (benchwin::root() / "copy.mdb").string();
    for (auto _ : state)
        if (!jet::placeFileBytes(target, jet::PlaceMode::Replace, jet::ByteView(bytes.data(), bytes.size())))
            state.SkipWithError("write failed");
}

void Check(benchmark::State& state) {
    const fs::path dir = prepared(int(state.range(0)));
    for (auto _ : state) {
        auto db = jet::Database::open((dir / "db").string());
        if (!db || !jet::checkDatabase(**db).ok())
            state.SkipWithError("check failed");
    }
}

// The quick check at connect on its own, over a database already open (the table's pages read
// once, as connecting reads them anyway)...
void QuickCheck(benchmark::State& state) {
    const fs::path dir = prepared(int(state.range(0)));
    auto db = jet::Database::open((dir / "db").string());
    if (!db)
        state.SkipWithError("open failed");
    for (auto _ : state)
        if (!jet::checkTableQuickly(**db, u"data").ok())
            state.SkipWithError("damage found");
}

// ... and all that connecting adds for it: store::databaseDamage opens the file afresh, reads the
// row lists of data and admin and runs the quick check on both.
void DamageAtConnect(benchmark::State& state) {
    const fs::path dir = prepared(int(state.range(0)));
    for (auto _ : state)
        if (store::databaseDamage((dir / "db").string()))
            state.SkipWithError("damage found");
}

const std::vector<int64_t> kSizes = {10000, 100000};
BENCHMARK(QuickCheck)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(DamageAtConnect)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(Connect)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(ConnectMakingCopy)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(ConnectUntilCopyPlaced)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(WriteAndSync)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(Check)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return benchwin::run(argc, argv, "ledrimo-backup-bench", [] { ui::registerMainWindowHandlers(); });
}
