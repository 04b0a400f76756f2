// Backups of the database file: the copy of the day taken when the program connects (and by
// `ledrimo-db backup`), the list of the copies with their check results, the retention rule, and
// restoring a copy over the database. Plain C++ over the engine, shared by the program and
// ledrimo-db.
//
// The copies live in the folder `backup` beside the database (always derived from the database's
// path), named after the database's file name without ".mdb" (the stem: `db` for the program's
// file):
//   <stem>-YYYY-MM-DD.mdb                     the copy of a day
//   <stem>-YYYY-MM-DD-damaged.mdb             the copy of a day of a database that failed the check
//   <stem>-before-restore-YYYYMMDD-HHMMSS.mdb the database as it was before a restore
//   <stem>-before-compact-YYYYMMDD-HHMMSS.mdb the database as it was before a compact
// Only copies of a day (good or damaged) are ever removed (by the retention rule); nothing else in
// the folder is touched.
#pragma once

#include "jet/error.h"
#include "jet/value.h"

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>



namespace store {

// A calendar day. The callers pass "today" in, so that tests can live through any dates.
struct Day {
    int year = 0, month = 0, day = 0;
    auto operator<=>(const Day&) const = default;
};
// A moment of local time, for the names of the copies kept before a restore or a compact.
struct Moment {
    Day day;
    int hour = 0, minute = 0, second = 0;
};
// The current local time.
Moment localNow();

// What the backup functions need besides the database's path.
struct BackupOptions {
    std::string folder;                     // empty: `backup` beside the database
    std::optional<std::u16string> password; // the database password, for a file that has one
    int lockWaitMs = 5000;                  // how long a backup waits for another program's save to finish
};

// The folder of the backups: `options.folder`, or `backup` beside the database.
std::string backupFolder(const std::string& dbPath, const BackupOptions& options = {});
// The database's file name without a final ".mdb": what the copies' names start with.
std::string backupStem(const std::string& dbPath);
// "<stem>-YYYY-MM-DD.mdb".
std::string dailyBackupName(const std::string& dbPath, Day day);
// "<stem>-YYYY-MM-DD-damaged.mdb".
std::string damagedBackupName(const std::string& dbPath, Day day);
// "<folder>/<stem>-before-<what>-YYYYMMDD-HHMMSS", the name (without ".mdb") of the copy kept
// before a restore or a compact.
std::string keptCopyBase(const std::string& dbPath, const std::string& what, Moment now,
                         const BackupOptions& options = {});

// ---- taking a backup ----

enum class BackupMode {
    IfMissing, // the program at connect: nothing to do when the copy of the day exists
    Replace,   // ledrimo-db backup: a fresh copy of the day, replacing an earlier one of the day
};

struct BackupOutcome {
    std::string path;                     // the copy of the day
    bool written = false;                 // false: it existed already (IfMissing)
    uint64_t bytes = 0;                   // its size
    std::vector<std::string> pruned;      // older copies the retention rule removed
    std::vector<std::string> pruneErrors; // copies that could not be removed (the copy is made)
};

// Writes the copy of `today` of the database at `dbPath`. The bytes are read under the engine's
// writer lock (waiting up to options.lockWaitMs for a writer that is saving; a database that cannot be
// written is read through its journal instead), so no half-saved change is in them; they go to a
// temporary name in the folder (created when missing), are synced, read back and checked with the
// engine's consistency check, and only then take their name. After a good copy the retention rule
// (retainedCopies) prunes the older copies.
//
// When the copy as read back fails the check, the bytes read from the database are checked too
// (only then: a good copy costs one check). If they fail as well, the database itself is damaged:
// the copy is kept apart as <stem>-YYYY-MM-DD-damaged.mdb, only older damaged copies are pruned,
// and the result is a Corrupt error naming it, with the database's first findings. If they pass,
// the copy came out wrong on the way to the disk: an Io error, nothing kept, nothing pruned.
// Other failures leave the folder as it was: Locked for a writer that did not finish in time, Io
// for a folder that cannot be written or a full disk (the error says why in Chinese).
jet::Result<BackupOutcome> backupDatabase(const std::string& dbPath, Day today, BackupMode mode,
                                          const BackupOptions& options = {});

// The same in two steps, for a caller that does the second on another thread: prepareBackup reads
// the bytes under the lock (nullopt when the mode finds nothing to do), finishBackup writes,
// checks, places and prunes.
struct PendingBackup {
    std::string dbPath, target;
    Day today;
    BackupOptions options;
    jet::Bytes bytes;   // the database as read under the lock
    unsigned mode = 0600; // the database's permissions, for the copy
};
jet::Result<std::optional<PendingBackup>> prepareBackup(const std::string& dbPath, Day today, BackupMode mode,
                                                        const BackupOptions& options = {});
jet::Result<BackupOutcome> finishBackup(const PendingBackup& pending);

// A copy of a day as the retention rule sees it.
struct DailyCopy {
    Day day;
    bool damaged = false; // kept apart as damaged (by its name)
    int64_t entries = -1; // entries of `data` of a copy that opens and passes the quick check; -1 else
};
// The retention rule: which of `copies` stay (true) and which go. Copies dated after today (a
// clock that was set wrong) always stay and count for nothing. Of the others, the good ones (not
// damaged, entries >= 0) stay when they are one of the 14 newest good copies, the newest good
// copy of one of the 12 calendar months up to and including today's, or the newest of the good
// copies with the most entries (so days that lost entries cannot push out the last copy that had
// them). The damaged ones (and copies that no longer pass) are never counted among the good ones;
// the 14 newest of them stay.
std::vector<bool> retainedCopies(const std::vector<DailyCopy>& copies, Day today);

// ---- the list ----

struct BackupEntry {
    enum class Kind { Daily, Damaged, BeforeRestore, BeforeCompact };
    Kind kind = Kind::Daily;
    std::string path, name;
    Moment when; // from the name; a copy of a day has no time of day
    uint64_t bytes = 0;
    bool checked = false; // the check ran (listBackups with check)
    bool ok = false;      // it opened and the consistency check found no error
    int64_t entries = -1; // rows of table `data`; -1 when it has none or could not be read
    std::string problem;  // why it is not ok (Chinese), the first finding
};

// The copies in the backup folder, newest first (by the time in their names; on the same day by
// the file's modification time). With `check`, every copy is opened and checked (with the
// password of the options, if any). An unreadable or missing folder gives an empty list.
std::vector<BackupEntry> listBackups(const std::string& dbPath, const BackupOptions& options = {},
                                     bool check = true);

// Opens and checks one file as listBackups does (ok, entries, problem filled in).
void checkBackup(BackupEntry& entry, const BackupOptions& options = {});

// ---- restoring ----

struct RestoreOutcome {
    std::string keptAs; // where the database as it was went; empty when there was none
};

// Puts the copy at `backupPath` in place of the database at `dbPath`. Refused (Locked, naming
// Ledrimo, nothing changed) while a program holds the database in use (jet::UseLock). The copy is read and must
// open and pass the consistency check (else Corrupt, or the open's error, with nothing changed).
// Under the engine's writer lock of the database (Locked when another program is writing it:
// nothing changed), the database as it is now (damaged or not) is kept as
// `<stem>-before-restore-YYYYMMDD-HHMMSS.mdb` (`now`) in the backup folder, and the copy replaces
// it atomically (jet::placeFile). A database that is missing is simply written.
jet::Result<RestoreOutcome> restoreBackup(const std::string& dbPath, const std::string& backupPath,
                                          Moment now, const BackupOptions& options = {});

// ---- a damaged database ----

// The engine's Corrupt error when the database at `dbPath` cannot be opened, or its tables read,
// because the file is damaged, or the quick check of `data` and `admin` (jet::checkTableQuickly:
// pages of the table that are not its data pages, rows counted that the pages do not have) finds
// an error; nullopt when it opens (or fails for another reason: missing,
// locked, unreadable).
std::optional<jet::Error> databaseDamage(const std::string& dbPath);

// The message for a damaged database: which copy in the backup folder is the newest that passes
// the check and the command that restores it, or that there is none. `toolName` is how the
// command-line tool is called.
std::string damagedDatabaseAdvice(const std::string& dbPath, const std::string& toolName = "ledrimo-db");

} // namespace store
