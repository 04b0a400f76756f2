#include "runtime/loader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <set>

namespace rt {

QString kindName(Kind k) {
    switch (k) {
    case Kind::EditBox:
        return QStringLiteral("编辑框");
    case Kind::DateBox:
        return QStringLiteral("日期框");
    case Kind::Label:
        return QStringLiteral("透明标签");
    case Kind::SuperButton:
        return QStringLiteral("超级按钮");
    case Kind::GraphicButton:
        return QStringLiteral("图形按钮");
    case Kind::PictureBox:
        return QStringLiteral("图片框");
    case Kind::ShapeBox:
        return QStringLiteral("外形框");
    case Kind::StatusBar:
        return QStringLiteral("状态条");
    case Kind::ListView:
        return QStringLiteral("超级列表框");
    case Kind::Timer:
        return QStringLiteral("时钟");
    case Kind::TrayIcon:
        return QStringLiteral("托盘图标");
    case Kind::MenuStyle:
        return QStringLiteral("超级菜单");
    case Kind::Connection:
        return QStringLiteral("数据库连接");
    case Kind::RecordSet:
        return QStringLiteral("记录集");
    }
    return {};
}

const QStringList& shortcutChoices() {
    static const QStringList choices = [] {
        QStringList c{QStringLiteral("（无）")};
        for (char ch = 'A'; ch <= 'Z'; ++ch)
            c << QStringLiteral("Ctrl+") + QLatin1Char(ch);
        for (const char* prefix : {"", "Ctrl+", "Shift+", "Ctrl+Shift+"})
            for (int f = 1; f <= 12; ++f)
                c << QLatin1String(prefix) + QStringLiteral("F%1").arg(f);
        c << QStringLiteral("Ins") << QStringLiteral("Del");
        return c;
    }();
    return choices;
}

namespace detail {

namespace {

struct KindInfo {
    Kind kind;
    bool visual; // has a widget and geometry
    bool focusable;
    QStringList props;
    QStringList events;
};

const std::map<QString, KindInfo>& kinds() {
    static const std::map<QString, KindInfo> k = [] {
        std::map<QString, KindInfo> m;
        auto add = [&](Kind kind, bool visual, bool focusable, QStringList props, QStringList events) {
            m[kindName(kind)] = KindInfo{kind, visual, focusable, std::move(props), std::move(events)};
        };
        add(Kind::EditBox, true, true,
            {"text", "font", "textColor", "backColor", "border", "inputMode", "mask", "maxLength",
             "multiLine", "scrollBars", "align"},
            {});
        add(Kind::DateBox, true, true, {"value", "font"}, {"valueChanged"});
        add(Kind::Label, true, false, {"caption", "font", "textColor", "align", "valign", "wordWrap"}, {});
        add(Kind::SuperButton, true, true, {"caption", "font", "textColor", "tooltip"}, {"clicked"});
        add(Kind::GraphicButton, true, false, {"tooltip"}, {"clicked"});
        add(Kind::PictureBox, true, false, {"backColor", "border", "pictureMode"}, {});
        add(Kind::ShapeBox, true, false, {"shape", "lineColor"}, {});
        add(Kind::StatusBar, true, false, {"panes", "font"}, {});
        add(Kind::ListView, true, true, {"columns", "font", "gridLines"},
            {"currentRowChanged", "rightClicked", "doubleClicked"});
        add(Kind::Timer, false, false, {"interval"}, {"tick"});
        add(Kind::TrayIcon, false, false, {"tooltip"}, {"clicked", "doubleClicked", "rightButtonReleased"});
        add(Kind::MenuStyle, false, false,
            {"font", "textColor", "backColor", "highlightColor", "highlightTextColor"}, {});
        add(Kind::Connection, false, false, {}, {});
        add(Kind::RecordSet, false, false, {}, {});
        return m;
    }();
    return k;
}

const QStringList kCommonKeys{"name",    "kind",     "parent",  "left",     "top", "width", "height",
                              "visible", "disabled", "tabStop", "tabOrder", "tag", "events"};

// Small checked readers: each records the first problem it meets.
class Reader {
public:
    explicit Reader(QString& error) : error_(error) {}
    bool ok() const { return error_.isEmpty(); }
    void fail(const QString& where, const QString& what) {
        if (error_.isEmpty())
            error_ = where + QStringLiteral(": ") + what;
    }
    QString str(const QJsonObject& o, const char* key, const QString& where, bool required = false,
                const QString& def = {}) {
        QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) {
            if (required)
                fail(where, QStringLiteral("missing \"%1\"").arg(QLatin1String(key)));
            return def;
        }
        if (!v.isString())
            fail(where, QStringLiteral("\"%1\" must be a text").arg(QLatin1String(key)));
        return v.toString();
    }
    int integer(const QJsonObject& o, const char* key, const QString& where, bool required = false,
                int def = 0) {
        QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) {
            if (required)
                fail(where, QStringLiteral("missing \"%1\"").arg(QLatin1String(key)));
            return def;
        }
        if (!v.isDouble() || v.toDouble() != double(v.toInt()))
            fail(where, QStringLiteral("\"%1\" must be an integer").arg(QLatin1String(key)));
        return v.toInt();
    }
    bool boolean(const QJsonObject& o, const char* key, const QString& where, bool def) {
        QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return def;
        if (!v.isBool())
            fail(where, QStringLiteral("\"%1\" must be true or false").arg(QLatin1String(key)));
        return v.toBool();
    }
    void oneOf(const QJsonObject& o, const char* key, const QString& where, const QStringList& allowed) {
        QJsonValue v = o.value(QLatin1String(key));
        if (!v.isUndefined() && !allowed.contains(v.toString()))
            fail(where,
                 QStringLiteral("\"%1\" must be one of %2").arg(QLatin1String(key), allowed.join(u',')));
    }
    void onlyKeys(const QJsonObject& o, const QStringList& allowed, const QString& where) {
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!allowed.contains(it.key()))
                fail(where, QStringLiteral("unknown property \"%1\"").arg(it.key()));
    }
    void color(const QJsonObject& o, const char* key, const QString& where) {
        QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        QJsonArray a = v.toArray();
        bool good = v.isArray() && a.size() == 3;
        for (const QJsonValue& c : a)
            good = good && c.isDouble() && c.toInt() >= 0 && c.toInt() <= 255;
        if (!good)
            fail(where, QStringLiteral("\"%1\" must be [red, green, blue] with values 0..255")
                            .arg(QLatin1String(key)));
    }
    void font(const QJsonObject& o, const QString& where) {
        QJsonValue v = o.value(QLatin1String("font"));
        if (v.isUndefined())
            return;
        if (!v.isObject()) {
            fail(where, QStringLiteral("\"font\" must be an object"));
            return;
        }
        QJsonObject f = v.toObject();
        QString w = where + QStringLiteral(" font");
        onlyKeys(f, {"family", "size", "bold", "italic", "underline"}, w);
        str(f, "family", w, true);
        if (integer(f, "size", w, true) <= 0)
            fail(w, QStringLiteral("\"size\" must be positive"));
        boolean(f, "bold", w, false);
        boolean(f, "italic", w, false);
        boolean(f, "underline", w, false);
    }
    std::map<QString, QString> events(const QJsonObject& o, const QString& where,
                                      const QStringList& allowed) {
        std::map<QString, QString> out;
        QJsonValue v = o.value(QLatin1String("events"));
        if (v.isUndefined())
            return out;
        if (!v.isObject()) {
            fail(where, QStringLiteral("\"events\" must be an object"));
            return out;
        }
        QJsonObject e = v.toObject();
        for (auto it = e.begin(); it != e.end(); ++it) {
            if (!allowed.contains(it.key()))
                fail(where, QStringLiteral("no event \"%1\" here").arg(it.key()));
            else if (!it.value().isString() || it.value().toString().isEmpty())
                fail(where, QStringLiteral("the handler of \"%1\" must be a text").arg(it.key()));
            else
                out[it.key()] = it.value().toString();
        }
        return out;
    }

private:
    QString& error_;
};

