// Compacting a database file: a fresh file with the same tables, columns, types and live rows in
// table order, written in one piece, so the space of deleted and moved rows is gone. Plain C++
// over the engine (ledrimo-db compact).
#pragma once

#include "store/backup.h"

#include <cstdint>
#include <functional>
#include <vector>
#include <string>

namespace store {

struct CompactOutcome {
    uint64_t bytesBefore = 0, bytesAfter = 0;
    size_t tables = 0, rows = 0;
    std::string keptAs; // the file as it was, in the backup folder
};

// Compacts the database at `dbPath`, holding its writer lock throughout (Locked when another
// program is writing it, or naming Ledrimo when a program holds the database in use). Every user table is made anew with the engine's creation code and
// filled with the engine's writer in memory; every row is read back and compared with the
// original, and the new file must pass the consistency check. Then the file as it was is kept as
// `<stem>-before-compact-YYYYMMDD-HHMMSS.mdb` (`now`) in the backup folder and the new one
// replaces it atomically (jet::placeFile).
//
// Refused with the reason (Unsupported, naming the object), the file untouched: queries, linked
// tables, relationships, Access objects (forms, reports, modules: rows in system tables the
// engine does not make), tables with indexes, tables or columns the engine cannot make exactly
// as they are (names, types, flags), a database password, a sort order other than 2052 and
// 1033. A damaged file is refused with the engine's error.
jet::Result<CompactOutcome> compactDatabase(const std::string& dbPath, Moment now,
                                            const BackupOptions& options = {});

// Test hook: when set, called with the rebuilt file's bytes before they are read back and
// compared, to make them differ. Not thread-safe; for fault-injection tests only.
void setCompactRebuiltFileHook(std::function<void(std::vector<uint8_t>& image)> hook);

} // namespace store
