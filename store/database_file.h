// The database file `db` beside the program: its path, the presence check at start-up and the
// restore from the database image the program carries.
#pragma once

#include "runtime/text.h"

namespace store {

// The program directory followed by "/db"; computing it also keeps it as store::databasePath.
rt::Text computeDatabasePath();

enum class DatabasePresence {
    Present,  // there, or restored just now
    Declined, // missing, and the user did not want it restored
};

// Start-up's check: any directory entry named db counts as present (a file, or even a directory).
// Otherwise asks "数据库文件不存在，需要恢复请确认！" (OK and Cancel); OK restores the file and reports
// the default account, anything else declines. A failed restore shows "未知错误,请重新安装软件!" and
// ends the program with exit code 0, so it never returns.
DatabasePresence checkDatabasePresence();

// Writes the carried image, decompressed, to the database path. The bytes reach the path only
// when all of them were written; a failure leaves nothing behind. True when the file was written.
bool restoreDatabase();

} // namespace store
