// Folders by UTF-8 path: listing one, and naming a file in one.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The names in the folder `path` (not "." or ".."), in no particular order; false (errno) when
// the folder cannot be read.
bool listFolder(const std::string& path, std::vector<std::string>& names);

// `name` in `folder`, joined with the system's separator: '/' (none after the root "/"); on
// Windows '\', none after a folder that ends in '\' or '/' ("C:\").
std::string joinPath(const std::string& folder, const std::string& name);
// The path with the system's own separator: on Windows every '/' becomes '\' (a path shown to the
// user reads as Windows writes paths); elsewhere the path as it is.
std::string nativeSeparators(const std::string& path);

} // namespace platform
