// Menus: a form's menu bar and pop-up menus, and the menu items.
#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/form.h"
#include "runtime/kernel.h"
#include "runtime/loader.h"
#include "runtime/qt/description.h"
#include "runtime/program.h"
#include "runtime/qt/access.h"
#include "runtime/qt/state.h"
#include "runtime/qt/widgets.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDateEdit>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTimer>

namespace rt {

// ---- menus ----

void Form::buildMenus() {
    if (menuItems_.empty())
        return;
    st_->menuBar = new QMenuBar(st_->window);
    st_->menuBar->setNativeMenuBar(false);
    // The menu styling control gives the menus their font and colours.
    QString style;
    std::optional<QFont> font;
    for (auto& c : controls_) {
        if (c->kind() != Kind::MenuStyle)
            continue;
        const detail::KindProps& p = c->desc_.props;
        if (p.font)
            font = detail::qFont(*p.font);
        auto rgb = [](const QColor& c) {
            return QStringLiteral("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
        };
        QString menuRule, itemRule;
        if (auto c1 = p.backColor)
            menuRule += QStringLiteral("background-color:%1;").arg(rgb(detail::qColor(*c1)));
        if (auto c2 = p.textColor)
            menuRule += QStringLiteral("color:%1;").arg(rgb(detail::qColor(*c2)));
        if (auto c3 = p.highlightColor)
            itemRule += QStringLiteral("background-color:%1;").arg(rgb(detail::qColor(*c3)));
        if (auto c4 = p.highlightTextColor)
            itemRule += QStringLiteral("color:%1;").arg(rgb(detail::qColor(*c4)));
        if (!menuRule.isEmpty())
            style += QStringLiteral("QMenu{%1}").arg(menuRule);
        if (!itemRule.isEmpty())
            style += QStringLiteral("QMenu::item:selected{%1}").arg(itemRule);
    }
    // Separators are drawn as a line with room above and below, as in a Windows menu. The style's
    // own thin separator vanishes under the menu's border when it is the first entry shown (as
    // in "&H.帮助" while the item above it is hidden).
    style += QStringLiteral("QMenu::separator{height:1px;background:rgb(160,160,160);margin:4px 6px;}");
    if (font)
        st_->menuBar->setFont(*font);
    QMenu* current = nullptr;
    for (auto& m : menuItems_) {
        if (m->level() == 0) {
            current = new QMenu(st_->window);
            current->setSeparatorsCollapsible(false);
            if (font)
                current->setFont(*font);
            if (!style.isEmpty())
                current->setStyleSheet(style);
        }
        if (m->level() == 0)
            m->st_->menu = current;
        m->build();
    }
    st_->menuBar->setHidden(menuBarTitles().empty());
    static_cast<detail::FormWindow*>(st_->window.data())->setMenuBar(st_->menuBar);
}

std::vector<Text> Form::menuBarTitles() {
    ensureLoaded();
    std::vector<Text> out;
    if (st_->menuBar)
        for (QAction* a : st_->menuBar->actions())
            if (a->isVisible())
                out.push_back(Text(a->text()));
    return out;
}

std::vector<Text> Form::menuEntries(const Text& menuName) {
    MenuItem& top = menuItem(menuName);
    std::vector<Text> out;
    if (!top.st_->menu)
        return out;
    for (QAction* a : top.st_->menu->actions()) {
        if (!a->isVisible())
            continue;
        out.push_back(a->isSeparator() ? Text("-") : Text(a->text()));
    }
    return out;
}

void Form::showMenu(const Text& menuName, Point at, bool rightAligned) {
    MenuItem& top = menuItem(menuName);
    if (top.level() != 0 || !top.st_->menu)
        return;
    if (menuAnsweredByHook(top, menuName, at))
        return;
    QPoint pos = qt::point(at);
    if (rightAligned)
        pos.rx() -= top.st_->menu->sizeHint().width();
    top.st_->menu->exec(pos);
}

void Form::popupMenu(const Text& menuName) {
    ensureLoaded();
    showMenu(menuName, qt::point(QCursor::pos() + QPoint(3, 3)), false);
}

void Form::popupTrayMenu(const Text& menuName) {
    ensureLoaded();
    st_->window->raise();
    st_->window->activateWindow();
    showMenu(menuName, qt::point(QCursor::pos() - QPoint(5, 5)), true);
}

// ---------------------------------------------------------------------------------------------
// Menu items

namespace {
QKeySequence keyFor(const QString& shortcut) {
    if (shortcut == QLatin1String("Ins"))
        return QKeySequence(Qt::Key_Insert);
    if (shortcut == QLatin1String("Del"))
        return QKeySequence(Qt::Key_Delete);
    return QKeySequence::fromString(shortcut, QKeySequence::PortableText);
}
} // namespace

MenuItem::MenuItem(Form& form, const detail::MenuItemDesc& desc)
    : form_(form), desc_(desc), name_(Text::fromUtf8(desc.name)),
      st_(std::make_unique<detail::MenuItemState>()) {}

MenuItem::~MenuItem() = default;

void MenuItem::build() {
    QMenuBar* bar = form_.st_->menuBar;
    QMenu* parentMenu = desc_.level == 0 ? st_->menu.data() : parent_ ? parent_->st_->menu.data() : nullptr;
    caption_ = Text::fromUtf8(desc_.caption);
    hidden_ = desc_.hidden;
    disabled_ = desc_.disabled;
    checked_ = desc_.checked;
    if (desc_.level == 0) {
        st_->menu = parentMenu;
        st_->action = parentMenu->menuAction();
        st_->action->setText(detail::qs(desc_.caption));
        st_->action->setEnabled(!disabled_);
        if (!hidden_)
            bar->addAction(st_->action);
        return;
    }
    st_->action = new QAction(parentMenu);
    if (desc_.caption == "-") {
        st_->action->setSeparator(true);
    } else {
        updateText();
        if (!desc_.shortcut.empty()) {
            st_->action->setShortcut(keyFor(detail::qs(desc_.shortcut)));
            st_->action->setShortcutContext(Qt::WindowShortcut);
        }
        st_->action->setCheckable(checked_);
        st_->action->setChecked(checked_);
        QObject::connect(st_->action, &QAction::triggered, st_->action, [this] {
            if (form_.isLoaded() && !form_.unloading_)
                form_.raise("chosen", nullptr, this);
        });
    }
    st_->action->setVisible(!hidden_);
    st_->action->setEnabled(!disabled_);
    parentMenu->addAction(st_->action);
}

void MenuItem::keepShortcutInWindow() {
    form_.ensureLoaded();
    if (st_->action)
        qt::window(form_)->addAction(st_->action);
}

namespace qt {
QAction* action(const MenuItem& m) {
    return detail::MenuItemState::of(m).action;
}
} // namespace qt

void MenuItem::updateText() {
    if (!st_->action || st_->action->isSeparator())
        return;
    QString t = caption_.toQString();
    if (!desc_.shortcut.empty() && desc_.level == 1)
        t += QLatin1Char('\t') + detail::qs(desc_.shortcut);
    st_->action->setText(t);
}

void MenuItem::setCaption(const Text& c) {
    form_.ensureLoaded();
    caption_ = c;
    if (desc_.level == 0)
        st_->action->setText(c.toQString());
    else
        updateText();
}

void MenuItem::setVisible(bool v) {
    form_.ensureLoaded();
    if (hidden_ == !v)
        return;
    hidden_ = !v;
    if (desc_.level == 1) {
        st_->action->setVisible(v);
        return;
    }
    // A level-0 menu comes onto the menu bar at its place among the others, or leaves it.
    QMenuBar* bar = form_.st_->menuBar;
    if (!v) {
        bar->removeAction(st_->action);
    } else {
        QAction* before = nullptr;
        bool after = false;
        for (auto& m : form_.menuItems_) {
            if (m.get() == this)
                after = true;
            else if (after && m->level() == 0 && !m->hidden_) {
                before = m->st_->action;
                break;
            }
        }
        bar->insertAction(before, st_->action);
    }
    bar->setHidden(form_.menuBarTitles().empty());
    static_cast<detail::FormWindow*>(qt::window(form_))->layoutParts();
}

void MenuItem::setDisabled(bool d) {
    form_.ensureLoaded();
    disabled_ = d;
    st_->action->setEnabled(!d);
}

void MenuItem::setChecked(bool c) {
    form_.ensureLoaded();
    checked_ = c;
    if (desc_.level == 1 && !st_->action->isSeparator()) {
        st_->action->setCheckable(c || st_->action->isCheckable());
        st_->action->setChecked(c);
    }
}

} // namespace rt
