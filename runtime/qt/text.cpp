// Texts to and from Qt's UTF-16 strings, over the runtime's own codec.
#include "runtime/text.h"

#include <QString>
#include <QStringView>

#include <cstring>

namespace rt {

std::string encodeGbk(QStringView s) {
    return gbkOfUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())));
}

QString decodeGbk(std::string_view bytes) {
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
