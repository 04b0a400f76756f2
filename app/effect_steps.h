// The arithmetic of the window effects, as plain functions: which sizes, positions and
// transparencies an effect goes through for a given window, step and mode. app/effects.cpp plays
// these plans on real windows; keeping them apart lets the sequences be checked without a window.
#pragma once

#include <optional>
#include <vector>

namespace app {

// ---- opening effect ----

// A step below 1 or above 99 becomes 3.
int openingStep(int step);
// A mode from 1 to 6 stays; any other becomes a random mode from 1 to 6 (the random generator is
// seeded from the tick count first).
int openingMode(int mode);

// One pass of an opening loop, in the order the effect performs it: process events (mode 6 only),
// window-gone check, width, height, a 1 ms wait, centre on the screen, process events.
struct OpeningIteration {
    int i = 0;
    bool eventsFirst = false;
    std::optional<int> width;
    std::optional<int> height;
    bool wait = false;
    bool centre = false;
    bool eventsAfter = false;
};

struct OpeningPlan {
    int width = 0;  // the designed width W the window ends at
    int height = 0; // the designed height H
    int step = 0;   // after openingStep
    int mode = 0;
    // Set after the window has been shrunk to 0 x 0 and made visible, before the loop.
    std::optional<int> widthBefore;
    std::optional<int> heightBefore;
    std::vector<OpeningIteration> iterations;
};

// The plan for a window of outer size width x height. `mode` must be 1 to 6 (see openingMode);
// the step is normalised with openingStep. The loop counts i = 0, step, 2 x step ... while i does
// not exceed its end (W for modes 1, 3, 5, 6; H for modes 2 and 4). After the loop the window is
// set to exactly W x H.
OpeningPlan openingPlan(int width, int height, int step, int mode);

// ---- fade ----

// A wait of 0 or less becomes 100 ms.
int fadeWait(int ms);
// The transparencies a fade goes through: 1, 11, ... 251 in, 255, 245, ... 5 out (26 each).
std::vector<int> fadeLevels(bool fadeOut);

// ---- closing effect ----

// A step of 0 or above 99 becomes 3. A negative step stays: the loops then count downwards and,
// as their ends lie above their starts, make no move.
int closingStep(int step);
// A direction from 1 to 4 stays; any other (0: left out) becomes a random one from 1 to 4.
int closingDirection(int direction);

// What the closing effect reads from the window and the screen before it moves anything.
struct SlideGeometry {
    int clientWidth = 0;  // CW
    int clientHeight = 0; // CH
    int screenWidth = 0;  // SW
    int screenHeight = 0; // SH
    int clientX = 0;      // X: screen position of the client area's top-left corner
    int clientY = 0;      // Y
    int frameHeight = 0;  // NCH: the window's height minus its client height
};

// One move of a slide: left := value (horizontal) or top := value; the other coordinates stay.
struct SlideMove {
    bool horizontal = true;
    int value = 0;
    bool operator==(const SlideMove&) const = default;
};

// The moves of a slide out (towards direction 1 right, 2 up, 3 left, 4 down) or a slide in (from
// that side to the window's place). `direction` must be 1 to 4 (see closingDirection); the step
// is normalised with closingStep.
std::vector<SlideMove> slideMoves(const SlideGeometry& g, int step, int direction, bool slideIn);

} // namespace app
