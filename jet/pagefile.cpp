#include "jet/pagefile.h"

#include "jet/journal.h"
#include "platform/lock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <random>

#include <fcntl.h>
#include <unistd.h>

#include "platform/file.h"

namespace jet {

namespace {

using journal::osErrorText;

// Pages addressable by a 3-byte page number.
constexpr uint64_t kMaxPages = 1u << 24;

// Rolls back the journal beside `path`, if there is one, into the file open on `fd` (whose lock
// the caller holds), and removes it.
Status recoverJournal(int fd, const std::string& path) {
    const std::string jpath = path + "-journal";
    auto contents = journal::read(jpath);
    if (!contents)
        return contents.error();
    if (*contents)
        JET_TRY(journal::restore(fd, path, **contents));
    return journal::remove(jpath);
}

bool exists(const std::string& path) {
    return platform::pathExists(path);
}

} // namespace

Result<std::shared_ptr<PageFile>> PageFile::openPath(const std::string& path) {
    // A journal beside the file: a change that stopped part-way, or one a writer is saving
    // right now. Roll it back if this process may (it can write the file and nobody holds the
    // writer's lock); else read the pages as the journal says they were before the change.
    bool readThroughJournal = false;
    if (exists(path + "-journal")) {
        readThroughJournal = true;
        const int wfd = platform::openFile(path, platform::kReadWrite);
        if (wfd >= 0) {
            if (platform::tryLock(wfd, platform::FileLock::Writer, platform::LockMode::Exclusive).taken())
                readThroughJournal = !recoverJournal(wfd, path).ok();
            platform::closeFile(wfd);
        }
    }
    const int fd = platform::openFile(path, platform::kRead);
    if (fd < 0)
        return makeError(ErrorKind::Io, "无法打开数据库文件：" + osErrorText(errno), path);
    platform::FileInfo st;
    if (platform::fileInfo(fd, st) != 0 || !st.regular) {
        platform::closeFile(fd);
        return makeError(ErrorKind::Io, "无法打开数据库文件：不是普通文件", path);
    }
    std::shared_ptr<PageFile> f(new PageFile());
    f->name_ = path;
    f->fd_ = fd;
    f->size_ = st.size;
    if (readThroughJournal) {
        auto contents = journal::read(path + "-journal");
        if (contents && *contents) {
            f->size_ = (*contents)->originalSize;
            for (const auto& img : (*contents)->images) {
                auto pg = std::make_shared<Page>();
                pg->number = img->page;
                pg->bytes = img->bytes;
                f->overlay_[img->page] = std::move(pg);
            }
        }
    }
    if (f->size_ / kPageSize > kMaxPages)
        return makeError(ErrorKind::Unsupported, "文件过大，超出 Jet 4 数据库的上限", path);
    f->pageCount_ = uint32_t(f->size_ / kPageSize);
    return f;
}

// Opens `path` for writing and takes its writer's lock, waiting up to `waitMs` for another
// writer to finish; the descriptor, or the error.
static Result<int> lockFile(const std::string& path, int waitMs) {
    // The file may be replaced whole (a restore, a compact: a new file renamed over the name)
    // while this open waits for nothing but the lock; a lock on the file that was replaced would
    // guard nothing, and changes to it would be lost. So the lock counts only if the name still
    // leads to the locked file; otherwise open the new one.
    for (int attempt = 0;; ++attempt) {
        const int fd = platform::openFile(path, platform::kReadWrite);
        if (fd < 0) {
            const int err = errno;
            if (err == EACCES || err == EPERM || err == EROFS)
                return makeError(ErrorKind::ReadOnly, "数据库文件不能写入：" + osErrorText(err), path);
            return makeError(ErrorKind::Io, "无法打开数据库文件：" + osErrorText(err), path);
        }
        auto fail = [&](Error e) -> Result<int> {
            platform::closeFile(fd);
            return e;
        };
        platform::FileInfo st;
        if (platform::fileInfo(fd, st) != 0 || !st.regular)
            return fail(makeError(ErrorKind::Io, "无法打开数据库文件：不是普通文件", path));
        const platform::LockOutcome got =
            platform::lockWithin(fd, platform::FileLock::Writer, platform::LockMode::Exclusive, waitMs);
        if (got.result == platform::LockOutcome::Busy)
            return fail(makeError(ErrorKind::Locked, "数据库正被另一个程序修改", path));
        if (!got.taken())
            return fail(makeError(ErrorKind::Io, "无法锁定数据库文件：" + osErrorText(got.error), path));
        platform::FileInfo now;
        if (platform::pathInfo(path, now) == 0 && now.device == st.device && now.id == st.id)
            return fd;
        platform::closeFile(fd);
        if (attempt == 10)
            return makeError(ErrorKind::Locked, "数据库文件正在被替换", path);
    }
}

Result<std::shared_ptr<PageFile>> PageFile::openForWriting(const std::string& path, int waitMs) {
    auto locked = lockFile(path, waitMs);
    if (!locked)
        return locked.error();
    const int fd = *locked;
    std::shared_ptr<PageFile> f(new PageFile());
    f->name_ = path;
    f->fd_ = fd; // closed (and the lock released) with f
    platform::FileInfo st;
    JET_TRY(recoverJournal(fd, path));
    if (platform::fileInfo(fd, st) != 0)
        return makeError(ErrorKind::Io, "无法打开数据库文件：" + osErrorText(errno), path);
    f->size_ = st.size;
    if (f->size_ / kPageSize > kMaxPages)
        return makeError(ErrorKind::Unsupported, "文件过大，超出 Jet 4 数据库的上限", path);
    if (f->size_ % kPageSize != 0)
        return makeError(ErrorKind::Corrupt, "文件末尾有不完整的页（文件可能被截断），不能写入", path,
                         int64_t(f->size_ / kPageSize));
    f->pageCount_ = uint32_t(f->size_ / kPageSize);
    f->writable_ = true;
    return f;
}

// Takes the in-use lock of the file open on `fd` exclusively, without waiting.
static Status excludeUsersOf(int fd, const std::string& path) {
    const platform::LockOutcome got =
        platform::tryLock(fd, platform::FileLock::InUse, platform::LockMode::Exclusive);
    if (got.result == platform::LockOutcome::Busy)
        return makeError(ErrorKind::Locked, "数据库正在 Ledrimo 中打开", path);
    if (!got.taken())
        return makeError(ErrorKind::Io, "无法锁定数据库文件：" + osErrorText(got.error), path);
    return okStatus();
}

Status PageFile::excludeUsers() {
    if (fd_ < 0 || !writable_)
        return error(ErrorKind::ReadOnly, "数据库文件没有以写入方式打开");
    return excludeUsersOf(fd_, name_);
}

Status WriterLock::excludeUsers() {
    return excludeUsersOf(fd_, path_);
}

Result<std::unique_ptr<UseLock>> UseLock::take(const std::string& path, int waitMs) {
    // As for the writer's lock: the lock counts only if the name still leads to the locked file.
    for (int attempt = 0;; ++attempt) {
        const int fd = platform::openFile(path, platform::kRead);
        if (fd < 0)
            return makeError(ErrorKind::Io, "无法打开数据库文件：" + osErrorText(errno), path);
        platform::FileInfo st;
        if (platform::fileInfo(fd, st) != 0 || !st.regular) {
            platform::closeFile(fd);
            return makeError(ErrorKind::Io, "无法打开数据库文件：不是普通文件", path);
        }
        const platform::LockOutcome got =
            platform::lockWithin(fd, platform::FileLock::InUse, platform::LockMode::Shared, waitMs);
        if (!got.taken()) {
            platform::closeFile(fd);
            if (got.result == platform::LockOutcome::Busy)
                return makeError(ErrorKind::Locked, "数据库正在被恢复或压缩", path);
            return makeError(ErrorKind::Io, "无法锁定数据库文件：" + osErrorText(got.error), path);
        }
        platform::FileInfo now;
        if (platform::pathInfo(path, now) == 0 && now.device == st.device && now.id == st.id) {
            std::unique_ptr<UseLock> lock(new UseLock(fd));
            lock->device_ = uint64_t(st.device);
            lock->inode_ = uint64_t(st.id);
            return lock;
        }
        platform::closeFile(fd);
        if (attempt == 10)
            return makeError(ErrorKind::Locked, "数据库文件正在被替换", path);
    }
}

UseLock::~UseLock() {
    if (fd_ >= 0)
        platform::closeFile(fd_);
}

bool UseLock::holds(const std::string& path) const {
    platform::FileInfo st;
    return platform::pathInfo(path, st) == 0 && uint64_t(st.device) == device_ && uint64_t(st.id) == inode_;
}

Result<std::unique_ptr<WriterLock>> WriterLock::take(const std::string& path, int waitMs) {
    auto locked = lockFile(path, waitMs);
    if (!locked)
        return locked.error();
    std::unique_ptr<WriterLock> lock(new WriterLock(*locked, path));
    JET_TRY(recoverJournal(lock->fd_, path));
    return lock;
}

WriterLock::~WriterLock() {
    if (fd_ >= 0)
        platform::closeFile(fd_);
}

std::shared_ptr<PageFile> PageFile::openMemory(std::vector<uint8_t> bytes, std::string name, bool writable) {
    std::shared_ptr<PageFile> f(new PageFile());
    f->name_ = std::move(name);
    f->size_ = bytes.size();
    f->memory_ = std::move(bytes);
    f->pageCount_ = uint32_t(std::min<uint64_t>(f->size_ / kPageSize, kMaxPages));
    // A partial last page stays read-only, as on disk.
    f->writable_ = writable && f->size_ % kPageSize == 0;
    return f;
}

PageFile::~PageFile() {
    if (fd_ >= 0)
        platform::closeFile(fd_);
}

Status PageFile::readRaw(uint64_t offset, uint8_t* out, size_t len) const {
    if (stopped_)
        return error(ErrorKind::Io, "数据库已在修改途中停止（测试），请重新打开");
    if (fd_ < 0) {
        std::memcpy(out, memory_.data() + offset, len);
        return okStatus();
    }
    size_t done = 0;
    while (done < len) {
        const int64_t n = platform::readAt(fd_, out + done, len - done, offset + done);
        if (n < 0)
            return error(ErrorKind::Io, "读取文件失败：" + osErrorText(errno), int64_t(offset / kPageSize));
        if (n == 0)
            return corrupt("文件在读取过程中变短", int64_t(offset / kPageSize));
        done += size_t(n);
    }
    // Pages a journal says were different before an unfinished change.
    if (!overlay_.empty()) {
        for (uint64_t pg = offset / kPageSize; pg * kPageSize < offset + len; ++pg) {
            auto it = overlay_.find(uint32_t(pg));
            if (it == overlay_.end())
                continue;
            const uint64_t from = std::max<uint64_t>(offset, pg * kPageSize);
            const uint64_t to = std::min<uint64_t>(offset + len, (pg + 1) * kPageSize);
            std::memcpy(out + (from - offset), it->second->bytes.data() + (from - pg * kPageSize), to - from);
        }
    }
    return okStatus();
}

Status PageFile::readPage(uint32_t n, uint8_t* out) const {
    if (n >= pageCount_)
        return corrupt("页号超出文件末尾（文件只有 " + std::to_string(pageCount_) + " 个完整的页）", n);
    if (inChange_) {
        std::lock_guard<std::mutex> lock(cacheMutex_);
        auto it = dirty_.find(n);
        if (it != dirty_.end()) {
            std::memcpy(out, it->second->bytes.data(), kPageSize);
            return okStatus();
        }
    }
    return readRaw(uint64_t(n) * kPageSize, out, kPageSize);
}

Result<size_t> PageFile::readAt(uint64_t offset, uint8_t* out, size_t len) const {
    if (offset >= size_)
        return size_t(0);
    const size_t avail = size_t(std::min<uint64_t>(len, size_ - offset));
    JET_TRY(readRaw(offset, out, avail));
    return avail;
}

Result<PageRef> PageFile::page(uint32_t n) const {
    if (inChange_) {
        std::lock_guard<std::mutex> lock(cacheMutex_);
        auto it = dirty_.find(n);
        if (it != dirty_.end())
            return PageRef(it->second);
    }
    return cachedPage(n);
}

Result<PageRef> PageFile::cachedPage(uint32_t n) const {
    bool sequential = false;
    {
        std::lock_guard<std::mutex> lock(cacheMutex_);
        for (auto& slot : cache_) {
            if (slot.page && slot.page->number == n) {
                slot.lastUse = ++useClock_;
                return slot.page;
            }
        }
        sequential = lastMiss_ && *lastMiss_ + 1 == n;
        lastMiss_ = n;
    }
    if (n >= pageCount_)
        return corrupt("页号超出文件末尾（文件只有 " + std::to_string(pageCount_) + " 个完整的页）", n);
    // A scan reads page after page: after two neighbouring misses the pages that follow are read
    // along with this one, in one system call. Only for a file read as it is on disk (outside a
    // change, where every page up to pageCount_ is on disk, and without a journal's overlay);
    // when that read comes back short or fails, the page is read alone as usual.
    std::vector<std::shared_ptr<Page>> fresh;
    const uint32_t ahead = std::min<uint32_t>(kReadAhead, pageCount_ - n);
    if (sequential && ahead > 1 && !inChange_ && fd_ >= 0 && overlay_.empty() && !stopped_) {
        std::array<platform::Piece, kReadAhead> parts;
        for (uint32_t i = 0; i < ahead; ++i) {
            auto pg = std::make_shared<Page>();
            pg->number = n + i;
            parts[i] = platform::Piece{pg->bytes.data(), kPageSize};
            fresh.push_back(std::move(pg));
        }
        const int64_t got = platform::readPiecesAt(fd_, parts.data(), int(ahead), uint64_t(n) * kPageSize);
        if (got != int64_t(size_t(ahead) * kPageSize))
            fresh.clear();
    }
    if (fresh.empty()) {
        auto pg = std::make_shared<Page>();
        pg->number = n;
        JET_TRY(readRaw(uint64_t(n) * kPageSize, pg->bytes.data(), kPageSize));
        fresh.push_back(std::move(pg));
    }
    std::lock_guard<std::mutex> lock(cacheMutex_);
    for (auto& pg : fresh) {
        CacheSlot* victim = nullptr;
        for (auto& slot : cache_) {
            if (slot.page && slot.page->number == pg->number) {
                victim = nullptr; // read meanwhile by another thread: keep that image
                break;
            }
            if (!victim || !slot.page || (victim->page && slot.lastUse < victim->lastUse))
                victim = &slot;
        }
        if (!victim)
            continue;
        victim->page = pg;
        // The pages read ahead count as used before this one, so that they go first if unused.
        victim->lastUse = pg->number == n ? ++useClock_ : useClock_;
    }
    if (sequential)
        lastMiss_ = n + uint32_t(fresh.size()) - 1;
    return PageRef(fresh.front());
}

// ---- changes --------------------------------------------------------------------------------

Status PageFile::begin() {
    if (!writable_)
        return error(ErrorKind::ReadOnly, "数据库以只读方式打开，不能修改");
    if (stopped_ || broken_)
        return error(ErrorKind::Io, "上一次保存失败且未能撤销，请重新打开数据库");
    if (inChange_)
        return error(ErrorKind::Invalid, "已经有一个未完成的修改");
    inChange_ = true;
    pageCountAtBegin_ = pageCount_;
    marking_ = false;
    undo_.clear();
    return okStatus();
}

Result<Page*> PageFile::mutablePage(uint32_t n) {
    if (!inChange_)
        return error(ErrorKind::Invalid, "修改页之前没有开始修改");
    if (n >= pageCount_)
        return corrupt("页号超出文件末尾（文件只有 " + std::to_string(pageCount_) + " 个完整的页）", n);
    std::shared_ptr<Page> current;
    {
        std::lock_guard<std::mutex> lock(cacheMutex_);
        auto it = dirty_.find(n);
        if (it != dirty_.end())
            current = it->second;
    }
    if (marking_ && !undo_.count(n))
        undo_.emplace(n, current);
    if (current) {
        // Copy on write: someone (an image handed out, the undo record) still holds this one.
        if (current.use_count() > 2) {
            auto copy = std::make_shared<Page>(*current);
            std::lock_guard<std::mutex> lock(cacheMutex_);
            dirty_[n] = copy;
            return copy.get();
        }
        return current.get();
    }
    auto base = cachedPage(n);
    if (!base)
        return base.error();
    auto copy = std::make_shared<Page>(**base);
    std::lock_guard<std::mutex> lock(cacheMutex_);
    dirty_[n] = copy;
    return copy.get();
}

Result<uint32_t> PageFile::appendPage() {
    if (!inChange_)
        return error(ErrorKind::Invalid, "修改页之前没有开始修改");
    if (pageCount_ >= kMaxPages)
        return error(ErrorKind::Unsupported, "数据库已达到 Jet 4 文件的页数上限");
    const uint32_t n = pageCount_;
    auto pg = std::make_shared<Page>();
    pg->number = n;
    {
        std::lock_guard<std::mutex> lock(cacheMutex_);
        dirty_[n] = std::move(pg);
    }
    if (marking_ && !undo_.count(n))
        undo_.emplace(n, nullptr);
    ++pageCount_;
    size_ = uint64_t(pageCount_) * kPageSize;
    return n;
}

void PageFile::markOperation() {
    marking_ = true;
    undo_.clear();
    pageCountAtMark_ = pageCount_;
}

void PageFile::undoOperation() {
    if (!marking_)
        return;
    {
        std::lock_guard<std::mutex> lock(cacheMutex_);
        for (auto& [n, before] : undo_) {
            if (before)
                dirty_[n] = std::move(before);
            else
                dirty_.erase(n);
        }
    }
    undo_.clear();
    marking_ = false;
    pageCount_ = pageCountAtMark_;
    size_ = uint64_t(pageCount_) * kPageSize;
}

PageFile::Snapshot PageFile::snapshot() const {
    std::lock_guard<std::mutex> lock(cacheMutex_);
    return Snapshot{dirty_, pageCount_};
}

void PageFile::restore(const Snapshot& snapshot) {
    if (!inChange_)
        return;
    std::lock_guard<std::mutex> lock(cacheMutex_);
    dirty_ = snapshot.pages;
    undo_.clear();
    marking_ = false;
    pageCount_ = snapshot.pageCount;
    size_ = uint64_t(pageCount_) * kPageSize;
}

void PageFile::rollback() {
    std::lock_guard<std::mutex> lock(cacheMutex_);
    dirty_.clear();
    undo_.clear();
    marking_ = false;
    if (inChange_) {
        pageCount_ = pageCountAtBegin_;
        size_ = uint64_t(pageCount_) * kPageSize;
    }
    inChange_ = false;
}

bool PageFile::step() {
    if (fault_ && writes_ >= fault_->stopAfterWrites) {
        stopped_ = true;
        return false;
    }
    ++writes_;
    return true;
}

Error PageFile::stopError() {
    // Like a process that is gone: no clean-up, the lock goes with the descriptor.
    if (fd_ >= 0)
        platform::closeFile(fd_);
    fd_ = -1;
    broken_ = true;
    inChange_ = false;
    dirty_.clear();
    undo_.clear();
    return error(ErrorKind::Io, "修改在途中停止（测试）");
}

Status PageFile::writeJournal(const std::vector<uint32_t>& pages) {
    const std::string jpath = journalPath();
    std::vector<uint32_t> saved;
    for (uint32_t n : pages)
        if (n < pageCountAtBegin_)
            saved.push_back(n);
    const int jfd = platform::openFile(jpath, platform::kWrite | platform::kCreate | platform::kTruncate, 0644);
    if (jfd < 0) {
        const int err = errno;
        return makeError(err == EACCES || err == EPERM || err == EROFS ? ErrorKind::ReadOnly : ErrorKind::Io,
                         "无法在数据库所在的文件夹中建立回滚日志：" + osErrorText(err), jpath);
    }
    struct Closer {
        int fd;
        ~Closer() { platform::closeFile(fd); }
    } closer{jfd};
    std::random_device rd;
    const uint64_t salt = (uint64_t(rd()) << 32) ^ rd() ^ uint64_t(pageCountAtBegin_);
    auto put = [&](const Bytes& b, uint64_t at) -> Status {
        if (!step()) {
            if (fault_ && fault_->tornWrite)
                (void)platform::writeAt(jfd, b.data(), b.size() / 2, at);
            return stopError();
        }
        size_t done = 0;
        while (done < b.size()) {
            const int64_t n = platform::writeAt(jfd, b.data() + done, b.size() - done, at + done);
            if (n < 0)
                return makeError(ErrorKind::Io, "写入回滚日志失败：" + osErrorText(errno), jpath);
            done += size_t(n);
        }
        return okStatus();
    };
    JET_TRY(
        put(journal::encodeHeader(uint64_t(pageCountAtBegin_) * kPageSize, uint32_t(saved.size()), salt), 0));
    std::array<uint8_t, kPageSize> original{};
    uint64_t at = journal::kHeaderSize;
    for (uint32_t n : saved) {
        // The image on disk, which the change has not touched.
        size_t done = 0;
        while (done < kPageSize) {
            const int64_t r =
                platform::readAt(fd_, original.data() + done, kPageSize - done, uint64_t(n) * kPageSize + done);
            if (r <= 0)
                return error(ErrorKind::Io, "读取原页失败：" + osErrorText(r < 0 ? errno : EIO), n);
            done += size_t(r);
        }
        JET_TRY(put(journal::encodeRecord(salt, n, original.data()), at));
        at += journal::kRecordSize;
    }
    if (!step())
        return stopError();
    if (platform::syncFile(jfd) != 0)
        return makeError(ErrorKind::Io, "无法把回滚日志写入磁盘：" + osErrorText(errno), jpath);
    if (!step())
        return stopError();
    return journal::syncFolder(jpath);
}

Status PageFile::writePages(const std::vector<uint32_t>& pages) {
    for (uint32_t n : pages) {
        const Page& pg = *dirty_.at(n);
        if (!step()) {
            if (fault_ && fault_->tornWrite)
                (void)platform::writeAt(fd_, pg.bytes.data(), kPageSize / 2, uint64_t(n) * kPageSize);
            return stopError();
        }
        size_t done = 0;
        while (done < kPageSize) {
            const int64_t w =
                platform::writeAt(fd_, pg.bytes.data() + done, kPageSize - done, uint64_t(n) * kPageSize + done);
            if (w < 0)
                return error(ErrorKind::Io, "写入数据库失败：" + osErrorText(errno), n);
            done += size_t(w);
        }
    }
    if (!step())
        return stopError();
    if (platform::syncFile(fd_) != 0)
        return error(ErrorKind::Io, "无法把数据库写入磁盘：" + osErrorText(errno));
    return okStatus();
}

Status PageFile::commit() {
    if (!inChange_)
        return okStatus();
    if (dirty_.empty()) {
        rollback();
        return okStatus();
    }
    std::vector<uint32_t> pages;
    pages.reserve(dirty_.size());
    for (const auto& [n, pg] : dirty_)
        pages.push_back(n);
    std::sort(pages.begin(), pages.end());

    if (fd_ < 0) {
        // Held in memory: the pages go into the bytes; nothing can fail half-way.
        memory_.resize(size_t(pageCount_) * kPageSize);
        for (uint32_t n : pages)
            std::memcpy(memory_.data() + size_t(n) * kPageSize, dirty_.at(n)->bytes.data(), kPageSize);
        size_ = memory_.size();
        return settleCommit();
    }

    // 1. The journal, synced, before any page of the file changes.
    if (auto st = writeJournal(pages); !st) {
        if (!stopped_)
            (void)journal::remove(journalPath());
        rollback();
        return st;
    }
    // 2. The pages, synced; on failure put the old images back from the journal.
    auto undoFromJournal = [&]() {
        if (!recoverJournal(fd_, name_).ok())
            broken_ = true; // the journal stays; the next open rolls it back
        rollback();
    };
    if (auto st = writePages(pages); !st) {
        if (!stopped_)
            undoFromJournal();
        return st;
    }
    // 3. The change is complete once the journal is gone.
    Status removed = okStatus();
    if (!step())
        return stopError();
    if (platform::removeFile(journalPath()) != 0 && errno != ENOENT) {
        removed = error(ErrorKind::Io, "无法删除回滚日志：" + osErrorText(errno));
    } else {
        if (!step())
            return stopError();
        removed = journal::syncFolder(journalPath());
    }
    if (!removed) {
        // Without the journal's removal on disk the change is not settled: a later open would
        // roll it back. Do so now, so that what the caller is told and the file agree.
        undoFromJournal();
        return removed;
    }
    return settleCommit();
}

Status PageFile::settleCommit() {
    std::lock_guard<std::mutex> lock(cacheMutex_);
    for (auto& slot : cache_) {
        if (!slot.page)
            continue;
        auto it = dirty_.find(slot.page->number);
        if (it != dirty_.end())
            slot.page = it->second;
    }
    dirty_.clear();
    undo_.clear();
    marking_ = false;
    inChange_ = false;
    return okStatus();
}

// ---- header ---------------------------------------------------------------------------------

namespace {

// The header's masked region is XORed with the key stream of RC4 keyed with the four bytes
// C7 DA 39 6B (docs/jet4-format.md §2). The stream never changes, so it is computed once.
std::array<uint8_t, kHeaderMaskLength> makeHeaderKeyStream() {
    const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    std::array<uint8_t, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[size_t(i)] = uint8_t(i);
    uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = uint8_t(j + s[size_t(i)] + key[i % 4]);
        std::swap(s[size_t(i)], s[j]);
    }
    std::array<uint8_t, kHeaderMaskLength> out{};
    uint8_t a = 0, b = 0;
    for (auto& o : out) {
        a = uint8_t(a + 1);
        b = uint8_t(b + s[a]);
        std::swap(s[a], s[b]);
        o = s[uint8_t(s[a] + s[b])];
    }
    return out;
}

const std::array<uint8_t, kHeaderMaskLength>& headerKeyStream() {
    static const auto stream = makeHeaderKeyStream();
    return stream;
}

constexpr char kJetMagic[] = "Standard Jet DB";
constexpr char kAceMagic[] = "Standard ACE DB";

} // namespace

