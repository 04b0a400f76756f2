// Whole files as bytes, for the backups and the compact: reading a file or an open descriptor
// whole, and keeping a copy under a name that is not taken yet. Plain C++.
#pragma once

#include "jet/error.h"
#include "jet/layout.h"
#include "jet/value.h"

#include <string>


namespace store {

// The system's reason for `err`, in Chinese where it is a common one.
std::string fileErrorText(int err);

// The whole file at `path`. Io error naming it when it cannot be read (or is not a regular file).
jet::Result<jet::Bytes> readFileBytes(const std::string& path);
// The whole file open on `fd`, read from its start; `path` names it in errors.
jet::Result<jet::Bytes> readDescriptor(int fd, const std::string& path);

// Makes the backup folder when it is missing (its parent must exist), as private as the database
// at `dbPath` is: the copies hold the log too. Io error when it cannot be made or a file has its
// name.
jet::Status makeBackupFolder(const std::string& folder, const std::string& dbPath);

// Writes `bytes` as a new file "<base>.mdb" (or "<base>-2.mdb", "-3"... when the name is taken:
// an existing file is never replaced) through jet::placeFile, with permissions `mode` (minus
// nothing: a private database keeps private copies). Returns the path written.
jet::Result<std::string> keepCopy(const std::string& base, const jet::Bytes& bytes, unsigned mode);

} // namespace store
