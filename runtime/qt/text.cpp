// Texts to and from Qt's UTF-16 strings, over the runtime's own codec.
#include "runtime/text.h"

#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace rt {

std::string encodeGbk(QStringView s) {
    return gbkOfUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())));
}

QString decodeGbk(std::string_view bytes) {
    // Most texts are ASCII (numbers, identifiers, dates' digits): those need no table.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uint8_t(c) < 0x80; }))
        return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    const std::u16string u = utf16OfGbk(bytes);
    // Verbatim: QString::fromUtf16 would take a leading U+FEFF or U+FFFE for a byte order mark.
    return QString(reinterpret_cast<const QChar*>(u.data()), qsizetype(u.size()));
}

Text::Text(const QString& s) : b_(encodeGbk(s)) {
    // Qt strings may hold U+0000; a text ends there.
    b_.resize(std::strlen(b_.c_str()));
}

QString Text::toQString() const {
    return decodeGbk(b_);
}

} // namespace rt
