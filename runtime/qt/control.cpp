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
    : form_(form), desc_(desc), name_(Text::fromUtf8(desc.name)), kind_(desc.kind),
      st_(std::make_unique<detail::ControlState>()) {}
Control::~Control() = default;

namespace qt {
QWidget* widget(const Control& c) {
    return detail::ControlState::of(c).widget;
}
} // namespace qt

void Control::applyCommon() {
    QWidget* w = st_->widget;
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

Text Control::readText() {
    if (auto* l = qobject_cast<QLabel*>(st_->widget.data()))
        return Text(l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(st_->widget.data()))
        return Text(b->text());
    return {};
}

void Control::writeText(const Text& t) {
    if (auto* l = qobject_cast<QLabel*>(st_->widget.data()))
        l->setText(t.toQString());
    else if (auto* b = qobject_cast<QAbstractButton*>(st_->widget.data()))
        b->setText(t.toQString());
}

bool Control::visible() {
    ensureLoaded();
    return st_->widget ? !st_->widget->isHidden() : visibleNoWidget_;
}

void Control::setVisible(bool v) {
    ensureLoaded();
    if (st_->widget)
        st_->widget->setVisible(v);
    else
        visibleNoWidget_ = v;
}

bool Control::disabled() {
    ensureLoaded();
    return st_->widget ? st_->widget->testAttribute(Qt::WA_ForceDisabled) : disabledNoWidget_;
}

void Control::setDisabled(bool d) {
    ensureLoaded();
    if (st_->widget)
        st_->widget->setEnabled(!d);
    else
        disabledNoWidget_ = d;
}

int Control::left() {
    ensureLoaded();
    return st_->widget ? st_->widget->x() : desc_.left;
}

int Control::top() {
    ensureLoaded();
    return st_->widget ? st_->widget->y() : desc_.top;
}

int Control::width() {
    ensureLoaded();
    return st_->widget ? st_->widget->width() : desc_.width;
}

int Control::height() {
    ensureLoaded();
    return st_->widget ? st_->widget->height() : desc_.height;
}

void Control::move(int l, int t, int w, int h) {
    ensureLoaded();
    if (!st_->widget)
        return;
    const QRect g = st_->widget->geometry();
    const QRect r = qt::rect(detail::movedRect(qt::rect(g), l, t, w, h));
    if (r == g)
        return;
    st_->widget->setGeometry(r);
    st_->widget->update();
}

int Control::clientWidth() {
    ensureLoaded();
    return st_->widget ? st_->widget->contentsRect().width() : 0;
}

int Control::clientHeight() {
    ensureLoaded();
    return st_->widget ? st_->widget->contentsRect().height() : 0;
}

void Control::setFocus() {
    ensureLoaded();
    if (st_->widget)
        st_->widget->setFocus(Qt::OtherFocusReason);
}

bool Control::hasFocus() {
    ensureLoaded();
    return st_->widget && (st_->widget->hasFocus() || st_->widget->window()->focusWidget() == st_->widget);
}

long long Control::handle() {
    ensureLoaded();
    // Controls are no native windows; the widget's address identifies them while they exist.
    return static_cast<long long>(reinterpret_cast<quintptr>(st_->widget ? st_->widget.data() : nullptr));
}

void Control::fitCaption() {
    ensureLoaded();
    if (!st_->widget)
        return;
    QFont f = st_->widget->font();
    f.setStyleStrategy(QFont::PreferAntialias);
    const QString text = caption().toQString();
    for (int px = f.pixelSize(); px > 6; --px) {
        f.setPixelSize(px);
        const QFontMetrics m(f);
        const int wide = std::max(m.horizontalAdvance(text), m.boundingRect(text).width());
        if (wide <= width() && m.height() <= height())
            break;
    }
    st_->widget->setFont(f);
}

Font Control::font() {
    ensureLoaded();
    return st_->widget ? qt::fontOf(st_->widget->font()) : Font{};
}

void Control::setFont(const Font& f) {
    ensureLoaded();
    if (st_->widget)
        st_->widget->setFont(qt::font(f));
}

void setTextColor(Control& control, const Color& color) {
    const QColor c = qt::color(color);
    QWidget* w = qt::widget(control);
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