void toggleHeaderMask(uint8_t* region) {
    const auto& ks = headerKeyStream();
    for (size_t i = 0; i < kHeaderMaskLength; ++i)
        region[i] ^= ks[i];
}

std::array<uint8_t, 4> passwordMask(double creationDate) {
    // The creation date truncated to a 32-bit integer, little-endian. A date outside the int32
    // range cannot come from Access; clamp so that a damaged header gives a defined mask.
    int32_t v = 0;
    if (creationDate == creationDate) {
        if (creationDate >= 2147483647.0)
            v = INT32_MAX;
        else if (creationDate <= -2147483648.0)
            v = INT32_MIN;
        else
            v = int32_t(creationDate);
    }
    std::array<uint8_t, 4> m{};
    put32(m.data(), uint32_t(v));
    return m;
}

std::string versionName(uint32_t version) {
    switch (version) {
    case 0:
        return "Jet 3（Access 97）";
    case 1:
        return "Jet 4（Access 2000–2003）";
    case 2:
        return "ACE 12（Access 2007）";
    case 3:
        return "ACE 14（Access 2010）";
    case 4:
        return "ACE 15（Access 2013）";
    case 5:
        return "ACE 16（Access 2016）";
    case 6:
        return "ACE 17（Access 2019）";
    default:
        return "未知版本 " + std::to_string(version);
    }
}

