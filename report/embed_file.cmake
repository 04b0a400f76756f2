# Writes a C++ source holding the bytes of a file, behind a function returning them as a
# std::string_view:  cmake -DINPUT=... -DOUTPUT=... -DNAMESPACE=... -DFUNCTION=... -P embed_file.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
# One source line per line of the file.
string(REPLACE "'\\x0a'," "'\\x0a',\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT} at build time; do not edit.
#include <string_view>

namespace ${NAMESPACE} {

namespace {
const char kBytes[${size} + 1] = {
${bytes}
'\\0'};
} // namespace

std::string_view ${FUNCTION}() {
    return std::string_view(kBytes, ${size});
}

} // namespace ${NAMESPACE}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
