#include "runtime/qt/widgets.h"
#include "runtime/qt/description.h"
#include "runtime/qt/painter.h"
#include "runtime/qt/access.h"
#include "runtime/text.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QStyleOptionButton>
#include <QToolTip>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <limits>
#include <map>
#include <optional>

namespace rt::detail {

// ---- FormWindow ----

FormWindow::FormWindow(Form* form, QWidget* owner, Qt::WindowFlags flags, bool framed)
    : QWidget(owner, flags), form_(form), framed_(framed) {}

void FormWindow::closeEvent(QCloseEvent* e) {
    // The form decides; when it agrees it takes the window down itself.
    e->ignore();
    bool accept = true;
    form_->onCloseRequested(accept);
}

void FormWindow::layoutParts() {
    int barHeight = 0;
    if (menuBar_ && !menuBar_->isHidden()) {
        barHeight = menuBar_->sizeHint().height();
        menuBar_->setGeometry(0, 0, width(), barHeight);
    }
    if (QWidget* client = qt::clientArea(*form_))
        client->setGeometry(0, barHeight, width(), std::max(0, height() - barHeight));
}

QMargins FormWindow::frame() {
    if (!framed_)
        return {};
    const QRect f = frameGeometry();
    const QRect g = geometry();
    const QMargins m(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
    // A frame read while the window system is still busy with an earlier size can come out
    // negative or absurd; such a reading is not taken.
    const bool plausible = m.left() >= 0 && m.right() >= 0 && m.top() >= 0 && m.bottom() >= 0 &&
                           m.left() + m.right() < 200 && m.top() + m.bottom() < 200;
    if (plausible && !m.isNull())
        frame_ = m;
    return frame_;
}

void FormWindow::setOuterSize(QSize s) {
    outer_ = QSize(std::max(0, s.width()), std::max(0, s.height()));
    fitToFrame();
}

void FormWindow::fitToFrame() {
    if (!outer_.isValid())
        return;
    const QMargins m = frame();
    const QSize inner(std::max(0, outer_.width() - m.left() - m.right()),
                      std::max(0, outer_.height() - m.top() - m.bottom()));
    if (framed_) {
        if (minimumSize() != inner || maximumSize() != inner)
            setFixedSize(inner);
    } else if (size() != inner) {
        resize(inner);
    }
}

void FormWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    layoutParts();
    if (framed_ && isVisible())
        fitToFrame();
}

void FormWindow::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    // The window manager's frame becomes known after the window is mapped; the window then
    // moves to make room for it.
    if (framed_ && isVisible())
        fitToFrame();
}

void FormWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    fitToFrame();
}

void FormWindow::reassert(QPoint at) {
    QWindow* handle = windowHandle();
    if (!handle || !outer_.isValid())
        return;
    const QMargins m = frame();
    const QRect inside(at + QPoint(m.left(), m.top()),
                       QSize(std::max(1, outer_.width() - m.left() - m.right()),
                             std::max(1, outer_.height() - m.top() - m.bottom())));
    // Two requests that differ, so that neither is taken for the current state and left out.
    handle->setGeometry(inside.translated(1, 0));
    handle->setGeometry(inside);
}

void FormWindow::setKeyButtons(QAbstractButton* enter, QAbstractButton* escape) {
    enterButton_ = enter;
    escapeButton_ = escape;
}

void FormWindow::keyPressEvent(QKeyEvent* e) {
    // Reaches the window only when the focused control has no use for the key: a single-line
    // box passes Enter and Esc on, a multi-line box keeps Enter. On a focused button Enter does
    // nothing here, so that it never presses a different button than the one that has the focus.
    QAbstractButton* target = nullptr;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (!qobject_cast<QAbstractButton*>(focusWidget()))
            target = enterButton_;
    } else if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        target = escapeButton_;
    }
    if (!target || !target->isVisible() || !target->isEnabled() || isHeldKeyRepeat(e)) {
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    target->click();
}

// ---- held keys ----

