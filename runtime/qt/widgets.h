// Qt widgets behind the control kinds (internal to the runtime).
#pragma once

#include "runtime/chart.h"
#include "runtime/form.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTreeView>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

namespace rt::detail {

// The top-level window of a form. A close request from outside (close box, Alt+F4) goes to the
// form, which asks its close-requested handler.
//
// Its size is the outer size the program asks for (frame included). A window manager draws the
// frame only after the window is mapped, and may report it late or, while the window changes
// size quickly, from an earlier size; so the window keeps the outer size asked for and fits its
// inside to it whenever it learns a plausible frame.
class FormWindow : public QWidget {
public:
    FormWindow(Form* form, QWidget* owner, Qt::WindowFlags flags, bool framed);
    Form* form() const { return form_; }
    void setMenuBar(QWidget* bar) { menuBar_ = bar; }
    void layoutParts();
    // The outer size asked for, and asking for one: the inside becomes that size less the frame.
    QSize outerSize() const { return outer_; }
    void setOuterSize(QSize s);
    // The frame around the inside: none for a window without border; for a framed one the last
    // plausible frame the window system reported (none before it has reported one).
    QMargins frame();
    // The buttons that Enter (in a single-line box) and Esc click, by the form's description.
    void setKeyButtons(QAbstractButton* enter, QAbstractButton* escape);
    // Asks the window system again for the outer size and for the outer position `at`, even where
    // Qt takes the window to be there already: while a window changes size quickly the window
    // system reports earlier steps late, and a request Qt then leaves out would be lost.
    void reassert(QPoint at);

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void fitToFrame();
    Form* form_;
    QWidget* menuBar_ = nullptr;
    const bool framed_;
    QSize outer_;
    QMargins frame_;
    QPointer<QAbstractButton> enterButton_;
    QPointer<QAbstractButton> escapeButton_;
};

// Whether a key press only repeats a key that is held down (the window system's auto-repeat, also
// when a key was left pressed by a tool that sent no release). Knows the keys once
// watchHeldKeys() has run; events the program makes itself (tests) never count as repeats.
bool isHeldKeyRepeat(const QKeyEvent* e);
// Installs the watch on the application. While it runs, the repeats of a held key choose no item
// of a menu and answer no message box: only a fresh press does.
void watchHeldKeys();

// The client area below the menu bar; draws the background picture tiled from its top-left corner.
class ClientArea : public QWidget {
public:
    explicit ClientArea(QWidget* parent) : QWidget(parent) {}
    void setPicture(const QImage& img);
    QImage picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage picture_;
    QPixmap pixmap_;
};

class SuperButtonWidget : public QPushButton {
public:
    explicit SuperButtonWidget(QWidget* parent);
    std::array<QImage, 3> pictures; // normal, pointer over, disabled
    QColor textColor = Qt::black;

protected:
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
};

class GraphicButtonWidget : public QAbstractButton {
public:
    explicit GraphicButtonWidget(QWidget* parent);
    std::array<QImage, 4> pictures; // normal, pointer over, pressed, disabled

protected:
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
};

class PictureWidget : public QWidget {
public:
    explicit PictureWidget(QWidget* parent) : QWidget(parent) {}
    QImage picture;
    QString mode = QStringLiteral("topLeft");
    QString border = QStringLiteral("none");
    std::optional<QColor> backColor;

protected:
    void paintEvent(QPaintEvent* e) override;
};

class ShapeWidget : public QWidget {
public:
    explicit ShapeWidget(QWidget* parent);
    QString shape = QStringLiteral("hline");
    QColor lineColor{128, 128, 128};

protected:
    void paintEvent(QPaintEvent* e) override;
};

// The status bar lies along the bottom edge of its parent, over the parent's whole width, as the
// Windows status bar does whatever place it was given; it follows when the parent changes size.
class StatusBarWidget : public QWidget {
public:
    explicit StatusBarWidget(QWidget* parent);
    void dock();
    struct Pane {
        int width;
        QString text;
    };
    std::vector<Pane> panes;

protected:
    void paintEvent(QPaintEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
};

// Single-line edit box; in integer mode only digits and "-" can be typed, and on losing the focus
// the text becomes the integer it denotes (limited to 32 bits, 0 shown as an empty box).
class LineEditWidget : public QLineEdit {
public:
    explicit LineEditWidget(QWidget* parent) : QLineEdit(parent) {}
    bool integerMode = false;

protected:
    void focusOutEvent(QFocusEvent* e) override;
};

// The text the integer edit box shows after losing the focus.
QString integerEntryText(const QString& typed);

// Rows of the super list view, stored as texts per cell. Either filled row by row, or lazily from a
// provider that is asked for a row when the view first needs it.
class ListModel : public QAbstractTableModel {
public:
    struct Column {
        QString title;
        int width;
        Qt::Alignment align;
    };
    explicit ListModel(std::vector<Column> columns, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    const std::vector<Column>& columns() const { return columns_; }
    int appendRow(const QString& first);
    void setCell(int row, int column, const QString& text);
    QString cell(int row, int column) const;
    void clearRows();
    void setLazy(int rows, ListView::RowProvider provider);
    void beginBatch();
    void endBatch();

private:
    void materialize(int row) const;
    std::vector<Column> columns_;
    int rows_ = 0;
    mutable std::vector<QString> cells_; // rows_ x columns
    mutable std::vector<bool> fetched_;  // lazy rows already asked for
    ListView::RowProvider provider_;
    int batch_ = 0; // while above 0 the view is told nothing until the batch ends
};

class ListViewWidget : public QTreeView {
public:
    explicit ListViewWidget(QWidget* parent);
    std::function<void()> onRightClick;
    std::function<void()> onDoubleClick;

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

// The bar chart of the 图表 kind on the screen: the picture (runtime/chart.h) drawn in the
// widget, the pointer's bar found, its tooltip shown, a double click on a bar reported.
class ChartWidget : public QWidget {
public:
    explicit ChartWidget(QWidget* parent);

    ChartPicture picture;
    std::function<void(int bar)> onDoubleClick;

    // The column of bar `index` in the widget, as paintEvent draws it, and the bar at `point`.
    QRectF barRectInWidget(int index) const;
    int barAt(QPointF point) const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    bool event(QEvent* e) override;

private:
    QRectF chartArea() const; // the widget's drawing area
    ChartPicture::Metrics metrics() const;
};

} // namespace rt::detail
