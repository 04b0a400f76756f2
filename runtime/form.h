// Forms and controls as handlers see them. Every window is built from its description
// (runtime/forms/*.json) by one loader; handlers address forms and controls by name:
//
//     rt::Form& f = rt::form("主窗口");
//     f.control("姓名编辑框").setText("张三");
//     f.menuItem("打开数据库").setCaption("断开数据库连接");
//     f.recordSet("记录集1").MoveNext();
//
// Form and control objects live as long as the program (one per description), so references stay
// valid; but every property access on a form that is not loaded ends the program through the
// runtime error box ("指定窗口或窗口组件不存在或尚未载入"). Test rt::isLoaded() first where a form may
// be gone.
//
// Events reach handlers by name: a description binds (control, event) to a handler key such as
// "主窗口.打开数据库.chosen", and code registers the handler under that key:
//
//     rt::registerHandler("用户登录.登录.clicked", [] { ... });
//     rt::registerHandler("用户登录.closeRequested", [] { return false; }); // keeps the window
//
// A key that nobody registered leaves the event without effect (rt::missingHandlers() lists them).
#pragma once

#include "runtime/draw.h"
#include "runtime/geometry.h"
#include "runtime/kind.h"
#include "runtime/picture.h"
#include "runtime/text.h"

#include <climits>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

namespace rt {

class CommonConnection;
class RecordSet;
class Form;
class Control;
class MenuItem;

namespace detail {
// What the window system keeps for a form, a control and a menu item (defined by the backend).
class FormWindow;
class ListModel;
struct FormState;
struct ControlState;
struct MenuItemState;
struct ControlDesc;
struct MenuItemDesc;
struct FormDesc;
struct KindProps;
} // namespace detail

// ---------------------------------------------------------------------------------------------
// Events and handlers

struct Event {
    Form& form;
    Control* control = nullptr;   // the control the event is about; null for window and menu events
    MenuItem* menuItem = nullptr; // the chosen menu item
    Text name;                   // "created", "clicked", "chosen", ...
    int row = -1;                 // list view events: the row concerned, -1 for none
};

// A handler answers nothing (the default stays in force) or a logical (close requested: false
// keeps the window).
using HandlerFn = std::function<std::optional<bool>(Event&)>;

void registerHandlerFn(const Text& key, HandlerFn fn);
// Accepts callables taking (Event&) or nothing, returning void or bool.
template <class F> void registerHandler(const Text& key, F f) {
    if constexpr (std::is_invocable_v<F, Event&>) {
        using R = std::invoke_result_t<F, Event&>;
        if constexpr (std::is_void_v<R>)
            registerHandlerFn(key, [f](Event& e) mutable -> std::optional<bool> {
                f(e);
                return std::nullopt;
            });
        else
            registerHandlerFn(key, [f](Event& e) mutable -> std::optional<bool> { return f(e); });
    } else {
        using R = std::invoke_result_t<F>;
        if constexpr (std::is_void_v<R>)
            registerHandlerFn(key, [f](Event&) mutable -> std::optional<bool> {
                f();
                return std::nullopt;
            });
        else
            registerHandlerFn(key, [f](Event&) mutable -> std::optional<bool> { return f(); });
    }
}
void unregisterHandler(const Text& key);
bool hasHandler(const Text& key);
std::vector<Text> boundHandlers();   // every handler key the descriptions name, in form order
std::vector<Text> missingHandlers(); // those of them nobody registered

// ---------------------------------------------------------------------------------------------
// Forms

std::vector<Text> formNames(); // every form that has a description
bool isLoaded(const Text& formName);
// The loaded form of that name; ends the program through the runtime error box when it is not
// loaded.
Form& form(const Text& name);
// Builds the form from its description and raises its created event. Modal: returns only when the
// form is gone. Returns false when the description cannot be turned into a window. Loading a form
// that is already loaded shows it again.
bool loadForm(const Text& name, Form* owner = nullptr, bool modal = false);
int loadedFormCount();

// Loads one more description (tests); replaces a form of the same name that is not loaded.
// Returns an empty text on success, else what is wrong.
Text addFormDescription(const Bytes& json);

// The kind's name as descriptions and find-controls use it: "编辑框", "日期框", "透明标签", ...
Text kindName(Kind k);

// Leaves a coordinate of move() as it is.
inline constexpr int kKeep = INT_MIN;

namespace detail {
// The rectangle `now` as move() changes it: kKeep (and a width or height of -1) keeps that part,
// a negative width or height counts as 0.
inline Rect movedRect(const Rect& now, int left, int top, int width, int height) {
    return Rect{left == kKeep ? now.left : left, top == kKeep ? now.top : top,
                (width == kKeep || width == -1) ? now.width : (width < 0 ? 0 : width),
                (height == kKeep || height == -1) ? now.height : (height < 0 ? 0 : height)};
}
} // namespace detail

// The program icon that forms with an icon carry (set once by the start-up code).
void setProgramIcon(const Picture& icon);
Picture programIcon();

// For tests: while set, pop-up menus are not shown; the hook gets the form, the menu name and the
// screen position the menu would appear at, and names the item to choose ("" for none).
using PopupMenuHook = std::function<Text(Form&, const Text& menu, Point pos)>;
PopupMenuHook setPopupMenuHook(PopupMenuHook hook);

class Form {
public:
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const Text& name() const { return name_; }
    bool isLoaded() const;
    bool isModal() const { return modal_; }
    const detail::FormDesc& description() const { return *desc_; }
    Form* owner() const { return owner_; }

