// Exporting the entries of a date range: every column of table `data`, in table order, for the
// rows whose 上班日期 falls in the range, as
//   - xlsx (through libxlsxwriter): a header row in bold and frozen, real date cells
//     (yyyy-mm-dd, with hh:mm:ss when a value has a time of day), numbers as numbers, and column
//     widths that fit the texts (a Chinese character counts two);
//   - csv: UTF-8 with a byte-order mark and CRLF line ends (so that Excel on a Chinese Windows
//     reads it right), a header row, text always quoted, NULL an empty unquoted field;
//   - json: an array of objects keyed by column name, one entry per line, NULL as null.
// In csv and json a date reads YYYY-MM-DD, or YYYY-MM-DD HH:MM:SS when it has a time of day.
//
// The file is written through jet::placeFile: whole or not at all, and an existing file is only
// replaced when asked to.
#pragma once

#include "jet/database.h"
#include "report/report.h"

#include <string>

namespace report {

enum class ExportFormat : uint8_t { Xlsx, Csv, Json };

// The format a file name asks for: ".csv" and ".json" (any case), anything else xlsx.
ExportFormat formatForPath(const std::string& path);

struct ExportOptions {
    std::optional<DateRange> range; // nullopt: every entry (also those without a 上班日期)
    ExportFormat format = ExportFormat::Xlsx;
    bool replace = false; // replace an existing file at the path (else that is an error)
};

// Writes the entries of `options.range` from table `data` of `db` to `path`; returns how many.
// Errors: those of computeReport for a database that is not Ledrimo's (NotFound, Invalid);
// Invalid when `path` is the database file itself, or the range is reversed; Io when
// `path` exists and `replace` is false, or the file cannot be written (nothing is left behind);
// Corrupt for damage met while reading.
jet::Result<uint64_t> exportEntries(const jet::Database& db, const std::string& path,
                                    const ExportOptions& options);

} // namespace report
