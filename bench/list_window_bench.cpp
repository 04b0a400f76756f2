// The list window and the main window with their real handlers on the real forms, over a program
// directory whose `db` holds 1,000, 10,000 or 100,000 entries (written through the engine, starting
// from the database image the program carries):
//   Connect     menu 打开数据库 on a disconnected main window: connect, open, showEntry
//   Add         加入新记录, a name typed, 添加按钮 confirmed: identifier query, insert, both sets
//               opened again, showEntry (on a copy of its own, so the others keep their size)
//   NextIdentifier  the identifier step of Add alone
//   DateQuery   the date query's search: MoveFirst and Find of the last entry's working date on
//               the browsing set
//   ListOpen    button 列表: dressing, fill, the fade-in (26 steps of 3 ms, about 80 ms of it by
//               design), the first paint
//   ListFill    menu 刷新 and the paint of the rows in view
//   ListScroll  after a fill: to the last row and back to the first, painted each time
//   ListDetails a row selected: the detail area filled from its entry
// A benchmark, not a test: run by hand, offscreen.
//   list_window_bench [benchmark options]
#include "runtime/qt/access.h"
#include "runtime/data_values.h"
#include "runtime/runtime.h"
#include "store/database_file.h"
#include "store/entry_statements.h"
#include "ui/list/list_window.h"
#include "ui/main/main_window.h"

#include "bench/bench_windows.h"
#include "jet/sql_engine.h"

#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTreeView>

#include <cstdio>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using benchwin::closeWindows;
using benchwin::prepared;

int g_loaded = -1; // the entries of the program directory the windows use now

using benchdata::kFirstDay;

rt::Form& mainWindow() {
    return rt::form("主窗口");
}

// The main window loaded and connected on the program directory `dir`.
void startOn(const fs::path& dir) {
    closeWindows();
    rt::setProgramDirectoryForTests(rt::Text::fromUtf8(dir.string()));
    rt::loadForm("主窗口");
    mainWindow().menuItem("打开数据库").choose();
}

void useEntries(int entries) {
    if (g_loaded == entries)
        return;
    startOn(prepared(entries));
    g_loaded = entries;
}

void click(rt::Form& f, const char* button) {
    qobject_cast<QAbstractButton*>(rt::qt::widget(f.control(button)))->click();
}

rt::Form& openList() {
    if (!rt::isLoaded("列表查看"))
        click(mainWindow(), "列表");
    return rt::form("列表查看");
}

QTreeView* listWidget(rt::Form& list) {
    return static_cast<QTreeView*>(rt::qt::widget(list.listView("超级列表框1")));
}

// Paints the list as the screen would show it now.
void paint(rt::Form& list) {
    benchmark::DoNotOptimize(listWidget(list)->viewport()->grab());
}

void Connect(benchmark::State& state) {
    useEntries(int(state.range(0)));
    rt::MenuItem& item = mainWindow().menuItem("打开数据库");
    for (auto _ : state) {
        state.PauseTiming();
        item.choose(); // disconnect
        state.ResumeTiming();
        item.choose(); // connect
    }
}

void Add(benchmark::State& state) {
    const int entries = int(state.range(0));
    const fs::path copy = benchwin::root() / "scratch";
    fs::remove_all(copy);
    fs::create_directories(copy);
    fs::copy_file(prepared(entries) / "db", copy / "db");
    startOn(copy);
    g_loaded = -1;
    rt::Form& main = mainWindow();
    for (auto _ : state) {
        main.menuItem("加入新记录").choose();
        main.control("姓名编辑框").setText("李四");
        click(main, "添加按钮");
    }
    closeWindows();
}

// The first step of Add alone: the next entry identifier.
void NextIdentifier(benchmark::State& state) {
    useEntries(int(state.range(0)));
    rt::Form& main = mainWindow();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            store::nextEntryIdentifier(main.recordSet("记录集2"), main.connection("数据库连接1")));
}

void DateQuery(benchmark::State& state) {
    const int entries = int(state.range(0));
    useEntries(entries);
    rt::RecordSet& browsing = mainWindow().recordSet("记录集1");
    const rt::Text criteria = rt::Text("上班日期='") + rt::dateText(kFirstDay + entries) + "'";
    for (auto _ : state) {
        browsing.MoveFirst();
        if (!browsing.Find(criteria, 1))
            state.SkipWithError("not found");
    }
}

void ListOpen(benchmark::State& state) {
    useEntries(int(state.range(0)));
    for (auto _ : state) {
        rt::Form& list = openList();
        paint(list);
        state.PauseTiming();
        list.destroy();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}

void ListFill(benchmark::State& state) {
    useEntries(int(state.range(0)));
    rt::Form& list = openList();
    for (auto _ : state) {
        list.menuItem("刷新").choose();
        paint(list);
    }
    if (list.listView("超级列表框1").count() != state.range(0))
        state.SkipWithError("wrong row count");
}

void ListScroll(benchmark::State& state) {
    useEntries(int(state.range(0)));
    rt::Form& list = openList();
    QTreeView* view = listWidget(list);
    for (auto _ : state) {
        state.PauseTiming();
        list.menuItem("刷新").choose(); // no row read yet
        state.ResumeTiming();
        view->scrollToBottom();
        paint(list);
        view->scrollToTop();
        paint(list);
    }
}

void ListDetails(benchmark::State& state) {
    const int entries = int(state.range(0));
    useEntries(entries);
    rt::Form& list = openList();
    rt::ListView& rows = list.listView("超级列表框1");
    int row = 0;
    for (auto _ : state) {
        row = row == entries - 1 ? entries / 2 : entries - 1; // the current row changes each time
        rows.setSelectedIndex(row);
    }
}

const std::vector<int64_t> kSizes = {1000, 10000, 100000};
BENCHMARK(Connect)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(Add)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
// The identifier step at 99,999 entries too: the last table whose identifiers all have five
// digits. Past GZ-99999 the step has to find the highest number by value, since text order no
// longer tells it (at 100,000 entries, and for every Add that follows the first at 99,999).
const std::vector<int64_t> kIdentifierSizes = {1000, 10000, 99999, 100000};
BENCHMARK(NextIdentifier)->ArgsProduct({kIdentifierSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(DateQuery)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(ListOpen)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(ListFill)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(ListScroll)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(ListDetails)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return benchwin::run(argc, argv, "ledrimo-list-bench", [] {
        ui::registerMainWindowHandlers();
        ui::registerListWindowHandlers();
    });
}
