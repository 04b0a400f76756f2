// What the window benchmarks share: program directories whose `db` holds a given number of
// entries (made once per size, in a temporary folder removed at the end), closing every window
// between runs, and a main() that sets up the runtime offscreen and answers every message box OK.
#pragma once

#include "runtime/qt/access.h"
#include "runtime/msgbox.h"
#include "runtime/runtime.h"
#include "store/database_file.h"

#include "bench/bench_entries.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <unistd.h>

namespace benchwin {

// "GZ-00042": the identifier of entry n.
inline rt::Text identifier(int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "GZ-%05d", n);
    return rt::Text::fromBytes(buf);
}

// The folder the program directories live in (set by run()).
inline std::filesystem::path& root() {
    static std::filesystem::path dir;
    return dir;
}

// A program directory whose `db` has `entries` rows in `data`, one working day each; made on the
// first call for a size, after which the runtime's program directory is left where it was.
inline std::filesystem::path prepared(int entries) {
    static std::map<int, std::filesystem::path> made;
    auto it = made.find(entries);
    if (it != made.end())
        return it->second;
    const std::filesystem::path dir = root() / ("program-" + std::to_string(entries));
    std::filesystem::create_directories(dir);
    rt::setProgramDirectoryForTests(rt::Text::fromUtf8(dir.string()));
    if (!store::restoreDatabase())
        std::exit(1);
    benchdata::writeEntries((dir / "db").string(), entries, identifier);
    return made[entries] = dir;
}

// Destroys every loaded window and lets Qt delete them.
inline void closeWindows() {
    for (const rt::Text& name : rt::formNames())
        if (rt::isLoaded(name))
            rt::form(name).destroy();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The benchmark program's main: Qt offscreen (unless a platform is set), the runtime with the
// handlers `registerHandlers` registers, the program directories under a temporary folder named
// after `name`, every message box answered OK.
inline int run(int argc, char** argv, const char* name, const std::function<void()>& registerHandlers) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    rt::initRuntime();
    registerHandlers();
    root() = std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root());
    benchmark::Initialize(&argc, argv);
    {
        rt::ScriptedMessageBoxes boxes;
        benchmark::RunSpecifiedBenchmarks();
        closeWindows();
    }
    benchmark::Shutdown();
    rt::setProgramDirectoryForTests({});
    std::filesystem::remove_all(root());
    return 0;
}

} // namespace benchwin
