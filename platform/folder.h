// Listing a folder, by UTF-8 path.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The names in the folder `path` (not "." or ".."), in no particular order; false (errno) when
// the folder cannot be read.
bool listFolder(const std::string& path, std::vector<std::string>& names);

} // namespace platform
