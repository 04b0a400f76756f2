// The user's hands on the Qt backend: input events sent to the widgets as the window system would
// deliver them (without QtTest, so the runtime does not need it).
#include "runtime/testing.h"

#include "runtime/form_registry.h"
#include "runtime/qt/access.h"
#include "runtime/qt/conversions.h"
#include "runtime/qt/state.h"
#include "runtime/qt/widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QThread>
#include <QTreeView>

#include <chrono>

#include <optional>

namespace rt::testing {

namespace {

// Whether the user can reach the control: its form loaded and shown, the widget shown and enabled.
QWidget* reachable(Control& c) {
    if (!c.isLoaded())
        return nullptr;
    QWidget* w = qt::widget(c);
    if (!w || !w->isVisible() || !w->isEnabled())
        return nullptr;
    return w;
}

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// Each press and its release; a double click is a click, then a press that the window system
// reports as a double click, then its release.
void mouseClick(QPointer<QWidget> w, QPoint at, Qt::MouseButton button) {
    mouse(w, QEvent::MouseButtonPress, at, button);
    if (w)
        mouse(w, QEvent::MouseButtonRelease, at, button);
}
void mouseDoubleClick(QPointer<QWidget> w, QPoint at) {
    mouseClick(w, at, Qt::LeftButton);
    if (w)
        mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton);
    if (w)
        mouse(w, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
    if (w)
        mouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton);
}

struct Key {
    int code = 0;
    Qt::KeyboardModifiers modifiers;
    QString text;
};

std::optional<Key> parseKey(const Text& name) {
    QString rest = name.toQString();
    Key k;
    for (;;) {
        if (rest.startsWith(QLatin1String("Ctrl+")))
            k.modifiers |= Qt::ControlModifier;
        else if (rest.startsWith(QLatin1String("Shift+")))
            k.modifiers |= Qt::ShiftModifier;
        else if (rest.startsWith(QLatin1String("Alt+")))
            k.modifiers |= Qt::AltModifier;
        else
            break;
        rest = rest.mid(rest.indexOf(QLatin1Char('+')) + 1);
    }
    static const struct {
        const char* name;
        int code;
        const char* text;
    } named[] = {
        {"Enter", Qt::Key_Return, "\r"}, {"KeypadEnter", Qt::Key_Enter, "\r"}, {"Esc", Qt::Key_Escape, "\x1b"},
        {"Tab", Qt::Key_Tab, "\t"},      {"Del", Qt::Key_Delete, ""},          {"Backspace", Qt::Key_Backspace, "\b"},
        {"Up", Qt::Key_Up, ""},          {"Down", Qt::Key_Down, ""},           {"Home", Qt::Key_Home, ""},
        {"End", Qt::Key_End, ""},
    };
    for (const auto& n : named)
        if (rest == QLatin1String(n.name)) {
            k.code = n.code;
            k.text = QString::fromLatin1(n.text);
            if (k.code == Qt::Key_Enter)
                k.modifiers |= Qt::KeypadModifier;
            if (k.code == Qt::Key_Tab && (k.modifiers & Qt::ShiftModifier))
                k.code = Qt::Key_Backtab;
            return k;
        }
    if (rest.size() >= 2 && rest.size() <= 3 && rest.at(0) == QLatin1Char('F')) {
        bool ok = false;
        const int n = rest.mid(1).toInt(&ok);
        if (!ok || n < 1 || n > 12)
            return std::nullopt;
        k.code = Qt::Key_F1 + n - 1;
        return k;
    }
    if (rest.size() == 1 && rest.at(0).unicode() < 128 && rest.at(0).isLetterOrNumber()) {
        const QChar c = rest.at(0).toUpper();
        k.code = c.unicode();
        // A letter typed with Ctrl or Alt inserts nothing.
        if (!(k.modifiers & (Qt::ControlModifier | Qt::AltModifier)))
            k.text = (k.modifiers & Qt::ShiftModifier) ? QString(c) : QString(rest.at(0).toLower());
        return k;
    }
    return std::nullopt;
}

// A press and its release; the release goes only where the press left the widget standing. The
// keyboard belongs to the active window, so the target's window becomes the active one first.
void sendKey(QPointer<QWidget> to, const Key& k) {
    if (QWidget* top = to->window(); top != QApplication::activeWindow())
        top->activateWindow();
    QKeyEvent press(QEvent::KeyPress, k.code, k.modifiers, k.text);
    QCoreApplication::sendEvent(to, &press);
    if (!to)
        return;
    QKeyEvent release(QEvent::KeyRelease, k.code, k.modifiers, k.text);
    QCoreApplication::sendEvent(to, &release);
}

// The key a character is typed with (letters and digits by their key, the rest by its text).
int keyOf(QChar c) {
    if (c.unicode() < 128 && c.isLetterOrNumber())
        return c.toUpper().unicode();
    if (c == QLatin1Char(' '))
        return Qt::Key_Space;
    return Qt::Key_unknown;
}

QWidget* listViewport(ListView& list, int row, QPoint& at) {
    QWidget* w = reachable(list);
    auto* view = qobject_cast<QTreeView*>(w);
    if (!view || row < 0 || row >= list.count())
        return nullptr;
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    const QRect r = view->visualRect(index);
    if (!r.isValid())
        return nullptr;
    at = r.center();
    return view->viewport();
}

} // namespace

