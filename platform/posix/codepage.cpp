#include "platform/codepage.h"

#include <iconv.h>

namespace platform {

namespace {

std::optional<std::string> convert(const char* to, const char* from, std::string_view text) {
    if (text.empty())
        return std::string();
    iconv_t cd = ::iconv_open(to, from);
    if (cd == iconv_t(-1))
        return std::nullopt;
    // Either way a character takes at most twice the bytes it took before.
    std::string in(text), out(text.size() * 2 + 4, '\0');
    char* ip = in.data();
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    const bool ok = ::iconv(cd, &ip, &il, &op, &ol) != size_t(-1) &&
                    ::iconv(cd, nullptr, nullptr, &op, &ol) != size_t(-1);
    ::iconv_close(cd);
    if (!ok)
        return std::nullopt;
    out.resize(out.size() - ol);
    return out;
}

} // namespace

std::optional<std::string> codePage936OfUtf8(std::string_view utf8) {
    return convert("CP936", "UTF-8", utf8);
}

std::optional<std::string> utf8OfCodePage936(std::string_view bytes) {
    return convert("UTF-8", "CP936", bytes);
}

} // namespace platform
