// What the Qt backend keeps for each form, control and menu item while it is loaded (internal to
// the runtime).
#pragma once

#include "runtime/form.h"

#include <QAction>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace rt::detail {

class ClientArea;

struct FormState {
    QPointer<QWidget> window; // a FormWindow
    ClientArea* client = nullptr;
    QMenuBar* menuBar = nullptr;
    QEventLoop* modalLoop = nullptr;

    static FormState& of(const Form& f) { return *f.st_; }
};

struct ControlState {
    QWidget* parent = nullptr; // where build() puts the widget
    QPointer<QWidget> widget;  // null for invisible kinds
    std::unique_ptr<QTimer> timer;
    std::unique_ptr<QSystemTrayIcon> tray;

    static ControlState& of(const Control& c) { return *c.st_; }
};

struct MenuItemState {
    QPointer<QAction> action;
    QPointer<QMenu> menu; // level 0

    static MenuItemState& of(const MenuItem& m) { return *m.st_; }
};

} // namespace rt::detail
