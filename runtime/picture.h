// Pictures as the runtime's interface speaks them: an opaque handle to a decoded picture that the
// window system's backend holds, made from image bytes or from a picture the program carries.
#pragma once

#include "runtime/geometry.h"
#include "runtime/text.h"

#include <memory>

namespace runtime {

// Resource paths of the carried pictures (compiled into the program).
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

} // namespace runtime

namespace rt {

// A decoded picture, shared by its copies and never changed. The null picture shows nothing.
class Picture {
public:
    struct Data; // the backend's decoded picture

    Picture() = default;
    explicit Picture(std::shared_ptr<const Data> data) : d_(std::move(data)) {}

    // Image bytes (JPEG through libjpeg, and whatever else the window system reads): the null
    // picture when the bytes are no picture, damaged, truncated or too large.
    static Picture fromBytes(const Bytes& data);
    // One of the carried pictures (runtime::pictures); a program icon keeps all its sizes. The
    // null picture for a path the program does not carry.
    static Picture carried(const char* resourcePath);

    bool isNull() const;
    Size size() const; // 0 x 0 for the null picture
    const Data* data() const { return d_.get(); }
    // The same pixels (two null pictures are equal).
    bool operator==(const Picture& o) const;

private:
    std::shared_ptr<const Data> d_;
};

} // namespace rt
