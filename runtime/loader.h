// Form descriptions as read from runtime/forms/*.json (internal to the runtime): plain structs,
// texts in UTF-8, every property already checked and given its default, so that a window system
// builds windows from them without reading JSON.
#pragma once

#include "runtime/geometry.h"
#include "runtime/kind.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rt::detail {

struct FontDesc {
    std::string family = "宋体";
    int size = 12; // pixels
    bool bold = false, italic = false, underline = false;
};

struct PaneDesc {
    int width = 0;
    std::string text;
};

struct ColumnDesc {
    std::string title;
    int width = 0;
    std::string align; // "left" (also empty), "center", "right"
};

struct SeriesDesc {
    std::string title;
    Color color;
    bool shade = false;
};

// The kinds' own properties; each kind reads those it has (the parser refuses the others).
struct KindProps {
    std::optional<FontDesc> font;
    std::optional<Color> textColor, backColor, lineColor, highlightColor, highlightTextColor, markColor;
    std::optional<std::string> tooltip; // absent: the window system's default
    std::string text, caption, markTitle, lineTitle, unit;
    std::string mask = "*";
    std::string border;      // "" when absent: each kind has its own default
    std::string inputMode = "normal";
    std::string scrollBars = "none";
    std::string align, valign; // "" when absent
    std::string pictureMode = "topLeft";
    std::string shape = "hline";
    std::string display = "day";
    bool multiLine = false, wordWrap = false, gridLines = false;
    int maxLength = 0, interval = 0;
    std::optional<double> value; // a date number; absent for "today"
    std::vector<PaneDesc> panes;
    std::vector<ColumnDesc> columns;
    std::vector<SeriesDesc> series;
};

struct ControlDesc {
    std::string name;
    Kind kind{};
    std::string parent; // container control, empty for the form
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = true;
    bool disabled = false;
    bool tabStop = false;
    int tabOrder = 0;
    std::string tag;
    std::map<std::string, std::string> events; // event name -> handler key
    KindProps props;
};

struct MenuItemDesc {
    int level = 0;
    std::string name;
    std::string caption;
    std::string shortcut; // one of shortcutTexts() but the first; "" for none
    bool hidden = false;
    bool disabled = false;
    bool checked = false;
    std::string handler;
};

struct FormDesc {
    std::string name;
    std::string caption;
    int left = 50, top = 50, width = 0, height = 0;
    bool framed = false;
    bool minimizeButton = false;
    bool icon = false;
    int position = 0;
    std::string enterButton;  // the super button that Enter in a single-line box clicks, "" for none
    std::string escapeButton; // the super button that Esc clicks, "" for none
    std::map<std::string, std::string> events;
    std::vector<ControlDesc> controls;
    std::vector<MenuItemDesc> menu;
};

// Parses and checks one description (UTF-8 JSON). On any fault (not JSON, not valid UTF-8, an
// unknown property, kind, event or shortcut, a value of the wrong type or outside its range) returns
// null and says where and why in error; never throws.
std::shared_ptr<FormDesc> parseFormDescription(std::string_view json, std::string& error);

// The 77 shortcut choices in their order: "（无）", "Ctrl+A" .. "Ctrl+Z", "F1" .. "F12", "Ctrl+F1" ..,
// "Shift+F1" .., "Ctrl+Shift+F1" .., "Ins", "Del".
const std::vector<std::string>& shortcutTexts();

} // namespace rt::detail
