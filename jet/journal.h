// The rollback journal of a change: the original images of the pages a commit is about to
// overwrite and the file's size before it, in a file beside the database ("FILE-journal").
// Written and synced before the first page of the database is touched, removed once the
// database is synced; a journal found later means the change stopped part-way, and writing its
// images back (and cutting the file to its old size) restores the file. docs/journal.md
// describes the layout.
#pragma once

#include "jet/error.h"
#include "jet/layout.h"
#include "jet/value.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jet::journal {

inline constexpr size_t kHeaderSize = 64;
inline constexpr size_t kRecordSize = 8 + kPageSize + 8;

struct Image {
    uint32_t page = 0;
    std::array<uint8_t, kPageSize> bytes{};
};

struct Contents {
    uint64_t originalSize = 0; // bytes of the database before the change
    std::vector<std::shared_ptr<const Image>> images;
};

// The header for a journal of `count` page images of a file of `originalSize` bytes; `salt`
// ties the records to this header.
Bytes encodeHeader(uint64_t originalSize, uint32_t count, uint64_t salt);
// One page record.
Bytes encodeRecord(uint64_t salt, uint32_t page, const uint8_t* image);

// Reads the journal at `path`. No value when there is no journal or when it is incomplete or
// does not check out: a journal is synced whole before the database is touched, so such a
// journal means the database was never changed and can be ignored. Io error if it cannot be
// read.
Result<std::optional<Contents>> read(const std::string& path);

// Restores the database open on `fd` (path `dbPath`, for errors) from `contents`: writes the
// images back, cuts the file to its old size and syncs it. Does not remove the journal.
Status restore(int fd, const std::string& dbPath, const Contents& contents);

// Removes the journal at `path` (absent is fine) and syncs its folder.
Status remove(const std::string& path);

// Syncs the folder holding `path`, so that a file created or removed there stays so.
Status syncFolder(const std::string& path);

// A 64-bit checksum of `len` bytes, seeded.
uint64_t checksum(uint64_t seed, const uint8_t* data, size_t len);

// Text for an errno value, in the words the engine uses.
std::string osErrorText(int err);

} // namespace jet::journal
