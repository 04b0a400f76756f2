// The window effects every window uses: the opening effect (growth from nothing to the designed
// size), the fade (in or out in 26 steps), the closing effect (slide out of the screen, or slide
// in), the button skin, the window-gone check, and the pictures the program carries for them.
//
// They run on the user-interface thread and let window events run between their steps (a single
// pass of event processing, or a 1 ms wait that keeps processing events), so timer ticks and clicks
// are handled in the middle of an effect. A window that disappears meanwhile ends the program
// through the window-gone check.
#pragma once

#include "app/effect_steps.h"
#include "runtime/picture.h"

#include <vector>

namespace rt {
class Form;
class SuperButton;
} // namespace rt

namespace app {

// Ends the program with exit code 0 (through rt::endProgram) when the window is no longer loaded.
void windowGoneCheck(rt::Form& window);

// Grows the window from 0 x 0 to its current (designed) size. Step in pixels (below 1 or above 99:
// 3); mode 1 to 6, any other picks one at random. Mode 6 grows along the diagonal, centred.
void openingEffect(rt::Form& window, int step, int mode);

// Fade in: the window becomes visible and opaque in 26 steps of `waitMs` (0 or less: 100 ms).
// Fade out: transparent in 26 steps, then the window is closed (destroyed without a close request).
// Always true.
bool fade(rt::Form& window, int waitMs, bool fadeOut = false);

// Slide out (default): moves the window off the screen towards `direction` (1 right, 2 up, 3 left,
// 4 down; 0 picks one at random) by `step` pixels, waiting 1 ms after each move, then closes it.
// Slide in: brings it from that side of the screen to its place; the window stays.
void closingEffect(rt::Form& window, int step, int direction = 0, bool slideIn = false);

// Gives every button of the list, in order, the three shared button pictures (normal, pointer
// over, disabled).
void buttonSkin(const std::vector<rt::SuperButton*>& buttons);

// The pictures the program carries, decoded once (JPEG through libjpeg).
const rt::Picture& sharedBackground();       // 612 x 228: splash, main, list, query and account windows
const rt::Picture& loginPicture();           // 299 x 151: the login window
const rt::Picture& buttonPicture(int which); // 0 normal, 1 pointer over, 2 disabled (null for others)

} // namespace app
