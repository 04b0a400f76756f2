// A consistency check of a whole database: every table's pages against its usage maps, every
// data page's header and row-offset table, moved rows, row counters and the decoding of every
// row. It reads only; `ledrimo-db check` prints its findings, and the writer's tests run it
// after every change.
#pragma once

#include "jet/database.h"

#include <string>
#include <string_view>
#include <vector>

namespace jet {

struct CheckFinding {
    enum class Severity : uint8_t {
        Error,   // the file contradicts the format or itself: readers may go wrong
        Warning, // unusual but found in files Access wrote (a row counter one off, say)
    };
    Severity severity = Severity::Error;
    std::u16string table; // empty for findings about the file as a whole
    int64_t page = -1;
    std::string message; // Chinese
};

struct CheckReport {
    std::vector<CheckFinding> findings;
    size_t tables = 0, pages = 0, rows = 0; // what was looked at

    size_t errors() const;
    size_t warnings() const;
    bool ok() const { return errors() == 0; }
    // One line per finding: "错误：表“T”，第 N 页：..." / "警告：..."
    std::string describe() const;
};

struct CheckOptions {
    // A row counter that differs from the live rows is an error instead of a warning. Access
    // itself leaves counters one off now and then, so this is for files only this engine wrote.
    bool strictRowCounts = false;
    // Also check the system tables (their pages and rows); on by default.
    bool systemTables = true;
};

// Checks the database and reports every finding. Errors are what loses or alters rows (or
// would make a reader go wrong); warnings are what files other programs write commonly carry and
// loses nothing. docs/check.md lists which is which.
CheckReport checkDatabase(const Database& db, const CheckOptions& options = {});

// The cheap part of the check for one table, for a program at connect: its definition, its
// owned-pages map and the type and owner of every page the map lists, and its row counter against
// the rows the pages hold (row slots are counted, nothing is decoded). Only errors are reported;
// a table the catalog does not have gives an empty report. Reads each of the table's pages once.
CheckReport checkTableQuickly(const Database& db, std::u16string_view table);

} // namespace jet
