// The user's hands, for tests: what a user does to the windows (click, type, press a key, close),
// done through the window system as the user's input would arrive, and the event loop run for a
// while. What the windows show is read through runtime/form.h (texts, enabled, visible, focus,
// list rows, status-bar panes); menu items are chosen with MenuItem::choose(); message boxes are
// answered through rt::ScriptedMessageBoxes and the save dialog through rt::ScriptedFileDialogs.
//
// Every action runs the handlers it triggers before it returns (a modal window they open runs its
// own loop inside the action; see whileModal). An action a user could not do (the control hidden,
// disabled, or its form not loaded; a row that does not exist) does nothing and returns false.
// Plain C++: a backend implements these functions (the Qt backend in runtime/qt/testing.cpp).
#pragma once

#include "runtime/form.h"
#include "runtime/text.h"

#include <functional>

namespace rt::testing {

// The window system for a test program: made first in main(), before any form is loaded, and gone
// last (on Qt the application object).
class WindowSystem {
public:
    WindowSystem(int& argc, char** argv);
    ~WindowSystem();
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

private:
    void* app_;
};

// Clicks a button (超级按钮 or 图形按钮) with the left mouse button at its centre: pressed and let
// go over it, so its clicked event runs. The focus stays where it is, as with a click message sent
// to the button. Only a button that is shown (its form too) and enabled is clicked.
bool click(Control& button);

// Types `text` into an edit box as keystrokes: the box gets the focus, its content is selected,
// and each character replaces the selection or follows the last one as a key press would, so the
// box's own rules apply (maximum length, number-only, password). CR LF (or LF) is the Enter key,
// a new line in a multi-line box. An empty text deletes the content. A box that is not shown and
// enabled gets nothing.
bool type(Control& editBox, const Text& text);

// Picks the day of `date` (its date part) in a date box as the user does in its calendar: the
// box's valueChanged event runs when the day differs from the shown one. A box that is not shown
// and enabled gets nothing.
bool pickDate(DateBox& box, double date);

// Presses and lets go of a key on a control (which need not have the focus), or on a window (the
// control that has the focus in it, else the window itself). Keys are named "Enter", "KeypadEnter",
// "Esc", "Tab", "Del", "Backspace", "Up", "Down", "Home", "End", "F1" .. "F12", a letter or digit,
// with any of the prefixes "Ctrl+", "Shift+", "Alt+" ("Ctrl+T", "Shift+Tab"). Shortcuts of the
// window's menu items answer as they would to the keyboard. False for a key name it does not know
// or a target the user cannot reach.
bool pressKey(Control& control, const Text& key);
bool pressKey(Form& form, const Text& key);

// A list row (超级列表框) clicked, double-clicked or right-clicked with the mouse: the list scrolls
// to the row first, the click selects it as the user's would (currentRowChanged), and the
// matching event runs (clicked, doubleClicked, rightClicked). False for a row out of range.
bool clickRow(ListView& list, int row);
bool doubleClickRow(ListView& list, int row);
bool rightClickRow(ListView& list, int row);

// A double click in the middle of bar `index` of a chart: its doubleClicked event with the bar's
// index as the row. False for an index out of range.
bool doubleClickBar(Chart& chart, int index);

// The notification-area icon clicked: once with the left button (clicked), twice (doubleClicked)
// or with the right button let go (rightButtonReleased). Works without a notification area, as
// the tray's own event would.
enum class TrayClick { Left, Double, Right };
bool clickTray(TrayIcon& tray, TrayClick how);

// Asks the window to close as its title bar's × does: its closeRequested handler decides. Returns
// whether the window agreed; it may still fade out before it is gone.
bool requestClose(Form& form);

// The loaded window that has the activation (keyboard input goes to it), or null when none of
// the program's windows has it, e.g. when closing a window handed it to another program.
Form* activeForm();

// Runs the event loop for `ms` milliseconds (timers, deferred work, window effects).
void runEvents(int ms);
// Runs the event loop until `condition` holds, checking it after every turn, for at most
// `timeLimitMs`. Returns whether it held.
bool runUntil(const std::function<bool()>& condition, int timeLimitMs);

// Runs `open`, which opens a modal window `form` and returns only when that window is gone, and
// runs `body` from inside the window's own event loop once the window is up and modal. A window
// the body leaves open is destroyed after it, and at the latest after `timeLimitMs`, so a failing
// check never leaves the test hanging. Returns whether the body ran.
bool whileModal(const Text& form, const std::function<void()>& open, const std::function<void()>& body,
                int timeLimitMs = 60000);

} // namespace rt::testing
