#include "store/database_file.h"

#include "runtime/datetime.h"
#include "runtime/kernel.h"
#include "runtime/msgbox.h"
#include "runtime/program.h"
#include "store/backup.h"
#include "store/database_image.h"
#include "store/database_location.h"
#include "store/program_values.h"

#include <memory>
#include <optional>
#include <thread>

namespace store {

namespace {

DatabaseLocation currentLocation() {
    return databaseLocation(rt::fileSystemPath(rt::programDirectory()));
}

} // namespace

rt::Text computeDatabasePath() {
    // The location is UTF-8, as the file system names it.
    rt::Text path = rt::Text::fromUtf8(currentLocation().path);
    databasePath.set(path);
    return path;
}

DatabasePresence checkDatabasePresence() {
    const rt::Text path = computeDatabasePath();
    if (rt::fileExists(path))
        return DatabasePresence::Present;
    const int answer = rt::messageBox("数据库文件不存在，需要恢复请确认！",
                                      rt::MbOkCancel | rt::MbIconWarning, "数据库不存在");
    if (answer != rt::MbOk)
        return DatabasePresence::Declined;
    if (!restoreDatabase()) {
        rt::messageBox("未知错误,请重新安装软件!");
        rt::endProgram(0);
    }
    rt::messageBox("数据库恢复成功!默认用户名密码为：tamsu");
    return DatabasePresence::Present;
}

bool restoreDatabase() {
    const rt::Text path = computeDatabasePath();
    const rt::Bytes file = rt::decompress(databaseImage());
    // A damaged image decompresses to nothing; an empty `db` would be worse than none.
    if (file.empty())
        return false;
    // The user's data folder is made on the first restore, private to the user.
    const DatabaseLocation where = currentLocation();
    if (where.inDataFolder && !makeFolderFor(where.path).ok())
        return false;
    return rt::writeFile(path, {file});
}

namespace {

// Whether this run has told of a failed automatic backup already.
bool backupFailureShown = false;

void reportBackupFailure(const jet::Error& e) {
    if (backupFailureShown)
        return;
    backupFailureShown = true;
    rt::messageBox(rt::Text::fromUtf8("自动备份失败：" + e.describe()), rt::MbIconWarning);
}

// The thread that writes, checks and places the copy of the day, and what it found.
struct BackupWorker {
    std::thread thread;
    std::shared_ptr<std::optional<jet::Error>> failure;
    ~BackupWorker() { join(); }
    void join() {
        if (thread.joinable())
            thread.join();
    }
};

BackupWorker& worker() {
    static BackupWorker w;
    return w;
}

} // namespace

void backupAtConnect(const rt::Text& path) {
    BackupWorker& w = worker();
    if (w.thread.joinable())
        return; // the copy of the day is being made
    const double now = rt::now();
    BackupOptions options;
    options.lockWaitMs = 1000; // the window waits for this
    auto pending = prepareBackup(rt::fileSystemPath(path), {rt::year(now), rt::month(now), rt::day(now)},
                                 BackupMode::IfMissing, options);
    if (!pending) {
        reportBackupFailure(pending.error());
        return;
    }
    if (!*pending)
        return;
    // Writing, syncing and checking the copy take longer than the rest of connecting at many
    // entries; they go on beside the window, which learns the result when they are done.
    static const bool joinedAtExit = [] {
        rt::addFinalRoutine([] { worker().join(); });
        return true;
    }();
    (void)joinedAtExit;
    w.failure = std::make_shared<std::optional<jet::Error>>();
    w.thread = std::thread([p = std::move(**pending), failure = w.failure] {
        auto done = finishBackup(p);
        if (!done)
            *failure = done.error();
        rt::postToMainThread([] { waitForBackup(); });
    });
}

void waitForBackup() {
    BackupWorker& w = worker();
    if (!w.thread.joinable())
        return;
    w.join();
    const auto failure = std::move(w.failure);
    if (failure && *failure)
        reportBackupFailure(**failure);
}

void finishBackupQuietly() {
    BackupWorker& w = worker();
    w.join();
    w.failure.reset();
}

bool adviseIfDamaged(const rt::Text& path) {
    const std::string file = rt::fileSystemPath(path);
    if (!databaseDamage(file))
        return false;
    rt::messageBox(rt::Text::fromUtf8(damagedDatabaseAdvice(file)), rt::MbIconWarning, "数据库已损坏");
    return true;
}

} // namespace store
