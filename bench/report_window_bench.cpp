// The report window with its real handlers on the real form, over a program directory whose `db`
// holds 1,000, 10,000 or 100,000 entries (one a day from 2010-01-02, written through the engine,
// starting from the database image the program carries), the main window connected:
//   ReportOpen    menu 统计报表: the window built, the month of today computed over the whole
//                 table and shown (chart, totals, lists), the first paint
//   SwitchMonth   上一月 or 下一月: the month computed and shown, painted
//   RefreshAfterEdit  an entry modified through the main window's statement set, then the
//                 window's timer tick: the change seen, the month computed again and painted
//   IdleTick      the timer tick when nothing changed (what the window costs while it is open)
//   Timesheet     the month's one-page PDF laid out and written to memory (no file)
// A benchmark, not a test: run by hand, offscreen.
//   report_window_bench [benchmark options]
#include "runtime/qt/access.h"
#include "runtime/runtime.h"
#include "store/database_file.h"
#include "ui/main/main_window.h"
#include "ui/report/report_window.h"
#include "ui/report/timesheet.h"

#include "bench/bench_windows.h"

#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>

#include <cstdio>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using benchwin::closeWindows;
using benchwin::identifier;
using benchwin::prepared;

int g_loaded = -1;

void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

rt::Form& mainWindow() {
    return rt::form("主窗口");
}

void useEntries(int entries) {
    if (g_loaded == entries)
        return;
    closeWindows();
    rt::setProgramDirectoryForTests(rt::Text::fromUtf8(prepared(entries).string()));
    rt::loadForm("主窗口");
    mainWindow().menuItem("打开数据库").choose();
    g_loaded = entries;
}

rt::Form& openReport() {
    if (!rt::isLoaded("统计报表"))
        mainWindow().menuItem("统计报表").choose();
    return rt::form("统计报表");
}

void paint(rt::Form& f) {
    benchmark::DoNotOptimize(rt::qt::window(f)->grab());
}

void click(rt::Form& f, const char* button) {
    qobject_cast<QAbstractButton*>(rt::qt::widget(f.control(button)))->click();
}

void checkShown(benchmark::State& state) {
    if (!ui::shownReport())
        state.SkipWithError("no report shown");
}

void ReportOpen(benchmark::State& state) {
    useEntries(int(state.range(0)));
    for (auto _ : state) {
        rt::Form& report = openReport();
        paint(report);
        state.PauseTiming();
        checkShown(state);
        report.destroy();
        settle();
        state.ResumeTiming();
    }
}

void SwitchMonth(benchmark::State& state) {
    useEntries(int(state.range(0)));
    rt::Form& report = openReport();
    bool back = true;
    for (auto _ : state) {
        click(report, back ? "上一月" : "下一月");
        paint(report);
        back = !back;
    }
    checkShown(state);
}

void RefreshAfterEdit(benchmark::State& state) {
    useEntries(int(state.range(0)));
    rt::Form& report = openReport();
    rt::Form& main = mainWindow();
    int hours = 8;
    for (auto _ : state) {
        state.PauseTiming();
        hours = hours == 8 ? 9 : 8;
        const rt::Text statement = "update data set 上班时间 = " + rt::toText(hours) + " where id = '" +
                                   identifier(int(state.range(0))) + "'";
        if (!main.recordSet("记录集2").Open(statement, rt::RecordSet::Sql))
            state.SkipWithError("update failed");
        state.ResumeTiming();
        ui::reportTick(report);
        paint(report);
    }
    checkShown(state);
}

void IdleTick(benchmark::State& state) {
    useEntries(int(state.range(0)));
    rt::Form& report = openReport();
    for (auto _ : state)
        ui::reportTick(report);
}

void Timesheet(benchmark::State& state) {
    useEntries(int(state.range(0)));
    rt::Form& report = openReport();
    rt::Chart& chart = report.chart("图表1");
    for (auto _ : state) {
        const rt::Bytes pdf = ui::timesheetPdf(
            *ui::shownReport(), [&chart](rt::Painter& p, const rt::RectF& area) { chart.render(p, area); },
            rt::now());
        benchmark::DoNotOptimize(pdf.size());
    }
}

const std::vector<int64_t> kSizes = {1000, 10000, 100000};
BENCHMARK(ReportOpen)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(SwitchMonth)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(RefreshAfterEdit)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(IdleTick)->ArgsProduct({kSizes})->Unit(benchmark::kMicrosecond);
BENCHMARK(Timesheet)->ArgsProduct({{100000}})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return benchwin::run(argc, argv, "ledrimo-report-bench", [] {
        ui::registerMainWindowHandlers();
        ui::registerReportWindowHandlers();
    });
}
