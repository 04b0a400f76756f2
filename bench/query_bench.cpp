// The date query window's search at 1,000, 10,000 and 100,000 entries, as the user runs it: the
// main window connected to the program's `db`, the query window loaded, a date picked and
// 超级按钮1 clicked (MoveFirst, Find on 记录集1, showEntry on a hit).
//   Hit       the working date of the last entry (the whole table passed over)
//   HitFirst  the working date of the first entry
//   Miss      a date no entry has (the not-found message, answered at once)
// Every program directory starts with the database image the program carries. A benchmark, not a
// test; run with QT_QPA_PLATFORM=offscreen.
//   query_bench [benchmark options]
#include "runtime/qt/access.h"
#include "jet/sql_engine.h"
#include "runtime/data_values.h"
#include "runtime/picture.h"
#include "runtime/runtime.h"
#include "store/database_file.h"
#include "ui/main/main_window.h"
#include "ui/query/query.h"
#include "ui/query_and_account.h"
#include "bench/bench_entries.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

using benchdata::kFirstDay;

std::map<int, std::unique_ptr<QTemporaryDir>> g_dirs; // entries -> program directory
int g_loaded = -1;                                    // entries of the directory the main window uses

// A program directory whose `db` holds `entries` entries, one working day each.
QString programDirectory(int entries) {
    auto& dir = g_dirs[entries];
    if (dir)
        return dir->path();
    dir = std::make_unique<QTemporaryDir>();
    rt::setProgramDirectoryForTests(rt::Text(dir->path()));
    if (!store::restoreDatabase())
        std::exit(1);
    benchdata::writeEntries((dir->path() + QStringLiteral("/db")).toStdString(), entries, [](int n) {
        char id[32];
        std::snprintf(id, sizeof id, "GZ-%05d", n);
        return rt::Text::fromBytes(id);
    });
    return dir->path();
}

// The main window connected to the `db` of that size, and the query window loaded over it.
rt::Form& queryWindow(int entries) {
    if (g_loaded != entries) {
        for (const char* form : {"查询", "主窗口"})
            if (rt::isLoaded(form))
                rt::form(form).destroy();
        QCoreApplication::processEvents();
        rt::setProgramDirectoryForTests(rt::Text(programDirectory(entries)));
        if (!rt::loadForm("主窗口") || !rt::form("主窗口").menuItem("打开数据库").choose())
            std::exit(1);
        rt::loadForm("查询"); // modeless here, so that the benchmark can drive it
        g_loaded = entries;
    }
    return rt::form("查询");
}

void search(benchmark::State& state, double day) {
    rt::Form& query = queryWindow(int(state.range(0)));
    query.dateBox("日期框1").setValue(day);
    for (auto _ : state) {
        query.control("超级按钮1").setDisabled(false);
        ui::querySearch(query);
    }
}

void Hit(benchmark::State& state) {
    search(state, kFirstDay + double(state.range(0)));
}
void HitFirst(benchmark::State& state) {
    search(state, kFirstDay + 1);
}
void Miss(benchmark::State& state) {
    search(state, kFirstDay - 1000);
}

const std::vector<int64_t> kSizes = {1000, 10000, 100000};
BENCHMARK(Hit)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(HitFirst)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(Miss)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    rt::initRuntime();
    ui::registerMainWindowHandlers();
    ui::registerQueryAndAccountHandlers();
    rt::setMessageBoxHook([](const rt::MessageBoxCall&) { return int(rt::MbOk); });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const char* form : {"查询", "主窗口"})
        if (rt::isLoaded(form))
            rt::form(form).destroy();
    QCoreApplication::processEvents();
    g_dirs.clear();
    return 0;
}