void checkKindProps(Reader& r, const ControlDesc& c, const QString& where) {
    const QJsonObject& p = c.props;
    r.font(p, where);
    for (const char* key : {"textColor", "backColor", "lineColor", "highlightColor", "highlightTextColor"})
        r.color(p, key, where);
    for (const char* key : {"text", "caption", "tooltip", "mask"})
        r.str(p, key, where);
    for (const char* key : {"multiLine", "wordWrap", "gridLines"})
        r.boolean(p, key, where, false);
    r.oneOf(p, "border", where,
            c.kind == Kind::EditBox ? QStringList{"none", "sunken", "single"}
                                    : QStringList{"none", "single", "sunken"});
    r.oneOf(p, "inputMode", where, {"normal", "password", "integer"});
    r.oneOf(p, "scrollBars", where, {"none", "horizontal", "vertical", "both"});
    r.oneOf(p, "align", where, {"left", "center", "right"});
    r.oneOf(p, "valign", where, {"top", "center", "bottom"});
    r.oneOf(p, "pictureMode", where, {"topLeft", "stretch", "center", "tile"});
    r.oneOf(p, "shape", where, {"hline", "vline", "rect"});
    if (r.integer(p, "maxLength", where) < 0)
        r.fail(where, QStringLiteral("\"maxLength\" must not be negative"));
    if (r.integer(p, "interval", where) < 0)
        r.fail(where, QStringLiteral("\"interval\" must not be negative"));
    if (p.contains(QLatin1String("value")) && !p.value(QLatin1String("value")).isDouble() &&
        p.value(QLatin1String("value")).toString() != QLatin1String("today"))
        r.fail(where, QStringLiteral("\"value\" must be a date number or \"today\""));
    if (p.contains(QLatin1String("panes"))) {
        if (!p.value(QLatin1String("panes")).isArray())
            r.fail(where, QStringLiteral("\"panes\" must be a list"));
        for (const QJsonValue& pane : p.value(QLatin1String("panes")).toArray()) {
            QJsonObject o = pane.toObject();
            r.onlyKeys(o, {"width", "text"}, where + QStringLiteral(" pane"));
            if (r.integer(o, "width", where + QStringLiteral(" pane"), true) < 0)
                r.fail(where, QStringLiteral("a pane width must not be negative"));
            r.str(o, "text", where + QStringLiteral(" pane"));
        }
    }
    if (p.contains(QLatin1String("columns"))) {
        if (!p.value(QLatin1String("columns")).isArray())
            r.fail(where, QStringLiteral("\"columns\" must be a list"));
        for (const QJsonValue& col : p.value(QLatin1String("columns")).toArray()) {
            QJsonObject o = col.toObject();
            QString w = where + QStringLiteral(" column");
            r.onlyKeys(o, {"title", "width", "align"}, w);
            r.str(o, "title", w, true);
            if (r.integer(o, "width", w, true) < 0)
                r.fail(w, QStringLiteral("the width must not be negative"));
            r.oneOf(o, "align", w, {"left", "center", "right"});
        }
    }
}

} // namespace

