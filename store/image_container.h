// The container of the database image: 4 bytes magic 0x033E0F0D and 4 bytes size of the
// uncompressed file (both little-endian), then a zlib stream (RFC 1950) of the whole file.
// Plain C++ on zlib; byte strings are std::string (the runtime's Bytes).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace store {

inline constexpr uint32_t kImageMagic = 0x033E0F0Du;
inline constexpr size_t kImageHeaderSize = 8;

// The container for `file`, compressed at zlib's best level (the same bytes for the same input
// with the same zlib). Empty if zlib fails.
std::string packImage(std::string_view file);

// The size the container's header states, if it is a container at all (8 bytes or more and the
// magic at the start).
std::optional<uint32_t> imageStatedSize(std::string_view packed);

// The file inside a container, inflated as the restore does: at most twice the stated size, and
// the result is what inflate produced. Nothing if the magic is wrong, the stated size is zero or
// the stream is damaged, cut short or produces more than that.
std::optional<std::string> unpackImage(std::string_view packed);

} // namespace store
