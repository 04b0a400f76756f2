#include "platform/console.h"

#include "platform/file.h"

#include <cstdio>

namespace platform {

bool writeText(int fd, std::string_view utf8) {
    std::fflush(fd == 2 ? stderr : stdout);
    // writeNext writes to a Windows console as UTF-16 characters.
    size_t done = 0;
    while (done < utf8.size()) {
        const int64_t n = writeNext(fd, utf8.data() + done, utf8.size() - done);
        if (n < 0)
            return false;
        done += size_t(n);
    }
    return true;
}

} // namespace platform