QFont fontFrom(const QJsonObject& props) {
    QJsonObject f = props.value(QLatin1String("font")).toObject();
    QFont font(f.value(QLatin1String("family")).toString(QStringLiteral("宋体")));
    font.setPixelSize(f.value(QLatin1String("size")).toInt(12));
    font.setBold(f.value(QLatin1String("bold")).toBool());
    font.setItalic(f.value(QLatin1String("italic")).toBool());
    font.setUnderline(f.value(QLatin1String("underline")).toBool());
    return font;
}

std::optional<QColor> colorFrom(const QJsonObject& props, const char* key) {
    QJsonValue v = props.value(QLatin1String(key));
    if (!v.isArray())
        return std::nullopt;
    QJsonArray a = v.toArray();
    return QColor(a.at(0).toInt(), a.at(1).toInt(), a.at(2).toInt());
}

Qt::Alignment alignmentFromText(const QString& a) {
    if (a == QLatin1String("center"))
        return Qt::AlignHCenter;
    if (a == QLatin1String("right"))
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

std::shared_ptr<FormDesc> parseFormDescription(const QByteArray& json, QString& error) {
    error.clear();
    QJsonParseError pe;
    QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
    if (pe.error != QJsonParseError::NoError) {
        error = QStringLiteral("not JSON at offset %1: %2").arg(pe.offset).arg(pe.errorString());
        return nullptr;
    }
    if (!doc.isObject()) {
        error = QStringLiteral("the description must be a JSON object");
        return nullptr;
    }
    Reader r(error);
    QJsonObject o = doc.object();
    auto d = std::make_shared<FormDesc>();
    r.onlyKeys(o,
               {"form", "caption", "left", "top", "width", "height", "border", "minimizeButton", "icon",
                "position", "enterButton", "escapeButton", "events", "controls", "menu"},
               QStringLiteral("form"));
    d->name = r.str(o, "form", QStringLiteral("form"), true);
    const QString where = d->name.isEmpty() ? QStringLiteral("form") : d->name;
    if (r.ok() && d->name.isEmpty())
        r.fail(where, QStringLiteral("the form name is empty"));
    d->caption = r.str(o, "caption", where);
    d->left = r.integer(o, "left", where, false, 50);
    d->top = r.integer(o, "top", where, false, 50);
    d->width = r.integer(o, "width", where, true);
    d->height = r.integer(o, "height", where, true);
    if (d->width <= 0 || d->height <= 0)
        r.fail(where, QStringLiteral("width and height must be positive"));
    r.oneOf(o, "border", where, {"none", "fixed"});
    d->framed = r.str(o, "border", where, false, QStringLiteral("fixed")) == QLatin1String("fixed");
    d->minimizeButton = r.boolean(o, "minimizeButton", where, false);
    d->icon = r.boolean(o, "icon", where, false);
    d->position = r.integer(o, "position", where);
    if (d->position < 0 || d->position > 3)
        r.fail(where, QStringLiteral("\"position\" must be 0..3"));
    d->events = r.events(o, where, {"created", "closeRequested", "destroyed"});

    std::set<QString> names;
    std::map<QString, Kind> kindOf;
    for (const QJsonValue& cv : o.value(QLatin1String("controls")).toArray()) {
        if (!r.ok())
            break;
        if (!cv.isObject()) {
            r.fail(where, QStringLiteral("every control must be an object"));
            break;
        }
        QJsonObject co = cv.toObject();
        ControlDesc c;
        c.name = r.str(co, "name", where, true);
        QString cw = where + QStringLiteral(".") + c.name;
        QString kind = r.str(co, "kind", cw, true);
        auto k = kinds().find(kind);
        if (k == kinds().end()) {
            r.fail(cw, QStringLiteral("unknown kind \"%1\"").arg(kind));
            break;
        }
        const KindInfo& info = k->second;
        c.kind = info.kind;
        if (c.name.isEmpty() || !names.insert(c.name).second)
            r.fail(cw, QStringLiteral("a control name must be given and unique"));
        r.onlyKeys(co, kCommonKeys + info.props, cw);
        c.parent = r.str(co, "parent", cw);
        if (!c.parent.isEmpty() && (!kindOf.count(c.parent) || kindOf[c.parent] != Kind::PictureBox))
            r.fail(cw, QStringLiteral("the parent must be a picture box listed before"));
        c.left = r.integer(co, "left", cw, info.visual);
        c.top = r.integer(co, "top", cw, info.visual);
        c.width = r.integer(co, "width", cw, info.visual);
        c.height = r.integer(co, "height", cw, info.visual);
        if (c.width < 0 || c.height < 0)
            r.fail(cw, QStringLiteral("width and height must not be negative"));
        c.visible = r.boolean(co, "visible", cw, true);
        c.disabled = r.boolean(co, "disabled", cw, false);
        c.tabStop = r.boolean(co, "tabStop", cw, info.focusable);
        c.tabOrder = r.integer(co, "tabOrder", cw, false, int(d->controls.size()));
        c.tag = r.str(co, "tag", cw);
        c.events = r.events(co, cw, info.events);
        c.props = co;
        checkKindProps(r, c, cw);
        kindOf[c.name] = c.kind;
        d->controls.push_back(std::move(c));
    }
    if (o.contains(QLatin1String("controls")) && !o.value(QLatin1String("controls")).isArray())
        r.fail(where, QStringLiteral("\"controls\" must be a list"));
    d->enterButton = r.str(o, "enterButton", where);
    d->escapeButton = r.str(o, "escapeButton", where);
    for (const QString& button : {d->enterButton, d->escapeButton})
        if (!button.isEmpty() && (!kindOf.count(button) || kindOf[button] != Kind::SuperButton))
            r.fail(where, QStringLiteral("\"%1\" is no super button of the form").arg(button));

    std::set<QString> itemNames;
    for (const QJsonValue& mv : o.value(QLatin1String("menu")).toArray()) {
        if (!r.ok())
            break;
        QJsonObject mo = mv.toObject();
        MenuItemDesc m;
        m.caption = r.str(mo, "caption", where + QStringLiteral(" menu"), true);
        m.name = r.str(mo, "name", where + QStringLiteral(" menu"), false, QString(m.caption).remove(u'&'));
        QString mw = where + QStringLiteral(" menu ") + m.name;
        r.onlyKeys(mo, {"level", "name", "caption", "shortcut", "hidden", "disabled", "checked", "handler"},
                   mw);
        m.level = r.integer(mo, "level", mw, true);
        if (m.level != 0 && m.level != 1)
            r.fail(mw, QStringLiteral("\"level\" must be 0 or 1"));
        if (m.level == 1 && d->menu.empty())
            r.fail(mw, QStringLiteral("the menu must begin with a level-0 item"));
        m.shortcut = r.str(mo, "shortcut", mw);
        if (m.shortcut == shortcutChoices().first())
            m.shortcut.clear();
        if (!m.shortcut.isEmpty() && !shortcutChoices().contains(m.shortcut))
            r.fail(mw, QStringLiteral("unknown shortcut \"%1\"").arg(m.shortcut));
        m.hidden = r.boolean(mo, "hidden", mw, false);
        m.disabled = r.boolean(mo, "disabled", mw, false);
        m.checked = r.boolean(mo, "checked", mw, false);
        m.handler = r.str(mo, "handler", mw);
        if (m.caption != QLatin1String("-") && !itemNames.insert(m.name).second)
            r.fail(mw, QStringLiteral("menu item names must be unique"));
        d->menu.push_back(std::move(m));
    }
    if (o.contains(QLatin1String("menu")) && !o.value(QLatin1String("menu")).isArray())
        r.fail(where, QStringLiteral("\"menu\" must be a list"));
    if (!r.ok())
        return nullptr;
    return d;
}

} // namespace detail
} // namespace rt