bool click(Control& button) {
    QWidget* w = reachable(button);
    if (!w || !qobject_cast<QAbstractButton*>(w) || !w->window()->isVisible())
        return false;
    mouseClick(w, w->rect().center(), Qt::LeftButton);
    return true;
}

bool type(Control& editBox, const Text& text) {
    QPointer<QWidget> w = reachable(editBox);
    if (!w)
        return false;
    auto* line = qobject_cast<QLineEdit*>(w);
    auto* plain = qobject_cast<QPlainTextEdit*>(w);
    if (!line && !plain)
        return false;
    editBox.setFocus();
    if (line)
        line->selectAll();
    else
        plain->selectAll();
    if (text.empty()) {
        sendKey(w, Key{Qt::Key_Delete, Qt::NoModifier, QString()});
        return true;
    }
    QString s = text.toQString();
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (int i = 0; i < s.size() && w; ++i) {
        if (s.at(i) == QLatin1Char('\n')) {
            sendKey(w, Key{Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")});
            continue;
        }
        // A character outside the basic plane comes as its two halves in one key event.
        const int n = s.at(i).isHighSurrogate() && i + 1 < s.size() ? 2 : 1;
        sendKey(w, Key{keyOf(s.at(i)), Qt::NoModifier, s.mid(i, n)});
        i += n - 1;
    }
    return true;
}

bool pickDate(DateBox& box, double date) {
    auto* edit = qobject_cast<QDateEdit*>(reachable(box));
    if (!edit)
        return false;
    edit->setDate(toQDateTime(date).date());
    return true;
}

bool pressKey(Control& control, const Text& key) {
    const std::optional<Key> k = parseKey(key);
    QWidget* w = reachable(control);
    if (!k || !w)
        return false;
    sendKey(w, *k);
    return true;
}

bool pressKey(Form& form, const Text& key) {
    const std::optional<Key> k = parseKey(key);
    QWidget* window = form.isLoaded() ? qt::window(form) : nullptr;
    if (!k || !window || !window->isVisible() || !window->isEnabled())
        return false;
    QWidget* focus = window->focusWidget();
    sendKey(focus && focus->isVisible() ? focus : window, *k);
    return true;
}

bool clickRow(ListView& list, int row) {
    QPoint at;
    QWidget* viewport = listViewport(list, row, at);
    if (!viewport)
        return false;
    mouseClick(viewport, at, Qt::LeftButton);
    return true;
}

bool doubleClickRow(ListView& list, int row) {
    QPoint at;
    QWidget* viewport = listViewport(list, row, at);
    if (!viewport)
        return false;
    mouseDoubleClick(viewport, at);
    return true;
}

bool rightClickRow(ListView& list, int row) {
    QPoint at;
    QPointer<QWidget> viewport = listViewport(list, row, at);
    if (!viewport)
        return false;
    mouseClick(viewport, at, Qt::RightButton);
    if (!viewport)
        return true;
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QCoreApplication::sendEvent(viewport, &menu);
    return true;
}

bool doubleClickBar(Chart& chart, int index) {
    QWidget* w = reachable(chart);
    if (!w || index < 0 || index >= chart.barCount())
        return false;
    const Rect r = chart.barRect(index);
    if (r.width <= 0 || r.height <= 0)
        return false;
    mouseDoubleClick(w, QPoint(r.left + r.width / 2, r.top + r.height / 2));
    return true;
}

bool clickTray(TrayIcon& tray, TrayClick how) {
    if (!tray.isLoaded())
        return false;
    QSystemTrayIcon* icon = detail::ControlState::of(tray).tray.get();
    if (!icon)
        return false;
    switch (how) {
    case TrayClick::Left:
        Q_EMIT icon->activated(QSystemTrayIcon::Trigger);
        break;
    case TrayClick::Double:
        Q_EMIT icon->activated(QSystemTrayIcon::DoubleClick);
        break;
    case TrayClick::Right:
        Q_EMIT icon->activated(QSystemTrayIcon::Context);
        break;
    }
    return true;
}

WindowSystem::WindowSystem(int& argc, char** argv) : app_(new QApplication(argc, argv)) {}

WindowSystem::~WindowSystem() {
    delete static_cast<QApplication*>(app_);
}

void runEvents(int ms) {
    runUntil([] { return false; }, ms);
}

bool runUntil(const std::function<bool()>& condition, int timeLimitMs) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(timeLimitMs);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        // Windows that went are deleted here, unless a loop further out (a modal window's) is
        // still at work with them.
        if (QThread::currentThread()->loopLevel() == 0)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (condition())
            return true;
        if (Clock::now() >= end)
            return false;
        QThread::msleep(1);
    }
}

bool requestClose(Form& form) {
    if (!form.isLoaded())
        return false;
    QPointer<QWidget> window = qt::window(form);
    if (!window)
        return false;
    return window->close() || !form.isLoaded();
}

Form* activeForm() {
    QWidget* active = QApplication::activeWindow();
    for (Form* f : detail::loadedForms())
        if (active && qt::window(*f) == active)
            return f;
    return nullptr;
}

} // namespace rt::testing