    // ---- controls and menu items (ending the program when the form is not loaded or has no
    // such control of that kind) ----
    Control& control(const Text& name);
    bool hasControl(const Text& name) const;
    class EditBox& editBox(const Text& name);
    class DateBox& dateBox(const Text& name);
    class SuperButton& button(const Text& name);
    class GraphicButton& graphicButton(const Text& name);
    class PictureBox& pictureBox(const Text& name);
    class StatusBar& statusBar(const Text& name);
    class ListView& listView(const Text& name);
    class Chart& chart(const Text& name);
    class Timer& timer(const Text& name);
    class TrayIcon& trayIcon(const Text& name);
    CommonConnection& connection(const Text& name);
    RecordSet& recordSet(const Text& name);
    MenuItem& menuItem(const Text& name);
    std::vector<Control*> controls(); // in creation order
    // Controls whose name begins with prefix, whose kind name equals kindName (empty matches all)
    // and whose tag, read as an integer, lies in [min, max].
    std::vector<Control*> findControls(const Text& prefix, const Text& kindName, int min, int max);

    // ---- window properties. left/top/width/height are the outer window on the screen ----
    Text caption();
    void setCaption(const Text& c);
    bool visible();
    void setVisible(bool v);
    bool disabled();
    void setDisabled(bool d);
    int left();
    int top();
    int width();
    int height();
    void setLeft(int v) { move(v); }
    void setTop(int v) { move(kKeep, v); }
    void setWidth(int v) { move(kKeep, kKeep, v); }
    void setHeight(int v) { move(kKeep, kKeep, kKeep, v); }
    // Leaves out kKeep (and width or height -1); does nothing if the rectangle stays the same.
    void move(int left, int top = kKeep, int width = kKeep, int height = kKeep);
    int clientWidth();
    int clientHeight();
    Point clientOrigin(); // screen position of the client area's top-left corner
    // 0 normal; 1 restore and centre on the screen; 2 minimised; 3 maximised.
    int position();
    void setPosition(int p);
    // Drawn tiled from the top-left corner of the client area; a null image removes it.
    void setBackground(const Picture& picture);
    void setBackground(const Bytes& imageData);
    // A null picture removes the icon.
    void setIcon(const Picture& icon);
    void setIcon(const Bytes& imageData);
    long long handle();
    void setFocus();
    // 0 (invisible) .. 255 (opaque); out of range counts as 255.
    void setTransparency(int alpha);
    int transparency();

    // The window goes after the running handler has returned, without a close-requested event.
    void destroy();

