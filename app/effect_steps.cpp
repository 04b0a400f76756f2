#include "app/effect_steps.h"

#include "runtime/kernel.h"

namespace app {

namespace {

// The values a counting loop "for i = from to to step step" takes: upwards while i does not exceed
// `to`, downwards (negative step) while i is not below it. Counted in 64 bits, so a loop near the
// ends of the int range still stops.
std::vector<int> countFor(long long from, long long to, long long step) {
    std::vector<int> out;
    if (step == 0)
        return out;
    for (long long i = from; step > 0 ? i <= to : i >= to; i += step)
        out.push_back(static_cast<int>(i));
    return out;
}

} // namespace

int openingStep(int step) {
    return (step < 1 || step > 99) ? 3 : step;
}

int openingMode(int mode) {
    if (mode >= 1 && mode <= 6)
        return mode;
    rt::seedRandom();
    return rt::random(1, 6);
}

OpeningPlan openingPlan(int width, int height, int step, int mode) {
    OpeningPlan plan;
    plan.width = width;
    plan.height = height;
    plan.step = openingStep(step);
    plan.mode = mode;
    const long long d = static_cast<long long>(width) - height; // D = W - H
    const int s = plan.step;

    // Modes 1 and 6: the height joins in once the width has passed W - H, so both reach their full
    // size in the same iteration; before that it stays 0. (i - D > 0.0000001 for whole numbers is
    // i > D.)
    auto diagonal = [&](OpeningIteration& it) {
        if (it.i - d > 0) {
            it.height = static_cast<int>(it.i - d);
            it.wait = true;
        } else {
            it.height = 0;
        }
    };

    auto at = [](int i) {
        OpeningIteration it;
        it.i = i;
        return it;
    };
    switch (mode) {
    case 1:
        for (int i : countFor(0, width, s)) {
            OpeningIteration it = at(i);
            it.width = i;
            diagonal(it);
            plan.iterations.push_back(it);
        }
        break;
    case 2:
        plan.widthBefore = width;
        for (int i : countFor(0, height, s)) {
            OpeningIteration it = at(i);
            it.height = static_cast<int>(i + s);
            it.centre = true;
            it.eventsAfter = true;
            plan.iterations.push_back(it);
        }
        break;
    case 3:
        plan.heightBefore = height;
        for (int i : countFor(0, width, s)) {
            OpeningIteration it = at(i);
            it.width = i;
            it.centre = true;
            it.eventsAfter = true;
            plan.iterations.push_back(it);
        }
        break;
    case 4:
        plan.widthBefore = width;
        for (int i : countFor(0, height, s)) {
            OpeningIteration it = at(i);
            it.height = i;
            it.wait = true;
            plan.iterations.push_back(it);
        }
        break;
    case 5:
        plan.heightBefore = height;
        for (int i : countFor(0, width, s)) {
            OpeningIteration it = at(i);
            it.width = i;
            it.eventsAfter = true;
            plan.iterations.push_back(it);
        }
        break;
    case 6:
        for (int i : countFor(0, width, s)) {
            OpeningIteration it = at(i);
            it.eventsFirst = true;
            it.width = i;
            diagonal(it);
            it.centre = true;
            plan.iterations.push_back(it);
        }
        break;
    default:
        break;
    }
    return plan;
}

int fadeWait(int ms) {
    return ms <= 0 ? 100 : ms;
}

std::vector<int> fadeLevels(bool fadeOut) {
    return fadeOut ? countFor(255, 5, -10) : countFor(1, 251, 10);
}

int closingStep(int step) {
    return (step == 0 || step > 99) ? 3 : step;
}

int closingDirection(int direction) {
    if (direction >= 1 && direction <= 4)
        return direction;
    rt::seedRandom();
    return rt::random(1, 4);
}

std::vector<SlideMove> slideMoves(const SlideGeometry& g, int step, int direction, bool slideIn) {
    const int s = closingStep(step);
    const long long x = g.clientX, y = g.clientY, nch = g.frameHeight;
    std::vector<SlideMove> out;
    auto horizontal = [&](long long v) { out.push_back({true, static_cast<int>(v)}); };
    auto vertical = [&](long long v) { out.push_back({false, static_cast<int>(v)}); };
    if (!slideIn) {
        switch (direction) {
        case 1: // right
            for (int i : countFor(x, g.screenWidth, s))
                horizontal(i);
            break;
        case 2: // up
            for (int i : countFor(-y, g.clientHeight, s))
                vertical(-static_cast<long long>(i) - nch);
            break;
        case 3: // left
            for (int i : countFor(-x, g.clientWidth, s))
                horizontal(-static_cast<long long>(i));
            break;
        case 4: // down
            for (int i : countFor(y, g.screenHeight, s))
                vertical(i - nch);
            break;
        default:
            break;
        }
    } else {
        switch (direction) {
        case 1: // from the right
            for (int i : countFor(-static_cast<long long>(g.screenWidth), -x, s))
                horizontal(-static_cast<long long>(i));
            break;
        case 2: // from the top
            for (int i : countFor(-static_cast<long long>(g.clientHeight), y, s))
                vertical(i - nch);
            break;
        case 3: // from the left
            for (int i : countFor(-static_cast<long long>(g.clientWidth), x, s))
                horizontal(i);
            break;
        case 4: // from the bottom
            for (int i : countFor(-static_cast<long long>(g.screenHeight), -y, s))
                vertical(-static_cast<long long>(i) - nch);
            break;
        default:
            break;
        }
    }
    return out;
}

} // namespace app
