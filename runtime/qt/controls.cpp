// The kinds of controls: edit and date boxes, labels, buttons, pictures, status bar, list
// view, timer, tray icon and the data-access controls.
#include "runtime/data_access.h"
#include "runtime/qt/conversions.h"
#include "runtime/datetime.h"
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
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cmath>

namespace rt {

// ---- edit box ----

namespace {
QString colorCss(const QColor& c) {
    return QStringLiteral("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
}
} // namespace

void EditBox::build() {
    QWidget* parent = st_->parent;
    const detail::KindProps& p = props();
    const QString border = p.border.empty() ? QStringLiteral("sunken") : detail::qs(p.border);
    QString css;
    QWidget* w;
    if (isMultiLine()) {
        auto* e = new QPlainTextEdit(parent);
        const QString bars = detail::qs(p.scrollBars);
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
        const QString mode = detail::qs(p.inputMode);
        if (mode == QLatin1String("password")) {
            e->setEchoMode(QLineEdit::Password);
            QString mask = detail::qs(p.mask);
            char32_t maskChar = mask.isEmpty() ? U'*' : mask.toUcs4().value(0, U'*');
            css += QStringLiteral("QLineEdit{lineedit-password-character:%1;}").arg(uint(maskChar));
        } else if (mode == QLatin1String("integer")) {
            e->integerMode = true;
            e->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9-]*")), e));
        }
        if (int max = p.maxLength; max > 0)
            e->setMaxLength(max);
        e->setAlignment(detail::qAlignment(p.align) |
                        Qt::AlignVCenter);
        if (border == QLatin1String("none"))
            e->setFrame(false);
        else if (border == QLatin1String("single"))
            css += QStringLiteral("QLineEdit{border:1px solid black;}");
        e->setText(detail::qs(p.text));
        e->setCursorPosition(0);
        w = e;
    }
    QPalette pal = w->palette();
    if (auto c = p.textColor)
        pal.setColor(QPalette::Text, detail::qColor(*c));
    if (auto c = p.backColor)
        pal.setColor(QPalette::Base, detail::qColor(*c));
    w->setPalette(pal);
    if (!css.isEmpty()) {
        // Style sheets ignore the palette for rules they set; carry the colours over.
        if (auto c = p.textColor)
            css += QStringLiteral("QLineEdit,QPlainTextEdit{color:%1;}").arg(colorCss(detail::qColor(*c)));
        if (auto c = p.backColor)
            css += QStringLiteral("QLineEdit,QPlainTextEdit{background-color:%1;}").arg(colorCss(detail::qColor(*c)));
        w->setStyleSheet(css);
    }
    if (isMultiLine())
        static_cast<QPlainTextEdit*>(w)->setPlainText(detail::qs(p.text));
    st_->widget = w;
}

Text EditBox::readText() {
    if (auto* e = qobject_cast<QPlainTextEdit*>(st_->widget.data())) {
        QString s = e->toPlainText();
        s.replace(QLatin1Char('\n'), QLatin1String("\r\n")); // the Windows edit box's line ends
        return Text(s);
    }
    if (auto* e = qobject_cast<QLineEdit*>(st_->widget.data()))
        return Text(e->text());
    return {};
}

void EditBox::writeText(const Text& t) {
    QString s = t.toQString();
    if (auto* e = qobject_cast<QPlainTextEdit*>(st_->widget.data())) {
        s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        e->setPlainText(s);
    } else if (auto* e = qobject_cast<QLineEdit*>(st_->widget.data())) {
        e->setText(s);
        // A box filled by the program shows the start of its text, not the end.
        e->setCursorPosition(0);
    }
}

int EditBox::maxLength() {
    ensureLoaded();
    if (auto* e = qobject_cast<QLineEdit*>(st_->widget.data()))
        return e->maxLength() == 32767 ? 0 : e->maxLength();
    return 0;
}

void EditBox::setMaxLength(int n) {
    ensureLoaded();
    if (auto* e = qobject_cast<QLineEdit*>(st_->widget.data()))
        e->setMaxLength(n > 0 ? n : 32767);
}

// ---- date box ----

void DateBox::build() {
    QWidget* parent = st_->parent;
    auto* e = new QDateEdit(parent);
    // A month box shows year and month only; its arrows step the section under the cursor.
    const bool month = props().display == "month";
    e->setCalendarPopup(!month);
    e->setDisplayFormat(month ? QStringLiteral("yyyy年M月") : QStringLiteral("yyyy年M月d日"));
    if (month)
        e->setCurrentSection(QDateTimeEdit::MonthSection);
    e->setMinimumDate(QDate(100, 1, 1));
    e->setMaximumDate(QDate(9999, 12, 31));
    value_ = props().value ? *props().value : datePart(now());
    e->setDate(toQDateTime(value_).date());
    QObject::connect(e, &QDateEdit::dateChanged, e, [this](QDate d) {
        value_ = makeDate(d.year(), d.month(), d.day());
        raise("valueChanged");
    });
    st_->widget = e;
}

void DateBox::setValue(double d) {
    ensureLoaded();
    value_ = d;
    auto* e = static_cast<QDateEdit*>(st_->widget.data());
    QSignalBlocker block(e); // only the user's changes raise the event
    e->setDate(toQDateTime(d).date());
}

void DateBox::writeText(const Text& t) {
    QDate d = QDate::fromString(t.toQString(), QStringLiteral("yyyy年M月d日"));
    if (d.isValid())
        setValue(makeDate(d.year(), d.month(), d.day()));
}

// ---- label, shape ----

void Label::build() {
    QWidget* parent = st_->parent;
    auto* l = new QLabel(parent);
    const detail::KindProps& p = props();
    l->setTextFormat(Qt::PlainText);
    Qt::Alignment v = Qt::AlignVCenter;
    if (p.valign == "top")
        v = Qt::AlignTop;
    else if (p.valign == "bottom")
        v = Qt::AlignBottom;
    l->setAlignment(detail::qAlignment(p.align) | v);
    l->setWordWrap(p.wordWrap);
    if (auto c0 = p.textColor) {
        const QColor c = detail::qColor(*c0);
        QPalette pal = l->palette();
        pal.setColor(QPalette::Active, QPalette::WindowText, c);
        pal.setColor(QPalette::Inactive, QPalette::WindowText, c);
        l->setPalette(pal);
    }
    l->setText(detail::qs(p.caption));
    st_->widget = l;
}

void ShapeBox::build() {
    QWidget* parent = st_->parent;
    auto* s = new detail::ShapeWidget(parent);
    s->shape = detail::qs(props().shape);
    if (auto c = props().lineColor)
        s->lineColor = detail::qColor(*c);
    st_->widget = s;
}

// ---- buttons and pictures ----

void SuperButton::build() {
    QWidget* parent = st_->parent;
    auto* b = new detail::SuperButtonWidget(parent);
    b->setText(detail::qs(props().caption));
    if (auto c = props().textColor)
        b->textColor = detail::qColor(*c);
    QObject::connect(b, &QAbstractButton::clicked, b, [this] { raise("clicked"); });
    st_->widget = b;
}

void SuperButton::setPicture(Picture which, const rt::Picture& picture) {
    ensureLoaded();
    auto* b = static_cast<detail::SuperButtonWidget*>(st_->widget.data());
    b->pictures[size_t(which)] = qt::image(picture);
    b->update();
}

rt::Picture SuperButton::picture(Picture which) {
    ensureLoaded();
    return qt::picture(static_cast<detail::SuperButtonWidget*>(st_->widget.data())->pictures[size_t(which)]);
}

void GraphicButton::build() {
    QWidget* parent = st_->parent;
    auto* b = new detail::GraphicButtonWidget(parent);
    QObject::connect(b, &QAbstractButton::clicked, b, [this] { raise("clicked"); });
    st_->widget = b;
}

void GraphicButton::setPicture(Picture which, const rt::Picture& picture) {
    ensureLoaded();
    auto* b = static_cast<detail::GraphicButtonWidget*>(st_->widget.data());
    b->pictures[size_t(which)] = qt::image(picture);
    b->update();
}

rt::Picture GraphicButton::picture(Picture which) {
    ensureLoaded();
    return qt::picture(static_cast<detail::GraphicButtonWidget*>(st_->widget.data())->pictures[size_t(which)]);
}

void PictureBox::build() {
    QWidget* parent = st_->parent;
    auto* w = new detail::PictureWidget(parent);
    if (auto c = props().backColor)
        w->backColor = detail::qColor(*c);
    w->border = props().border.empty() ? QStringLiteral("none") : detail::qs(props().border);
    w->mode = detail::qs(props().pictureMode);
    st_->widget = w;
}

void PictureBox::setPicture(const Picture& picture) {
    ensureLoaded();
    auto* w = static_cast<detail::PictureWidget*>(st_->widget.data());
    w->picture = qt::image(picture);
    w->update();
}

Picture PictureBox::picture() {
    ensureLoaded();
    return qt::picture(static_cast<detail::PictureWidget*>(st_->widget.data())->picture);
}

// ---- status bar ----

void StatusBar::build() {
    QWidget* parent = st_->parent;
    auto* s = new detail::StatusBarWidget(parent);
    for (const detail::PaneDesc& pane : props().panes)
        s->panes.push_back({pane.width, detail::qs(pane.text)});
    st_->widget = s;
}

int StatusBar::paneCount() {
    ensureLoaded();
    return int(static_cast<detail::StatusBarWidget*>(st_->widget.data())->panes.size());
}

void StatusBar::setPaneText(int pane, const Text& t) {
    ensureLoaded();
    auto* s = static_cast<detail::StatusBarWidget*>(st_->widget.data());
    if (pane < 0 || pane >= int(s->panes.size()))
        return;
    s->panes[size_t(pane)].text = t.toQString();
    s->update();
}

Text StatusBar::paneText(int pane) {
    ensureLoaded();
    auto* s = static_cast<detail::StatusBarWidget*>(st_->widget.data());
    if (pane < 0 || pane >= int(s->panes.size()))
        return {};
    return Text(s->panes[size_t(pane)].text);
}

// ---- super list view ----

void ListView::build() {
    QWidget* parent = st_->parent;
    auto* v = new detail::ListViewWidget(parent);
    std::vector<detail::ListModel::Column> cols;
    for (const detail::ColumnDesc& c : props().columns)
        cols.push_back({detail::qs(c.title), c.width, detail::qAlignment(c.align)});
    auto* m = new detail::ListModel(cols, v);
    v->setModel(m);
    for (size_t i = 0; i < cols.size(); ++i)
        v->header()->resizeSection(int(i), cols[i].width);
    v->setAlternatingRowColors(false);
    if (props().gridLines)
        v->setStyleSheet(QStringLiteral(
            "QTreeView::item{border-right:1px solid #d0d0d0;border-bottom:1px solid #d0d0d0;}"));
    QObject::connect(v->selectionModel(), &QItemSelectionModel::currentRowChanged, v,
                     [this](const QModelIndex& now, const QModelIndex& before) {
                         if (now.isValid() && now.row() != before.row())
                             raise("currentRowChanged", now.row());
                     });
    QObject::connect(v, &QAbstractItemView::clicked, v, [this](const QModelIndex& i) {
        if (i.isValid())
            raise("clicked", i.row());
    });
    v->onRightClick = [this, v] { raise("rightClicked", v->currentIndex().row()); };
    v->onDoubleClick = [this, v] { raise("doubleClicked", v->currentIndex().row()); };
    st_->widget = v;
}

detail::ListModel* ListView::model() {
    ensureLoaded();
    return static_cast<detail::ListModel*>(static_cast<QTreeView*>(st_->widget.data())->model());
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
    auto* v = static_cast<QTreeView*>(st_->widget.data());
    QModelIndex i = v->selectionModel()->currentIndex();
    return i.isValid() && v->selectionModel()->isRowSelected(i.row(), QModelIndex()) ? i.row() : -1;
}

void ListView::setSelectedIndex(int row) {
    detail::ListModel* m = model();
    auto* v = static_cast<QTreeView*>(st_->widget.data());
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

// ---- chart ----

void Chart::build() {
    QWidget* parent = st_->parent;
    auto* w = new detail::ChartWidget(parent);
    w->picture.describe(props());
    w->onDoubleClick = [this](int bar) { raise("doubleClicked", bar); };
    st_->widget = w;
}

namespace {
detail::ChartWidget* chartWidget(QWidget* w) {
    return static_cast<detail::ChartWidget*>(w);
}
} // namespace

void Chart::setBars(std::vector<Bar> bars) {
    ensureLoaded();
    auto* w = chartWidget(st_->widget);
    auto& shown = w->picture.bars;
    shown.clear();
    shown.reserve(bars.size());
    for (Bar& b : bars)
        shown.push_back({std::isfinite(b.value) && b.value > 0 ? b.value : 0, b.series, std::move(b.label),
                         std::move(b.tooltip), b.marked});
    w->update();
}

int Chart::barCount() {
    ensureLoaded();
    return int(chartWidget(st_->widget)->picture.bars.size());
}

Chart::Bar Chart::bar(int index) {
    ensureLoaded();
    const auto& bars = chartWidget(st_->widget)->picture.bars;
    if (index < 0 || size_t(index) >= bars.size())
        return {};
    const auto& b = bars[size_t(index)];
    return Bar{b.value, b.series, b.label, b.tooltip, b.marked};
}

void Chart::setReferenceLine(double value, const Text& caption) {
    ensureLoaded();
    auto* w = chartWidget(st_->widget);
    w->picture.reference = std::isfinite(value) && value >= 0 ? value : -1;
    w->picture.referenceCaption = caption;
    w->update();
}

double Chart::referenceValue() {
    ensureLoaded();
    return chartWidget(st_->widget)->picture.reference;
}

Rect Chart::barRect(int index) {
    ensureLoaded();
    const QRect r = chartWidget(st_->widget)->barRectInWidget(index).toAlignedRect();
    return Rect{r.x(), r.y(), r.width(), r.height()};
}

int Chart::barAt(Point point) {
    ensureLoaded();
    return chartWidget(st_->widget)->barAt(QPointF(point.x, point.y));
}

void Chart::render(Painter& painter, const RectF& area) {
    ensureLoaded();
    chartWidget(st_->widget)->picture.draw(painter, area);
}

// ---- timer, tray icon ----

void Timer::build() {
    st_->timer = std::make_unique<QTimer>();
    QObject::connect(st_->timer.get(), &QTimer::timeout, st_->timer.get(), [this] { raise("tick"); });
    if (int ms = props().interval; ms > 0)
        st_->timer->start(ms);
}

// Deleted by the event loop: its own signal may still be on the stack when the form goes.
void Timer::unbuild() {
    st_->timer->stop();
    st_->timer.release()->deleteLater();
}

int Timer::interval() {
    ensureLoaded();
    return st_->timer->isActive() ? st_->timer->interval() : 0;
}

void Timer::setInterval(int ms) {
    ensureLoaded();
    if (ms <= 0)
        st_->timer->stop();
    else if (!st_->timer->isActive() || st_->timer->interval() != ms)
        st_->timer->start(ms);
}

void TrayIcon::build() {
    st_->tray = std::make_unique<QSystemTrayIcon>();
    st_->tray->setToolTip(detail::qs(props().tooltip.value_or(std::string())));
    QObject::connect(st_->tray.get(), &QSystemTrayIcon::activated, st_->tray.get(),
                     [this](QSystemTrayIcon::ActivationReason r) {
                         if (r == QSystemTrayIcon::DoubleClick)
                             raise("doubleClicked");
                         else if (r == QSystemTrayIcon::Context)
                             raise("rightButtonReleased");
                         else if (r == QSystemTrayIcon::Trigger)
                             raise("clicked");
                     });
    if (!programIcon().isNull())
        setIcon(programIcon());
}

void TrayIcon::unbuild() {
    st_->tray->hide();
    st_->tray.release()->deleteLater();
}

void TrayIcon::setIcon(const Picture& picture) {
    ensureLoaded();
    const QIcon icon = qt::icon(picture);
    st_->tray->setIcon(icon);
    // Without a notification area there is simply no icon; Qt shows it if one appears later.
    if (!icon.isNull() && !detail::offscreenPlatform())
        st_->tray->show();
}

Text TrayIcon::tooltip() {
    ensureLoaded();
    return Text(st_->tray->toolTip());
}

void TrayIcon::setTooltip(const Text& t) {
    ensureLoaded();
    st_->tray->setToolTip(t.toQString());
}

bool TrayIcon::isShown() {
    ensureLoaded();
    return st_->tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace rt
