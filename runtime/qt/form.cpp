// Forms: loading and unloading, events, window properties.
#include "runtime/form.h"
#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/form_registry.h"
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

// ---------------------------------------------------------------------------------------------
// Form

Form::Form(std::shared_ptr<detail::FormDesc> desc)
    : name_(Text::fromUtf8(desc->name)), desc_(std::move(desc)), st_(std::make_unique<detail::FormState>()) {
    createParts();
}

Form::~Form() = default;

bool Form::isLoaded() const {
    return st_->window != nullptr;
}

// ---- loading and unloading ----

bool Form::load(Form* owner, bool modal) {
    if (isLoaded()) {
        setVisible(true);
        st_->window->raise();
        return true;
    }
    const detail::FormDesc& d = *desc_;
    beginLoad(owner, modal);

    // A window with an owner is the window system's dialog of that owner (a transient), which
    // keeps it above its owner; a plain top-level window with a parent would not be.
    Qt::WindowFlags flags = owner_ ? Qt::Dialog : Qt::Window;
    if (d.framed) {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint;
        if (d.minimizeButton)
            flags |= Qt::WindowMinimizeButtonHint;
    } else {
        flags |= Qt::FramelessWindowHint;
    }
    auto* window = new detail::FormWindow(this, owner_ ? owner_->st_->window.data() : nullptr, flags, d.framed);
    st_->window = window;
    st_->window->setWindowTitle(detail::qs(d.caption));
    if (d.icon && !programIcon().isNull())
        st_->window->setWindowIcon(qt::icon(programIcon()));
    QFont baseFont(QStringLiteral("宋体"));
    baseFont.setPixelSize(12);
    st_->window->setFont(baseFont);
    st_->client = new detail::ClientArea(st_->window);
    buildMenus();

    for (auto& c : controls_) {
        c->st_->parent = st_->client;
        if (!c->desc_.parent.empty())
            c->st_->parent = findControl(Text::fromUtf8(c->desc_.parent))->st_->widget;
        c->tag_ = Text::fromUtf8(c->desc_.tag);
        c->visibleNoWidget_ = c->desc_.visible;
        c->disabledNoWidget_ = c->desc_.disabled;
        c->build();
        if (c->st_->widget)
            c->applyCommon();
    }
    applyTabOrder();

    // The described size is the outer size; the inside follows once the frame is known.
    window->setOuterSize(QSize(d.width, d.height));
    st_->window->move(d.left, d.top);
    if (position_ == 1)
        st_->window->move((screenWidth() - d.width) / 2, (screenHeight() - d.height) / 2);
    window->layoutParts();
    auto keyButton = [this](const std::string& name) -> QAbstractButton* {
        Control* c = name.empty() ? nullptr : findControl(Text::fromUtf8(name));
        return c ? qobject_cast<QAbstractButton*>(c->st_->widget.data()) : nullptr;
    };
    window->setKeyButtons(keyButton(d.enterButton), keyButton(d.escapeButton));
    if (modal_)
        st_->window->setWindowModality(Qt::ApplicationModal);

    detail::loadedForms().push_back(this);
    raise("created");
    creating_ = false;
    if (!isLoaded())
        return true; // gone during its own created event
    if (visibleProperty_ && st_->window->isHidden()) {
        if (position_ == 2)
            st_->window->showMinimized();
        else
            st_->window->show();
    }
    if (modal_ && isLoaded()) {
        QEventLoop loop;
        st_->modalLoop = &loop;
        loop.exec();
        st_->modalLoop = nullptr;
    }
    return true;
}

void Form::unload() {
    if (!beginUnload())
        return;

    st_->window->hide();
    raise("destroyed");
    for (auto& c : controls_)
        c->unbuild();
    for (auto& c : controls_)
        c->st_->widget = nullptr;
    for (auto& m : menuItems_) {
        m->st_->action = nullptr;
        m->st_->menu = nullptr;
    }
    QWidget* w = st_->window;
    st_->window = nullptr;
    st_->client = nullptr;
    st_->menuBar = nullptr;
    // Deleted by the event loop: a handler of one of its widgets may still be on the stack.
    w->deleteLater();

    endUnload();
    if (st_->modalLoop)
        st_->modalLoop->quit();
    if (detail::loadedForms().empty() && eventLoopRunning())
        QCoreApplication::exit(0);
}

void Form::destroy() {
    if (!isLoaded() || destroyPending_)
        return;
    destroyPending_ = true;
    QMetaObject::invokeMethod(
        qApp,
        [this] {
            if (destroyPending_)
                unload();
        },
        Qt::QueuedConnection);
}

