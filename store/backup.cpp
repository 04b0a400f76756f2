#include "store/backup.h"

#include "jet/atomic_file.h"
#include "jet/check.h"
#include "jet/database.h"
#include "jet/datetext.h"
#include "platform/console.h"
#include "platform/file.h"
#include "platform/folder.h"
#include "platform/local_time.h"
#include "store/file_bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>

namespace store {

namespace {

bool validDay(Day d) {
    return d.year >= 1 && d.year <= 9999 && d.day >= 1 && d.day <= jet::daysInMonth(d.year, d.month);
}

// The number made of the `n` digits at `at`, or -1.
int digits(const std::string& s, size_t at, size_t n) {
    if (at + n > s.size())
        return -1;
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

std::string twoDigits(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

std::string stamp(Moment m) {
    char b[32];
    std::snprintf(b, sizeof b, "%04d%02d%02d-%02d%02d%02d", m.day.year, m.day.month, m.day.day, m.hour,
                  m.minute, m.second);
    return b;
}

std::string dayText(Day d) {
    return std::to_string(d.year) + "年" + std::to_string(d.month) + "月" + std::to_string(d.day) + "日";
}

// Parses the part of a copy's name after "<stem>-".
std::optional<BackupEntry> parseName(const std::string& rest) {
    BackupEntry e;
    const bool damaged = rest.size() == 22 && rest.compare(10, 12, "-damaged.mdb") == 0;
    if ((damaged || (rest.size() == 14 && rest.compare(10, 4, ".mdb") == 0)) && rest[4] == '-' &&
        rest[7] == '-') {
        e.kind = damaged ? BackupEntry::Kind::Damaged : BackupEntry::Kind::Daily;
        e.when.day = {digits(rest, 0, 4), digits(rest, 5, 2), digits(rest, 8, 2)};
        return validDay(e.when.day) ? std::optional(e) : std::nullopt;
    }
    for (auto [prefix, kind] : {std::pair{"before-restore-", BackupEntry::Kind::BeforeRestore},
                                std::pair{"before-compact-", BackupEntry::Kind::BeforeCompact}}) {
        const std::string p = prefix;
        if (rest.compare(0, p.size(), p) != 0)
            continue;
        const std::string t = rest.substr(p.size());
        // YYYYMMDD-HHMMSS.mdb, maybe with "-N" before ".mdb" when two came in one second.
        if (t.size() < 19 || t[8] != '-' || t.compare(t.size() - 4, 4, ".mdb") != 0)
            return std::nullopt;
        e.kind = kind;
        e.when.day = {digits(t, 0, 4), digits(t, 4, 2), digits(t, 6, 2)};
        e.when.hour = digits(t, 9, 2);
        e.when.minute = digits(t, 11, 2);
        e.when.second = digits(t, 13, 2);
        const std::string tail = t.substr(15, t.size() - 19);
        if (!tail.empty() &&
            (tail[0] != '-' || tail.size() < 2 ||
             !std::all_of(tail.begin() + 1, tail.end(), [](char c) { return c >= '0' && c <= '9'; })))
            return std::nullopt;
        if (!validDay(e.when.day) || e.when.hour < 0 || e.when.hour > 23 || e.when.minute < 0 ||
            e.when.minute > 59 || e.when.second < 0 || e.when.second > 59)
            return std::nullopt;
        return e;
    }
    return std::nullopt;
}


// Reads the database whole under its writer lock. A writer that is saving right now is waited
// for up to `waitMs` (a save takes milliseconds); a file that cannot be written has no
// writer, and is read through a journal left beside it.
jet::Result<jet::Bytes> readUnderLock(const std::string& dbPath, int waitMs) {
    auto file = jet::PageFile::openForWriting(dbPath, waitMs);
    if (!file && file.error().kind == jet::ErrorKind::ReadOnly)
        file = jet::PageFile::openPath(dbPath);
    if (!file)
        return file.error();
    jet::Bytes bytes(size_t((*file)->size()));
    auto got = (*file)->readAt(0, bytes.data(), bytes.size());
    if (!got)
        return got.error();
    bytes.resize(*got);
    return bytes;
}

// The first findings of a check, for a message.
std::string firstFindings(const jet::CheckReport& report) {
    std::string text = report.describe();
    size_t end = 0;
    for (int line = 0; line < 3 && end != std::string::npos; ++line)
        end = text.find('\n', end == 0 ? 0 : end + 1);
    if (end != std::string::npos)
        text = text.substr(0, end) + "\n……";
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

// Opens and checks the database at `path`; Corrupt with the first findings when it has errors.
jet::Status checkFile(const std::string& path, const BackupOptions& options, int64_t* entries = nullptr) {
    jet::OpenOptions open;
    open.password = options.password;
    auto db = jet::Database::open(path, open);
    if (!db)
        return jet::makeError(db.error().kind, "无法打开：" + db.error().message, path, db.error().page);
    const jet::CheckReport report = jet::checkDatabase(**db);
    if (!report.ok())
        return jet::makeError(jet::ErrorKind::Corrupt, "未通过一致性检查：" + firstFindings(report), path);
    if (entries) {
        *entries = -1;
        if (auto data = (*db)->openTable(u"data"))
            if (auto rows = (*data)->rowIds())
                *entries = int64_t(rows->size());
    }
    return jet::okStatus();
}

// A look at a copy of a day for the retention rule: whether it opens and its table `data` passes
// the quick check, and its entries (-1 when not).
int64_t goodEntries(const std::string& path, const BackupOptions& options) {
    jet::OpenOptions open;
    open.password = options.password;
    auto db = jet::Database::open(path, open);
    if (!db)
        return -1;
    const jet::CheckReport quick = jet::checkTableQuickly(**db, u"data");
    if (!quick.ok() || quick.tables == 0)
        return -1;
    return int64_t(quick.rows);
}

// The checked bytes of a database held in memory: whether they pass the check, and if not the
// first findings.
std::optional<std::string> problemsOf(const jet::Bytes& bytes, const BackupOptions& options) {
    jet::OpenOptions open;
    open.password = options.password;
    auto db = jet::Database::openMemory(bytes, open);
    if (!db)
        return db.error().message;
    const jet::CheckReport report = jet::checkDatabase(**db);
    if (!report.ok())
        return firstFindings(report);
    return std::nullopt;
}

} // namespace

Moment localNow() {
    const std::tm tm = platform::localTime(std::time(nullptr));
    return Moment{{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday}, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string backupFolder(const std::string& dbPath, const BackupOptions& options) {
    // Named with the system's separator throughout: the folder and its files appear in messages.
    if (!options.folder.empty())
        return platform::nativeSeparators(options.folder);
    return platform::nativeSeparators(platform::joinPath(jet::folderOf(dbPath), "backup"));
}

std::string backupStem(const std::string& dbPath) {
    std::string name = platform::baseNameOf(dbPath);
    if (name.size() > 4) {
        std::string ext = name.substr(name.size() - 4);
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](char c) { return char(std::tolower(uint8_t(c))); });
        if (ext == ".mdb")
            name.resize(name.size() - 4);
    }
    return name;
}

std::string dailyBackupName(const std::string& dbPath, Day day) {
    return backupStem(dbPath) + "-" + std::to_string(day.year) + "-" + twoDigits(day.month) + "-" +
           twoDigits(day.day) + ".mdb";
}

std::string damagedBackupName(const std::string& dbPath, Day day) {
    std::string name = dailyBackupName(dbPath, day);
    return name.insert(name.size() - 4, "-damaged");
}

std::string keptCopyBase(const std::string& dbPath, const std::string& what, Moment now,
                         const BackupOptions& options) {
    return platform::joinPath(backupFolder(dbPath, options), backupStem(dbPath) + "-before-" + what + "-" + stamp(now));
}

std::vector<bool> retainedCopies(const std::vector<DailyCopy>& copies, Day today) {
    std::vector<bool> keep(copies.size(), false);
    std::vector<size_t> order(copies.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return copies[a].day > copies[b].day; });
    size_t good = 0, damaged = 0;
    int64_t most = -1; // the most entries of a good copy
    for (const DailyCopy& c : copies)
        if (c.day <= today && !c.damaged && c.entries > most)
            most = c.entries;
    bool mostKept = false;
    std::vector<std::pair<int, int>> months; // the months whose newest good copy is kept
    for (size_t i : order) {
        const DailyCopy& c = copies[i];
        if (c.day > today) {
            keep[i] = true; // a clock set wrong: neither counted nor pruned
            continue;
        }
        if (c.damaged || c.entries < 0) {
            keep[i] = damaged++ < 14;
            continue;
        }
        const bool newest = good++ < 14;
        const int monthsBack = (today.year - c.day.year) * 12 + (today.month - c.day.month);
        const bool newestOfMonth =
            monthsBack < 12 &&
            std::find(months.begin(), months.end(), std::pair(c.day.year, c.day.month)) == months.end();
        if (newestOfMonth)
            months.emplace_back(c.day.year, c.day.month);
        const bool lastWithMost = !mostKept && c.entries == most;
        if (lastWithMost)
            mostKept = true;
        keep[i] = newest || newestOfMonth || lastWithMost;
    }
    return keep;
}

jet::Result<std::optional<PendingBackup>> prepareBackup(const std::string& dbPath, Day today, BackupMode mode,
                                                        const BackupOptions& options) {
    if (!validDay(today))
        return jet::makeError(jet::ErrorKind::Invalid, "日期无效");
    PendingBackup p;
    p.dbPath = dbPath;
    p.today = today;
    p.options = options;
    p.target = platform::joinPath(backupFolder(dbPath, options), dailyBackupName(dbPath, today));
    platform::FileInfo st;
    const std::string damaged = platform::joinPath(backupFolder(dbPath, options), damagedBackupName(dbPath, today));
    if (mode == BackupMode::IfMissing &&
        (platform::pathInfo(p.target, st) == 0 || platform::pathInfo(damaged, st) == 0))
        return std::optional<PendingBackup>();
    auto bytes = readUnderLock(dbPath, options.lockWaitMs);
    if (!bytes)
        return bytes.error();
    p.bytes = std::move(*bytes);
    if (platform::pathInfo(dbPath, st) == 0)
        p.mode = st.permissions & 0666;
    return std::optional(std::move(p));
}

namespace {

// Prunes the copies of a day the retention rule does not keep; with `damagedOnly`, only copies
// kept apart as damaged go.
void prune(const PendingBackup& p, bool damagedOnly, BackupOutcome& out) {
    std::vector<BackupEntry> daily;
    std::vector<DailyCopy> copies;
    for (BackupEntry& e : listBackups(p.dbPath, p.options, false)) {
        if (e.kind != BackupEntry::Kind::Daily && e.kind != BackupEntry::Kind::Damaged)
            continue;
        DailyCopy c;
        c.day = e.when.day;
        c.damaged = e.kind == BackupEntry::Kind::Damaged;
        // Copies dated after today are kept whatever they hold; the others are looked into.
        if (!c.damaged && c.day <= p.today)
            c.entries = goodEntries(e.path, p.options);
        copies.push_back(c);
        daily.push_back(std::move(e));
    }
    // A copy dated after the clock's today (ledrimo-db backup --date) prunes as of the clock's day.
    const std::vector<bool> keep = retainedCopies(copies, std::min(p.today, localNow().day));
    for (size_t i = 0; i < daily.size(); ++i) {
        const BackupEntry& e = daily[i];
        if (keep[i] || (damagedOnly && e.kind != BackupEntry::Kind::Damaged))
            continue;
        if (platform::removeFile(e.path) == 0)
            out.pruned.push_back(e.path);
        else
            out.pruneErrors.push_back(e.path + "：" + fileErrorText(errno));
    }
    if (!out.pruned.empty())
        jet::syncParentDirectory(out.path);
}

} // namespace

jet::Result<BackupOutcome> finishBackup(const PendingBackup& p) {
    BackupOutcome out;
    out.path = p.target;
    JET_TRY(makeBackupFolder(jet::folderOf(p.target), p.dbPath));
    // What is checked is the copy as written and read back from the disk; only when it fails is
    // the database's own image (the bytes in memory) checked too, to tell a damaged database
    // (its copy is kept apart) from a copy that came out wrong (a failed backup).
    std::optional<std::string> copyProblem;
    auto written = jet::placeFile(
        out.path, jet::PlaceMode::Replace, [&](int fd, const std::string& temp) -> jet::Status {
            platform::setPermissions(fd, p.mode);
            JET_TRY(jet::writeAll(fd, jet::ByteView(p.bytes.data(), p.bytes.size()), out.path));
            // The disk starts writing now, while the check below reads the copy; the sync that
            // placeFile does afterwards then has less left to wait for.
            platform::startWriting(fd);
            auto checked = checkFile(temp, p.options);
            if (!checked) {
                copyProblem = checked.error().message;
                return jet::makeError(jet::ErrorKind::Corrupt, "副本" + checked.error().message, out.path);
            }
            return jet::okStatus();
        });
    if (!written && !copyProblem)
        return written.error();
    if (!written) {
        const auto databaseProblem = problemsOf(p.bytes, p.options);
        if (!databaseProblem)
            return jet::makeError(jet::ErrorKind::Io,
                                  "副本写出后未通过一致性检查，数据库本身完好（磁盘写入出错？）；没有保留这个副本，"
                                  "也没有删除旧的备份：" +
                                      *copyProblem,
                                  out.path);
        // The database itself is damaged: its copy is kept apart, under a name that says so, and
        // counts for nothing when the good copies are pruned.
        out.path = platform::joinPath(jet::folderOf(p.target), damagedBackupName(p.dbPath, p.today));
        auto kept = jet::placeFile(out.path, jet::PlaceMode::Replace,
                                   [&](int fd, const std::string&) -> jet::Status {
                                       platform::setPermissions(fd, p.mode);
                                       return jet::writeAll(
                                           fd, jet::ByteView(p.bytes.data(), p.bytes.size()), out.path);
                                   });
        std::string where = kept ? "副本另存为 " + out.path : "损坏的副本也无法保存（" + kept.error().message + "）";
        if (kept)
            prune(p, true, out);
        return jet::makeError(jet::ErrorKind::Corrupt,
                              "数据库未通过一致性检查，" + where +
                                  "，不算作完好的备份，旧的备份都没有删除：" + *databaseProblem,
                              p.dbPath);
    }
    out.written = true;
    out.bytes = p.bytes.size();
    // Only now that the new copy is in place do older ones go.
    prune(p, false, out);
    return out;
}

jet::Result<BackupOutcome> backupDatabase(const std::string& dbPath, Day today, BackupMode mode,
                                          const BackupOptions& options) {
    auto pending = prepareBackup(dbPath, today, mode, options);
    if (!pending)
        return pending.error();
    if (!*pending) {
        BackupOutcome out;
        out.path = platform::joinPath(backupFolder(dbPath, options), dailyBackupName(dbPath, today));
        platform::FileInfo st;
        if (platform::pathInfo(out.path, st) == 0)
            out.bytes = st.size;
        return out;
    }
    return finishBackup(**pending);
}

std::vector<BackupEntry> listBackups(const std::string& dbPath, const BackupOptions& options, bool check) {
    const std::string folder = backupFolder(dbPath, options);
    const std::string prefix = backupStem(dbPath) + "-";
    std::vector<std::pair<BackupEntry, int64_t>> found;
    std::vector<std::string> names;
    if (!platform::listFolder(folder, names))
        return {};
    for (const std::string& name : names) {
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        auto e = parseName(name.substr(prefix.size()));
        platform::FileInfo st;
        const std::string path = platform::joinPath(folder, name);
        if (!e || platform::pathInfo(path, st) != 0 || !st.regular)
            continue;
        e->name = name;
        e->path = path;
        e->bytes = st.size;
        found.emplace_back(std::move(*e), st.modifiedNanos);
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        const Moment& x = a.first.when;
        const Moment& y = b.first.when;
        if (x.day != y.day)
            return x.day > y.day;
        // On one day: a copy of the day has no time; the files' times order them.
        auto timed = [](const BackupEntry& e) {
            return e.kind != BackupEntry::Kind::Daily && e.kind != BackupEntry::Kind::Damaged;
        };
        if (timed(a.first) && timed(b.first) &&
            std::tie(x.hour, x.minute, x.second) != std::tie(y.hour, y.minute, y.second))
            return std::tie(x.hour, x.minute, x.second) > std::tie(y.hour, y.minute, y.second);
        if (a.second != b.second)
            return a.second > b.second;
        return a.first.name > b.first.name;
    });
    std::vector<BackupEntry> list;
    for (auto& [e, mtime] : found) {
        if (check)
            checkBackup(e, options);
        list.push_back(std::move(e));
    }
    return list;
}

void checkBackup(BackupEntry& entry, const BackupOptions& options) {
    entry.checked = true;
    auto st = checkFile(entry.path, options, &entry.entries);
    entry.ok = st.ok();
    entry.problem = st ? std::string() : st.error().message;
}

jet::Result<RestoreOutcome> restoreBackup(const std::string& dbPath, const std::string& backupPath,
                                          Moment now, const BackupOptions& options) {
    // The copy, read once: what is checked is what is put in place.
    auto bytes = readFileBytes(backupPath);
    if (!bytes)
        return bytes.error();
    {
        jet::OpenOptions open;
        open.password = options.password;
        auto copy = jet::Database::openMemory(*bytes, open, backupPath);
        if (!copy)
            return jet::makeError(copy.error().kind, "备份无法打开：" + copy.error().message, backupPath);
        const jet::CheckReport report = jet::checkDatabase(**copy);
        if (!report.ok())
            return jet::makeError(jet::ErrorKind::Corrupt,
                                  "备份未通过一致性检查，不能用来恢复：" + firstFindings(report), backupPath);
    }

    RestoreOutcome out;
    std::unique_ptr<jet::WriterLock> lock;
    if (platform::pathExists(dbPath)) {
        auto taken = jet::WriterLock::take(dbPath);
        if (!taken) {
            if (taken.error().kind == jet::ErrorKind::Locked)
                return jet::makeError(jet::ErrorKind::Locked,
                                      "数据库正被 Ledrimo 或另一个程序修改（写入锁已被占用），没有恢复。"
                                      "请先退出 Ledrimo，再恢复",
                                      dbPath);
            return taken.error();
        }
        lock = std::move(*taken);
        if (auto st = lock->excludeUsers(); !st) {
            if (st.error().kind == jet::ErrorKind::Locked)
                return jet::makeError(jet::ErrorKind::Locked,
                                      "Ledrimo 正打开着这个数据库，没有恢复。请先退出 Ledrimo，再恢复", dbPath);
            return st.error();
        }
        // The database as it is now, damaged or not, goes to the backup folder first.
        auto current = readDescriptor(lock->fd(), dbPath);
        if (!current)
            return current.error();
        const std::string folder = backupFolder(dbPath, options);
        JET_TRY(makeBackupFolder(folder, dbPath));
        // The file's own permissions (through a symbolic link, those of the file it names).
        platform::FileInfo held;
        if (platform::fileInfo(lock->fd(), held) != 0)
            return jet::makeError(jet::ErrorKind::Io, "无法读取数据库的权限：" + fileErrorText(errno),
                                  dbPath);
        auto kept = keepCopy(keptCopyBase(dbPath, "restore", now, options), *current, held.permissions & 0666);
        if (!kept)
            return kept.error();
        out.keptAs = *kept;
    }
    auto placed =
        jet::placeFileBytes(dbPath, jet::PlaceMode::Replace, jet::ByteView(bytes->data(), bytes->size()));
    if (!placed) {
        if (!out.keptAs.empty())
            platform::removeFile(out.keptAs); // the database is still the one it keeps
        return placed.error();
    }
    return out;
}

std::optional<jet::Error> databaseDamage(const std::string& dbPath) {
    auto db = jet::Database::open(dbPath);
    if (!db)
        return db.error().kind == jet::ErrorKind::Corrupt ? std::optional(db.error()) : std::nullopt;
    // What connecting reads: the catalog, the tables of the log and their rows.
    if (const jet::CheckReport catalog = jet::checkTableQuickly(**db, u"MSysObjects"); !catalog.ok()) {
        const jet::CheckFinding& f = catalog.findings.front();
        return jet::makeError(jet::ErrorKind::Corrupt, "表“MSysObjects”：" + f.message, dbPath, f.page);
    }
    for (const char16_t* name : {u"data", u"admin"}) {
        auto table = (*db)->openTable(name);
        if (!table) {
            if (table.error().kind == jet::ErrorKind::Corrupt)
                return table.error();
            continue;
        }
        auto rows = (*table)->rowIds();
        if (!rows && rows.error().kind == jet::ErrorKind::Corrupt)
            return rows.error();
        // The cheap part of the check: pages of the table that are no data pages of it, rows
        // the counter has and the pages have not.
        const jet::CheckReport quick = jet::checkTableQuickly(**db, name);
        if (!quick.ok()) {
            const jet::CheckFinding& f = quick.findings.front();
            return jet::makeError(jet::ErrorKind::Corrupt, "表“" + jet::toUtf8(f.table) + "”：" + f.message,
                                  dbPath, f.page);
        }
    }
    return std::nullopt;
}

std::string damagedDatabaseAdvice(const std::string& dbPath, const std::string& toolName) {
    std::string text = "数据库文件已损坏，无法打开：" + dbPath + "\n\n";
    for (BackupEntry& e : listBackups(dbPath, {}, false)) {
        checkBackup(e);
        if (!e.ok)
            continue;
        text += "最新的完好备份是 " + e.path + "（" + dayText(e.when.day);
        if (e.entries >= 0)
            text += "，" + std::to_string(e.entries) + " 条记录";
        text += "）。\n\n恢复方法：先退出本程序，再在终端中运行\n" + toolName + " restore " +
                platform::shellWord(dbPath) + " " + platform::shellWord(e.path) +
                "\n现在的数据库文件会先另存到备份文件夹中。";
        return text;
    }
    return text + "备份文件夹 " + backupFolder(dbPath) +
           " 中没有通过检查的备份。请保留现在的数据库文件，不要删除或覆盖它。";
}

} // namespace store