Result<DatabaseHeader> readHeader(const PageFile& file) {
    std::array<uint8_t, kPageSize> p{};
    auto got = file.readAt(0, p.data(), p.size());
    if (!got)
        return got.error();
    const size_t n = *got;
    if (n < 0x20 || p[0] != 0x00 || p[1] != 0x01 || p[2] != 0 || p[3] != 0)
        return file.corrupt("不是 Access 数据库文件（文件头无法识别）", 0);
    const bool jet = std::memcmp(p.data() + 4, kJetMagic, sizeof kJetMagic) == 0;
    const bool ace = std::memcmp(p.data() + 4, kAceMagic, sizeof kAceMagic) == 0;
    if (!jet && !ace)
        return file.corrupt("不是 Access 数据库文件（文件头无法识别）", 0);
    DatabaseHeader h;
    h.version = le32(p.data() + 0x14);
    if (ace && h.version < 2)
        h.version = 2; // an ACE file names itself; its version byte cannot make it Jet
    if (h.version != kVersionJet4)
        return file.error(ErrorKind::Unsupported, "不支持的文件格式版本：" + versionName(h.version), 0);
    if (n < kPageSize)
        return file.corrupt("文件太短，连文件头页都不完整", 0);

    std::memcpy(h.unmasked.data(), p.data() + kHeaderMaskOffset, kHeaderMaskLength);
    toggleHeaderMask(h.unmasked.data());
    // Field offsets are page offsets; the unmasked copy starts at 0x18.
    auto at = [&](size_t pageOffset) { return h.unmasked.data() + (pageOffset - kHeaderMaskOffset); };
    h.codePage = le16(at(0x3C));
    h.encryptionKey = le32(at(0x3E));
    h.sortOrder = le16(at(0x6E));
    h.sortOrderVersion = *at(0x71);
    h.creationDate = leDouble(at(0x72));
    const auto mask = passwordMask(h.creationDate);
    for (size_t i = 0; i < 40; i += 2) {
        const char16_t c =
            char16_t((at(0x42)[i] ^ mask[i % 4]) | ((at(0x42)[i + 1] ^ mask[(i + 1) % 4]) << 8));
        if (c == 0)
            break;
        h.password += c;
    }
    h.pageCount = file.pageCount();
    return h;
}

} // namespace jet
