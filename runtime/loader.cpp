#include "runtime/loader.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace rt {

const char* kindText(Kind k) {
    switch (k) {
    case Kind::EditBox:
        return "编辑框";
    case Kind::DateBox:
        return "日期框";
    case Kind::Label:
        return "透明标签";
    case Kind::SuperButton:
        return "超级按钮";
    case Kind::GraphicButton:
        return "图形按钮";
    case Kind::PictureBox:
        return "图片框";
    case Kind::ShapeBox:
        return "外形框";
    case Kind::StatusBar:
        return "状态条";
    case Kind::ListView:
        return "超级列表框";
    case Kind::Timer:
        return "时钟";
    case Kind::TrayIcon:
        return "托盘图标";
    case Kind::MenuStyle:
        return "超级菜单";
    case Kind::Connection:
        return "数据库连接";
    case Kind::RecordSet:
        return "记录集";
    case Kind::Chart:
        return "图表";
    }
    return "";
}

namespace detail {

const std::vector<std::string>& shortcutTexts() {
    static const std::vector<std::string> choices = [] {
        std::vector<std::string> c{"（无）"};
        for (char ch = 'A'; ch <= 'Z'; ++ch)
            c.push_back(std::string("Ctrl+") + ch);
        for (const char* prefix : {"", "Ctrl+", "Shift+", "Ctrl+Shift+"})
            for (int f = 1; f <= 12; ++f)
                c.push_back(prefix + std::string("F") + std::to_string(f));
        c.push_back("Ins");
        c.push_back("Del");
        return c;
    }();
    return choices;
}

namespace {

using Json = nlohmann::json;
using Names = std::vector<std::string>;

bool contains(const Names& names, const std::string& s) {
    return std::find(names.begin(), names.end(), s) != names.end();
}

std::string join(const Names& names) {
    std::string out;
    for (const std::string& n : names)
        out += (out.empty() ? "" : ",") + n;
    return out;
}

std::string inQuotes(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

struct KindInfo {
    Kind kind;
    bool visual; // has a widget and geometry
    bool focusable;
    Names props;
    Names events;
};

const std::map<std::string, KindInfo>& kinds() {
    static const std::map<std::string, KindInfo> k = [] {
        std::map<std::string, KindInfo> m;
        auto add = [&](Kind kind, bool visual, bool focusable, Names props, Names events) {
            m[kindText(kind)] = KindInfo{kind, visual, focusable, std::move(props), std::move(events)};
        };
        add(Kind::EditBox, true, true,
            {"text", "font", "textColor", "backColor", "border", "inputMode", "mask", "maxLength",
             "multiLine", "scrollBars", "align"},
            {});
        add(Kind::DateBox, true, true, {"value", "font", "display"}, {"valueChanged"});
        add(Kind::Label, true, false, {"caption", "font", "textColor", "align", "valign", "wordWrap"}, {});
        add(Kind::SuperButton, true, true, {"caption", "font", "textColor", "tooltip"}, {"clicked"});
        add(Kind::GraphicButton, true, false, {"tooltip"}, {"clicked"});
        add(Kind::PictureBox, true, false, {"backColor", "border", "pictureMode"}, {});
        add(Kind::ShapeBox, true, false, {"shape", "lineColor"}, {});
        add(Kind::StatusBar, true, false, {"panes", "font"}, {});
        add(Kind::ListView, true, true, {"columns", "font", "gridLines"},
            {"currentRowChanged", "rightClicked", "doubleClicked", "clicked"});
        add(Kind::Timer, false, false, {"interval"}, {"tick"});
        add(Kind::TrayIcon, false, false, {"tooltip"}, {"clicked", "doubleClicked", "rightButtonReleased"});
        add(Kind::MenuStyle, false, false,
            {"font", "textColor", "backColor", "highlightColor", "highlightTextColor"}, {});
        add(Kind::Connection, false, false, {}, {});
        add(Kind::RecordSet, false, false, {}, {});
        add(Kind::Chart, true, false,
            {"font", "series", "markColor", "markTitle", "lineColor", "lineTitle", "unit", "backColor"},
            {"doubleClicked"});
        return m;
    }();
    return k;
}

const Names kCommonKeys{"name",    "kind",     "parent",  "left",     "top", "width", "height",
                        "visible", "disabled", "tabStop", "tabOrder", "tag", "events"};

// The member of an object, or null when it is absent or o is no object.
const Json* member(const Json& o, const char* key) {
    if (!o.is_object())
        return nullptr;
    auto it = o.find(key);
    return it == o.end() ? nullptr : &*it;
}

// A JSON number that is a whole int (1 and 1.0 alike).
std::optional<int> wholeInt(const Json& v) {
    if (v.is_number_unsigned()) {
        auto u = v.get<std::uint64_t>();
        if (u <= std::uint64_t(std::numeric_limits<int>::max()))
            return int(u);
        return std::nullopt;
    }
    if (v.is_number_integer()) {
        auto i = v.get<std::int64_t>();
        if (i >= std::numeric_limits<int>::min() && i <= std::numeric_limits<int>::max())
            return int(i);
        return std::nullopt;
    }
    if (v.is_number_float()) {
        double d = v.get<double>();
        if (std::isfinite(d) && d == std::floor(d) && d >= std::numeric_limits<int>::min() &&
            d <= std::numeric_limits<int>::max())
            return int(d);
    }
    return std::nullopt;
}

// Small checked readers: each records the first problem it meets.
class Reader {
public:
    explicit Reader(std::string& error) : error_(error) {}
    bool ok() const { return error_.empty(); }
    void fail(const std::string& where, const std::string& what) {
        if (error_.empty())
            error_ = where + ": " + what;
    }
    std::string str(const Json& o, const char* key, const std::string& where, bool required = false,
                    const std::string& def = {}) {
        const Json* v = member(o, key);
        if (!v) {
            if (required)
                fail(where, "missing " + inQuotes(key));
            return def;
        }
        if (!v->is_string()) {
            fail(where, inQuotes(key) + " must be a text");
            return {};
        }
        return v->get<std::string>();
    }
    int integer(const Json& o, const char* key, const std::string& where, bool required = false,
                int def = 0) {
        const Json* v = member(o, key);
        if (!v) {
            if (required)
                fail(where, "missing " + inQuotes(key));
            return def;
        }
        std::optional<int> i = wholeInt(*v);
        if (!i) {
            fail(where, inQuotes(key) + " must be an integer");
            return 0;
        }
        return *i;
    }
    bool boolean(const Json& o, const char* key, const std::string& where, bool def) {
        const Json* v = member(o, key);
        if (!v)
            return def;
        if (!v->is_boolean()) {
            fail(where, inQuotes(key) + " must be true or false");
            return false;
        }
        return v->get<bool>();
    }
    // The text of key, which must be one of allowed when present; def when absent.
    std::string oneOf(const Json& o, const char* key, const std::string& where, const Names& allowed,
                      const std::string& def = {}) {
        const Json* v = member(o, key);
        if (!v)
            return def;
        if (!v->is_string() || !contains(allowed, v->get<std::string>())) {
            fail(where, inQuotes(key) + " must be one of " + join(allowed));
            return def;
        }
        return v->get<std::string>();
    }
    void onlyKeys(const Json& o, const Names& allowed, const std::string& where) {
        if (!o.is_object())
            return;
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!contains(allowed, it.key()))
                fail(where, "unknown property " + inQuotes(it.key()));
    }
    std::optional<Color> color(const Json& o, const char* key, const std::string& where) {
        const Json* v = member(o, key);
        if (!v)
            return std::nullopt;
        int part[3] = {0, 0, 0};
        bool good = v->is_array() && v->size() == 3;
        for (size_t i = 0; good && i < 3; ++i) {
            std::optional<int> c = wholeInt((*v)[i]);
            good = c && *c >= 0 && *c <= 255;
            if (good)
                part[i] = *c;
        }
        if (!good) {
            fail(where, inQuotes(key) + " must be [red, green, blue] with values 0..255");
            return std::nullopt;
        }
        return Color{part[0], part[1], part[2]};
    }
    std::optional<FontDesc> font(const Json& o, const std::string& where) {
        const Json* v = member(o, "font");
        if (!v)
            return std::nullopt;
        if (!v->is_object()) {
            fail(where, "\"font\" must be an object");
            return std::nullopt;
        }
        const std::string w = where + " font";
        onlyKeys(*v, {"family", "size", "bold", "italic", "underline"}, w);
        FontDesc f;
        f.family = str(*v, "family", w, true);
        f.size = integer(*v, "size", w, true);
        if (f.size <= 0)
            fail(w, "\"size\" must be positive");
        f.bold = boolean(*v, "bold", w, false);
        f.italic = boolean(*v, "italic", w, false);
        f.underline = boolean(*v, "underline", w, false);
        return f;
    }
    std::map<std::string, std::string> events(const Json& o, const std::string& where, const Names& allowed) {
        std::map<std::string, std::string> out;
        const Json* v = member(o, "events");
        if (!v)
            return out;
        if (!v->is_object()) {
            fail(where, "\"events\" must be an object");
            return out;
        }
        for (auto it = v->begin(); it != v->end(); ++it) {
            if (!contains(allowed, it.key()))
                fail(where, "no event " + inQuotes(it.key()) + " here");
            else if (!it.value().is_string() || it.value().get<std::string>().empty())
                fail(where, "the handler of " + inQuotes(it.key()) + " must be a text");
            else
                out[it.key()] = it.value().get<std::string>();
        }
        return out;
    }
    // The elements of a list property (absent: none); a list of anything else is refused.
    const Json* list(const Json& o, const char* key, const std::string& where) {
        const Json* v = member(o, key);
        if (v && !v->is_array()) {
            fail(where, inQuotes(key) + " must be a list");
            return nullptr;
        }
        return v;
    }

private:
    std::string& error_;
};

KindProps readKindProps(Reader& r, const Json& p, Kind kind, const std::string& where) {
    KindProps k;
    k.font = r.font(p, where);
    k.textColor = r.color(p, "textColor", where);
    k.backColor = r.color(p, "backColor", where);
    k.lineColor = r.color(p, "lineColor", where);
    k.highlightColor = r.color(p, "highlightColor", where);
    k.highlightTextColor = r.color(p, "highlightTextColor", where);
    k.markColor = r.color(p, "markColor", where);
    k.text = r.str(p, "text", where);
    k.caption = r.str(p, "caption", where);
    if (member(p, "tooltip"))
        k.tooltip = r.str(p, "tooltip", where);
    k.mask = r.str(p, "mask", where, false, "*");
    k.markTitle = r.str(p, "markTitle", where);
    k.lineTitle = r.str(p, "lineTitle", where);
    k.unit = r.str(p, "unit", where);
    k.multiLine = r.boolean(p, "multiLine", where, false);
    k.wordWrap = r.boolean(p, "wordWrap", where, false);
    k.gridLines = r.boolean(p, "gridLines", where, false);
    k.border = r.oneOf(p, "border", where,
                       kind == Kind::EditBox ? Names{"none", "sunken", "single"} : Names{"none", "single", "sunken"});
    k.inputMode = r.oneOf(p, "inputMode", where, {"normal", "password", "integer"}, "normal");
    k.scrollBars = r.oneOf(p, "scrollBars", where, {"none", "horizontal", "vertical", "both"}, "none");
    k.align = r.oneOf(p, "align", where, {"left", "center", "right"});
    k.valign = r.oneOf(p, "valign", where, {"top", "center", "bottom"});
    k.pictureMode = r.oneOf(p, "pictureMode", where, {"topLeft", "stretch", "center", "tile"}, "topLeft");
    k.shape = r.oneOf(p, "shape", where, {"hline", "vline", "rect"}, "hline");
    k.display = r.oneOf(p, "display", where, {"day", "month"}, "day");
    k.maxLength = r.integer(p, "maxLength", where);
    if (k.maxLength < 0)
        r.fail(where, "\"maxLength\" must not be negative");
    k.interval = r.integer(p, "interval", where);
    if (k.interval < 0)
        r.fail(where, "\"interval\" must not be negative");
    if (const Json* v = member(p, "value")) {
        if (v->is_number())
            k.value = v->get<double>();
        else if (!(v->is_string() && v->get<std::string>() == "today"))
            r.fail(where, "\"value\" must be a date number or \"today\"");
    }
    if (const Json* panes = r.list(p, "panes", where)) {
        const std::string w = where + " pane";
        for (const Json& o : *panes) {
            r.onlyKeys(o, {"width", "text"}, w);
            PaneDesc pane;
            pane.width = r.integer(o, "width", w, true);
            if (pane.width < 0)
                r.fail(where, "a pane width must not be negative");
            pane.text = r.str(o, "text", w);
            k.panes.push_back(std::move(pane));
        }
    }
    if (const Json* series = r.list(p, "series", where)) {
        const std::string w = where + " series";
        for (const Json& o : *series) {
            r.onlyKeys(o, {"title", "color", "shade"}, w);
            SeriesDesc s;
            s.title = r.str(o, "title", w, true);
            if (!member(o, "color"))
                r.fail(w, "missing \"color\"");
            s.color = r.color(o, "color", w).value_or(Color{66, 133, 204});
            s.shade = r.boolean(o, "shade", w, false);
            k.series.push_back(std::move(s));
        }
    }
    if (const Json* columns = r.list(p, "columns", where)) {
        const std::string w = where + " column";
        for (const Json& o : *columns) {
            r.onlyKeys(o, {"title", "width", "align"}, w);
            ColumnDesc c;
            c.title = r.str(o, "title", w, true);
            c.width = r.integer(o, "width", w, true);
            if (c.width < 0)
                r.fail(w, "the width must not be negative");
            c.align = r.oneOf(o, "align", w, {"left", "center", "right"});
            k.columns.push_back(std::move(c));
        }
    }
    return k;
}

std::string withoutAmpersands(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '&'), s.end());
    return s;
}

