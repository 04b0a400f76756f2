// The verb groups of ledrimo-db, in the order `ledrimo-db --help` lists them.
#pragma once

#include "tools/ledrimo-db/cli.h"

#include <vector>

namespace dbtool {

const std::vector<Verb>& inspectVerbs(); // tables, schema, dump, check (inspect.cpp)
const std::vector<Verb>& editVerbs();    // insert, update, delete, sql (edit.cpp)
const std::vector<Verb>& createVerbs();  // create, new (create.cpp)
const std::vector<Verb>& whereVerbs();   // where (where.cpp)
const std::vector<Verb>& reportVerbs();  // report, export (report.cpp)
const std::vector<Verb>& safetyVerbs();  // backup, backups, restore, compact (safety.cpp)
const std::vector<Verb>& accountVerbs(); // passwd (account.cpp)

} // namespace dbtool
