// TEMPORARY database image, to be replaced by the image generated at build time from our Jet
// engine (an empty `db` with the tables data and admin and the default account). Until then the
// restore writes this stand-in: 237,568 zero bytes, the size of the real file, packed in the
// image's container format. It is no database: connections to it fail.
#include "store/database_image.h"

#include <zlib.h>

#include <string>

namespace store {

rt::Bytes databaseImage() {
    static const rt::Bytes image = [] {
        const uLong size = 237568;
        const std::string plain(size, '\0');
        uLongf packedSize = compressBound(size);
        std::string packed(packedSize, '\0');
        if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                      reinterpret_cast<const Bytef*>(plain.data()), size, Z_BEST_COMPRESSION) != Z_OK)
            return rt::Bytes();
        packed.resize(packedSize);
        rt::Bytes out;
        for (uint32_t v : {uint32_t(0x033E0F0Du), uint32_t(size)})
            for (int b = 0; b < 4; ++b)
                out.push_back(static_cast<char>((v >> (8 * b)) & 0xFF));
        return out + packed;
    }();
    return image;
}

} // namespace store