namespace {

// How long a doubtful press waits for what follows it before it counts as a fresh one.
constexpr int kDoubtfulWaitMs = 400;

class HeldKeyWatch : public QObject {
public:
    enum class Press { Fresh, Doubtful, Repeat };
    struct State {
        bool down = false;
        quint64 pressedAt = 0;
        quint64 releasedAt = 0;
        Press kind = Press::Fresh;
    };
    std::map<int, State> keys;

    HeldKeyWatch() {
        decide_.setSingleShot(true);
        connect(&decide_, &QTimer::timeout, this, &HeldKeyWatch::replay);
    }

    // What the window system's press `e` is; the program's own presses are always fresh.
    Press kindOf(const QKeyEvent* e) const {
        if (e->isAutoRepeat())
            return Press::Repeat;
        // Only key events from the window system carry a time; the program's own have none.
        if (!e->spontaneous() || e->timestamp() == 0 || e->type() != QEvent::KeyPress)
            return Press::Fresh;
        auto it = keys.find(e->key());
        return it != keys.end() && it->second.pressedAt == e->timestamp() ? it->second.kind : Press::Fresh;
    }

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease)
            return false;
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->spontaneous() && k->timestamp() != 0)
            note(k);
        // A held key answers no box and chooses no menu item; a doubtful press waits.
        if (e->type() == QEvent::KeyPress && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (!qobject_cast<QMenu*>(w) && !qobject_cast<QMessageBox*>(w->window()))
                return false;
            switch (kindOf(k)) {
            case Press::Fresh:
                return false;
            case Press::Repeat:
                return true;
            case Press::Doubtful:
                if (!pending_ || pending_->at != k->timestamp()) {
                    pending_ = Pending{k->key(), k->modifiers(), k->text(), k->timestamp(), w};
                    decide_.start(kDoubtfulWaitMs);
                }
                return true;
            }
        }
        return false;
    }

private:
    // A press held back until what follows tells whether the key was let go in between.
    struct Pending {
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        quint64 at;
        QPointer<QWidget> to;
        bool released = false;
    };

    // Each event reaches the filter more than once (window, then widget): only its first passage
    // counts. The window system repeats a held key either as presses alone, or as a release and a
    // press with one and the same time stamp. A release goes unseen when the window that took the
    // press closed on it: then a press within a second of the last one is doubtful, the first
    // repeat of a held key or a fresh press. More presses right behind it make it a repeat; its
    // release, or a pause, make it a fresh press, handed on then.
    void note(const QKeyEvent* k) {
        State& s = keys[k->key()];
        const quint64 t = k->timestamp();
        if (k->type() == QEvent::KeyRelease) {
            if (t != s.releasedAt) {
                s.down = false;
                s.releasedAt = t;
                if (pending_ && pending_->key == k->key()) {
                    pending_->released = true; // let go: the press was a fresh one
                    decide_.start(0);
                }
            }
            return;
        }
        if (t == s.pressedAt)
            return;
        if (pending_ && pending_->key == k->key() && !pending_->released) {
            // A press right behind a doubtful one: the key is held.
            pending_.reset();
            decide_.stop();
            s.kind = Press::Repeat;
        } else if (t == s.releasedAt) {
            s.kind = Press::Repeat;
        } else if (s.down && t - s.pressedAt < 1000) {
            s.kind = s.kind == Press::Fresh ? Press::Doubtful : Press::Repeat;
        } else {
            // Presses still coming in after a second are a new press, even if a release was lost.
            s.kind = Press::Fresh;
        }
        s.down = true;
        s.pressedAt = t;
    }

    // Hands a doubtful press on as a fresh one, as the program's own event, to the widget that
    // would have had it, if that is still shown.
    void replay() {
        if (!pending_)
            return;
        const Pending p = *pending_;
        pending_.reset();
        auto it = keys.find(p.key);
        if (it != keys.end() && it->second.pressedAt == p.at)
            it->second.kind = Press::Fresh;
        if (!p.to || !p.to->isVisible())
            return;
        QKeyEvent press(QEvent::KeyPress, p.key, p.modifiers, p.text);
        QCoreApplication::sendEvent(p.to, &press);
    }

    std::optional<Pending> pending_;
    QTimer decide_;
};

