// The arithmetic of the window effects: the sizes an opening effect goes through, the fade
// levels, and the moves of the slides.
#include "app/effect_steps.h"

#include <gtest/gtest.h>

#include <set>

namespace {

std::vector<int> indices(const app::OpeningPlan& plan) {
    std::vector<int> out;
    for (const auto& it : plan.iterations)
        out.push_back(it.i);
    return out;
}

std::vector<int> range(int from, int to, int step) {
    std::vector<int> out;
    for (int i = from; step > 0 ? i <= to : i >= to; i += step)
        out.push_back(i);
    return out;
}

// The size the window has after each iteration, starting from 0 x 0 and the settings before the
// loop.
std::vector<std::pair<int, int>> sizes(const app::OpeningPlan& plan) {
    int w = plan.widthBefore.value_or(0), h = plan.heightBefore.value_or(0);
    std::vector<std::pair<int, int>> out;
    for (const auto& it : plan.iterations) {
        w = it.width.value_or(w);
        h = it.height.value_or(h);
        out.emplace_back(w, h);
    }
    return out;
}

} // namespace

TEST(OpeningEffect, StepOutOfRangeBecomesThree) {
    EXPECT_EQ(app::openingStep(0), 3);
    EXPECT_EQ(app::openingStep(-15), 3);
    EXPECT_EQ(app::openingStep(100), 3);
    EXPECT_EQ(app::openingStep(1), 1);
    EXPECT_EQ(app::openingStep(99), 99);
    // Step 0 runs i = 0, 3, 6 ... like step 3.
    EXPECT_EQ(indices(app::openingPlan(30, 10, 0, 5)), range(0, 30, 3));
    EXPECT_EQ(app::openingPlan(30, 10, 0, 5).step, 3);
}

TEST(OpeningEffect, ModeOutOfRangeIsRandomOneToSix) {
    for (int m = 1; m <= 6; ++m)
        EXPECT_EQ(app::openingMode(m), m);
    std::set<int> seen;
    for (int n = 0; n < 300; ++n) {
        for (int bad : {0, 7, -1}) {
            int m = app::openingMode(bad);
            ASSERT_GE(m, 1);
            ASSERT_LE(m, 6);
            seen.insert(m);
        }
    }
    EXPECT_GT(seen.size(), 1u); // not one fixed mode
}

// The login window: 300 x 152, step 15, mode 6.
TEST(OpeningEffect, LoginWindowGrowsAlongTheDiagonalIn21Steps) {
    const app::OpeningPlan plan = app::openingPlan(300, 152, 15, 6);
    EXPECT_EQ(indices(plan), range(0, 300, 15));
    ASSERT_EQ(plan.iterations.size(), 21u);
    EXPECT_FALSE(plan.widthBefore);
    EXPECT_FALSE(plan.heightBefore);
    const int d = 300 - 152;
    for (const auto& it : plan.iterations) {
        EXPECT_TRUE(it.eventsFirst);
        EXPECT_TRUE(it.centre);
        EXPECT_FALSE(it.eventsAfter);
        EXPECT_EQ(it.width, it.i);
        if (it.i > d) {
            EXPECT_EQ(it.height, it.i - d);
            EXPECT_TRUE(it.wait);
        } else {
            EXPECT_EQ(it.height, 0);
            EXPECT_FALSE(it.wait);
        }
    }
    // Both reach their full size in the last iteration.
    EXPECT_EQ(sizes(plan).back(), std::make_pair(300, 152));
    EXPECT_EQ(plan.width, 300);
    EXPECT_EQ(plan.height, 152);
}

TEST(OpeningEffect, TallWindowHasAHeightFromTheFirstIteration) {
    for (int mode : {1, 6}) {
        const app::OpeningPlan plan = app::openingPlan(100, 180, 10, mode); // D = -80
        ASSERT_FALSE(plan.iterations.empty());
        EXPECT_EQ(plan.iterations.front().height, 80) << mode;
        EXPECT_TRUE(plan.iterations.front().wait) << mode;
        EXPECT_EQ(sizes(plan).back(), std::make_pair(100, 180)) << mode;
        for (const auto& it : plan.iterations)
            EXPECT_EQ(it.height, it.i + 80);
    }
}

