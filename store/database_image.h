// The database image the program carries: the container (see store/image_container.h) of the
// database that tools/make_db_image.cpp creates at build time, compiled into the program.
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
