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

bool EditBox::isMultiLine() const {
    return props().multiLine;
}

QWidget* EditBox::build(QWidget* parent) {
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
        // A box filled by the program shows the start of its text, not the end.
        e->setCursorPosition(0);
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
    return l;
}

QWidget* ShapeBox::build(QWidget* parent) {
    auto* s = new detail::ShapeWidget(parent);
    s->shape = detail::qs(props().shape);
    if (auto c = props().lineColor)
        s->lineColor = detail::qColor(*c);
    return s;
}

// ---- buttons and pictures ----

QWidget* SuperButton::build(QWidget* parent) {
    auto* b = new detail::SuperButtonWidget(parent);
    b->setText(detail::qs(props().caption));
    if (auto c = props().textColor)
        b->textColor = detail::qColor(*c);
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
    if (auto c = props().backColor)
        w->backColor = detail::qColor(*c);
    w->border = props().border.empty() ? QStringLiteral("none") : detail::qs(props().border);
    w->mode = detail::qs(props().pictureMode);
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
    for (const detail::PaneDesc& pane : props().panes)
        s->panes.push_back({pane.width, detail::qs(pane.text)});
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
                             raise(QStringLiteral("currentRowChanged"), now.row());
                     });
    QObject::connect(v, &QAbstractItemView::clicked, v, [this](const QModelIndex& i) {
        if (i.isValid())
            raise(QStringLiteral("clicked"), i.row());
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

// ---- chart ----

QWidget* Chart::build(QWidget* parent) {
    auto* w = new detail::ChartWidget(parent);
    detail::ChartPicture& c = w->picture;
    const detail::KindProps& p = props();
    for (const detail::SeriesDesc& s : p.series)
        c.series.push_back({Text::fromUtf8(s.title), s.color, s.shade});
    if (auto color = p.markColor)
        c.markColor = *color;
    if (auto color = p.lineColor)
        c.lineColor = *color;
    if (auto color = p.backColor)
        c.backColor = *color;
    c.markTitle = Text::fromUtf8(p.markTitle);
    c.lineTitle = Text::fromUtf8(p.lineTitle);
    c.unit = Text::fromUtf8(p.unit);
    w->onDoubleClick = [this](int bar) { raise(QStringLiteral("doubleClicked"), bar); };
    return w;
}

namespace {
detail::ChartWidget* chartWidget(QWidget* w) {
    return static_cast<detail::ChartWidget*>(w);
}
} // namespace

void Chart::setBars(std::vector<Bar> bars) {
    ensureLoaded();
    auto* w = chartWidget(widget_);
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
    return int(chartWidget(widget_)->picture.bars.size());
}

Chart::Bar Chart::bar(int index) {
    ensureLoaded();
    const auto& bars = chartWidget(widget_)->picture.bars;
    if (index < 0 || size_t(index) >= bars.size())
        return {};
    const auto& b = bars[size_t(index)];
    return Bar{b.value, b.series, b.label, b.tooltip, b.marked};
}

void Chart::setReferenceLine(double value, const Text& caption) {
    ensureLoaded();
    auto* w = chartWidget(widget_);
    w->picture.reference = std::isfinite(value) && value >= 0 ? value : -1;
    w->picture.referenceCaption = caption;
    w->update();
}

double Chart::referenceValue() {
    ensureLoaded();
    return chartWidget(widget_)->picture.reference;
}

Rect Chart::barRect(int index) {
    ensureLoaded();
    const QRect r = chartWidget(widget_)->barRectInWidget(index).toAlignedRect();
    return Rect{r.x(), r.y(), r.width(), r.height()};
}

int Chart::barAt(Point point) {
    ensureLoaded();
    return chartWidget(widget_)->barAt(QPointF(point.x, point.y));
}

void Chart::render(Painter& painter, const RectF& area) {
    ensureLoaded();
    chartWidget(widget_)->picture.draw(painter, area);
}

// ---- timer, tray icon ----

QWidget* Timer::build(QWidget*) {
    timer_ = std::make_unique<QTimer>();
    QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] { raise(QStringLiteral("tick")); });
    if (int ms = props().interval; ms > 0)
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
    tray_->setToolTip(detail::qs(props().tooltip.value_or(std::string())));
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
    if (!icon.isNull() && !detail::offscreenPlatform())
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

} // namespace rt
