// Creating a new Jet 4 database: the whole file image of an empty database as the Jet engine
// creates it on a Simplified-Chinese system (code page 936, sort order 2052), with its system
// tables, catalog rows, permission rows and the system tables' indexes, plus user tables made
// from column lists and optionally filled with initial rows. See docs/jet4-format.md §11.
#pragma once

#include "jet/error.h"
#include "jet/value.h"

#include <string>
#include <vector>

namespace jet {

struct ColumnSpec {
    std::u16string name; // 1..64 characters, none of . ! ` [ ] or control characters
    ColumnType type = ColumnType::Text;
    uint16_t length = 0; // Text: characters (1..255); Binary: bytes (1..255); others: ignored
    bool nullable = true;
    bool compressedUnicode = false;    // Text/Memo: allow Unicode compression
    uint8_t precision = 18, scale = 0; // Numeric
};

struct TableSpec {
    // 1..64 ASCII letters, digits and underscores: table names go into the catalog's name index,
    // whose keys are written only for those characters.
    std::u16string name;
    std::vector<ColumnSpec> columns; // in column order, 1..255
    // Initial rows, one value per column (Null for none). Memo and OLE columns take only Null.
    std::vector<std::vector<Value>> rows;
};

struct CreateOptions {
    // Creation and update time of the user tables in the catalog (an Access date number). The
    // header and the system's own objects keep a fixed creation date: see creationHeaderDate().
    double objectDate = 0;
    uint16_t codePage = 936;
    uint16_t sortOrder = 2052; // 2052 Chinese PRC or 1033 General
    // Pad the file with free pages (marked free in the global usage map) up to this many pages.
    uint32_t minimumPages = 0;
};

// The creation date written into the header and given to the system's own catalog entries: that of
// a database Jet created on a Chinese system (2012-08-18 02:36:32). Jet stores the ids of the owner
// and of the accounts in the catalog and in the permission rows masked by a value derived from the
// database's creation date; keeping the date keeps the ids Jet wrote valid.
double creationHeaderDate();

// The whole file. Invalid error (message in Chinese, naming the table, column or value) for a bad
// name, type, length or value, duplicate names, a value a column cannot hold, or more tables or
// rows than the layout takes (the system indexes must fit on one page each, the file on 512
// pages); Unsupported for a sort order other than 2052 and 1033. The result is read back with the
// engine's own reader before it is returned.
Result<Bytes> createDatabase(const CreateOptions& options, const std::vector<TableSpec>& tables);

// Writes `bytes` as a new file at `path`: into a temporary file in the same directory, flushed to
// disk, then linked into place only if `path` does not exist yet (so an existing file or directory
// is never replaced, even by a race), and the directory flushed. Io error naming the path
// otherwise, with nothing left behind.
Status writeNewFile(const std::string& path, const Bytes& bytes);

// The current local time as an Access date number.
double accessDateNow();

} // namespace jet
