// Forms: loading and unloading, events, window properties.
#include "runtime/form.h"
#include "runtime/data_access.h"
#include "runtime/datetime.h"
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

QString kindName(Kind k) {
    return QString::fromUtf8(kindText(k));
}

const QStringList& shortcutChoices() {
    static const QStringList choices = [] {
        QStringList c;
        for (const std::string& s : detail::shortcutTexts())
            c << detail::qs(s);
        return c;
    }();
    return choices;
}

// ---------------------------------------------------------------------------------------------
// Form

Form::Form(std::shared_ptr<detail::FormDesc> desc) : name_(detail::qs(desc->name)), desc_(std::move(desc)) {
    for (const detail::ControlDesc& c : desc_->controls) {
        std::unique_ptr<Control> ctl;
        switch (c.kind) {
        case Kind::EditBox:
            ctl.reset(new EditBox(*this, c));
            break;
        case Kind::DateBox:
            ctl.reset(new DateBox(*this, c));
            break;
        case Kind::Label:
            ctl.reset(new Label(*this, c));
            break;
        case Kind::SuperButton:
            ctl.reset(new SuperButton(*this, c));
            break;
        case Kind::GraphicButton:
            ctl.reset(new GraphicButton(*this, c));
            break;
        case Kind::PictureBox:
            ctl.reset(new PictureBox(*this, c));
            break;
        case Kind::ShapeBox:
            ctl.reset(new ShapeBox(*this, c));
            break;
        case Kind::StatusBar:
            ctl.reset(new StatusBar(*this, c));
            break;
        case Kind::ListView:
            ctl.reset(new ListView(*this, c));
            break;
        case Kind::Timer:
            ctl.reset(new Timer(*this, c));
            break;
        case Kind::TrayIcon:
            ctl.reset(new TrayIcon(*this, c));
            break;
        case Kind::MenuStyle:
            ctl.reset(new MenuStyle(*this, c));
            break;
        case Kind::Connection:
            ctl.reset(new ConnectionControl(*this, c));
            break;
        case Kind::RecordSet:
            ctl.reset(new RecordSetControl(*this, c));
            break;
        case Kind::Chart:
            ctl.reset(new Chart(*this, c));
            break;
        }
        controls_.push_back(std::move(ctl));
    }
    for (const detail::MenuItemDesc& m : desc_->menu)
        menuItems_.push_back(std::unique_ptr<MenuItem>(new MenuItem(*this, m)));
    MenuItem* top = nullptr;
    for (auto& m : menuItems_) {
        if (m->level() == 0)
            top = m.get();
        else
            m->parent_ = top;
    }
}

Form::~Form() = default;

void Form::ensureLoaded() const {
    if (!isLoaded())
        runtimeError(kFormNotLoaded);
}

Control* Form::findControl(const QString& name) const {
    for (const auto& c : controls_)
        if (c->name() == name)
            return c.get();
    return nullptr;
}

bool Form::hasControl(const QString& name) const {
    return findControl(name) != nullptr;
}

Control& Form::control(const QString& name) {
    ensureLoaded();
    Control* c = findControl(name);
    if (!c)
        runtimeError(kFormNotLoaded);
    return *c;
}

template <class T> T& Form::controlAs(const QString& name, Kind kind) {
    Control& c = control(name);
    if (c.kind() != kind)
        runtimeError(kFormNotLoaded);
    return static_cast<T&>(c);
}