std::shared_ptr<FormDesc> parseChecked(const Json& o, std::string& error) {
    Reader r(error);
    auto d = std::make_shared<FormDesc>();
    r.onlyKeys(o,
               {"form", "caption", "left", "top", "width", "height", "border", "minimizeButton", "icon",
                "position", "enterButton", "escapeButton", "events", "controls", "menu"},
               "form");
    d->name = r.str(o, "form", "form", true);
    const std::string where = d->name.empty() ? std::string("form") : d->name;
    if (r.ok() && d->name.empty())
        r.fail(where, "the form name is empty");
    d->caption = r.str(o, "caption", where);
    d->left = r.integer(o, "left", where, false, 50);
    d->top = r.integer(o, "top", where, false, 50);
    d->width = r.integer(o, "width", where, true);
    d->height = r.integer(o, "height", where, true);
    if (d->width <= 0 || d->height <= 0)
        r.fail(where, "width and height must be positive");
    d->framed = r.oneOf(o, "border", where, {"none", "fixed"}, "fixed") == "fixed";
    d->minimizeButton = r.boolean(o, "minimizeButton", where, false);
    d->icon = r.boolean(o, "icon", where, false);
    d->position = r.integer(o, "position", where);
    if (d->position < 0 || d->position > 3)
        r.fail(where, "\"position\" must be 0..3");
    d->events = r.events(o, where, {"created", "closeRequested", "destroyed"});

    std::set<std::string> names;
    std::map<std::string, Kind> kindOf;
    const Json* controls = member(o, "controls");
    if (controls && controls->is_array()) {
        for (const Json& co : *controls) {
            if (!r.ok())
                break;
            if (!co.is_object()) {
                r.fail(where, "every control must be an object");
                break;
            }
            ControlDesc c;
            c.name = r.str(co, "name", where, true);
            const std::string cw = where + "." + c.name;
            const std::string kind = r.str(co, "kind", cw, true);
            auto k = kinds().find(kind);
            if (k == kinds().end()) {
                r.fail(cw, "unknown kind " + inQuotes(kind));
                break;
            }
            const KindInfo& info = k->second;
            c.kind = info.kind;
            if (c.name.empty() || !names.insert(c.name).second)
                r.fail(cw, "a control name must be given and unique");
            Names allowed = kCommonKeys;
            allowed.insert(allowed.end(), info.props.begin(), info.props.end());
            r.onlyKeys(co, allowed, cw);
            c.parent = r.str(co, "parent", cw);
            if (!c.parent.empty() && (!kindOf.count(c.parent) || kindOf[c.parent] != Kind::PictureBox))
                r.fail(cw, "the parent must be a picture box listed before");
            c.left = r.integer(co, "left", cw, info.visual);
            c.top = r.integer(co, "top", cw, info.visual);
            c.width = r.integer(co, "width", cw, info.visual);
            c.height = r.integer(co, "height", cw, info.visual);
            if (c.width < 0 || c.height < 0)
                r.fail(cw, "width and height must not be negative");
            c.visible = r.boolean(co, "visible", cw, true);
            c.disabled = r.boolean(co, "disabled", cw, false);
            c.tabStop = r.boolean(co, "tabStop", cw, info.focusable);
            c.tabOrder = r.integer(co, "tabOrder", cw, false, int(d->controls.size()));
            c.tag = r.str(co, "tag", cw);
            c.events = r.events(co, cw, info.events);
            c.props = readKindProps(r, co, c.kind, cw);
            kindOf[c.name] = c.kind;
            d->controls.push_back(std::move(c));
        }
    } else if (controls) {
        r.fail(where, "\"controls\" must be a list");
    }
    d->enterButton = r.str(o, "enterButton", where);
    d->escapeButton = r.str(o, "escapeButton", where);
    for (const std::string& button : {d->enterButton, d->escapeButton})
        if (!button.empty() && (!kindOf.count(button) || kindOf[button] != Kind::SuperButton))
            r.fail(where, inQuotes(button) + " is no super button of the form");

    std::set<std::string> itemNames;
    const Json* menu = member(o, "menu");
    if (menu && menu->is_array()) {
        for (const Json& mo : *menu) {
            if (!r.ok())
                break;
            MenuItemDesc m;
            m.caption = r.str(mo, "caption", where + " menu", true);
            m.name = r.str(mo, "name", where + " menu", false, withoutAmpersands(m.caption));
            const std::string mw = where + " menu " + m.name;
            r.onlyKeys(mo, {"level", "name", "caption", "shortcut", "hidden", "disabled", "checked", "handler"},
                       mw);
            m.level = r.integer(mo, "level", mw, true);
            if (m.level != 0 && m.level != 1)
                r.fail(mw, "\"level\" must be 0 or 1");
            if (m.level == 1 && d->menu.empty())
                r.fail(mw, "the menu must begin with a level-0 item");
            m.shortcut = r.str(mo, "shortcut", mw);
            if (m.shortcut == shortcutTexts().front())
                m.shortcut.clear();
            if (!m.shortcut.empty() && !contains(shortcutTexts(), m.shortcut))
                r.fail(mw, "unknown shortcut " + inQuotes(m.shortcut));
            m.hidden = r.boolean(mo, "hidden", mw, false);
            m.disabled = r.boolean(mo, "disabled", mw, false);
            m.checked = r.boolean(mo, "checked", mw, false);
            m.handler = r.str(mo, "handler", mw);
            if (m.caption != "-" && !itemNames.insert(m.name).second)
                r.fail(mw, "menu item names must be unique");
            d->menu.push_back(std::move(m));
        }
    } else if (menu) {
        r.fail(where, "\"menu\" must be a list");
    }
    if (!r.ok())
        return nullptr;
    return d;
}

} // namespace

std::shared_ptr<FormDesc> parseFormDescription(std::string_view json, std::string& error) {
    error.clear();
    Json doc;
    try {
        doc = Json::parse(json.begin(), json.end());
    } catch (const Json::parse_error& e) {
        error = "not JSON at offset " + std::to_string(e.byte) + ": " + e.what();
        return nullptr;
    }
    if (!doc.is_object()) {
        error = "the description must be a JSON object";
        return nullptr;
    }
    try {
        return parseChecked(doc, error);
    } catch (const Json::exception& e) { // a reader above let a type through: refuse, never throw
        error = std::string("form: ") + e.what();
        return nullptr;
    }
}

} // namespace detail
} // namespace rt
