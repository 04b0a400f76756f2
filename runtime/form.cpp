#include "runtime/form.h"
#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/kernel.h"
#include "runtime/loader.h"
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
#include <QJsonArray>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTimer>

namespace rt {

// ---------------------------------------------------------------------------------------------
// Registry of descriptions, forms and handlers

namespace {

struct Registry {
    std::map<QString, std::unique_ptr<Form>> forms;
    QStringList order; // form names in the order their descriptions were read
    std::map<QString, HandlerFn> handlers;
    std::vector<Form*> loaded;
    PopupMenuHook popupHook;
    ImageDecoder decoder;
    QIcon icon;
    bool descriptionsRead = false;
};

Registry& registry() {
    static Registry r;
    return r;
}

void readDescriptions() {
    Registry& r = registry();
    if (r.descriptionsRead)
        return;
    r.descriptionsRead = true;
    QDir dir(QStringLiteral(":/forms"));
    const QStringList files = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString& f : files) {
        QFile file(dir.filePath(f));
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning("form description %s cannot be read", qPrintable(f));
            continue;
        }
        QString error = addFormDescription(file.readAll());
        if (!error.isEmpty())
            qWarning("form description %s: %s", qPrintable(f), qPrintable(error));
    }
}

std::optional<bool> dispatch(const QString& key, Event& e) {
    if (key.isEmpty())
        return std::nullopt;
    auto it = registry().handlers.find(key);
    if (it == registry().handlers.end() || !it->second)
        return std::nullopt;
    HandlerFn fn = it->second; // the handler may replace itself while it runs
    return fn(e);
}

bool offscreen() {
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

} // namespace

void registerHandlerFn(const QString& key, HandlerFn fn) {
    registry().handlers[key] = std::move(fn);
}
void unregisterHandler(const QString& key) {
    registry().handlers.erase(key);
}
bool hasHandler(const QString& key) {
    return registry().handlers.count(key) != 0;
}

QStringList boundHandlers() {
    readDescriptions();
    QStringList keys;
    auto add = [&](const QString& k) {
        if (!k.isEmpty() && !keys.contains(k))
            keys << k;
    };
    for (const QString& name : registry().order) {
        const detail::FormDesc& d = registry().forms.at(name)->description();
        for (const auto& [event, key] : d.events)
            add(key);
        for (const detail::ControlDesc& c : d.controls)
            for (const auto& [event, key] : c.events)
                add(key);
        for (const detail::MenuItemDesc& m : d.menu)
            add(m.handler);
    }
    return keys;
}

QStringList missingHandlers() {
    QStringList missing;
    for (const QString& k : boundHandlers())
        if (!hasHandler(k))
            missing << k;
    return missing;
}

QStringList formNames() {
    readDescriptions();
    return registry().order;
}

bool isLoaded(const QString& formName) {
    readDescriptions();
    auto it = registry().forms.find(formName);
    return it != registry().forms.end() && it->second->isLoaded();
}

Form& form(const QString& name) {
    readDescriptions();
    auto it = registry().forms.find(name);
    if (it == registry().forms.end() || !it->second->isLoaded())
        runtimeError(kFormNotLoaded);
    return *it->second;
}

bool loadForm(const QString& name, Form* owner, bool modal) {
    readDescriptions();
    auto it = registry().forms.find(name);
    if (it == registry().forms.end())
        return false;
    return it->second->load(owner, modal);
}

int loadedFormCount() {
    return int(registry().loaded.size());
}

QString addFormDescription(const QByteArray& json) {
    QString error;
    std::shared_ptr<detail::FormDesc> desc = detail::parseFormDescription(json, error);
    if (!desc)
        return error;
    Registry& r = registry();
    auto it = r.forms.find(desc->name);
    if (it != r.forms.end() && it->second->isLoaded())
        return QStringLiteral("%1 is loaded").arg(desc->name);
    if (it == r.forms.end())
        r.order << desc->name;
    r.forms[desc->name] = std::unique_ptr<Form>(new Form(desc));
    return {};
}

void setProgramIcon(const QIcon& icon) {
    registry().icon = icon;
}
QIcon programIcon() {
    return registry().icon;
}

void setImageDecoder(ImageDecoder decoder) {
    registry().decoder = std::move(decoder);
}

