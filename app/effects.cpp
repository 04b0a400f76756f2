#include "app/effects.h"

#include "runtime/form.h"
#include "runtime/kernel.h"
#include "runtime/picture.h"
#include "runtime/program.h"

#include <algorithm>
#include <array>

namespace app {

void windowGoneCheck(rt::Form& window) {
    if (!window.isLoaded())
        rt::endProgram(0);
}

void openingEffect(rt::Form& window, int step, int mode) {
    mode = openingMode(mode);
    const int w = window.width();
    const int h = window.height();
    const OpeningPlan plan = openingPlan(w, h, step, mode);

    window.setHeight(0);
    window.setWidth(0);
    window.setVisible(true);
    if (plan.widthBefore)
        window.setWidth(*plan.widthBefore);
    if (plan.heightBefore)
        window.setHeight(*plan.heightBefore);
    for (const OpeningIteration& it : plan.iterations) {
        if (it.eventsFirst)
            rt::processEvents();
        windowGoneCheck(window);
        if (it.width)
            window.setWidth(*it.width);
        if (it.height)
            window.setHeight(*it.height);
        if (it.wait) {
            rt::delay(1);
            // Events ran during the wait: the window may be gone before it is centred.
            windowGoneCheck(window);
        }
        if (it.centre)
            window.setPosition(1);
        if (it.eventsAfter)
            rt::processEvents();
    }
    windowGoneCheck(window);
    // Whatever the step, the window ends at exactly its designed size; a window that was kept
    // centred ends centred, also where the window system was still busy with an earlier step.
    window.setHeight(h);
    window.setWidth(w);
    if (std::any_of(plan.iterations.begin(), plan.iterations.end(),
                    [](const OpeningIteration& it) { return it.centre; }))
        window.setPosition(1);
}

bool fade(rt::Form& window, int waitMs, bool fadeOut) {
    const int wait = fadeWait(waitMs);
    for (int alpha : fadeLevels(fadeOut)) {
        if (fadeOut) {
            // A fade out exists to end the window; one that is already gone needs no more steps.
            if (!window.isLoaded())
                return true;
            window.setVisible(true);
            window.setTransparency(alpha);
        } else {
            windowGoneCheck(window);
            window.setTransparency(alpha);
            window.setVisible(true);
        }
        rt::delay(wait);
    }
    if (fadeOut) {
        if (window.isLoaded())
            window.destroy();
    } else {
        windowGoneCheck(window);
        window.setTransparency(255);
    }
    return true;
}

void closingEffect(rt::Form& window, int step, int direction, bool slideIn) {
    direction = closingDirection(direction);
    SlideGeometry g;
    g.clientWidth = window.clientWidth();
    g.clientHeight = window.clientHeight();
    g.screenWidth = rt::screenWidth();
    g.screenHeight = rt::screenHeight();
    const rt::Point origin = window.clientOrigin();
    g.clientX = origin.x;
    g.clientY = origin.y;
    g.frameHeight = window.height() - window.clientHeight();

    for (const SlideMove& m : slideMoves(g, step, direction, slideIn)) {
        if (slideIn) {
            windowGoneCheck(window);
        } else if (!window.isLoaded()) {
            return; // already gone: that is where a slide out leads anyway
        }
        if (m.horizontal)
            window.setLeft(m.value);
        else
            window.setTop(m.value);
        if (slideIn)
            window.setVisible(true);
        rt::delay(1);
    }
    if (!slideIn && window.isLoaded())
        window.destroy();
}

void buttonSkin(const std::vector<rt::SuperButton*>& buttons) {
    for (rt::SuperButton* b : buttons)
        b->setPictures(buttonPicture(0), buttonPicture(1), buttonPicture(2));
}

const rt::Picture& sharedBackground() {
    static const rt::Picture picture = rt::Picture::carried(runtime::pictures::kBackground);
    return picture;
}

const rt::Picture& loginPicture() {
    static const rt::Picture picture = rt::Picture::carried(runtime::pictures::kLogin);
    return picture;
}

const rt::Picture& buttonPicture(int which) {
    static const std::array<rt::Picture, 3> pictures = {
        rt::Picture::carried(runtime::pictures::kButtonNormal),
        rt::Picture::carried(runtime::pictures::kButtonOver),
        rt::Picture::carried(runtime::pictures::kButtonDisabled),
    };
    static const rt::Picture none;
    return (which >= 0 && which < 3) ? pictures[size_t(which)] : none;
}

} // namespace app
