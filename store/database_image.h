// The database image: the compressed copy of an empty `db` the program carries, written back when
// `db` is missing. Layout: 4 bytes magic 0x033E0F0D and 4 bytes uncompressed size (both
// little-endian), then a zlib stream of the whole file (see store/image_container.h and
// rt::decompress). It is the container of the database that tools/make_db_image.cpp creates at
// build time, compiled into the program; this header needs no runtime, so ledrimo-db uses it too.
#pragma once

#include <string>
#include <string_view>

namespace rt {
using Bytes = std::string; // the runtime's byte string (runtime/text.h); the same type
}

namespace store {

// A copy of the carried image.
rt::Bytes databaseImage();
// The carried image in place, for code without the runtime (ledrimo-db).
std::string_view databaseImageView();

} // namespace store
