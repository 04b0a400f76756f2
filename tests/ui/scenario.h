// What the scenario tests of the windows opened from the main window share: a program directory of
// the test's own with a real `db`, the main window with its real handlers, statements run straight
// on the engine as another program would run them, and modal windows driven from inside their own
// event loop.
#pragma once

#include "runtime/qt/access.h"
#include "app/instance_guard.h"
#include "jet/database.h"
#include "jet/sql_engine.h"
#include "runtime/picture.h"
#include "runtime/runtime.h"
#include "runtime/testing.h"
#include "store/database_file.h"
#include "store/entry_statements.h"
#include "tests/ui/window_tests.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace scenario {

inline QString fromU16(const jet::Value& v) {
    if (const auto* s = std::get_if<std::u16string>(&v))
        return QString::fromStdU16String(*s);
    return {};
}

// A click on the button, as the user's; a hidden or disabled button takes none.
inline void click(rt::Form& f, const char* button) {
    rt::testing::click(f.control(button));
}

// The program's directory with its `db`, the main window loaded over it, and every message box
// answered by script.
class Program {
public:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<rt::ScriptedMessageBoxes> boxes;

    QString dbPath() const { return dir->path() + QStringLiteral("/db"); }
    rt::Form& main() { return rt::form("主窗口"); }

    // A fresh directory; `db` restored from the program's image unless `withDb` is false.
    bool start(bool withDb = true) {
        dir = std::make_unique<QTemporaryDir>();
        if (!dir->isValid())
            return false;
        rt::setProgramDirectoryForTests(rt::Text(dir->path()));
        if (withDb && !store::restoreDatabase())
            return false;
        if (app::acquireInstanceGuard() != app::GuardResult::Acquired)
            return false;
        boxes = std::make_unique<rt::ScriptedMessageBoxes>();
        return rt::loadForm("主窗口");
    }

    void stop() {
        boxes.reset();
        for (const rt::Text& name : rt::formNames())
            if (rt::isLoaded(name))
                rt::form(name).destroy();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        app::closeInstanceGuard();
        rt::setProgramDirectoryForTests({});
        dir.reset();
    }

    // 打开数据库: connects and shows the first entry.
    bool connect() { return main().menuItem("打开数据库").choose(); }

    // Runs a statement straight on the engine.
    bool run(const rt::Text& statement) { return windowtests::runOnEngine(dbPath(), statement); }

    // Every row of a table as the engine reads it, each value as text (dates as their day
    // number), in table order.
    std::vector<QStringList> rows(const char16_t* table) {
        std::vector<QStringList> out;
        for (const auto& values : windowtests::engineRows(dbPath(), table)) {
            QStringList row;
            for (const jet::Value& v : values) {
                if (const auto* s = std::get_if<std::u16string>(&v))
                    row << QString::fromStdU16String(*s);
                else if (const auto* i = std::get_if<int32_t>(&v))
                    row << QString::number(*i);
                else if (const auto* d = std::get_if<jet::DateTime>(&v))
                    row << QString::number(d->days);
                else
                    row << QString();
            }
            out.push_back(row);
        }
        return out;
    }
};

// Opens a modal window with `open` (which returns only when the window is gone) and runs `body`
// inside the window's own event loop once it is up. A window the body leaves open is closed after
// it, and at the latest after a minute, so a failing check never leaves the test hanging.
// Returns whether the body ran.
inline bool whileModal(const char* form, const std::function<void()>& open,
                       const std::function<void()>& body) {
    return rt::testing::whileModal(form, open, body);
}

} // namespace scenario