void Form::applyTabOrder() {
    std::vector<Control*> chain;
    for (auto& c : controls_)
        if (c->st_->widget && c->desc_.tabStop)
            chain.push_back(c.get());
    std::stable_sort(chain.begin(), chain.end(),
                     [](Control* a, Control* b) { return a->desc_.tabOrder < b->desc_.tabOrder; });
    for (size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1]->st_->widget, chain[i]->st_->widget);
}

// ---- window properties ----

namespace qt {

QWidget* window(const Form& f) {
    return detail::FormState::of(f).window;
}
QWidget* clientArea(const Form& f) {
    return detail::FormState::of(f).client;
}

} // namespace qt

Text Form::caption() {
    ensureLoaded();
    return Text(st_->window->windowTitle());
}

void Form::setCaption(const Text& c) {
    ensureLoaded();
    st_->window->setWindowTitle(c.toQString());
}

bool Form::visible() {
    ensureLoaded();
    return st_->window->isVisible();
}

void Form::setVisible(bool v) {
    ensureLoaded();
    visibleProperty_ = v;
    if (v == st_->window->isVisible())
        return;
    if (v) {
        if (position_ == 2)
            st_->window->showMinimized();
        else
            st_->window->show();
    } else {
        st_->window->hide();
    }
}

bool Form::disabled() {
    ensureLoaded();
    return !st_->window->isEnabled();
}

void Form::setDisabled(bool d) {
    ensureLoaded();
    st_->window->setEnabled(!d);
}

Rect Form::outerRect() const {
    auto* w = static_cast<detail::FormWindow*>(st_->window.data());
    if (w->isMaximized() || w->isFullScreen() || !w->outerSize().isValid())
        return qt::rect(w->frameGeometry());
    // The size is the one the program asked for: the window system may still be reporting an
    // earlier one while a window grows or shrinks quickly.
    const QMargins m = w->frame();
    // A window is never smaller than its frame.
    const QSize size(std::max(w->outerSize().width(), m.left() + m.right()),
                     std::max(w->outerSize().height(), m.top() + m.bottom()));
    return qt::rect(QRect(w->geometry().topLeft() - QPoint(m.left(), m.top()), size));
}

void Form::placeOuter(const Rect& to, const Rect& from) {
    const QRect r = qt::rect(to), outer = qt::rect(from);
    if (r.topLeft() != outer.topLeft())
        st_->window->move(r.topLeft());
    if (r.size() != outer.size())
        static_cast<detail::FormWindow*>(st_->window.data())->setOuterSize(r.size());
    st_->window->update();
}

int Form::clientWidth() {
    ensureLoaded();
    return st_->client->width();
}

int Form::clientHeight() {
    ensureLoaded();
    return st_->client->height();
}

Point Form::clientOrigin() {
    ensureLoaded();
    return qt::point(st_->client->mapToGlobal(QPoint(0, 0)));
}

void Form::setPosition(int p) {
    ensureLoaded();
    position_ = p;
    if (!st_->window->isVisible())
        return;
    switch (p) {
    case 0:
        st_->window->showNormal();
        break;
    case 1: {
        if (st_->window->isMinimized() || st_->window->isMaximized())
            st_->window->showNormal();
        const QPoint centre((screenWidth() - width()) / 2, (screenHeight() - height()) / 2);
        if (centre != QPoint(left(), top()))
            st_->window->move(centre);
        // A move sends the size Qt last heard of, which for a window growing quickly can be an
        // earlier one: size and place are asked for once more, as they are meant to be.
        static_cast<detail::FormWindow*>(st_->window.data())->reassert(centre);
        break;
    }
    case 2:
        st_->window->showMinimized();
        break;
    case 3:
        st_->window->showMaximized();
        break;
    default:
        break;
    }
}

void Form::setBackground(const Picture& picture) {
    ensureLoaded();
    st_->client->setPicture(qt::image(picture));
}

void Form::setIcon(const Picture& icon) {
    ensureLoaded();
    st_->window->setWindowIcon(qt::icon(icon));
}

long long Form::handle() {
    ensureLoaded();
    return static_cast<long long>(st_->window->winId());
}

void Form::setFocus() {
    ensureLoaded();
    st_->window->activateWindow();
    st_->window->setFocus(Qt::OtherFocusReason);
}

void Form::setTransparency(int alpha) {
    ensureLoaded();
    if (alpha < 0 || alpha > 255)
        alpha = 255;
    alpha_ = alpha;
    // The offscreen platform has no opacity and warns about every change; keep the value only.
    if (!detail::offscreenPlatform()) {
        st_->window->setWindowOpacity(alpha / 255.0);
        st_->window->update();
    }
}

} // namespace rt