HeldKeyWatch*& heldKeyWatch() {
    static HeldKeyWatch* watch = nullptr;
    return watch;
}

} // namespace

bool isHeldKeyRepeat(const QKeyEvent* e) {
    if (e->isAutoRepeat())
        return true;
    return heldKeyWatch() && heldKeyWatch()->kindOf(e) != HeldKeyWatch::Press::Fresh;
}

void watchHeldKeys() {
    if (heldKeyWatch() || !QCoreApplication::instance())
        return;
    heldKeyWatch() = new HeldKeyWatch;
    heldKeyWatch()->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(heldKeyWatch());
}

// ---- ClientArea ----

void ClientArea::setPicture(const QImage& img) {
    picture_ = img;
    pixmap_ = img.isNull() ? QPixmap() : QPixmap::fromImage(img);
    update();
}

void ClientArea::paintEvent(QPaintEvent*) {
    if (pixmap_.isNull())
        return;
    QPainter p(this);
    p.drawTiledPixmap(rect(), pixmap_);
}

// ---- SuperButtonWidget ----

SuperButtonWidget::SuperButtonWidget(QWidget* parent) : QPushButton(parent) {
    setAttribute(Qt::WA_Hover);
    setAutoDefault(false);
}

void SuperButtonWidget::paintEvent(QPaintEvent* e) {
    if (pictures[0].isNull()) {
        QPushButton::paintEvent(e);
        return;
    }
    QPainter p(this);
    const QImage* img = &pictures[0];
    if (!isEnabled() && !pictures[2].isNull())
        img = &pictures[2];
    else if (isEnabled() && underMouse() && !pictures[1].isNull())
        img = &pictures[1];
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), *img);
    QRect r = rect();
    if (isDown())
        r.translate(1, 1);
    p.setFont(font());
    p.setPen(isEnabled() ? textColor : palette().color(QPalette::Disabled, QPalette::ButtonText));
    p.drawText(r, Qt::AlignCenter | Qt::TextShowMnemonic, text());
    if (hasFocus()) {
        QStyleOptionFocusRect o;
        o.initFrom(this);
        o.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &p, this);
    }
}

void SuperButtonWidget::enterEvent(QEnterEvent* e) {
    QPushButton::enterEvent(e);
    update();
}

void SuperButtonWidget::leaveEvent(QEvent* e) {
    QPushButton::leaveEvent(e);
    update();
}

// ---- GraphicButtonWidget ----

GraphicButtonWidget::GraphicButtonWidget(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
}

void GraphicButtonWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QImage* img = &pictures[0];
    if (!isEnabled() && !pictures[3].isNull())
        img = &pictures[3];
    else if (isDown() && !pictures[2].isNull())
        img = &pictures[2];
    else if (underMouse() && !pictures[1].isNull())
        img = &pictures[1];
    if (!img->isNull()) {
        p.drawImage(rect(), *img);
        return;
    }
    // No picture yet: a plain close mark, so the button can still be found.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(isEnabled() ? QColor(60, 60, 60) : QColor(160, 160, 160), 1.5));
    QRectF r = QRectF(rect()).adjusted(4, 4, -4, -4);
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void GraphicButtonWidget::enterEvent(QEnterEvent* e) {
    QAbstractButton::enterEvent(e);
    update();
}

void GraphicButtonWidget::leaveEvent(QEvent* e) {
    QAbstractButton::leaveEvent(e);
    update();
}

// ---- PictureWidget ----

void PictureWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (backColor)
        p.fillRect(rect(), *backColor);
    if (!picture.isNull()) {
        if (mode == QLatin1String("stretch"))
            p.drawImage(rect(), picture);
        else if (mode == QLatin1String("center"))
            p.drawImage((width() - picture.width()) / 2, (height() - picture.height()) / 2, picture);
        else if (mode == QLatin1String("tile"))
            p.drawTiledPixmap(rect(), QPixmap::fromImage(picture));
        else
            p.drawImage(0, 0, picture);
    }
    if (border == QLatin1String("single")) {
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    } else if (border == QLatin1String("sunken")) {
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(0, 0, width() - 1, 0);
        p.drawLine(0, 0, 0, height() - 1);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(width() - 1, 0, width() - 1, height() - 1);
        p.drawLine(0, height() - 1, width() - 1, height() - 1);
    }
}

