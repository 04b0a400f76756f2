// Page file and database header: the only place the engine touches the bytes of the database
// file. A PageFile hands out immutable page images; whoever holds one can keep it as long as it
// likes, and nothing another reader or a writer does changes it.
//
// A file opened for writing is locked against other writers for as long as it is open. Changes
// are made page by page inside a change (begin ... commit or rollback): the changed pages stay
// in memory, where page() already shows them, until commit() saves the original images of the
// pages it will overwrite in a rollback journal beside the file, syncs it, writes the pages,
// syncs the file and removes the journal. A crash at any moment leaves either the old file, or
// a journal from which the next open restores it. See docs/jet4-format.md §1 and §2 and
// docs/journal.md.
#pragma once

#include "jet/error.h"
#include "jet/layout.h"

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace jet {

// One page as read from the file. Immutable once handed out.
struct Page {
    uint32_t number = 0;
    std::array<uint8_t, kPageSize> bytes{};
    ByteView view() const { return ByteView(bytes.data(), bytes.size()); }
    PageType type() const { return PageType(bytes[0]); }
};
using PageRef = std::shared_ptr<const Page>;

// For tests of crash safety: makes the page file stop a commit part-way, as if the process had
// been killed. Every step of a commit that changes something on disk (writing one page or the
// journal header, a sync, removing the journal) counts as one write.
struct FaultPlan {
    uint64_t stopAfterWrites = 0; // the writes allowed before the stop
    bool tornWrite = false;       // the write at the stop goes half-way instead of not at all
};

class PageFile {
public:
    // Opens an existing file for reading. Io error (naming the file) if it cannot be opened or is
    // not a regular file; Unsupported if it is larger than a Jet 4 file can address. A journal
    // left by a writer that stopped part-way is rolled back first when the file and its folder
    // can be written (and no other process is writing); otherwise the pages are read as the
    // journal says they were, so that the reader sees the file whole.
    static Result<std::shared_ptr<PageFile>> openPath(const std::string& path);
    // Opens an existing file for reading and writing, and locks it against other writers until
    // the PageFile is destroyed; another writer holding the lock is waited for up to `waitMs`
    // (a save takes milliseconds). Rolls back a journal left behind first. Errors: Io, ReadOnly
    // (the file cannot be written), Locked ("数据库正被另一个程序修改": the wait ran out), Corrupt
    // (a partial last page), Unsupported (too large).
    static Result<std::shared_ptr<PageFile>> openForWriting(const std::string& path,
                                                            int waitMs = kWriterLockWaitMs);
    // How long a writer waits by default for another one to finish.
    static constexpr int kWriterLockWaitMs = 2000;
    // Wraps bytes held in memory (a fuzzer's input, an embedded image). `name` is what errors
    // report as the file. With `writable`, changes work as on a file opened for writing, and a
    // commit puts the changed pages into the bytes (memoryImage()) instead of onto a disk: for
    // building a whole file in memory before it is written out in one piece.
    static std::shared_ptr<PageFile> openMemory(std::vector<uint8_t> bytes, std::string name,
                                                bool writable = false);

    ~PageFile();
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    const std::string& name() const { return name_; }
    // The bytes of a page file held in memory, with every committed change; empty for a file on
    // disk.
    const std::vector<uint8_t>& memoryImage() const { return memory_; }
    uint64_t size() const { return size_; }
    // Whole pages in the file. A partial last page (a truncated file) is not counted: reading
    // it is the same error as reading past the end.
    uint32_t pageCount() const { return pageCount_; }
    bool hasPartialPage() const { return size_ % kPageSize != 0; }

    // Page `n` as an immutable image, from a small cache of recently read pages. Corrupt error
    // naming the page if it lies beyond the last whole page; Io error if the read fails.
    // Thread-safe.
    Result<PageRef> page(uint32_t n) const;
    // Copies page `n` into the caller's buffer of kPageSize bytes (bypasses the cache).
    Status readPage(uint32_t n, uint8_t* out) const;
    // Up to `len` bytes at `offset`; returns how many were available (fewer at the end).
    Result<size_t> readAt(uint64_t offset, uint8_t* out, size_t len) const;

    // ---- changes (files opened for writing) ----

    bool writable() const { return writable_; }
    // The journal's path: the file's path followed by "-journal".
    std::string journalPath() const { return name_ + "-journal"; }

    // Starts a change. ReadOnly if the file was not opened for writing; Invalid if a change is
    // already open; Io if an earlier commit failed half-way and could not be undone.
    Status begin();
    bool inChange() const { return inChange_; }
    // Page `n` for changing, inside a change. The first call for a page copies its current image;
    // images handed out by page() before stay as they were. Errors as page().
    Result<Page*> mutablePage(uint32_t n);
    // Adds a zero-filled page at the end of the file, inside a change, and returns its number.
    // Unsupported when the file already has as many pages as a Jet 4 file can address.
    Result<uint32_t> appendPage();
    // Marks the start of one operation inside the change; undoOperation() then takes back every
    // page change made since, leaving the earlier ones of the change in place.
    void markOperation();
    void undoOperation();
    // The state of the open change, to go back to later with restore(): every page change made
    // after it is taken back, the ones before stay. Cheap: it shares the page images.
    struct Snapshot {
        std::unordered_map<uint32_t, std::shared_ptr<Page>> pages;
        uint32_t pageCount = 0;
    };
    Snapshot snapshot() const;
    void restore(const Snapshot& snapshot);
    // Saves the change durably (journal, pages, syncs, journal removed). On failure nothing of
    // the change is in the file and the change is closed. No-op outside a change.
    Status commit();
    // Forgets the change; the file was never touched.
    void rollback();
    // Pages changed so far in the open change.
    size_t changedPages() const { return dirty_.size(); }

    // Test hook: the next commits stop as `plan` says (see FaultPlan). After a stop the page
    // file refuses further changes, like a process that is gone; open the file again to go on.
    void setFaultPlan(std::optional<FaultPlan> plan) { fault_ = plan; }
    bool stoppedByFault() const { return stopped_; }
    // Disk writes done by commits so far (the unit FaultPlan counts in).
    uint64_t writesDone() const { return writes_; }

    // For replacing the file whole (compact): takes its in-use lock exclusively, without waiting,
    // so that a program showing the file (holding a UseLock) keeps it out, and it keeps such a
    // program out until this PageFile goes. Locked ("数据库正在 Ledrimo 中打开") while a UseLock is
    // held on the file; ReadOnly for a file not opened for writing; Io.
    Status excludeUsers();

    // Errors about this file, for every layer to report with.
    Error corrupt(std::string message, int64_t page = -1) const {
        return makeError(ErrorKind::Corrupt, std::move(message), name_, page);
    }
    Error error(ErrorKind kind, std::string message, int64_t page = -1) const {
        return makeError(kind, std::move(message), name_, page);
    }

private:
    PageFile() = default;
    Status readRaw(uint64_t offset, uint8_t* out, size_t len) const;
    Result<PageRef> cachedPage(uint32_t n) const;
    // One disk step of a commit: false when the fault plan stops here.
    bool step();
    Status writeJournal(const std::vector<uint32_t>& pages);
    Status writePages(const std::vector<uint32_t>& pages);
    // The end of a successful commit: the cache takes the changed pages, the change closes.
    Status settleCommit();
    Error stopError();

    std::string name_;
    int fd_ = -1;
    bool writable_ = false;
    std::vector<uint8_t> memory_;
    uint64_t size_ = 0;
    uint32_t pageCount_ = 0;
    // Original images of pages a journal left behind that could not be rolled back (read-only
    // access): reads see these instead of the file, and the file's size before the change.
    std::unordered_map<uint32_t, std::shared_ptr<const Page>> overlay_;

    // The open change: the new images of the pages it changed, and the page count at begin().
    bool inChange_ = false;
    bool broken_ = false;
    std::unordered_map<uint32_t, std::shared_ptr<Page>> dirty_;
    uint32_t pageCountAtBegin_ = 0;
    // Undo record of the current operation: a page's image before its first change in the
    // operation (null: the page was not in the change yet), and the page count at its start.
    bool marking_ = false;
    std::unordered_map<uint32_t, std::shared_ptr<Page>> undo_;
    uint32_t pageCountAtMark_ = 0;

    std::optional<FaultPlan> fault_;
    bool stopped_ = false;
    uint64_t writes_ = 0;

    struct CacheSlot {
        PageRef page;
        uint64_t lastUse = 0;
    };
    static constexpr size_t kCacheSlots = 32;
    static constexpr uint32_t kReadAhead = 16; // pages read at once by a scan
    mutable std::optional<uint32_t> lastMiss_; // the last page that was not in the cache
    mutable std::mutex cacheMutex_;
    mutable std::array<CacheSlot, kCacheSlots> cache_{};
    mutable uint64_t useClock_ = 0;
};

// The writer's lock of a database file on its own, for replacing the file whole (restoring a
// backup over it): taken as PageFile::openForWriting takes it, and a journal left beside the file
// is rolled back first (or removed, if it does not check out), so that the file read through fd()
// is the file as last saved and no journal is left to be applied to a file put in its place. The
// content is not read as a database, so a damaged file can be locked too. Errors: Locked
// ("数据库正被另一个程序修改"), ReadOnly, Io.
class WriterLock {
public:
    // Waits for another writer up to `waitMs`, as PageFile::openForWriting.
    static Result<std::unique_ptr<WriterLock>> take(const std::string& path,
                                                    int waitMs = PageFile::kWriterLockWaitMs);
    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    // The locked file, open for reading and writing.
    int fd() const { return fd_; }

    // As PageFile::excludeUsers, for the locked file.
    Status excludeUsers();

private:
    WriterLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_ = -1;
    std::string path_;
};

// The lock a program holds on the database it shows, for as long as it is connected: shared, so
// that any number of programs may hold it, read the file, and write it between their own writes
// (the writer's lock is separate), while a restore or a compact (excludeUsers) is refused. It is
// held on its own read-only descriptor of the file the path named when it was taken; when the
// file is replaced under the name (by a program that did not ask), holds() says so and the holder
// takes a new one.
class UseLock {
public:
    // Opens `path` and takes the lock shared, waiting up to `waitMs` for a restore or compact
    // that holds it exclusively. Errors: Locked (the wait ran out), Io (cannot open or lock).
    static Result<std::unique_ptr<UseLock>> take(const std::string& path, int waitMs);
    ~UseLock();
    UseLock(const UseLock&) = delete;
    UseLock& operator=(const UseLock&) = delete;
    // Whether `path` still names the file this lock is held on.
    bool holds(const std::string& path) const;

private:
    explicit UseLock(int fd) : fd_(fd) {}
    int fd_ = -1;
    uint64_t device_ = 0, inode_ = 0;
};

// Versions named by byte 0x14 of the header (docs/jet4-format.md §2).
enum : uint32_t { kVersionJet3 = 0, kVersionJet4 = 1 };

// The fields of page 0, read through its masked region.
struct DatabaseHeader {
    uint32_t version = 0;       // 1 = Jet 4 (only version this engine opens)
    uint16_t codePage = 0;      // e.g. 1252, 936
    uint32_t encryptionKey = 0; // 0 = pages are stored in clear
    std::u16string password;    // database password, empty if none
    uint16_t sortOrder = 0;     // default text sort order (LCID-like: 1033 General, 2052 PRC)
    uint8_t sortOrderVersion = 0;
    double creationDate = 0;             // Access date number
    uint32_t pageCount = 0;              // whole pages in the file
    std::array<uint8_t, 128> unmasked{}; // bytes 0x18..0x97 after unmasking, for the writer
};

inline constexpr size_t kHeaderMaskOffset = 0x18;
inline constexpr size_t kHeaderMaskLength = 128;

// XORs the 128 bytes at `region` with the fixed header key stream; applying it twice restores
// the input (masking and unmasking are the same operation). docs/jet4-format.md §2.
void toggleHeaderMask(uint8_t* region);
// The 4-byte mask that additionally covers the password field, derived from the creation date.
std::array<uint8_t, 4> passwordMask(double creationDate);

// Reads and checks page 0: the magic, the version (Unsupported with a message naming Jet 3 or
// the ACE version), page size. Corrupt if the file is too short or the magic is wrong. Does not
// check the password or encryption; Database does that.
Result<DatabaseHeader> readHeader(const PageFile& file);

// Human name of a header version byte, e.g. "Jet 3（Access 97）".
std::string versionName(uint32_t version);

} // namespace jet
