#include "runtime/qt/description.h"

namespace rt::detail {

QFont qFont(const FontDesc& f) {
    QFont font(qs(f.family));
    font.setPixelSize(f.size);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    return font;
}

Qt::Alignment qAlignment(const std::string& a) {
    if (a == "center")
        return Qt::AlignHCenter;
    if (a == "right")
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

} // namespace rt::detail