QImage imageFromBytes(const Bytes& bytes) {
    if (bytes.empty())
        return {};
    if (registry().decoder) {
        QImage img = registry().decoder(bytes);
        if (!img.isNull())
            return img;
    }
    return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()));
}

PopupMenuHook setPopupMenuHook(PopupMenuHook hook) {
    PopupMenuHook previous = std::move(registry().popupHook);
    registry().popupHook = std::move(hook);
    return previous;
}

// ---------------------------------------------------------------------------------------------
// Form

Form::Form(std::shared_ptr<detail::FormDesc> desc) : name_(desc->name), desc_(std::move(desc)) {
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

    Qt::WindowFlags flags = Qt::Window;
    if (d.framed) {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint;
        if (d.minimizeButton)
            flags |= Qt::WindowMinimizeButtonHint;
    } else {
        flags |= Qt::FramelessWindowHint;
    }
    auto* window = new detail::FormWindow(this, owner_ ? owner_->window_.data() : nullptr, flags);
    window_ = window;
    window_->setWindowTitle(d.caption);
    if (d.icon && !programIcon().isNull())
        window_->setWindowIcon(programIcon());
    QFont baseFont(QStringLiteral("宋体"));
    baseFont.setPixelSize(12);
    window_->setFont(baseFont);
    client_ = new detail::ClientArea(window_);
    buildMenus();

    for (auto& c : controls_) {
        QWidget* parent = client_;
        if (!c->desc_.parent.isEmpty())
            parent = findControl(c->desc_.parent)->widget_;
        c->tag_ = Text(c->desc_.tag);
        c->visibleNoWidget_ = c->desc_.visible;
        c->disabledNoWidget_ = c->desc_.disabled;
        if (QWidget* w = c->build(parent)) {
            c->widget_ = w;
            c->applyCommon(w);
        }
    }
    applyTabOrder();

    // The described size is the outer size; until the window has a frame it is the inner one.
    if (d.framed)
        window_->setFixedSize(d.width, d.height);
    else
        window_->resize(d.width, d.height);
    window->setPendingOuterSize(QSize(d.width, d.height));
    window_->move(d.left, d.top);
    if (position_ == 1)
        window_->move((screenWidth() - d.width) / 2, (screenHeight() - d.height) / 2);
    window->layoutParts();
    if (modal_)
        window_->setWindowModality(Qt::ApplicationModal);

    registry().loaded.push_back(this);
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
    for (Form* f : registry().loaded)
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

    auto& loaded = registry().loaded;
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
    QString key;
    if (control) {
        auto it = control->desc_.events.find(event);
        if (it != control->desc_.events.end())
            key = it->second;
    } else if (item) {
        key = item->desc_.handler;
    } else {
        auto it = desc_->events.find(event);
        if (it != desc_->events.end())
            key = it->second;
    }
    if (key.isEmpty())
        return std::nullopt;
    Event e{*this, control, item, event, row};
    return dispatch(key, e);
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
        const QJsonObject& p = c->desc_.props;
        if (p.contains(QLatin1String("font")))
            font = detail::fontFrom(p);
        auto rgb = [](const QColor& c) {
            return QStringLiteral("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
        };
        QString menuRule, itemRule;
        if (auto c1 = detail::colorFrom(p, "backColor"))
            menuRule += QStringLiteral("background-color:%1;").arg(rgb(*c1));
        if (auto c2 = detail::colorFrom(p, "textColor"))
            menuRule += QStringLiteral("color:%1;").arg(rgb(*c2));
        if (auto c3 = detail::colorFrom(p, "highlightColor"))
            itemRule += QStringLiteral("background-color:%1;").arg(rgb(*c3));
        if (auto c4 = detail::colorFrom(p, "highlightTextColor"))
            itemRule += QStringLiteral("color:%1;").arg(rgb(*c4));
        if (!menuRule.isEmpty())
            style += QStringLiteral("QMenu{%1}").arg(menuRule);
        if (!itemRule.isEmpty())
            style += QStringLiteral("QMenu::item:selected{%1}").arg(itemRule);
    }
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
    if (registry().popupHook) {
        QString chosen = registry().popupHook(*this, menuName, pos);
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
    QRect f = window_->frameGeometry();
    QRect g = window_->geometry();
    return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
}

int Form::left() {
    ensureLoaded();
    return window_->frameGeometry().x();
}

int Form::top() {
    ensureLoaded();
    return window_->frameGeometry().y();
}

int Form::width() {
    ensureLoaded();
    return window_->frameGeometry().width();
}

int Form::height() {
    ensureLoaded();
    return window_->frameGeometry().height();
}

void Form::move(int l, int t, int w, int h) {
    ensureLoaded();
    const QRect outer = window_->frameGeometry();
    QRect r(l == kKeep ? outer.x() : l, t == kKeep ? outer.y() : t,
            (w == kKeep || w == -1) ? outer.width() : std::max(0, w),
            (h == kKeep || h == -1) ? outer.height() : std::max(0, h));
    if (r == outer)
        return;
    if (r.topLeft() != outer.topLeft())
        window_->move(r.topLeft());
    if (r.size() != outer.size()) {
        const QMargins m = frameMargins();
        QSize inner(std::max(0, r.width() - m.left() - m.right()),
                    std::max(0, r.height() - m.top() - m.bottom()));
        if (desc_->framed)
            window_->setFixedSize(inner);
        else
            window_->resize(inner);
        if (!window_->isVisible())
            static_cast<detail::FormWindow*>(window_.data())->setPendingOuterSize(r.size());
    }
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
        QPoint centre((screenWidth() - width()) / 2, (screenHeight() - height()) / 2);
        if (centre != QPoint(left(), top()))
            window_->move(centre);
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
    if (!offscreen()) {
        window_->setWindowOpacity(alpha / 255.0);
        window_->update();
    }
}

int Form::transparency() {
    ensureLoaded();
    return alpha_;
}

// ---------------------------------------------------------------------------------------------
// Control

Control::Control(Form& form, const detail::ControlDesc& desc) : form_(form), desc_(desc), kind_(desc.kind) {}
Control::~Control() = default;

const QString& Control::name() const {
    return desc_.name;
}
const QJsonObject& Control::props() const {
    return desc_.props;
}

void Control::ensureLoaded() const {
    form_.ensureLoaded();
}

QWidget* Control::widget() {
    return widget_;
}

void Control::applyCommon(QWidget* w) {
    w->setGeometry(desc_.left, desc_.top, desc_.width, desc_.height);
    if (props().contains(QLatin1String("font")))
        w->setFont(detail::fontFrom(props()));
    if (props().contains(QLatin1String("tooltip")))
        w->setToolTip(props().value(QLatin1String("tooltip")).toString());
    if (w->focusPolicy() != Qt::NoFocus)
        w->setFocusPolicy(desc_.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    w->setEnabled(!desc_.disabled);
    w->setVisible(desc_.visible);
}

std::optional<bool> Control::raise(const QString& event, int row) {
    if (!form_.isLoaded() || form_.unloading_)
        return std::nullopt;
    return form_.raise(event, this, nullptr, row);
}

Text Control::readText() {
    if (auto* l = qobject_cast<QLabel*>(widget_.data()))
        return Text(l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(widget_.data()))
        return Text(b->text());
    return {};
}

void Control::writeText(const Text& t) {
    if (auto* l = qobject_cast<QLabel*>(widget_.data()))
        l->setText(t.toQString());
    else if (auto* b = qobject_cast<QAbstractButton*>(widget_.data()))
        b->setText(t.toQString());
}

Text Control::text() {
    ensureLoaded();
    return readText();
}

void Control::setText(const Text& t) {
    ensureLoaded();
    writeText(t);
}

bool Control::visible() {
    ensureLoaded();
    return widget_ ? !widget_->isHidden() : visibleNoWidget_;
}

void Control::setVisible(bool v) {
    ensureLoaded();
    if (widget_)
        widget_->setVisible(v);
    else
        visibleNoWidget_ = v;
}

bool Control::disabled() {
    ensureLoaded();
    return widget_ ? widget_->testAttribute(Qt::WA_ForceDisabled) : disabledNoWidget_;
}

void Control::setDisabled(bool d) {
    ensureLoaded();
    if (widget_)
        widget_->setEnabled(!d);
    else
        disabledNoWidget_ = d;
}

int Control::left() {
    ensureLoaded();
    return widget_ ? widget_->x() : desc_.left;
}

int Control::top() {
    ensureLoaded();
    return widget_ ? widget_->y() : desc_.top;
}

int Control::width() {
    ensureLoaded();
    return widget_ ? widget_->width() : desc_.width;
}

int Control::height() {
    ensureLoaded();
    return widget_ ? widget_->height() : desc_.height;
}

void Control::move(int l, int t, int w, int h) {
    ensureLoaded();
    if (!widget_)
        return;
    const QRect g = widget_->geometry();
    QRect r(l == kKeep ? g.x() : l, t == kKeep ? g.y() : t,
            (w == kKeep || w == -1) ? g.width() : std::max(0, w),
            (h == kKeep || h == -1) ? g.height() : std::max(0, h));
    if (r == g)
        return;
    widget_->setGeometry(r);
    widget_->update();
}

int Control::clientWidth() {
    ensureLoaded();
    return widget_ ? widget_->contentsRect().width() : 0;
}

int Control::clientHeight() {
    ensureLoaded();
    return widget_ ? widget_->contentsRect().height() : 0;
}

void Control::setFocus() {
    ensureLoaded();
    if (widget_)
        widget_->setFocus(Qt::OtherFocusReason);
}

bool Control::hasFocus() {
    ensureLoaded();
    return widget_ && (widget_->hasFocus() || widget_->window()->focusWidget() == widget_);
}

long long Control::handle() {
    ensureLoaded();
    // Controls are no native windows; the widget's address identifies them while they exist.
    return static_cast<long long>(reinterpret_cast<quintptr>(widget_ ? widget_.data() : nullptr));
}

Text Control::tag() {
    ensureLoaded();
    return tag_;
}

void Control::setTag(const Text& t) {
    ensureLoaded();
    tag_ = t;
}

QFont Control::font() {
    ensureLoaded();
    return widget_ ? widget_->font() : QFont();
}

void Control::setFont(const QFont& f) {
    ensureLoaded();
    if (widget_)
        widget_->setFont(f);
}

// ---- edit box ----

namespace {
QString colorCss(const QColor& c) {
    return QStringLiteral("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
}
} // namespace

bool EditBox::isMultiLine() const {
    return props().value(QLatin1String("multiLine")).toBool();
}

QWidget* EditBox::build(QWidget* parent) {
    const QJsonObject& p = props();
    const QString border = p.value(QLatin1String("border")).toString(QStringLiteral("sunken"));
    QString css;
    QWidget* w;
    if (isMultiLine()) {
        auto* e = new QPlainTextEdit(parent);
        const QString bars = p.value(QLatin1String("scrollBars")).toString(QStringLiteral("none"));
        const bool horizontal = bars == QLatin1String("horizontal") || bars == QLatin1String("both");
        const bool vertical = bars == QLatin1String("vertical") || bars == QLatin1String("both");
        e->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        e->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        e->setLineWrapMode(horizontal ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
        e->setTabChangesFocus(true);
        w = e;
        if (border == QLatin1String("none"))
            e->setFrameShape(QFrame::NoFrame);
        else if (border == QLatin1String("single"))
            css += QStringLiteral("QPlainTextEdit{border:1px solid black;}");
    } else {
        auto* e = new detail::LineEditWidget(parent);
        const QString mode = p.value(QLatin1String("inputMode")).toString(QStringLiteral("normal"));
        if (mode == QLatin1String("password")) {
            e->setEchoMode(QLineEdit::Password);
            QString mask = p.value(QLatin1String("mask")).toString(QStringLiteral("*"));
            char32_t maskChar = mask.isEmpty() ? U'*' : mask.toUcs4().value(0, U'*');
            css += QStringLiteral("QLineEdit{lineedit-password-character:%1;}").arg(uint(maskChar));
        } else if (mode == QLatin1String("integer")) {
            e->integerMode = true;
            e->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9-]*")), e));
        }
        if (int max = p.value(QLatin1String("maxLength")).toInt(); max > 0)
            e->setMaxLength(max);
        e->setAlignment(detail::alignmentFromText(p.value(QLatin1String("align")).toString()) |
                        Qt::AlignVCenter);
        if (border == QLatin1String("none"))
            e->setFrame(false);
        else if (border == QLatin1String("single"))
            css += QStringLiteral("QLineEdit{border:1px solid black;}");
        e->setText(p.value(QLatin1String("text")).toString());
        w = e;
    }
    QPalette pal = w->palette();
    if (auto c = detail::colorFrom(p, "textColor"))
        pal.setColor(QPalette::Text, *c);
    if (auto c = detail::colorFrom(p, "backColor"))
        pal.setColor(QPalette::Base, *c);
    w->setPalette(pal);
    if (!css.isEmpty()) {
        // Style sheets ignore the palette for rules they set; carry the colours over.
        if (auto c = detail::colorFrom(p, "textColor"))
            css += QStringLiteral("QLineEdit,QPlainTextEdit{color:%1;}").arg(colorCss(*c));
        if (auto c = detail::colorFrom(p, "backColor"))
            css += QStringLiteral("QLineEdit,QPlainTextEdit{background-color:%1;}").arg(colorCss(*c));
        w->setStyleSheet(css);
    }
    if (isMultiLine())
        static_cast<QPlainTextEdit*>(w)->setPlainText(p.value(QLatin1String("text")).toString());
    return w;
}

Text EditBox::readText() {
    if (auto* e = qobject_cast<QPlainTextEdit*>(widget_.data())) {
        QString s = e->toPlainText();
        s.replace(QLatin1Char('\n'), QLatin1String("\r\n")); // the Windows edit box's line ends
        return Text(s);
    }
    if (auto* e = qobject_cast<QLineEdit*>(widget_.data()))
        return Text(e->text());
    return {};
}

void EditBox::writeText(const Text& t) {
    QString s = t.toQString();
    if (auto* e = qobject_cast<QPlainTextEdit*>(widget_.data())) {
        s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        e->setPlainText(s);
    } else if (auto* e = qobject_cast<QLineEdit*>(widget_.data())) {
        e->setText(s);
    }
}

int EditBox::maxLength() {
    ensureLoaded();
    if (auto* e = qobject_cast<QLineEdit*>(widget_.data()))
        return e->maxLength() == 32767 ? 0 : e->maxLength();
    return 0;
}

void EditBox::setMaxLength(int n) {
    ensureLoaded();
    if (auto* e = qobject_cast<QLineEdit*>(widget_.data()))
        e->setMaxLength(n > 0 ? n : 32767);
}

// ---- date box ----

QWidget* DateBox::build(QWidget* parent) {
    auto* e = new QDateEdit(parent);
    e->setCalendarPopup(true);
    e->setDisplayFormat(QStringLiteral("yyyy年M月d日"));
    e->setMinimumDate(QDate(100, 1, 1));
    e->setMaximumDate(QDate(9999, 12, 31));
    QJsonValue v = props().value(QLatin1String("value"));
    value_ = v.isDouble() ? v.toDouble() : datePart(now());
    e->setDate(toQDateTime(value_).date());
    QObject::connect(e, &QDateEdit::dateChanged, e, [this](QDate d) {
        value_ = makeDate(d.year(), d.month(), d.day());
        raise(QStringLiteral("valueChanged"));
    });
    return e;
}

double DateBox::value() {
    ensureLoaded();
    return value_;
}

void DateBox::setValue(double d) {
    ensureLoaded();
    value_ = d;
    auto* e = static_cast<QDateEdit*>(widget_.data());
    QSignalBlocker block(e); // only the user's changes raise the event
    e->setDate(toQDateTime(d).date());
}

Text DateBox::readText() {
    return dateText(value_);
}

void DateBox::writeText(const Text& t) {
    QDate d = QDate::fromString(t.toQString(), QStringLiteral("yyyy年M月d日"));
    if (d.isValid())
        setValue(makeDate(d.year(), d.month(), d.day()));
}

// ---- label, shape ----

QWidget* Label::build(QWidget* parent) {
    auto* l = new QLabel(parent);
    const QJsonObject& p = props();
    l->setTextFormat(Qt::PlainText);
    Qt::Alignment v = Qt::AlignVCenter;
    if (p.value(QLatin1String("valign")).toString() == QLatin1String("top"))
        v = Qt::AlignTop;
    else if (p.value(QLatin1String("valign")).toString() == QLatin1String("bottom"))
        v = Qt::AlignBottom;
    l->setAlignment(detail::alignmentFromText(p.value(QLatin1String("align")).toString()) | v);
    l->setWordWrap(p.value(QLatin1String("wordWrap")).toBool());
    if (auto c = detail::colorFrom(p, "textColor")) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::Active, QPalette::WindowText, *c);
        pal.setColor(QPalette::Inactive, QPalette::WindowText, *c);
        l->setPalette(pal);
    }
    l->setText(p.value(QLatin1String("caption")).toString());
    return l;
}

QWidget* ShapeBox::build(QWidget* parent) {
    auto* s = new detail::ShapeWidget(parent);
    s->shape = props().value(QLatin1String("shape")).toString(QStringLiteral("hline"));
    if (auto c = detail::colorFrom(props(), "lineColor"))
        s->lineColor = *c;
    return s;
}

// ---- buttons and pictures ----

QWidget* SuperButton::build(QWidget* parent) {
    auto* b = new detail::SuperButtonWidget(parent);
    b->setText(props().value(QLatin1String("caption")).toString());
    if (auto c = detail::colorFrom(props(), "textColor"))
        b->textColor = *c;
    QObject::connect(b, &QAbstractButton::clicked, b, [this] { raise(QStringLiteral("clicked")); });
    return b;
}

void SuperButton::setPicture(Picture which, const QImage& picture) {
    ensureLoaded();
    auto* b = static_cast<detail::SuperButtonWidget*>(widget_.data());
    b->pictures[size_t(which)] = picture;
    b->update();
}

void SuperButton::setPicture(Picture which, const Bytes& imageData) {
    setPicture(which, imageFromBytes(imageData));
}

void SuperButton::setPictures(const QImage& normal, const QImage& hover, const QImage& disabled) {
    setPicture(Normal, normal);
    setPicture(Hover, hover);
    setPicture(Disabled, disabled);
}

QImage SuperButton::picture(Picture which) {
    ensureLoaded();
    return static_cast<detail::SuperButtonWidget*>(widget_.data())->pictures[size_t(which)];
}

QWidget* GraphicButton::build(QWidget* parent) {
    auto* b = new detail::GraphicButtonWidget(parent);
    QObject::connect(b, &QAbstractButton::clicked, b, [this] { raise(QStringLiteral("clicked")); });
    return b;
}

void GraphicButton::setPicture(Picture which, const QImage& picture) {
    ensureLoaded();
    auto* b = static_cast<detail::GraphicButtonWidget*>(widget_.data());
    b->pictures[size_t(which)] = picture;
    b->update();
}

void GraphicButton::setPicture(Picture which, const Bytes& imageData) {
    setPicture(which, imageFromBytes(imageData));
}

QImage GraphicButton::picture(Picture which) {
    ensureLoaded();
    return static_cast<detail::GraphicButtonWidget*>(widget_.data())->pictures[size_t(which)];
}

QWidget* PictureBox::build(QWidget* parent) {
    auto* w = new detail::PictureWidget(parent);
    w->backColor = detail::colorFrom(props(), "backColor");
    w->border = props().value(QLatin1String("border")).toString(QStringLiteral("none"));
    w->mode = props().value(QLatin1String("pictureMode")).toString(QStringLiteral("topLeft"));
    return w;
}

void PictureBox::setPicture(const QImage& picture) {
    ensureLoaded();
    auto* w = static_cast<detail::PictureWidget*>(widget_.data());
    w->picture = picture;
    w->update();
}

void PictureBox::setPicture(const Bytes& imageData) {
    setPicture(imageFromBytes(imageData));
}

QImage PictureBox::picture() {
    ensureLoaded();
    return static_cast<detail::PictureWidget*>(widget_.data())->picture;
}

// ---- status bar ----

QWidget* StatusBar::build(QWidget* parent) {
    auto* s = new detail::StatusBarWidget(parent);
    for (const QJsonValue& v : props().value(QLatin1String("panes")).toArray())
        s->panes.push_back({v.toObject().value(QLatin1String("width")).toInt(),
                            v.toObject().value(QLatin1String("text")).toString()});
    return s;
}

int StatusBar::paneCount() {
    ensureLoaded();
    return int(static_cast<detail::StatusBarWidget*>(widget_.data())->panes.size());
}

void StatusBar::setPaneText(int pane, const Text& t) {
    ensureLoaded();
    auto* s = static_cast<detail::StatusBarWidget*>(widget_.data());
    if (pane < 0 || pane >= int(s->panes.size()))
        return;
    s->panes[size_t(pane)].text = t.toQString();
    s->update();
}

Text StatusBar::paneText(int pane) {
    ensureLoaded();
    auto* s = static_cast<detail::StatusBarWidget*>(widget_.data());
    if (pane < 0 || pane >= int(s->panes.size()))
        return {};
    return Text(s->panes[size_t(pane)].text);
}

// ---- super list view ----

QWidget* ListView::build(QWidget* parent) {
    auto* v = new detail::ListViewWidget(parent);
    std::vector<detail::ListModel::Column> cols;
    for (const QJsonValue& c : props().value(QLatin1String("columns")).toArray()) {
        QJsonObject o = c.toObject();
        cols.push_back({o.value(QLatin1String("title")).toString(), o.value(QLatin1String("width")).toInt(),
                        detail::alignmentFromText(o.value(QLatin1String("align")).toString())});
    }
    auto* m = new detail::ListModel(cols, v);
    v->setModel(m);
    for (size_t i = 0; i < cols.size(); ++i)
        v->header()->resizeSection(int(i), cols[i].width);
    v->setAlternatingRowColors(false);
    if (props().value(QLatin1String("gridLines")).toBool())
        v->setStyleSheet(QStringLiteral(
            "QTreeView::item{border-right:1px solid #d0d0d0;border-bottom:1px solid #d0d0d0;}"));
    QObject::connect(v->selectionModel(), &QItemSelectionModel::currentRowChanged, v,
                     [this](const QModelIndex& now, const QModelIndex& before) {
                         if (now.isValid() && now.row() != before.row())
                             raise(QStringLiteral("currentRowChanged"), now.row());
                     });
    v->onRightClick = [this, v] { raise(QStringLiteral("rightClicked"), v->currentIndex().row()); };
    v->onDoubleClick = [this, v] { raise(QStringLiteral("doubleClicked"), v->currentIndex().row()); };
    return v;
}

detail::ListModel* ListView::model() {
    ensureLoaded();
    return static_cast<detail::ListModel*>(static_cast<QTreeView*>(widget_.data())->model());
}

int ListView::count() {
    return model()->rowCount();
}
int ListView::columnCount() {
    return model()->columnCount();
}
int ListView::addItem(const Text& text) {
    return model()->appendRow(text.toQString());
}
void ListView::setItemText(int row, int column, const Text& t) {
    model()->setCell(row, column, t.toQString());
}
Text ListView::itemText(int row, int column) {
    return Text(model()->cell(row, column));
}
void ListView::clear() {
    model()->clearRows();
}
void ListView::setLazyRows(int rows, RowProvider provider) {
    model()->setLazy(rows, std::move(provider));
}

int ListView::selectedIndex() {
    model(); // ends the program when the form is not loaded
    auto* v = static_cast<QTreeView*>(widget_.data());
    QModelIndex i = v->selectionModel()->currentIndex();
    return i.isValid() && v->selectionModel()->isRowSelected(i.row(), QModelIndex()) ? i.row() : -1;
}

void ListView::setSelectedIndex(int row) {
    detail::ListModel* m = model();
    auto* v = static_cast<QTreeView*>(widget_.data());
    if (row < 0 || row >= m->rowCount()) {
        v->selectionModel()->clearSelection();
        return;
    }
    v->selectionModel()->setCurrentIndex(m->index(row, 0),
                                         QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    v->scrollTo(m->index(row, 0));
}

ListView::Batch::Batch(ListView& v) : view_(v) {
    view_.model()->beginBatch();
}
ListView::Batch::~Batch() {
    if (view_.isLoaded())
        view_.model()->endBatch();
}

// ---- timer, tray icon ----

QWidget* Timer::build(QWidget*) {
    timer_ = std::make_unique<QTimer>();
    QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] { raise(QStringLiteral("tick")); });
    if (int ms = props().value(QLatin1String("interval")).toInt(); ms > 0)
        timer_->start(ms);
    return nullptr;
}