TEST(OpeningEffect, EachModeFollowsItsTable) {
    const int w = 120, h = 50, s = 10;
    {
        const app::OpeningPlan p = app::openingPlan(w, h, s, 1);
        EXPECT_EQ(indices(p), range(0, w, s));
        for (const auto& it : p.iterations) {
            EXPECT_FALSE(it.eventsFirst || it.centre || it.eventsAfter);
            EXPECT_EQ(it.wait, it.i > w - h);
        }
    }
    {
        const app::OpeningPlan p = app::openingPlan(w, h, s, 2);
        EXPECT_EQ(p.widthBefore, w);
        EXPECT_EQ(indices(p), range(0, h, s));
        for (const auto& it : p.iterations) {
            EXPECT_FALSE(it.width);
            EXPECT_EQ(it.height, it.i + s);
            EXPECT_TRUE(it.centre && it.eventsAfter);
            EXPECT_FALSE(it.wait || it.eventsFirst);
        }
    }
    {
        const app::OpeningPlan p = app::openingPlan(w, h, s, 3);
        EXPECT_EQ(p.heightBefore, h);
        EXPECT_EQ(indices(p), range(0, w, s));
        for (const auto& it : p.iterations) {
            EXPECT_EQ(it.width, it.i);
            EXPECT_FALSE(it.height);
            EXPECT_TRUE(it.centre && it.eventsAfter);
        }
    }
    {
        const app::OpeningPlan p = app::openingPlan(w, h, s, 4);
        EXPECT_EQ(p.widthBefore, w);
        EXPECT_EQ(indices(p), range(0, h, s));
        for (const auto& it : p.iterations) {
            EXPECT_EQ(it.height, it.i);
            EXPECT_TRUE(it.wait);
            EXPECT_FALSE(it.centre || it.eventsAfter);
        }
    }
    {
        const app::OpeningPlan p = app::openingPlan(w, h, s, 5);
        EXPECT_EQ(p.heightBefore, h);
        EXPECT_EQ(indices(p), range(0, w, s));
        for (const auto& it : p.iterations) {
            EXPECT_EQ(it.width, it.i);
            EXPECT_TRUE(it.eventsAfter);
            EXPECT_FALSE(it.centre || it.wait);
        }
    }
}

// A step that does not divide the size stops short; the effect then sets the designed size.
TEST(OpeningEffect, LoopStopsAtTheLastStepNotBeyondTheEnd) {
    const app::OpeningPlan p = app::openingPlan(100, 40, 15, 3);
    EXPECT_EQ(indices(p), range(0, 90, 15));
    EXPECT_EQ(sizes(p).back(), std::make_pair(90, 40));
    EXPECT_EQ(p.width, 100);
    // An empty window runs one iteration at i = 0.
    EXPECT_EQ(app::openingPlan(0, 0, 15, 6).iterations.size(), 1u);
}

TEST(Fade, WaitsAndLevels) {
    EXPECT_EQ(app::fadeWait(0), 100);
    EXPECT_EQ(app::fadeWait(-3), 100);
    EXPECT_EQ(app::fadeWait(20), 20);
    EXPECT_EQ(app::fadeLevels(false), range(1, 251, 10));
    EXPECT_EQ(app::fadeLevels(true), range(255, 5, -10));
    EXPECT_EQ(app::fadeLevels(false).size(), 26u);
    EXPECT_EQ(app::fadeLevels(true).size(), 26u);
}

TEST(ClosingEffect, StepAndDirection) {
    EXPECT_EQ(app::closingStep(0), 3);
    EXPECT_EQ(app::closingStep(100), 3);
    EXPECT_EQ(app::closingStep(20), 20);
    EXPECT_EQ(app::closingStep(-4), -4);
    for (int d = 1; d <= 4; ++d)
        EXPECT_EQ(app::closingDirection(d), d);
    std::set<int> seen;
    for (int n = 0; n < 300; ++n) {
        int d = app::closingDirection(0);
        ASSERT_GE(d, 1);
        ASSERT_LE(d, 4);
        seen.insert(d);
    }
    EXPECT_GT(seen.size(), 1u);
}