// ---- ShapeWidget ----

ShapeWidget::ShapeWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (shape == QLatin1String("rect")) {
        p.setPen(lineColor);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        return;
    }
    // A rule one pixel thick is a plain line; a thicker one is etched: dark above a light line.
    const bool horizontal = shape == QLatin1String("hline");
    const int thickness = horizontal ? height() : width();
    if (thickness <= 1) {
        p.fillRect(rect(), lineColor);
        return;
    }
    if (horizontal) {
        p.fillRect(0, 0, width(), thickness / 2, lineColor);
        p.fillRect(0, thickness / 2, width(), thickness - thickness / 2, Qt::white);
    } else {
        p.fillRect(0, 0, thickness / 2, height(), lineColor);
        p.fillRect(thickness / 2, 0, thickness - thickness / 2, height(), Qt::white);
    }
}

// ---- StatusBarWidget ----

StatusBarWidget::StatusBarWidget(QWidget* parent) : QWidget(parent) {
    if (parent)
        parent->installEventFilter(this);
}

void StatusBarWidget::dock() {
    QWidget* p = parentWidget();
    if (!p)
        return;
    const QRect docked(0, p->height() - height(), p->width(), height());
    if (geometry() != docked)
        setGeometry(docked);
}

void StatusBarWidget::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    dock();
}

void StatusBarWidget::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    dock();
}

bool StatusBarWidget::eventFilter(QObject* watched, QEvent* e) {
    if (watched == parentWidget() && e->type() == QEvent::Resize)
        dock();
    return false;
}

void StatusBarWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    int x = 0;
    for (size_t i = 0; i < panes.size(); ++i) {
        // The last pane reaches to the right end, as the Windows status bar draws it.
        int w = i + 1 == panes.size() ? std::max(panes[i].width, width() - x) : panes[i].width;
        QRect r(x, 1, w - 2, height() - 2);
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(r.topRight(), r.bottomRight());
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.setPen(palette().color(QPalette::WindowText));
        QRect textRect = r.adjusted(3, 0, -3, 0);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                   fontMetrics().elidedText(panes[i].text, Qt::ElideRight, textRect.width()));
        x += w;
    }
}

// ---- LineEditWidget ----

QString integerEntryText(const QString& typed) {
    double v = std::trunc(toNumber(Text(typed)));
    if (std::isnan(v))
        v = 0;
    v = std::clamp(v, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max()));
    int n = static_cast<int>(v);
    return n == 0 ? QString() : QString::number(n);
}

void LineEditWidget::focusOutEvent(QFocusEvent* e) {
    if (integerMode) {
        QString t = integerEntryText(text());
        if (t != text())
            setText(t);
    }
    QLineEdit::focusOutEvent(e);
}

// ---- ListModel ----

ListModel::ListModel(std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)) {}

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= int(columns_.size()))
        return {};
    if (role == Qt::DisplayRole)
        return cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(columns_[size_t(index.column())].align | Qt::AlignVCenter);
    return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || section < 0 || section >= int(columns_.size()))
        return {};
    if (role == Qt::DisplayRole)
        return columns_[size_t(section)].title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(columns_[size_t(section)].align | Qt::AlignVCenter);
    return {};
}

void ListModel::materialize(int row) const {
    if (!provider_ || size_t(row) >= fetched_.size() || fetched_[size_t(row)])
        return;
    fetched_[size_t(row)] = true;
    std::vector<Text> texts;
    provider_(row, texts);
    const size_t cols = columns_.size();
    for (size_t c = 0; c < cols && c < texts.size(); ++c)
        cells_[size_t(row) * cols + c] = texts[c].toQString();
}