// Deleted by the event loop: its own signal may still be on the stack when the form goes.
void Timer::unbuild() {
    timer_->stop();
    timer_.release()->deleteLater();
}

int Timer::interval() {
    ensureLoaded();
    return timer_->isActive() ? timer_->interval() : 0;
}

void Timer::setInterval(int ms) {
    ensureLoaded();
    if (ms <= 0)
        timer_->stop();
    else if (!timer_->isActive() || timer_->interval() != ms)
        timer_->start(ms);
}

QWidget* TrayIcon::build(QWidget*) {
    tray_ = std::make_unique<QSystemTrayIcon>();
    tray_->setToolTip(props().value(QLatin1String("tooltip")).toString());
    QObject::connect(tray_.get(), &QSystemTrayIcon::activated, tray_.get(),
                     [this](QSystemTrayIcon::ActivationReason r) {
                         if (r == QSystemTrayIcon::DoubleClick)
                             raise(QStringLiteral("doubleClicked"));
                         else if (r == QSystemTrayIcon::Context)
                             raise(QStringLiteral("rightButtonReleased"));
                         else if (r == QSystemTrayIcon::Trigger)
                             raise(QStringLiteral("clicked"));
                     });
    if (!programIcon().isNull())
        setIcon(programIcon());
    return nullptr;
}

