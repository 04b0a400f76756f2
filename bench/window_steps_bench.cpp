// The program's four waits on a big log, timed as the user has them, on whichever window system's
// backend this is built with (the Qt one on Linux, the Win32 one for Windows): one run of the
// program from its start, driven through the runtime's user actions (runtime/testing.h), printing
// a figure per step. bench/windows_window_bench.sh runs it several times on both backends.
//
//   window_steps_bench PROGRAM_DIR
//   window_steps_bench --prepare PROGRAM_DIR ENTRIES   (writes the program's empty `db` there and
//                                                      ENTRIES entries into it, one a day from 2010)
//
// PROGRAM_DIR holds the `db` (with its backup of the day, so that connecting makes none). The
// environment variable LEDRIMO_BENCH_START, when set, is the moment the process was started, in
// nanoseconds since 1970-01-01 UTC (`date +%s%N`): the start-up figure begins there.
//
// The figures, in milliseconds, one "name value" line each:
//   start     process started -> login window up at its full size (its opening effect, about 20
//             steps with a 1 ms wait each, played) and its pending paint done; the splash, which
//             has no effect of its own, has come and gone
//   main      main() entered -> the same moment (the part of `start` that is ours: runtime,
//             pictures, handlers, the splash's start-up routine, the login window)
//   connect   menu 打开数据库 chosen -> the first entry and 共有: N 条数据 shown and painted
//   list.open button 列表 clicked -> the list window filled, faded in (26 steps of 3 ms by design,
//             in the figure) and painted
//   list.end  End pressed in the list -> the last row current, its details shown, painted
//   list      list.open + list.end
//   report    Ctrl+T on the main window -> 统计报表 open with this month's totals and chart, painted
// Logging in between (names typed, 登录 clicked, the main window's own effects) is not timed.
// A step that does not end as described prints "failed STEP" and the program exits with 1.
#include "app/handlers.h"
#include "app/instance_guard.h"
#include "bench/bench_entries.h"
#include "runtime/form.h"
#include "runtime/kernel.h"
#include "runtime/msgbox.h"
#include "runtime/program.h"
#include "runtime/runtime.h"
#include "runtime/testing.h"
#include "store/database_file.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace {

namespace user = rt::testing;
using Steady = std::chrono::steady_clock;

double msSince(Steady::time_point t) {
    return std::chrono::duration<double, std::milli>(Steady::now() - t).count();
}

void print(const char* step, double ms) {
    std::printf("%s %.1f\n", step, ms);
    std::fflush(stdout);
}

[[noreturn]] void fail(const char* step) {
    std::printf("failed %s\n", step);
    std::fflush(stdout);
    std::exit(1);
}

// Runs the event loop until `done` holds (at most a minute), then once more, so that what the
// last events asked to be painted is painted.
void settle(const char* step, const std::function<bool()>& done) {
    if (!user::runUntil(done, 60000))
        fail(step);
    user::runEvents(0);
}

} // namespace

int main(int argc, char** argv) {
    const auto entered = Steady::now();
    const auto enteredWall = std::chrono::system_clock::now();
    const bool prepare = argc == 4 && std::string(argv[1]) == "--prepare";
    if (argc != 2 && !prepare) {
        std::fprintf(stderr, "usage: window_steps_bench [--prepare] PROGRAM_DIR [ENTRIES]\n");
        return 2;
    }
    const std::string programDir = argv[prepare ? 2 : 1];
    user::WindowSystem windows(argc, argv);
    rt::initRuntime();
    app::installProgramResources();
    app::registerHandlers();
    rt::setProgramDirectoryForTests(rt::Text::fromUtf8(programDir));
    if (prepare) {
        if (!store::restoreDatabase())
            return 1;
        benchdata::writeEntries(rt::fileSystemPath(store::computeDatabasePath()), std::atoi(argv[3]), [](int n) {
            char id[32];
            std::snprintf(id, sizeof id, "GZ-%05d", n);
            return rt::Text::fromBytes(id);
        });
        return 0;
    }
    rt::ScriptedMessageBoxes boxes; // any box is a failure below; answered so that none waits

    // Start: the splash's start-up routine loads the login window, whose created event plays its
    // opening effect, and lets the splash go.
    if (!rt::loadForm("工作时间记录工具"))
        fail("start");
    settle("start", [] { return rt::isLoaded("用户登录") && !rt::isLoaded("工作时间记录工具"); });
    const double mainMs = msSince(entered);
    if (const char* start = std::getenv("LEDRIMO_BENCH_START"); start && *start) {
        const auto started = std::chrono::system_clock::time_point(
            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                std::chrono::nanoseconds(std::strtoll(start, nullptr, 10))));
        print("start", std::chrono::duration<double, std::milli>(enteredWall - started).count() + mainMs);
    }
    print("main", mainMs);

    rt::Form& login = rt::form("用户登录");
    if (!user::type(login.control("用户框"), "tamsu") || !user::type(login.control("口令框"), "tamsu") ||
        !user::click(login.control("登录")))
        fail("login");
    settle("login", [] { return rt::isLoaded("主窗口") && !rt::isLoaded("用户登录"); });
    user::runEvents(200); // the main window's own effects over

    rt::Form& main = rt::form("主窗口");
    auto t = Steady::now();
    if (!main.menuItem("打开数据库").choose())
        fail("connect");
    int count = 0;
    settle("connect", [&] {
        // "共有: N 条数据"
        const std::string pane = main.statusBar("状态条1").paneText(1).toUtf8();
        const size_t digits = pane.find_first_of("0123456789");
        count = digits == std::string::npos ? 0 : std::atoi(pane.c_str() + digits);
        return count > 0 && !main.control("姓名编辑框").text().empty();
    });
    print("connect", msSince(t));

    t = Steady::now();
    if (!user::click(main.control("列表")))
        fail("list.open");
    settle("list.open", [] { return rt::isLoaded("列表查看") && rt::form("列表查看").visible(); });
    const double openMs = msSince(t);
    rt::Form& list = rt::form("列表查看");
    rt::ListView& rows = list.listView("超级列表框1");
    if (rows.count() != count)
        fail("list.open");
    t = Steady::now();
    if (!user::pressKey(rows, "End"))
        fail("list.end");
    settle("list.end", [&] { return rows.selectedIndex() == count - 1 && !list.control("姓名1").caption().empty(); });
    const double endMs = msSince(t);
    print("list.open", openMs);
    print("list.end", endMs);
    print("list", openMs + endMs);
    // The list window closed and the main window active again, as the user leaves them.
    list.destroy();
    main.setFocus();
    user::runEvents(100);

    t = Steady::now();
    if (!user::pressKey(main, "Ctrl+T"))
        fail("report");
    settle("report", [] {
        if (!rt::isLoaded("统计报表"))
            return false;
        rt::Form& report = rt::form("统计报表");
        return report.visible() && report.chart("图表1").barCount() > 0 &&
               !report.control("合计工时").caption().empty();
    });
    print("report", msSince(t));

    if (!boxes.calls().empty()) {
        std::fprintf(stderr, "a message box came: %s\n", boxes.calls().front().text.toUtf8().c_str());
        fail("boxes");
    }
    for (const rt::Text& name : rt::formNames())
        if (rt::isLoaded(name))
            rt::form(name).destroy();
    user::runUntil([] { return rt::loadedFormCount() == 0; }, 5000);
    app::closeInstanceGuard();
    return 0;
}