int ListModel::appendRow(const QString& first) {
    const size_t cols = std::max<size_t>(columns_.size(), 1);
    const int row = rows_;
    if (batch_ == 0)
        beginInsertRows(QModelIndex(), row, row);
    cells_.resize(cells_.size() + cols);
    if (provider_)
        fetched_.push_back(true);
    cells_[size_t(row) * cols] = first;
    ++rows_;
    if (batch_ == 0)
        endInsertRows();
    return row;
}

void ListModel::setCell(int row, int column, const QString& text) {
    if (row < 0 || row >= rows_ || column < 0 || column >= int(columns_.size()))
        return;
    materialize(row);
    cells_[size_t(row) * columns_.size() + size_t(column)] = text;
    if (batch_ == 0) {
        QModelIndex i = index(row, column);
        emit dataChanged(i, i);
    }
}

QString ListModel::cell(int row, int column) const {
    if (row < 0 || row >= rows_ || column < 0 || column >= int(columns_.size()))
        return {};
    materialize(row);
    return cells_[size_t(row) * columns_.size() + size_t(column)];
}

void ListModel::clearRows() {
    if (batch_ == 0)
        beginResetModel();
    rows_ = 0;
    cells_.clear();
    fetched_.clear();
    provider_ = nullptr;
    if (batch_ == 0)
        endResetModel();
}

void ListModel::setLazy(int rows, ListView::RowProvider provider) {
    if (batch_ == 0)
        beginResetModel();
    rows_ = std::max(0, rows);
    const size_t cols = std::max<size_t>(columns_.size(), 1);
    cells_.assign(size_t(rows_) * cols, QString());
    fetched_.assign(size_t(rows_), false);
    provider_ = std::move(provider);
    if (batch_ == 0)
        endResetModel();
}

void ListModel::beginBatch() {
    if (batch_++ == 0)
        beginResetModel();
}

void ListModel::endBatch() {
    if (batch_ > 0 && --batch_ == 0)
        endResetModel();
}

// ---- ListViewWidget ----

ListViewWidget::ListViewWidget(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(8);
    header()->setSectionsMovable(false);
}

void ListViewWidget::contextMenuEvent(QContextMenuEvent* e) {
    e->accept();
    if (onRightClick)
        onRightClick();
}

void ListViewWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    QTreeView::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton && onDoubleClick)
        onDoubleClick();
}

// ---- ChartWidget ----

namespace {

RectF plainRect(const QRectF& r) {
    return RectF{r.x(), r.y(), r.width(), r.height()};
}

} // namespace

ChartWidget::ChartWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

ChartPicture::Metrics ChartWidget::metrics() const {
    const QFontMetricsF fm(font(), this);
    return {fm.height(), [fm](const Text& t) { return fm.horizontalAdvance(t.toQString()); }};
}

QRectF ChartWidget::chartArea() const {
    return QRectF(rect()).adjusted(4, 4, -4, -4);
}

QRectF ChartWidget::barRectInWidget(int index) const {
    const RectF r = picture.column(index, plainRect(chartArea()), metrics());
    return QRectF(r.left, r.top, r.width, r.height);
}

int ChartWidget::barAt(QPointF point) const {
    return picture.barAt({point.x(), point.y()}, plainRect(chartArea()), metrics());
}

void ChartWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), qColor(picture.backColor));
    p.setPen(QColor(190, 190, 190));
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    p.setFont(font());
    QtPainter painter(p);
    picture.draw(painter, plainRect(chartArea()));
}

void ChartWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    QWidget::mouseDoubleClickEvent(e);
    if (e->button() != Qt::LeftButton || !onDoubleClick)
        return;
    const int i = barAt(e->position());
    if (i >= 0)
        onDoubleClick(i);
}

bool ChartWidget::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const int i = barAt(help->pos());
        if (i >= 0 && !picture.bars[size_t(i)].tooltip.empty()) {
            QToolTip::showText(help->globalPos(), picture.bars[size_t(i)].tooltip.toQString(), this,
                               barRectInWidget(i).toAlignedRect());
        } else {
            QToolTip::hideText();
            e->ignore();
        }
        return true;
    }
    return QWidget::event(e);
}

} // namespace rt::detail