EditBox& Form::editBox(const QString& name) {
    return controlAs<EditBox>(name, Kind::EditBox);
}
DateBox& Form::dateBox(const QString& name) {
    return controlAs<DateBox>(name, Kind::DateBox);
}
SuperButton& Form::button(const QString& name) {
    return controlAs<SuperButton>(name, Kind::SuperButton);
}
GraphicButton& Form::graphicButton(const QString& name) {
    return controlAs<GraphicButton>(name, Kind::GraphicButton);
}
PictureBox& Form::pictureBox(const QString& name) {
    return controlAs<PictureBox>(name, Kind::PictureBox);
}
StatusBar& Form::statusBar(const QString& name) {
    return controlAs<StatusBar>(name, Kind::StatusBar);
}
ListView& Form::listView(const QString& name) {
    return controlAs<ListView>(name, Kind::ListView);
}
Chart& Form::chart(const QString& name) {
    return controlAs<Chart>(name, Kind::Chart);
}
Timer& Form::timer(const QString& name) {
    return controlAs<Timer>(name, Kind::Timer);
}
TrayIcon& Form::trayIcon(const QString& name) {
    return controlAs<TrayIcon>(name, Kind::TrayIcon);
}
CommonConnection& Form::connection(const QString& name) {
    return controlAs<ConnectionControl>(name, Kind::Connection).object();
}
RecordSet& Form::recordSet(const QString& name) {
    return controlAs<RecordSetControl>(name, Kind::RecordSet).object();
}

MenuItem& Form::menuItem(const QString& name) {
    ensureLoaded();
    for (auto& m : menuItems_)
        if (m->name() == name)
            return *m;
    runtimeError(kFormNotLoaded);
}

std::vector<Control*> Form::controls() {
    ensureLoaded();
    std::vector<Control*> out;
    for (auto& c : controls_)
        out.push_back(c.get());
    return out;
}

std::vector<Control*> Form::findControls(const Text& prefix, const Text& kind, int min, int max) {
    ensureLoaded();
    const QString p = prefix.toQString();
    const QString k = kind.toQString();
    std::vector<Control*> out;
    for (auto& c : controls_) {
        if (!c->name().startsWith(p))
            continue;
        if (!k.isEmpty() && kindName(c->kind()) != k)
            continue;
        double tag = toNumber(c->tag_);
        if (tag < min || tag > max)
            continue;
        out.push_back(c.get());
    }
    return out;
}

// ---- loading and unloading ----

bool Form::load(Form* owner, bool modal) {
    if (isLoaded()) {
        setVisible(true);
        window_->raise();
        return true;
    }
    const detail::FormDesc& d = *desc_;
    owner_ = owner && owner->isLoaded() ? owner : nullptr;
    modal_ = modal;
    alpha_ = 255;
    position_ = d.position;
    visibleProperty_ = true;
    destroyPending_ = false;
    creating_ = true;

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
    auto* window = new detail::FormWindow(this, owner_ ? owner_->window_.data() : nullptr, flags, d.framed);
    window_ = window;
    window_->setWindowTitle(detail::qs(d.caption));
    if (d.icon && !programIcon().isNull())
        window_->setWindowIcon(programIcon());
    QFont baseFont(QStringLiteral("宋体"));
    baseFont.setPixelSize(12);
    window_->setFont(baseFont);
    client_ = new detail::ClientArea(window_);
    buildMenus();

    for (auto& c : controls_) {
        QWidget* parent = client_;
        if (!c->desc_.parent.empty())
            parent = findControl(detail::qs(c->desc_.parent))->widget_;
        c->tag_ = Text::fromUtf8(c->desc_.tag);
        c->visibleNoWidget_ = c->desc_.visible;
        c->disabledNoWidget_ = c->desc_.disabled;
        if (QWidget* w = c->build(parent)) {
            c->widget_ = w;
            c->applyCommon(w);
        }
    }
    applyTabOrder();

    // The described size is the outer size; the inside follows once the frame is known.
    window->setOuterSize(QSize(d.width, d.height));
    window_->move(d.left, d.top);
    if (position_ == 1)
        window_->move((screenWidth() - d.width) / 2, (screenHeight() - d.height) / 2);
    window->layoutParts();
    auto keyButton = [this](const QString& name) -> QAbstractButton* {
        Control* c = name.isEmpty() ? nullptr : findControl(name);
        return c ? qobject_cast<QAbstractButton*>(c->widget_.data()) : nullptr;
    };
    window->setKeyButtons(keyButton(detail::qs(d.enterButton)), keyButton(detail::qs(d.escapeButton)));
    if (modal_)
        window_->setWindowModality(Qt::ApplicationModal);

    detail::loadedForms().push_back(this);
    raise(QStringLiteral("created"));
    creating_ = false;
    if (!isLoaded())
        return true; // gone during its own created event
    if (visibleProperty_ && window_->isHidden()) {
        if (position_ == 2)
            window_->showMinimized();
        else
            window_->show();
    }
    if (modal_ && isLoaded()) {
        QEventLoop loop;
        modalLoop_ = &loop;
        loop.exec();
        modalLoop_ = nullptr;
    }
    return true;
}

