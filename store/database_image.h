// The database image: the compressed copy of an empty `db` the program carries, written back when
// `db` is missing. Layout: 4 bytes magic 0x033E0F0D and 4 bytes uncompressed size (both
// little-endian), then a zlib stream of the whole file (see rt::decompress).
#pragma once

#include "runtime/text.h"

namespace store {

rt::Bytes databaseImage();

} // namespace store