    // Shows a hidden level-0 menu at the mouse position plus 3,3 and runs the chosen item.
    void popupMenu(const Text& menuName);
    // Brings the window to the front and shows the menu right-aligned at the mouse minus 5,5.
    void popupTrayMenu(const Text& menuName);

    // ---- for tests and window effects ----
    std::vector<Text> menuBarTitles();                      // level-0 captions on the menu bar
    std::vector<Text> menuEntries(const Text& menuName); // shown entries: text ("caption\tF5") or "-"

private:
    friend class Control;
    friend class MenuItem;
    friend class detail::FormWindow;
    friend bool loadForm(const Text&, Form*, bool);
    friend Text addFormDescription(const Bytes&);
    friend struct detail::FormState;

    explicit Form(std::shared_ptr<detail::FormDesc> desc);
    void createParts(); // the controls and menu items of the description
    void ensureLoaded() const;
    Control* findControl(const Text& name) const;
    template <class T> T& controlAs(const Text& name, Kind kind);
    bool load(Form* owner, bool modal);
    void unload();
    void buildMenus();
    void applyTabOrder();
    void showMenu(const Text& menuName, Point pos, bool rightAligned);
    // When a test hook answers pop-up menus: asks it, chooses the item of `top` it names and
    // returns true; the backend then shows no menu of its own.
    bool menuAnsweredByHook(MenuItem& top, const Text& menuName, Point pos);
    std::optional<bool> raise(const Text& event, Control* control = nullptr, MenuItem* item = nullptr,
                              int row = -1);
    void onCloseRequested(bool& accept);
    Rect outerRect() const;
    void placeOuter(const Rect& to, const Rect& from); // moves and sizes the outer window
    void beginLoad(Form* owner, bool modal);            // the form's own state for a new window
    bool beginUnload();                                 // false when there is nothing to unload
    void endUnload();

    Text name_;
    std::shared_ptr<detail::FormDesc> desc_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<std::unique_ptr<MenuItem>> menuItems_;
    std::unique_ptr<detail::FormState> st_; // the window and its parts while loaded
    Form* owner_ = nullptr;
    bool modal_ = false;
    bool creating_ = false;
    bool unloading_ = false;
    bool destroyPending_ = false;
    bool visibleProperty_ = true;
    int position_ = 0;
    int alpha_ = 255;
};

// ---------------------------------------------------------------------------------------------
// Controls

class Control {
public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const Text& name() const;
    Kind kind() const { return kind_; }
    Form& form() const { return form_; }
    bool isLoaded() const { return form_.isLoaded(); }

    // Caption or content: edit boxes their text (multi-line with CR LF line ends), labels and
    // buttons their caption, date boxes the date text.
    Text text();
    void setText(const Text& t);
    Text caption() { return text(); }
    void setCaption(const Text& t) { setText(t); }
    bool visible();
    void setVisible(bool v);
    bool disabled();
    void setDisabled(bool d);
    bool enabled() { return !disabled(); }
    void setEnabled(bool e) { setDisabled(!e); }
    int left();
    int top();
    int width();
    int height();
    // Relative to the parent's client area; leaves out kKeep (and width or height -1); nothing
    // happens if the rectangle stays the same.
    void move(int left, int top = kKeep, int width = kKeep, int height = kKeep);
    int clientWidth();
    int clientHeight();
    void setFocus();
    bool hasFocus();
    long long handle();
    Text tag();
    void setTag(const Text& t);
    Font font(); // the default Font for kinds that show nothing
    void setFont(const Font& f);
    // The caption's lettering, anti-aliased, in the largest size up to the control's own at which
    // the whole caption fits the control: the machine's font for the described family may run wider
    // than the one the form was laid out with. The caption itself stays as it is.
    void fitCaption();

protected:
    Control(Form& form, const detail::ControlDesc& desc);
    void ensureLoaded() const;
    // Builds the window system's side from the description (in the parent control's or the
    // form's client area, as the backend keeps in st_); nothing to see for invisible kinds.
    virtual void build() = 0;
    // Called before the widgets go.
    virtual void unbuild() {}
    virtual Text readText();
    virtual void writeText(const Text& t);
    std::optional<bool> raise(const Text& event, int row = -1);
    void applyCommon();
    const detail::KindProps& props() const;

