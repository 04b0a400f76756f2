// Pictures the program carries: decoding and loading.
// JPEG pictures are decoded with libjpeg directly; every other format goes through Qt's readers.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace runtime {

// Resource paths of the carried pictures (compiled in from resources/resources.qrc).
namespace pictures {
inline constexpr char kBackground[] = ":/pictures/background.jpg"; // JPEG 612 x 228, shared window background
inline constexpr char kLogin[] = ":/pictures/login.jpg";           // JPEG 299 x 151, login window face
inline constexpr char kButtonNormal[] = ":/pictures/button_normal.gif";        // GIF 69 x 24
inline constexpr char kButtonOver[] = ":/pictures/button_over.gif";            // GIF 69 x 24, pointer over
inline constexpr char kButtonDisabled[] = ":/pictures/button_disabled.gif";    // GIF 70 x 25
inline constexpr char kProgramIcon[] = ":/pictures/ledrimo.ico";               // 48, 32 and 16 pixels, 32-bit
inline constexpr char kListTitle[] = ":/pictures/list_title.png";              // 600 x 20 title strip
inline constexpr char kListEdgeLeft[] = ":/pictures/list_edge_left.png";       // 5 x 430
inline constexpr char kListEdgeRight[] = ":/pictures/list_edge_right.png";     // 5 x 430
inline constexpr char kListEdgeBottom[] = ":/pictures/list_edge_bottom.png";   // 589 x 5
inline constexpr char kListClose[] = ":/pictures/list_close.png";              // 16 x 16 close button
inline constexpr char kListCloseActive[] = ":/pictures/list_close_active.png"; // pointer over / pressed
} // namespace pictures

// Makes sure the carried pictures are registered with Qt's resource system. loadPicture calls it;
// code that opens the resource paths in another way (QIcon, style sheets) calls it first.
void registerPictures();

// Decodes JPEG bytes with libjpeg. Grey pictures give Format_Grayscale8, colour ones
// Format_RGB888. Damaged, truncated or unsupported data (and pictures over 50 million pixels) give
// a null image; libjpeg's warnings about corrupt data count as failures too.
QImage decodeJpeg(const QByteArray& data);

// Loads a picture from a resource path (or any file path): JPEG data, recognised by its start
// marker, goes to decodeJpeg, everything else to Qt. A missing or unreadable picture gives a
// null image.
QImage loadPicture(const QString& resourcePath);

} // namespace runtime