namespace {

// The login window centred on an 800 x 800 screen, no frame.
app::SlideGeometry login() {
    app::SlideGeometry g;
    g.clientWidth = 300;
    g.clientHeight = 152;
    g.screenWidth = 800;
    g.screenHeight = 800;
    g.clientX = 250;
    g.clientY = 324;
    g.frameHeight = 0;
    return g;
}

std::vector<int> values(const std::vector<app::SlideMove>& moves, bool horizontal) {
    std::vector<int> out;
    for (const auto& m : moves) {
        EXPECT_EQ(m.horizontal, horizontal);
        out.push_back(m.value);
    }
    return out;
}

std::vector<int> negated(std::vector<int> v) {
    for (int& x : v)
        x = -x;
    return v;
}

} // namespace

TEST(ClosingEffect, SlideOutStartsWhereTheWindowIsAndLeavesTheScreen) {
    const app::SlideGeometry g = login();
    EXPECT_EQ(values(app::slideMoves(g, 20, 1, false), true), range(250, 800, 20));
    EXPECT_EQ(values(app::slideMoves(g, 20, 2, false), false), negated(range(-324, 152, 20)));
    EXPECT_EQ(values(app::slideMoves(g, 20, 3, false), true), negated(range(-250, 300, 20)));
    EXPECT_EQ(values(app::slideMoves(g, 20, 4, false), false), range(324, 800, 20));
    // 250 + 20 k: the last left is 790, still below the screen width.
    EXPECT_EQ(app::slideMoves(g, 20, 1, false).back().value, 790);
}

TEST(ClosingEffect, FrameHeightShiftsTheVerticalMoves) {
    app::SlideGeometry g = login();
    g.clientY = 354; // a 30-pixel caption bar above the client area
    g.frameHeight = 30;
    const auto up = app::slideMoves(g, 25, 2, false);
    ASSERT_FALSE(up.empty());
    EXPECT_EQ(up.front().value, 324); // top := -(-354) - 30: the window's own top
    const auto down = app::slideMoves(g, 25, 4, false);
    EXPECT_EQ(down.front().value, 324);
    EXPECT_EQ(down.back().value, 354 + 25 * ((800 - 354) / 25) - 30);
}

TEST(ClosingEffect, SlideInComesFromTheEdgeToThePlace) {
    const app::SlideGeometry g = login();
    // From the left: -CW to X; with a step that divides the way it ends exactly at X.
    const auto fromLeft = values(app::slideMoves(g, 25, 3, true), true);
    EXPECT_EQ(fromLeft.front(), -300);
    EXPECT_EQ(fromLeft.back(), 250);
    const auto fromRight = values(app::slideMoves(g, 25, 1, true), true);
    EXPECT_EQ(fromRight.front(), 800);
    EXPECT_EQ(fromRight.back(), 250);
    const auto fromTop = values(app::slideMoves(g, 4, 2, true), false);
    EXPECT_EQ(fromTop.front(), -152);
    EXPECT_EQ(fromTop.back(), 324);
    const auto fromBottom = values(app::slideMoves(g, 4, 4, true), false);
    EXPECT_EQ(fromBottom.front(), 800);
    EXPECT_EQ(fromBottom.back(), 324);
}

TEST(ClosingEffect, DegenerateArguments) {
    const app::SlideGeometry g = login();
    // Step 0 moves by 3.
    EXPECT_EQ(values(app::slideMoves(g, 0, 1, false), true), range(250, 800, 3));
    // A negative step counts down from below the end: no move at all.
    EXPECT_TRUE(app::slideMoves(g, -20, 1, false).empty());
    EXPECT_TRUE(app::slideMoves(g, 20, 5, false).empty());
    // A window already beyond the right edge makes no move.
    app::SlideGeometry off = g;
    off.clientX = 900;
    EXPECT_TRUE(app::slideMoves(off, 20, 1, false).empty());
}
