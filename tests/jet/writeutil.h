// Helpers for the tests that write: private copies of the sample databases in a temporary
// folder, whole-table reads, and the consistency check run after a change.
#pragma once

#include "testutil.h"

#include "jet/check.h"
#include "jet/database.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace jet {
// Readable values in test failure messages.
void PrintTo(const Value& v, std::ostream* os);
void PrintTo(const RowId& id, std::ostream* os);
} // namespace jet

namespace writeutil {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // `name` in the folder, written with the system's separator ("backup/db" as "backup\\db" on
    // Windows), as the program names the files it makes.
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// Copies sample `sample` into `dir` as `as`, writable, and returns its path.
std::string copySample(const TempDir& dir, const std::string& sample, const std::string& as = "db.mdb");
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Opens for writing or reading; a failed open is a test failure and gives nullptr.
std::unique_ptr<jet::Database> openWrite(const std::string& path);
std::unique_ptr<jet::Database> openRead(const std::string& path);

using Rows = std::vector<std::vector<jet::Value>>;
// Every row of a table in table order (a failed read is a test failure).
Rows readTable(const jet::Database& db, std::u16string_view table);
Rows readTable(const std::string& path, std::u16string_view table);
std::vector<jet::RowId> rowIdsOf(const jet::Database& db, std::u16string_view table);

// Checks the file: no findings but row counters (which Access leaves off now and then), and for
// the tables named, a row counter equal to the live rows. Returns the report's text for messages.
::testing::AssertionResult consistent(const std::string& path,
                                      const std::vector<std::u16string>& counted = {});

// Text of `n` characters cycling through `alphabet`.
std::u16string textOf(size_t n, std::u16string_view alphabet = u"abcdefghij");

} // namespace writeutil
