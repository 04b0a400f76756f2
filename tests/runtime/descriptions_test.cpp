// The description loader on its own (no window system): the compiled-in descriptions, the defaults
// it fills in, and refusals of what the JSON reader lets through or stops.
#include "runtime/loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using rt::detail::parseFormDescription;

namespace {

std::string refusal(const std::string& json) {
    std::string error;
    auto d = parseFormDescription(json, error);
    EXPECT_EQ(d, nullptr) << json;
    return error;
}

std::string control(const std::string& kindAndProps) {
    return R"({"form": "坏", "width": 10, "height": 10, "controls": [{"name": "a", "left": 1, "top": 1,
        "width": 1, "height": 1, )" +
           kindAndProps + "}]}";
}

} // namespace

TEST(Descriptions, EveryProgramFormParses) {
    int count = 0;
    for (const auto& f : std::filesystem::directory_iterator(LEDRIMO_FORMS_DIR)) {
        if (f.path().extension() != ".json")
            continue;
        std::ifstream in(f.path(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        std::string error;
        EXPECT_NE(parseFormDescription(s.str(), error), nullptr) << f.path() << ": " << error;
        EXPECT_EQ(error, "");
        ++count;
    }
    EXPECT_EQ(count, 7);
}

TEST(Descriptions, DefaultsAreFilledIn) {
    std::string error;
    auto d = parseFormDescription(R"({"form": "好", "width": 100.0, "height": 60, "controls": [
        {"name": "框", "kind": "编辑框", "left": 0, "top": 0, "width": 50, "height": 20},
        {"name": "字", "kind": "透明标签", "left": 0, "top": 20, "width": 50, "height": 20, "caption": "名"},
        {"name": "日", "kind": "日期框", "left": 0, "top": 40, "width": 50, "height": 20, "value": 46296},
        {"name": "今", "kind": "日期框", "left": 50, "top": 40, "width": 50, "height": 20, "value": "today"}],
        "menu": [{"level": 0, "caption": "&F.文件"}, {"level": 1, "caption": "退出", "shortcut": "（无）"},
                 {"level": 1, "caption": "打开", "shortcut": "Ctrl+Shift+F12"}]})",
                                  error);
    ASSERT_NE(d, nullptr) << error;
    EXPECT_EQ(d->width, 100);
    EXPECT_TRUE(d->framed);
    EXPECT_EQ(d->left, 50);
    ASSERT_EQ(d->controls.size(), 4u);
    EXPECT_TRUE(d->controls[0].tabStop);
    EXPECT_EQ(d->controls[0].props.inputMode, "normal");
    EXPECT_EQ(d->controls[0].props.mask, "*");
    EXPECT_FALSE(d->controls[1].tabStop);
    EXPECT_EQ(d->controls[1].tabOrder, 1);
    EXPECT_EQ(d->controls[1].props.caption, "名");
    EXPECT_EQ(d->controls[2].props.value, 46296.0);
    EXPECT_FALSE(d->controls[3].props.value.has_value());
    ASSERT_EQ(d->menu.size(), 3u);
    EXPECT_EQ(d->menu[0].name, "F.文件");
    EXPECT_EQ(d->menu[1].shortcut, "");
    EXPECT_EQ(d->menu[2].shortcut, "Ctrl+Shift+F12");
    EXPECT_EQ(rt::detail::shortcutTexts().size(), 77u);
}

TEST(Descriptions, FaultsAreRefusedWithTheirReason) {
    EXPECT_NE(refusal("{\"form\": \"\xC0\xAF\", \"width\": 1, \"height\": 1}").find("not JSON"), std::string::npos);
    EXPECT_NE(refusal(R"({"form": "坏", "width": 10,)").find("not JSON at offset"), std::string::npos);
    EXPECT_NE(refusal(R"({"form": "坏", "width": 10.5, "height": 10})").find("\"width\" must be an integer"),
              std::string::npos);
    EXPECT_NE(refusal(R"({"form": "坏", "width": 1e10, "height": 10})").find("\"width\" must be an integer"),
              std::string::npos);
    EXPECT_NE(refusal(R"({"form": 7, "width": 10, "height": 10})").find("\"form\" must be a text"),
              std::string::npos);
    EXPECT_NE(refusal(R"({"form": "坏", "width": 10, "height": 10, "controls": {}})").find("must be a list"),
              std::string::npos);
    EXPECT_NE(refusal(R"({"form": "坏", "width": 10, "height": 10, "controls": [3]})").find("must be an object"),
              std::string::npos);
    EXPECT_NE(refusal(control(R"("kind": "透明标签", "textColor": [1.5, 0, 0])")).find("textColor"),
              std::string::npos);
    EXPECT_NE(refusal(control(R"("kind": "编辑框", "font": {"family": "宋体", "size": 0})")).find("positive"),
              std::string::npos);
    EXPECT_NE(refusal(control(R"("kind": "状态条", "panes": [5])")).find("missing \"width\""), std::string::npos);
    EXPECT_NE(refusal(control(R"("kind": "图片框", "border": 1)")).find("\"border\" must be one of"),
              std::string::npos);
    EXPECT_NE(refusal(control(R"("kind": "日期框", "value": null)")).find("date number"), std::string::npos);
    // Deep nesting is refused without exhausting the stack.
    EXPECT_NE(refusal(std::string(100000, '[') + std::string(100000, ']')).find("JSON object"), std::string::npos);
}
