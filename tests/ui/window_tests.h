// The runtime as the program sets it up, for tests that build the real windows.
#pragma once

#include "runtime/qt/access.h"
#include "jet/database.h"
#include "jet/sql_engine.h"
#include "runtime/picture.h"
#include "runtime/runtime.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <string_view>
#include <vector>

namespace windowtests {

// Points the per-user lock at a directory of the test's own (so that a Ledrimo running on this
// machine does not interfere), registers the pictures, initialises the runtime and turns the end
// of the program into an exception the test catches. False when the directory is unusable.
inline bool setUpRuntime(const QTemporaryDir& runtimeDir) {
    if (!runtimeDir.isValid())
        return false;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
    rt::initRuntime();
    rt::setEndProgramHook([](int code) { throw rt::ProgramEnded{code}; });
    return true;
}

// Runs a statement straight on the engine on the file `db`, as another program would. False, with
// the reason logged, when the file does not open or the statement fails.
inline bool runOnEngine(const QString& db, const rt::Text& statement) {
    auto connection = jet::sql::Connection::open(db.toStdString());
    if (!connection.ok()) {
        qWarning("%s", connection.error().describe().c_str());
        return false;
    }
    auto result = (*connection)->execute(statement.toUtf8());
    if (!result.ok())
        qWarning("%s: %s", qPrintable(statement.toQString()), result.error().describe().c_str());
    return result.ok();
}

// Every row of `table` in the file `db` as the engine reads it, in table order. A file or row the
// engine cannot read ends the test run with the reason.
inline std::vector<std::vector<jet::Value>> engineRows(const QString& db, std::u16string_view table) {
    std::vector<std::vector<jet::Value>> out;
    auto database = jet::Database::open(db.toStdString());
    if (!database.ok())
        qFatal("%s", database.error().describe().c_str());
    auto t = (*database)->openTable(table);
    if (!t.ok())
        qFatal("%s", t.error().describe().c_str());
    auto ids = (*t)->rowIds();
    if (!ids.ok())
        qFatal("%s", ids.error().describe().c_str());
    for (const auto& id : *ids) {
        auto values = (*t)->readRow(id);
        if (!values.ok())
            qFatal("%s", values.error().describe().c_str());
        out.push_back(std::move(*values));
    }
    return out;
}

} // namespace windowtests
