// The database file `db` (beside the program, or in the user's data folder): its path, the
// presence check at start-up and the restore from the database image the program carries.
#pragma once

#include "runtime/text.h"

namespace store {

// Where `db` is: beside the program, or in the user's data folder when the program cannot keep it
// there (the rules are store::databaseLocation's); computing it also keeps it as
// store::databasePath.
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

// Writes the carried image, decompressed, to the database path; a database path in the user's
// data folder gets its missing folders first (mode 0700). The bytes reach the path only when all
// of them were written; a failure leaves nothing behind but those folders. True when the file was
// written.
bool restoreDatabase();

} // namespace store
