// Controls: the properties every kind of control shares.
#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/display.h"
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
#include <QFontMetrics>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>

namespace rt {

// ---------------------------------------------------------------------------------------------
// Control

Control::Control(Form& form, const detail::ControlDesc& desc)
    : form_(form), desc_(desc), name_(detail::qs(desc.name)), kind_(desc.kind) {}
Control::~Control() = default;

const QString& Control::name() const {
    return name_;
}
const detail::KindProps& Control::props() const {
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
    if (props().font)
        w->setFont(detail::qFont(*props().font));
    if (props().tooltip)
        w->setToolTip(detail::qs(*props().tooltip));
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

void Control::fitCaption() {
    QFont f = font();
    f.setStyleStrategy(QFont::PreferAntialias);
    const QString text = caption().toQString();
    for (int px = f.pixelSize(); px > 6; --px) {
        f.setPixelSize(px);
        const QFontMetrics m(f);
        const int wide = std::max(m.horizontalAdvance(text), m.boundingRect(text).width());
        if (wide <= width() && m.height() <= height())
            break;
    }
    setFont(f);
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

void setTextColor(Control& control, const QColor& c) {
    QWidget* w = control.widget();
    if (!w)
        return;
    QPalette pal = w->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(g, QPalette::WindowText, c);
        pal.setColor(g, QPalette::ButtonText, c);
        pal.setColor(g, QPalette::Text, c);
    }
    w->setPalette(pal);
}

} // namespace rt
