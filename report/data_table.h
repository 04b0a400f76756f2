// Inside ledrimo_report: table `data` of a Ledrimo database and where its columns are.
#pragma once

#include "jet/database.h"

#include <memory>

namespace report {

// Column positions in table `data`; -1 for an optional column the table lacks (or holds as
// something other than text).
struct DataColumns {
    int date = -1, hours = -1, id = -1, company = -1, address = -1, name = -1, notes = -1;
};

struct DataTable {
    std::shared_ptr<const jet::Table> table;
    DataColumns columns;
};

// Opens table `data`. Errors: NotFound when the database has none; Invalid when it lacks
// 上班日期 (Date/Time) or 上班时间 (an integer column): not a Ledrimo database; the engine's errors
// for a table that cannot be opened.
jet::Result<DataTable> openDataTable(const jet::Database& db);

} // namespace report
