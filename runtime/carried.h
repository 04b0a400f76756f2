// The files the program carries, compiled in (cmake/embed.cmake): the form descriptions under
// ":/forms/" and the pictures under ":/pictures/" (runtime::pictures in runtime/picture.h).
#pragma once

#include <string_view>
#include <vector>

namespace runtime {

// The bytes of a carried file; empty when the program carries no file of that name.
std::string_view carriedFile(std::string_view name);
// The names of the carried files that start with `folder` (":/forms/"), sorted by name.
std::vector<std::string_view> carriedFiles(std::string_view folder);

} // namespace runtime
