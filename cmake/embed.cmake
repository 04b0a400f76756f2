# Writes a C++ source that carries files in the program as byte arrays, looked up by name
# (runtime/carried.h). Run as a script at build time:
#   cmake -DOUTPUT=carried_files.cpp -DENTRIES="name=file|name=file" -P embed.cmake
# The same on every system, so Windows and Linux carry the same bytes.
string(REPLACE "|" ";" ENTRIES "${ENTRIES}")
set(body "")
set(table "")
set(index 0)
foreach(entry IN LISTS ENTRIES)
  string(FIND "${entry}" "=" at)
  string(SUBSTRING "${entry}" 0 ${at} name)
  math(EXPR from "${at} + 1")
  string(SUBSTRING "${entry}" ${from} -1 file)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # Lines of 32 bytes keep the source readable for a compiler's messages.
  string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
  string(APPEND body "const unsigned char file${index}[] = {\n${bytes}0};\n")
  string(APPEND table "    {\"${name}\", file${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
set(source "// Written by cmake/embed.cmake at build time; do not edit.
#include \"runtime/carried.h\"

#include <algorithm>

namespace {
${body}
struct Entry {
    const char* name;
    const unsigned char* bytes;
    unsigned size;
};
const Entry entries[] = {
${table}};
} // namespace

namespace runtime {

std::string_view carriedFile(std::string_view name) {
    for (const Entry& e : entries)
        if (name == e.name)
            return std::string_view(reinterpret_cast<const char*>(e.bytes), e.size);
    return {};
}

std::vector<std::string_view> carriedFiles(std::string_view folder) {
    std::vector<std::string_view> names;
    for (const Entry& e : entries)
        if (std::string_view(e.name).starts_with(folder))
            names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace runtime
")
# Rewritten only when it changes, so that nothing rebuilds for nothing.
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${source}" @ONLY)
