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

// At connect: the copy of today of the database at `path` in the folder `backup` beside it, when
// there is none yet (store/backup.h; older copies pruned by the retention rule). The database is
// read here, under the engine's writer lock; writing, syncing and checking the copy go on in a
// thread of their own, and the window's event loop learns the result. A failure (a full disk, a
// folder that cannot be written, a copy that does not pass the check) shows "自动备份失败：" + the
// reason, once per run, and changes nothing else.
void backupAtConnect(const rt::Text& path);
// Waits until a copy being made is done, and reports its failure as above (tests).
void waitForBackup();
// Waits until a copy being made is done, telling nothing: the main window is going and the
// program with it (a failed copy is tried again at the next start). The exit waits for it too.
void finishBackupQuietly();

// At connect: when the database at `path` is damaged (it cannot be opened or read, or the quick
// check of its tables finds pages or rows lost: store::databaseDamage), one message names the
// newest backup that passes the check and how to restore it (or says that there is none), and the
// result is true. Nothing is restored by the program itself. Other failures show nothing here.
bool adviseIfDamaged(const rt::Text& path);

} // namespace store
