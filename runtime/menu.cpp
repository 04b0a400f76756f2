// Menus: a form's menu bar and pop-up menus, and the menu items.
#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/form.h"
#include "runtime/form_registry.h"
#include "runtime/kernel.h"
#include "runtime/loader.h"
#include "runtime/qt/description.h"
#include "runtime/program.h"
#include "runtime/widgets.h"

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
    menuBar_ = new QMenuBar(window_);
    menuBar_->setNativeMenuBar(false);
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
        menuBar_->setFont(*font);
    QMenu* current = nullptr;
    for (auto& m : menuItems_) {
        if (m->level() == 0) {
            current = new QMenu(window_);
            current->setSeparatorsCollapsible(false);
            if (font)
                current->setFont(*font);
            if (!style.isEmpty())
                current->setStyleSheet(style);
        }
        m->build(current, menuBar_);
    }
    menuBar_->setHidden(menuBarTitles().isEmpty());
    static_cast<detail::FormWindow*>(window_.data())->setMenuBar(menuBar_);
}

QStringList Form::menuBarTitles() {
    ensureLoaded();
    QStringList out;
    if (menuBar_)
        for (QAction* a : menuBar_->actions())
            if (a->isVisible())
                out << a->text();
    return out;
}

QStringList Form::menuEntries(const QString& menuName) {
    MenuItem& top = menuItem(menuName);
    QStringList out;
    if (!top.menu_)
        return out;
    for (QAction* a : top.menu_->actions()) {
        if (!a->isVisible())
            continue;
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    return out;
}

void Form::showMenu(const QString& menuName, QPoint pos, bool rightAligned) {
    MenuItem& top = menuItem(menuName);
    if (top.level() != 0 || !top.menu_)
        return;
    if (detail::popupMenuHook()) {
        QString chosen = detail::popupMenuHook()(*this, menuName, pos);
        if (!chosen.isEmpty() && isLoaded())
            for (auto& m : menuItems_)
                if (m->name() == chosen && m->parent_ == &top)
                    m->choose();
        return;
    }
    if (rightAligned)
        pos.rx() -= top.menu_->sizeHint().width();
    top.menu_->exec(pos);
}

void Form::popupMenu(const QString& menuName) {
    ensureLoaded();
    showMenu(menuName, QCursor::pos() + QPoint(3, 3), false);
}

void Form::popupTrayMenu(const QString& menuName) {
    ensureLoaded();
    window_->raise();
    window_->activateWindow();
    showMenu(menuName, QCursor::pos() - QPoint(5, 5), true);
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
    : form_(form), desc_(desc), name_(detail::qs(desc.name)) {}

const QString& MenuItem::name() const {
    return name_;
}
int MenuItem::level() const {
    return desc_.level;
}
QString MenuItem::shortcut() const {
    return detail::qs(desc_.shortcut);
}

void MenuItem::build(QMenu* parentMenu, QMenuBar* bar) {
    caption_ = Text::fromUtf8(desc_.caption);
    hidden_ = desc_.hidden;
    disabled_ = desc_.disabled;
    checked_ = desc_.checked;
    if (desc_.level == 0) {
        menu_ = parentMenu;
        action_ = parentMenu->menuAction();
        action_->setText(detail::qs(desc_.caption));
        action_->setEnabled(!disabled_);
        if (!hidden_)
            bar->addAction(action_);
        return;
    }
    action_ = new QAction(parentMenu);
    if (desc_.caption == "-") {
        action_->setSeparator(true);
    } else {
        updateText();
        if (!desc_.shortcut.empty()) {
            action_->setShortcut(keyFor(detail::qs(desc_.shortcut)));
            action_->setShortcutContext(Qt::WindowShortcut);
        }
        action_->setCheckable(checked_);
        action_->setChecked(checked_);
        QObject::connect(action_, &QAction::triggered, action_, [this] {
            if (form_.isLoaded() && !form_.unloading_)
                form_.raise(QStringLiteral("chosen"), nullptr, this);
        });
    }
    action_->setVisible(!hidden_);
    action_->setEnabled(!disabled_);
    parentMenu->addAction(action_);
}

void MenuItem::updateText() {
    if (!action_ || action_->isSeparator())
        return;
    QString t = caption_.toQString();
    if (!desc_.shortcut.empty() && desc_.level == 1)
        t += QLatin1Char('\t') + detail::qs(desc_.shortcut);
    action_->setText(t);
}

QAction* MenuItem::action() {
    form_.ensureLoaded();
    return action_;
}

Text MenuItem::caption() {
    form_.ensureLoaded();
    return caption_;
}

void MenuItem::setCaption(const Text& c) {
    form_.ensureLoaded();
    caption_ = c;
    if (desc_.level == 0)
        action_->setText(c.toQString());
    else
        updateText();
}

bool MenuItem::visible() {
    form_.ensureLoaded();
    return !hidden_;
}

void MenuItem::setVisible(bool v) {
    form_.ensureLoaded();
    if (hidden_ == !v)
        return;
    hidden_ = !v;
    if (desc_.level == 1) {
        action_->setVisible(v);
        return;
    }
    // A level-0 menu comes onto the menu bar at its place among the others, or leaves it.
    QMenuBar* bar = form_.menuBar_;
    if (!v) {
        bar->removeAction(action_);
    } else {
        QAction* before = nullptr;
        bool after = false;
        for (auto& m : form_.menuItems_) {
            if (m.get() == this)
                after = true;
            else if (after && m->level() == 0 && !m->hidden_) {
                before = m->action_;
                break;
            }
        }
        bar->insertAction(before, action_);
    }
    bar->setHidden(form_.menuBarTitles().isEmpty());
    static_cast<detail::FormWindow*>(form_.window())->layoutParts();
}

bool MenuItem::disabled() {
    form_.ensureLoaded();
    return disabled_;
}

void MenuItem::setDisabled(bool d) {
    form_.ensureLoaded();
    disabled_ = d;
    action_->setEnabled(!d);
}

bool MenuItem::checked() {
    form_.ensureLoaded();
    return checked_;
}

void MenuItem::setChecked(bool c) {
    form_.ensureLoaded();
    checked_ = c;
    if (desc_.level == 1 && !action_->isSeparator()) {
        action_->setCheckable(c || action_->isCheckable());
        action_->setChecked(c);
    }
}

bool MenuItem::shownInParent() {
    if (hidden_ || disabled_)
        return false;
    return !parent_ || !parent_->disabled_;
}

bool MenuItem::choose() {
    form_.ensureLoaded();
    if (desc_.level != 1 || action_->isSeparator() || !shownInParent())
        return false;
    form_.raise(QStringLiteral("chosen"), nullptr, this);
    return true;
}

} // namespace rt
