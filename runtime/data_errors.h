// Errors of the data-access objects as the program sees them: one record per error with a
// description for people (Chinese, from the engine or the SQL layer), an SQL state, a native error
// number and a source, and the text form the connection's LastError gives.
//
// Fields of an error record:
//   Source       always "Microsoft JET Database Engine".
//   State        the five-character SQL state of the ODBC/ISO classes:
//                  08001 the database file cannot be opened (missing, unreadable, locked, damaged,
//                        not a Jet 4 file)
//                  28000 wrong or missing database password
//                  42000 a statement that does not parse
//                  42S02 unknown table           42S22 unknown column
//                  22001 text too long           22003 number out of range
//                  22018 value of the wrong type
//                  08003 the connection is closed
//                  HY000 everything else (a write refused, a row gone, damage met while reading)
//   Native       the Jet error number of the same failure:
//                  3024 file not found           3051 file cannot be opened or read
//                  3045 file locked by another process
//                  3343 damaged or unrecognised database format
//                  3031 wrong or missing password
//                  3078 unknown table            3265 unknown column
//                  3134 / 3144 / 3128 / 3141 / 3129 syntax error in INSERT / UPDATE / DELETE /
//                       SELECT / any other statement
//                  3163 text too long            3349 number out of range
//                  3464 type mismatch            3001 other invalid argument
//                  3167 the row was deleted      3027 database is read-only
//                  3251 an operation the engine does not do on this table (a table with indexes)
//                  3218 the file is locked for writing    3709 the connection is closed
//                  3000 any other failure
#pragma once

#include "runtime/text.h"

#include "jet/error.h"

#include <string_view>
#include <vector>

namespace rt::data {

struct DataError {
    Text description;
    Text state;
    int native = 0;
    Text source;
};

// What the failing operation was: the numbers of a few errors depend on it.
enum class Operation { Connect, Open, Statement, Delete };

// The record of an engine or SQL error. `statement` is the SQL text of a Statement operation
// (its first word picks the syntax-error number).
DataError fromEngine(const jet::Error& error, Operation operation, std::u16string_view statement = {});
// The record of an operation through a connection that is not open.
DataError connectionClosed();

// "Description: %s\r\nState: %s, Native: %d, Source: %s\r\n" per error, in order.
Text formatErrors(const std::vector<DataError>& errors);

} // namespace rt::data
