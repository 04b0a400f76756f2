// What the screen offers a window, and the colour of a control's text.
#pragma once

#include "runtime/geometry.h"

namespace rt {

class Control;

// The part of the screen holding the point (x, y) that windows may take: the screen without its
// panels and docks. The primary screen's when no screen holds the point; empty without a screen.
Rect availableArea(int x, int y);
// Tests: panels the platform does not have (the offscreen platform has none), as the part of every
// screen that stays available; an empty rectangle removes them.
void setAvailableAreaForTests(const Rect& area);

// The colour of the control's text (labels, buttons, edit boxes) while its form is loaded;
// nothing for invisible kinds.
void setTextColor(Control& control, const Color& color);

} // namespace rt