void Form::unload() {
    if (!isLoaded() || unloading_)
        return;
    unloading_ = true;
    // Windows owned by this one go with it.
    std::vector<Form*> owned;
    for (Form* f : detail::loadedForms())
        if (f->owner_ == this)
            owned.push_back(f);
    for (Form* f : owned)
        f->unload();

    window_->hide();
    raise(QStringLiteral("destroyed"));
    for (auto& c : controls_)
        c->unbuild();
    for (auto& c : controls_)
        c->widget_ = nullptr;
    for (auto& m : menuItems_) {
        m->action_ = nullptr;
        m->menu_ = nullptr;
    }
    QWidget* w = window_;
    window_ = nullptr;
    client_ = nullptr;
    menuBar_ = nullptr;
    // Deleted by the event loop: a handler of one of its widgets may still be on the stack.
    w->deleteLater();

    auto& loaded = detail::loadedForms();
    loaded.erase(std::remove(loaded.begin(), loaded.end(), this), loaded.end());
    owner_ = nullptr;
    unloading_ = false;
    destroyPending_ = false;
    if (modalLoop_)
        modalLoop_->quit();
    if (loaded.empty() && eventLoopRunning())
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

void Form::onCloseRequested(bool& accept) {
    if (!isLoaded() || unloading_ || destroyPending_)
        return;
    std::optional<bool> answer = raise(QStringLiteral("closeRequested"));
    accept = !(answer && !*answer);
    if (accept && isLoaded())
        unload();
}

std::optional<bool> Form::raise(const QString& event, Control* control, MenuItem* item, int row) {
    std::string key;
    if (control) {
        auto it = control->desc_.events.find(event.toStdString());
        if (it != control->desc_.events.end())
            key = it->second;
    } else if (item) {
        key = item->desc_.handler;
    } else {
        auto it = desc_->events.find(event.toStdString());
        if (it != desc_->events.end())
            key = it->second;
    }
    if (key.empty())
        return std::nullopt;
    Event e{*this, control, item, event, row};
    return detail::dispatchHandler(detail::qs(key), e);
}

void Form::applyTabOrder() {
    std::vector<Control*> chain;
    for (auto& c : controls_)
        if (c->widget_ && c->desc_.tabStop)
            chain.push_back(c.get());
    std::stable_sort(chain.begin(), chain.end(),
                     [](Control* a, Control* b) { return a->desc_.tabOrder < b->desc_.tabOrder; });
    for (size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1]->widget_, chain[i]->widget_);
}

// ---- window properties ----

QWidget* Form::window() const {
    return window_;
}
QWidget* Form::clientArea() const {
    return client_;
}

Text Form::caption() {
    ensureLoaded();
    return Text(window_->windowTitle());
}

void Form::setCaption(const Text& c) {
    ensureLoaded();
    window_->setWindowTitle(c.toQString());
}

bool Form::visible() {
    ensureLoaded();
    return window_->isVisible();
}

void Form::setVisible(bool v) {
    ensureLoaded();
    visibleProperty_ = v;
    if (v == window_->isVisible())
        return;
    if (v) {
        if (position_ == 2)
            window_->showMinimized();
        else
            window_->show();
    } else {
        window_->hide();
    }
}

bool Form::disabled() {
    ensureLoaded();
    return !window_->isEnabled();
}

void Form::setDisabled(bool d) {
    ensureLoaded();
    window_->setEnabled(!d);
}

QMargins Form::frameMargins() const {
    return static_cast<detail::FormWindow*>(window_.data())->frame();
}