void TrayIcon::unbuild() {
    tray_->hide();
    tray_.release()->deleteLater();
}

void TrayIcon::setIcon(const QIcon& icon) {
    ensureLoaded();
    tray_->setIcon(icon);
    // Without a notification area there is simply no icon; Qt shows it if one appears later.
    if (!icon.isNull() && !offscreen())
        tray_->show();
}

void TrayIcon::setIcon(const Bytes& imageData) {
    QImage img = imageFromBytes(imageData);
    setIcon(img.isNull() ? QIcon() : QIcon(QPixmap::fromImage(img)));
}

Text TrayIcon::tooltip() {
    ensureLoaded();
    return Text(tray_->toolTip());
}

void TrayIcon::setTooltip(const Text& t) {
    ensureLoaded();
    tray_->setToolTip(t.toQString());
}

bool TrayIcon::isShown() {
    ensureLoaded();
    return tray_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

// ---- data-access controls ----

QWidget* ConnectionControl::build(QWidget*) {
    object_ = std::make_unique<CommonConnection>();
    return nullptr;
}

void ConnectionControl::unbuild() {
    object_.reset();
}

CommonConnection& ConnectionControl::object() {
    ensureLoaded();
    return *object_;
}

QWidget* RecordSetControl::build(QWidget*) {
    object_ = std::make_unique<RecordSet>();
    return nullptr;
}

void RecordSetControl::unbuild() {
    object_.reset();
}

RecordSet& RecordSetControl::object() {
    ensureLoaded();
    return *object_;
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

MenuItem::MenuItem(Form& form, const detail::MenuItemDesc& desc) : form_(form), desc_(desc) {}

const QString& MenuItem::name() const {
    return desc_.name;
}
int MenuItem::level() const {
    return desc_.level;
}
QString MenuItem::shortcut() const {
    return desc_.shortcut;
}

void MenuItem::build(QMenu* parentMenu, QMenuBar* bar) {
    caption_ = Text(desc_.caption);
    hidden_ = desc_.hidden;
    disabled_ = desc_.disabled;
    checked_ = desc_.checked;
    if (desc_.level == 0) {
        menu_ = parentMenu;
        action_ = parentMenu->menuAction();
        action_->setText(desc_.caption);
        action_->setEnabled(!disabled_);
        if (!hidden_)
            bar->addAction(action_);
        return;
    }
    action_ = new QAction(parentMenu);
    if (desc_.caption == QLatin1String("-")) {
        action_->setSeparator(true);
    } else {
        updateText();
        if (!desc_.shortcut.isEmpty()) {
            action_->setShortcut(keyFor(desc_.shortcut));
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
    if (!desc_.shortcut.isEmpty() && desc_.level == 1)
        t += QLatin1Char('\t') + desc_.shortcut;
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
