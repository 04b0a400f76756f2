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
#include "runtime/kind.h"
#include "runtime/text.h"

#include <QIcon>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <climits>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

class QAction;
class QEventLoop;
class QPainter;
class QSystemTrayIcon;
class QTimer;
class QMenu;
class QMenuBar;
class QWidget;

namespace rt {

class CommonConnection;
class RecordSet;
class Form;
class Control;
class MenuItem;

namespace detail {
class FormWindow;
class ClientArea;
class ListModel;
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
    QString name;                 // "created", "clicked", "chosen", ...
    int row = -1;                 // list view events: the row concerned, -1 for none
};

// A handler answers nothing (the default stays in force) or a logical (close requested: false
// keeps the window).
using HandlerFn = std::function<std::optional<bool>(Event&)>;

void registerHandlerFn(const QString& key, HandlerFn fn);
// Accepts callables taking (Event&) or nothing, returning void or bool.
template <class F> void registerHandler(const QString& key, F f) {
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
void unregisterHandler(const QString& key);
bool hasHandler(const QString& key);
QStringList boundHandlers();   // every handler key the descriptions name, in form order
QStringList missingHandlers(); // those of them nobody registered

// ---------------------------------------------------------------------------------------------
// Forms

QStringList formNames(); // every form that has a description
bool isLoaded(const QString& formName);
// The loaded form of that name; ends the program through the runtime error box when it is not
// loaded.
Form& form(const QString& name);
// Builds the form from its description and raises its created event. Modal: returns only when the
// form is gone. Returns false when the description cannot be turned into a window. Loading a form
// that is already loaded shows it again.
bool loadForm(const QString& name, Form* owner = nullptr, bool modal = false);
int loadedFormCount();

// Loads one more description (tests); replaces a form of the same name that is not loaded.
// Returns an empty text on success, else what is wrong.
QString addFormDescription(const QByteArray& json);

// The kind's name as descriptions and find-controls use it: "编辑框", "日期框", "透明标签", ...
QString kindName(Kind k);

// Leaves a coordinate of move() as it is.
inline constexpr int kKeep = INT_MIN;

// The program icon that forms with an icon carry (set once by the start-up code).
void setProgramIcon(const QIcon& icon);
QIcon programIcon();

// Image data to picture; a decoder can be installed (for JPEG through libjpeg), else Qt's own
// image readers are used. A null image when the bytes are no picture.
using ImageDecoder = std::function<QImage(const Bytes&)>;
void setImageDecoder(ImageDecoder decoder);
QImage imageFromBytes(const Bytes& bytes);

// For tests: while set, pop-up menus are not shown; the hook gets the form, the menu name and the
// screen position the menu would appear at, and names the item to choose ("" for none).
using PopupMenuHook = std::function<QString(Form&, const QString& menu, QPoint pos)>;
PopupMenuHook setPopupMenuHook(PopupMenuHook hook);

class Form {
public:
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const QString& name() const { return name_; }
    bool isLoaded() const { return window_ != nullptr; }
    bool isModal() const { return modal_; }
    const detail::FormDesc& description() const { return *desc_; }
    Form* owner() const { return owner_; }

    // ---- controls and menu items (ending the program when the form is not loaded or has no
    // such control of that kind) ----
    Control& control(const QString& name);
    bool hasControl(const QString& name) const;
    class EditBox& editBox(const QString& name);
    class DateBox& dateBox(const QString& name);
    class SuperButton& button(const QString& name);
    class GraphicButton& graphicButton(const QString& name);
    class PictureBox& pictureBox(const QString& name);
    class StatusBar& statusBar(const QString& name);
    class ListView& listView(const QString& name);
    class Chart& chart(const QString& name);
    class Timer& timer(const QString& name);
    class TrayIcon& trayIcon(const QString& name);
    CommonConnection& connection(const QString& name);
    RecordSet& recordSet(const QString& name);
    MenuItem& menuItem(const QString& name);
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
    QPoint clientOrigin(); // screen position of the client area's top-left corner
    // 0 normal; 1 restore and centre on the screen; 2 minimised; 3 maximised.
    int position();
    void setPosition(int p);
    // Drawn tiled from the top-left corner of the client area; a null image removes it.
    void setBackground(const QImage& picture);
    void setBackground(const Bytes& imageData);
    void setIcon(const QIcon& icon);
    void setIcon(const Bytes& imageData);
    long long handle();
    void setFocus();
    // 0 (invisible) .. 255 (opaque); out of range counts as 255.
    void setTransparency(int alpha);
    int transparency();

    // The window goes after the running handler has returned, without a close-requested event.
    void destroy();

    // Shows a hidden level-0 menu at the mouse position plus 3,3 and runs the chosen item.
    void popupMenu(const QString& menuName);
    // Brings the window to the front and shows the menu right-aligned at the mouse minus 5,5.
    void popupTrayMenu(const QString& menuName);

    // ---- for tests and window effects ----
    QWidget* window() const; // the Qt window while loaded
    QWidget* clientArea() const;
    QStringList menuBarTitles();                      // level-0 captions on the menu bar
    QStringList menuEntries(const QString& menuName); // shown entries: text ("caption\tF5") or "-"

private:
    friend class Control;
    friend class MenuItem;
    friend class detail::FormWindow;
    friend bool loadForm(const QString&, Form*, bool);
    friend QString addFormDescription(const QByteArray&);

    explicit Form(std::shared_ptr<detail::FormDesc> desc);
    void ensureLoaded() const;
    Control* findControl(const QString& name) const;
    template <class T> T& controlAs(const QString& name, Kind kind);
    bool load(Form* owner, bool modal);
    void unload();
    void buildMenus();
    void applyTabOrder();
    void showMenu(const QString& menuName, QPoint pos, bool rightAligned);
    std::optional<bool> raise(const QString& event, Control* control = nullptr, MenuItem* item = nullptr,
                              int row = -1);
    void onCloseRequested(bool& accept);
    QMargins frameMargins() const;
    QRect outerRect() const;

    QString name_;
    std::shared_ptr<detail::FormDesc> desc_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<std::unique_ptr<MenuItem>> menuItems_;
    QPointer<QWidget> window_; // a detail::FormWindow
    detail::ClientArea* client_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    Form* owner_ = nullptr;
    bool modal_ = false;
    bool creating_ = false;
    bool unloading_ = false;
    bool destroyPending_ = false;
    bool visibleProperty_ = true;
    int position_ = 0;
    int alpha_ = 255;
    QEventLoop* modalLoop_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Controls

class Control {
public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const QString& name() const;
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
    QFont font();
    void setFont(const QFont& f);
    // The caption's lettering, anti-aliased, in the largest size up to the control's own at which
    // the whole caption fits the control: the machine's font for the described family may run wider
    // than the one the form was laid out with. The caption itself stays as it is.
    void fitCaption();

    QWidget* widget(); // the Qt widget while the form is loaded; null for invisible kinds

protected:
    Control(Form& form, const detail::ControlDesc& desc);
    void ensureLoaded() const;
    // Builds the widget (null for invisible kinds) inside parent, from the description.
    virtual QWidget* build(QWidget* parent) = 0;
    // Called before the widgets go.
    virtual void unbuild() {}
    virtual Text readText();
    virtual void writeText(const Text& t);
    std::optional<bool> raise(const QString& event, int row = -1);
    void applyCommon(QWidget* w);
    const detail::KindProps& props() const;

    Form& form_;
    const detail::ControlDesc& desc_;
    const QString name_;
    Kind kind_;
    QPointer<QWidget> widget_;
    Text tag_;

private:
    friend class Form;
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
    QWidget* build(QWidget* parent) override;
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
    QWidget* build(QWidget* parent) override;
    Text readText() override;
    void writeText(const Text& t) override;

private:
    double value_ = 0;
};

class Label : public Control {
protected:
    using Control::Control;
    friend class Form;
    QWidget* build(QWidget* parent) override;
};

class ShapeBox : public Control {
protected:
    using Control::Control;
    friend class Form;
    QWidget* build(QWidget* parent) override;
};

class MenuStyle : public Control {
protected:
    using Control::Control;
    friend class Form;
    QWidget* build(QWidget*) override { return nullptr; }
};

class SuperButton : public Control {
public:
    enum Picture { Normal = 0, Hover = 1, Disabled = 2 };
    void setPicture(Picture which, const QImage& picture);
    void setPicture(Picture which, const Bytes& imageData);
    void setPictures(const QImage& normal, const QImage& hover, const QImage& disabled);
    QImage picture(Picture which);

protected:
    using Control::Control;
    friend class Form;
    QWidget* build(QWidget* parent) override;
};

class GraphicButton : public Control {
public:
    enum Picture { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };
    void setPicture(Picture which, const QImage& picture);
    void setPicture(Picture which, const Bytes& imageData);
    QImage picture(Picture which);

protected:
    using Control::Control;
    friend class Form;
    QWidget* build(QWidget* parent) override;
};

class PictureBox : public Control {
public:
    void setPicture(const QImage& picture);
    void setPicture(const Bytes& imageData);
    QImage picture();

protected:
    using Control::Control;
    friend class Form;
    QWidget* build(QWidget* parent) override;
};

class StatusBar : public Control {
public:
    int paneCount();
    void setPaneText(int pane, const Text& t); // a pane that does not exist: nothing happens
    Text paneText(int pane);

protected:
    using Control::Control;
    friend class Form;
    QWidget* build(QWidget* parent) override;
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
    QWidget* build(QWidget* parent) override;

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
    QWidget* build(QWidget* parent) override;
};

class Timer : public Control {
public:
    int interval();
    void setInterval(int ms); // 0 stops the timer

protected:
    using Control::Control;
    friend class Form;
    QWidget* build(QWidget* parent) override;
    void unbuild() override;

private:
    std::unique_ptr<QTimer> timer_;
};

class TrayIcon : public Control {
public:
    void setIcon(const QIcon& icon);
    void setIcon(const Bytes& imageData);
    Text tooltip();
    void setTooltip(const Text& t);
    // Whether the icon is in a notification area (false where there is none: no icon, no error).
    bool isShown();

protected:
    using Control::Control;
    friend class Form;
    QWidget* build(QWidget* parent) override;
    void unbuild() override;

private:
    std::unique_ptr<QSystemTrayIcon> tray_;
};

class ConnectionControl : public Control {
public:
    CommonConnection& object();

protected:
    using Control::Control;
    friend class Form;
    QWidget* build(QWidget* parent) override;
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
    QWidget* build(QWidget* parent) override;
    void unbuild() override;

private:
    std::unique_ptr<RecordSet> object_;
};

// ---------------------------------------------------------------------------------------------
// Menu items

class MenuItem {
public:
    const QString& name() const;
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
    QString shortcut() const; // the shortcut's name ("F5", "Ctrl+F4"), "" for none
    // Chooses the item as the user would; only a shown, enabled item runs. Returns whether it ran.
    bool choose();
    QAction* action(); // while the form is loaded

private:
    friend class Form;
    MenuItem(Form& form, const detail::MenuItemDesc& desc);
    void build(QMenu* parentMenu, QMenuBar* bar);
    void updateText();
    bool shownInParent();

    Form& form_;
    const detail::MenuItemDesc& desc_;
    const QString name_;
    MenuItem* parent_ = nullptr; // the level-0 menu of a level-1 item
    QPointer<QAction> action_;
    QPointer<QMenu> menu_; // level 0
    Text caption_;
    bool hidden_ = false;
    bool disabled_ = false;
    bool checked_ = false;
};

// The 77 shortcut choices in their order: "（无）", "Ctrl+A" .. "Ctrl+Z", "F1" .. "F12", "Ctrl+F1" ..,
// "Shift+F1" .., "Ctrl+Shift+F1" .., "Ins", "Del".
const QStringList& shortcutChoices();

} // namespace rt