QRect Form::outerRect() const {
    auto* w = static_cast<detail::FormWindow*>(window_.data());
    if (w->isMaximized() || w->isFullScreen() || !w->outerSize().isValid())
        return w->frameGeometry();
    // The size is the one the program asked for: the window system may still be reporting an
    // earlier one while a window grows or shrinks quickly.
    const QMargins m = w->frame();
    // A window is never smaller than its frame.
    const QSize size(std::max(w->outerSize().width(), m.left() + m.right()),
                     std::max(w->outerSize().height(), m.top() + m.bottom()));
    return QRect(w->geometry().topLeft() - QPoint(m.left(), m.top()), size);
}

int Form::left() {
    ensureLoaded();
    return outerRect().x();
}

int Form::top() {
    ensureLoaded();
    return outerRect().y();
}

int Form::width() {
    ensureLoaded();
    return outerRect().width();
}

int Form::height() {
    ensureLoaded();
    return outerRect().height();
}

void Form::move(int l, int t, int w, int h) {
    ensureLoaded();
    const QRect outer = outerRect();
    QRect r(l == kKeep ? outer.x() : l, t == kKeep ? outer.y() : t,
            (w == kKeep || w == -1) ? outer.width() : std::max(0, w),
            (h == kKeep || h == -1) ? outer.height() : std::max(0, h));
    if (r == outer)
        return;
    if (r.topLeft() != outer.topLeft())
        window_->move(r.topLeft());
    if (r.size() != outer.size())
        static_cast<detail::FormWindow*>(window_.data())->setOuterSize(r.size());
    window_->update();
}

int Form::clientWidth() {
    ensureLoaded();
    return client_->width();
}

int Form::clientHeight() {
    ensureLoaded();
    return client_->height();
}

QPoint Form::clientOrigin() {
    ensureLoaded();
    return client_->mapToGlobal(QPoint(0, 0));
}

int Form::position() {
    ensureLoaded();
    return position_;
}

void Form::setPosition(int p) {
    ensureLoaded();
    position_ = p;
    if (!window_->isVisible())
        return;
    switch (p) {
    case 0:
        window_->showNormal();
        break;
    case 1: {
        if (window_->isMinimized() || window_->isMaximized())
            window_->showNormal();
        const QPoint centre((screenWidth() - width()) / 2, (screenHeight() - height()) / 2);
        if (centre != QPoint(left(), top()))
            window_->move(centre);
        // A move sends the size Qt last heard of, which for a window growing quickly can be an
        // earlier one: size and place are asked for once more, as they are meant to be.
        static_cast<detail::FormWindow*>(window_.data())->reassert(centre);
        break;
    }
    case 2:
        window_->showMinimized();
        break;
    case 3:
        window_->showMaximized();
        break;
    default:
        break;
    }
}

void Form::setBackground(const QImage& picture) {
    ensureLoaded();
    client_->setPicture(picture);
}

void Form::setBackground(const Bytes& imageData) {
    setBackground(imageFromBytes(imageData));
}

void Form::setIcon(const QIcon& icon) {
    ensureLoaded();
    window_->setWindowIcon(icon);
}

void Form::setIcon(const Bytes& imageData) {
    QImage img = imageFromBytes(imageData);
    setIcon(img.isNull() ? QIcon() : QIcon(QPixmap::fromImage(img)));
}

long long Form::handle() {
    ensureLoaded();
    return static_cast<long long>(window_->winId());
}

void Form::setFocus() {
    ensureLoaded();
    window_->activateWindow();
    window_->setFocus(Qt::OtherFocusReason);
}

void Form::setTransparency(int alpha) {
    ensureLoaded();
    if (alpha < 0 || alpha > 255)
        alpha = 255;
    alpha_ = alpha;
    // The offscreen platform has no opacity and warns about every change; keep the value only.
    if (!detail::offscreenPlatform()) {
        window_->setWindowOpacity(alpha / 255.0);
        window_->update();
    }
}

int Form::transparency() {
    ensureLoaded();
    return alpha_;
}

} // namespace rt
