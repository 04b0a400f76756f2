// Page file and database header: the only place the engine touches the bytes of the database
// file. A PageFile hands out immutable page images; whoever holds one can keep it as long as it
// likes, and nothing another reader does changes it. The writer adds page writes, a rollback
// journal and locking behind this same class. See docs/jet4-format.md §1 and §2.
#pragma once

#include "jet/error.h"
#include "jet/layout.h"

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
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

class PageFile {
public:
    // Opens an existing file for reading. Io error (naming the file) if it cannot be opened or is
    // not a regular file; Unsupported if it is larger than a Jet 4 file can address.
    static Result<std::shared_ptr<PageFile>> openPath(const std::string& path);
    // Wraps bytes held in memory (a fuzzer's input, an embedded image). `name` is what errors
    // report as the file.
    static std::shared_ptr<PageFile> openMemory(std::vector<uint8_t> bytes, std::string name);

    ~PageFile();
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    const std::string& name() const { return name_; }
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

    std::string name_;
    int fd_ = -1;
    std::vector<uint8_t> memory_;
    uint64_t size_ = 0;
    uint32_t pageCount_ = 0;

    struct CacheSlot {
        PageRef page;
        uint64_t lastUse = 0;
    };
    static constexpr size_t kCacheSlots = 32;
    mutable std::mutex cacheMutex_;
    mutable std::array<CacheSlot, kCacheSlots> cache_{};
    mutable uint64_t useClock_ = 0;
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
