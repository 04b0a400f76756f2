// What the Win32 backend leaves on the screen when handlers change a window that is already shown:
// a transparent label's new caption, a label hidden or shown again, over the form's background
// picture. The windows are read back pixel by pixel, as they are on the screen, and compared with
// what a complete fresh painting of the same window gives.
#include "runtime/display.h"
#include "runtime/picture.h"
#include "runtime/program.h"
#include "runtime/runtime.h"
#include "runtime/testing.h"
#include "tests/win32/screen.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

using rt::Text;

// A window like the main window's entry line: "工作序号：" with the identifier beside it (their
// rectangles overlap by a few pixels), and a result line below.
const char kForm[] = R"({
  "form": "重画", "caption": "重画", "left": 40, "top": 40, "width": 320, "height": 170,
  "border": "fixed", "minimizeButton": false, "icon": false, "position": 0, "events": {},
  "controls": [
    {"name": "序号名", "kind": "透明标签", "parent": "", "left": 91, "top": 70, "width": 64, "height": 32, "visible": true, "disabled": false, "tabStop": false, "tabOrder": 0, "tag": "", "caption": "工作序号：", "font": {"family": "宋体", "size": 12, "bold": false}, "events": {}},
    {"name": "序号", "kind": "透明标签", "parent": "", "left": 150, "top": 78, "width": 56, "height": 16, "visible": true, "disabled": false, "tabStop": false, "tabOrder": 0, "tag": "", "caption": "GZ-0000", "font": {"family": "宋体", "size": 12, "bold": false}, "events": {}},
    {"name": "结果", "kind": "透明标签", "parent": "", "left": 4, "top": 110, "width": 120, "height": 26, "visible": true, "disabled": false, "tabStop": false, "tabOrder": 0, "tag": "", "caption": "", "font": {"family": "宋体", "size": 14, "bold": true}, "events": {}}
  ],
  "menu": []
})";

using Pixels = std::vector<COLORREF>;

using screen::windowOf;

// The form's client area as it is on the screen now (what has been painted, nothing more).
Pixels screenPixels(rt::Form& f) {
    return screen::clientPixels(windowOf(f));
}

// The same after the whole window has been painted anew, background first, then every control.
Pixels freshPixels(rt::Form& f) {
    RedrawWindow(windowOf(f), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW);
    rt::testing::runEvents(100);
    return screenPixels(f);
}

// How many pixels in the control's rectangle are dark (the label's black text on the light picture).
int darkPixels(rt::Form& f, rt::Control& c, const Pixels& p) {
    RECT r;
    GetClientRect(windowOf(f), &r);
    int dark = 0;
    for (int y = c.top(); y < c.top() + c.height(); ++y)
        for (int x = c.left(); x < c.left() + c.width(); ++x) {
            const COLORREF px = p[size_t(y) * size_t(r.right) + size_t(x)];
            dark += (GetRValue(px) + GetGValue(px) + GetBValue(px)) < 3 * 96;
        }
    return dark;
}

class Repaint : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(rt::addFormDescription(rt::Bytes(kForm)).bytes(), "");
        ASSERT_TRUE(rt::loadForm(Text::fromUtf8("重画")));
        form = &rt::form(Text::fromUtf8("重画"));
        form->setBackground(rt::Picture::carried(runtime::pictures::kBackground));
        SetWindowPos(windowOf(*form), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        rt::testing::runEvents(300);
    }
    void TearDown() override {
        if (rt::isLoaded(Text::fromUtf8("重画"))) {
            form->destroy();
            rt::testing::runUntil([] { return !rt::isLoaded(Text::fromUtf8("重画")); }, 5000);
        }
    }
    rt::Control& label(const char* name) { return form->control(Text::fromUtf8(name)); }
    // What is on the screen after the event loop has run is what a fresh painting gives.
    void expectPaintedAsNew(const char* what) {
        rt::testing::runEvents(300);
        const Pixels now = screenPixels(*form);
        const Pixels fresh = freshPixels(*form);
        ASSERT_EQ(now.size(), fresh.size());
        size_t differing = 0;
        for (size_t i = 0; i < now.size(); ++i)
            differing += now[i] != fresh[i];
        EXPECT_EQ(differing, 0u) << what;
    }
    rt::Form* form = nullptr;
};

TEST_F(Repaint, ATransparentLabelShowsItsNewCaptionAndNothingOfTheOld) {
    rt::Control& id = label("序号");
    const Pixels first = screenPixels(*form);
    ASSERT_GT(darkPixels(*form, id, first), 20) << "the first caption is drawn";
    expectPaintedAsNew("as loaded");

    id.setCaption("GZ-00001");
    expectPaintedAsNew("a longer caption");
    EXPECT_NE(screenPixels(*form), first);
    id.setCaption("GZ-1");
    expectPaintedAsNew("a shorter caption");
    id.setCaption("");
    expectPaintedAsNew("no caption");
    EXPECT_EQ(darkPixels(*form, id, screenPixels(*form)), 0);

    // The result line, with its bold font, set and cleared.
    label("结果").setCaption(Text::fromUtf8("添加成功！"));
    expectPaintedAsNew("the result line");
    EXPECT_GT(darkPixels(*form, label("结果"), screenPixels(*form)), 20);

    // Another colour, font or place for the same text.
    rt::setTextColor(label("结果"), rt::Color{192, 32, 32});
    expectPaintedAsNew("another colour");
    label("结果").setFont(rt::Font{"宋体", 12});
    expectPaintedAsNew("a smaller font");
    label("结果").move(10, 104);
    expectPaintedAsNew("moved by a few pixels");
}

TEST_F(Repaint, ATransparentLabelHiddenAndShownAgainWithANewCaption) {
    rt::Control& id = label("序号");
    // As connecting to the log does: hidden, given the entry's identifier, shown.
    id.setVisible(false);
    expectPaintedAsNew("hidden");
    EXPECT_EQ(darkPixels(*form, id, screenPixels(*form)), 0);
    id.setCaption("GZ-00001");
    expectPaintedAsNew("captioned while hidden");
    EXPECT_EQ(darkPixels(*form, id, screenPixels(*form)), 0);
    id.setVisible(true);
    expectPaintedAsNew("shown again");
    EXPECT_GT(darkPixels(*form, id, screenPixels(*form)), 20);

    // Shown and captioned in one go, the caption set after showing.
    id.setVisible(false);
    rt::testing::runEvents(100);
    id.setVisible(true);
    id.setCaption("GZ-00002");
    expectPaintedAsNew("shown, then captioned");

    // The overlapping "工作序号：" keeps its text when its neighbour changes.
    label("序号名").setVisible(false);
    label("序号名").setVisible(true);
    id.setCaption("GZ-00003");
    expectPaintedAsNew("both changed");
}

} // namespace

int main(int argc, char** argv) {
    rt::testing::WindowSystem windows(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    rt::initRuntime();
    return RUN_ALL_TESTS();
}
