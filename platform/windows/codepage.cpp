#include "platform/codepage.h"

#include <windows.h>

namespace platform {

namespace {

// UTF-16 of text in `codePage`; nullopt for bytes invalid there.
std::optional<std::wstring> toWide(UINT codePage, std::string_view text) {
    const int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), int(text.size()),
                                        nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::wstring w(size_t(n), L'\0');
    if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), w.data(),
                              n) != n)
        return std::nullopt;
    return w;
}

} // namespace

std::optional<std::string> codePage936OfUtf8(std::string_view utf8) {
    if (utf8.empty())
        return std::string();
    const auto w = toWide(CP_UTF8, utf8);
    if (!w)
        return std::nullopt;
    // No best fit (a lookalike character) and no default character: a character 936 lacks fails.
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, w->data(), int(w->size()), nullptr,
                                        0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return std::nullopt;
    std::string out(size_t(n), '\0');
    if (::WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, w->data(), int(w->size()), out.data(), n,
                              nullptr, &usedDefault) != n ||
        usedDefault)
        return std::nullopt;
    return out;
}

std::optional<std::string> utf8OfCodePage936(std::string_view bytes) {
    if (bytes.empty())
        return std::string();
    const auto w = toWide(936, bytes);
    if (!w)
        return std::nullopt;
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, w->data(), int(w->size()), nullptr, 0, nullptr,
                                        nullptr);
    if (n <= 0)
        return std::nullopt;
    std::string out(size_t(n), '\0');
    if (::WideCharToMultiByte(CP_UTF8, 0, w->data(), int(w->size()), out.data(), n, nullptr,
                              nullptr) != n)
        return std::nullopt;
    return out;
}

} // namespace platform