    Form& form_;
    const detail::ControlDesc& desc_;
    const Text name_;
    Kind kind_;
    std::unique_ptr<detail::ControlState> st_; // the widget while loaded
    Text tag_;

private:
    friend class Form;
    friend struct detail::ControlState;
    bool visibleNoWidget_ = true;
    bool disabledNoWidget_ = false;
};

class EditBox : public Control {
public:
    bool isMultiLine() const;
    int maxLength();
    void setMaxLength(int n); // 0: no limit

protected:
    using Control::Control;
    friend class Form;
    void build() override;
    Text readText() override;
    void writeText(const Text& t) override;
};

class DateBox : public Control {
public:
    double value(); // date value
    void setValue(double d);

protected:
    using Control::Control;
    friend class Form;
    void build() override;
    Text readText() override;
    void writeText(const Text& t) override;

private:
    double value_ = 0;
};

class Label : public Control {
protected:
    using Control::Control;
    friend class Form;
    void build() override;
};

class ShapeBox : public Control {
protected:
    using Control::Control;
    friend class Form;
    void build() override;
};

class MenuStyle : public Control {
protected:
    using Control::Control;
    friend class Form;
    void build() override {}
};

class SuperButton : public Control {
public:
    enum Picture { Normal = 0, Hover = 1, Disabled = 2 };
    void setPicture(Picture which, const rt::Picture& picture);
    void setPicture(Picture which, const Bytes& imageData);
    void setPictures(const rt::Picture& normal, const rt::Picture& hover, const rt::Picture& disabled);
    rt::Picture picture(Picture which);

protected:
    using Control::Control;
    friend class Form;
    void build() override;
};

class GraphicButton : public Control {
public:
    enum Picture { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };
    void setPicture(Picture which, const rt::Picture& picture);
    void setPicture(Picture which, const Bytes& imageData);
    rt::Picture picture(Picture which);

protected:
    using Control::Control;
    friend class Form;
    void build() override;
};

class PictureBox : public Control {
public:
    void setPicture(const Picture& picture);
    void setPicture(const Bytes& imageData);
    Picture picture();

protected:
    using Control::Control;
    friend class Form;
    void build() override;
};

class StatusBar : public Control {
public:
    int paneCount();
    void setPaneText(int pane, const Text& t); // a pane that does not exist: nothing happens
    Text paneText(int pane);

protected:
    using Control::Control;
    friend class Form;
    void build() override;
};

class ListView : public Control {
public:
    int count();
    int columnCount();
    int addItem(const Text& text); // appends a row whose first cell is text; returns its index
    void setItemText(int row, int column, const Text& t);
    Text itemText(int row, int column = 0); // empty for a cell that does not exist
    void clear();
    int selectedIndex(); // the current row, -1 for none
    void setSelectedIndex(int row);

