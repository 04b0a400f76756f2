// The date query window's search at 1,000, 10,000 and 100,000 entries, as the user runs it: the
// main window connected to the program's `db`, the query window loaded, a date picked and
// 超级按钮1 clicked (MoveFirst, Find on 记录集1, showEntry on a hit).
//   Hit       the working date of the last entry (the whole table passed over)
//   HitFirst  the working date of the first entry
//   Miss      a date no entry has (the not-found message, answered at once)
// Every program directory starts with the database image the program carries. A benchmark, not a
// test; run with QT_QPA_PLATFORM=offscreen.
//   query_bench [benchmark options]
#include "jet/sql_engine.h"
#include "runtime/data_values.h"
#include "runtime/picture.h"
#include "runtime/runtime.h"
#include "store/database_file.h"
#include "ui/main/main_window.h"
#include "ui/query/query.h"
#include "ui/query_and_account.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

const double kFirstDay = 40179; // 2010-01-01

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
    auto conn = jet::sql::Connection::open((dir->path() + QStringLiteral("/db")).toStdString());
    if (!conn || !(*conn)->begin())
        std::exit(1);
    for (int n = 1; n <= entries; ++n) {
        char id[32];
        std::snprintf(id, sizeof id, "GZ-%05d", n);
        const double day = kFirstDay + n;
        std::vector<jet::Value> row = {
            std::u16string(u"张三"),
            std::u16string(u"深圳市某某电子科技有限公司"),
            std::u16string(u"广东省深圳市南山区科技园南区某某路 88 号 3 栋 501"),
            jet::DateTime{kFirstDay - 400},
            jet::DateTime{day},
            int32_t(8),
            std::u16string(u"上午调试新版本的数据接口，下午与客户开会讨论需求，整理会议记录。"),
            jet::DateTime{day + 0.75},
            rt::data::utf16Of(rt::Text::fromBytes(id)),
        };
        if (!(*conn)->insertRow(u"data", row))
            std::exit(1);
    }
    if (!(*conn)->commit())
        std::exit(1);
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
    runtime::registerPictures();
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