    // Filling many rows: while a Batch lives, addItem and setItemText only store; the view is
    // told once when the batch ends.
    class Batch {
    public:
        explicit Batch(ListView& v);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        ListView& view_;
    };
    // Lazy filling: the list has `rows` rows whose cells come from the provider when a row is first
    // shown or read. Rows stay as the provider gave them until clear() or another fill.
    using RowProvider = std::function<void(int row, std::vector<Text>& cells)>;
    void setLazyRows(int rows, RowProvider provider);

protected:
    using Control::Control;
    friend class Form;
    void build() override;

private:
    detail::ListModel* model();
};

// A bar chart (kind 图表): one bar per item along the axis in the colour of its series, an optional
// dashed reference line, and marks under the axis. The series (title, colour, whether their
// columns are tinted from top to bottom), the colours and legend titles of marks and line, and
// the unit come from the description; handlers give the bars. The chart is drawn through the
// drawing interface the same way on the screen and onto a printout (render): a legend on top, a value scale on the left,
// each bar's value above it and its label under the axis. Resting the pointer on a bar shows the
// bar's tooltip; a double click on a bar raises doubleClicked with the bar's index as the row.
class Chart : public Control {
public:
    struct Bar {
        double value = 0;    // height in the chart's unit; below 0 or not a number counts as 0
        int series = 0;      // index into the described series; one out of range counts as 0
        Text label;          // under the axis
        Text tooltip;        // shown while the pointer rests on the bar
        bool marked = false; // a mark under the axis, in the mark colour
    };
    void setBars(std::vector<Bar> bars);
    int barCount();
    Bar bar(int index); // an empty bar for an index out of range
    // A dashed horizontal line at `value` with `caption` at its right end; a negative value (or
    // not a number) removes it.
    void setReferenceLine(double value, const Text& caption);
    double referenceValue(); // -1 when there is none
    // Where bar `index` stands in the control (an empty rectangle for an index out of range), and
    // the bar whose column holds `point` of the control (-1 for none).
    Rect barRect(int index);
    int barAt(Point point);
    // Draws the chart as it is now into `area` of any painter (a printout); the painter's font is
    // the base font of its texts.
    void render(Painter& painter, const RectF& area);

protected:
    using Control::Control;
    friend class Form;
    void build() override;
};

class Timer : public Control {
public:
    int interval();
    void setInterval(int ms); // 0 stops the timer

protected:
    using Control::Control;
    friend class Form;
    void build() override;
    void unbuild() override;
};

class TrayIcon : public Control {
public:
    void setIcon(const Picture& icon);
    void setIcon(const Bytes& imageData);
    Text tooltip();
    void setTooltip(const Text& t);
    // Whether the icon is in a notification area (false where there is none: no icon, no error).
    bool isShown();

protected:
    using Control::Control;
    friend class Form;
    void build() override;
    void unbuild() override;
};

class ConnectionControl : public Control {
public:
    CommonConnection& object();

protected:
    using Control::Control;
    friend class Form;
    void build() override;
    void unbuild() override;

private:
    std::unique_ptr<CommonConnection> object_;
};

class RecordSetControl : public Control {
public:
    RecordSet& object();

protected:
    using Control::Control;
    friend class Form;
    void build() override;
    void unbuild() override;

private:
    std::unique_ptr<RecordSet> object_;
};

// ---------------------------------------------------------------------------------------------
// Menu items

class MenuItem {
public:
    const Text& name() const;
    int level() const;
    Form& form() const { return form_; }
    Text caption();
    void setCaption(const Text& c);
    bool visible();
    void setVisible(bool v);
    bool disabled();
    void setDisabled(bool d);
    bool enabled() { return !disabled(); }
    void setEnabled(bool e) { setDisabled(!e); }
    bool checked();
    void setChecked(bool c);
    Text shortcut() const; // the shortcut's name ("F5", "Ctrl+F4"), "" for none
    // Chooses the item as the user would; only a shown, enabled item runs. Returns whether it ran.
    bool choose();
    // Lets the item's shortcut work anywhere in its window, also while the item is on no menu bar
    // (the items of a pop-up menu); for the time the form stays loaded.
    void keepShortcutInWindow();
    ~MenuItem();

private:
    friend class Form;
    MenuItem(Form& form, const detail::MenuItemDesc& desc);
    friend struct detail::MenuItemState;
    void build(); // into its level-0 menu, or onto the form's menu bar
    void updateText();
    bool shownInParent();

    Form& form_;
    const detail::MenuItemDesc& desc_;
    const Text name_;
    MenuItem* parent_ = nullptr; // the level-0 menu of a level-1 item
    std::unique_ptr<detail::MenuItemState> st_; // its action (and menu, level 0) while loaded
    Text caption_;
    bool hidden_ = false;
    bool disabled_ = false;
    bool checked_ = false;
};

// The 77 shortcut choices in their order: "（无）", "Ctrl+A" .. "Ctrl+Z", "F1" .. "F12", "Ctrl+F1" ..,
// "Shift+F1" .., "Ctrl+Shift+F1" .., "Ins", "Del".
const std::vector<Text>& shortcutChoices();

} // namespace rt
