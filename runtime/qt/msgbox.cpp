// The message box on Qt.
#include "runtime/backend.h"
#include "runtime/form.h"
#include "runtime/msgbox.h"
#include "runtime/qt/access.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>

namespace rt {

namespace {

// Room a window manager's title bar takes besides the caption: the window's icon and its
// buttons with their spacing.
// Keeps a path from being broken across lines (after each separator).
const QChar kWordJoiner(0x2060);

constexpr int kTitleBarRoom = 120;
// Distance kept from the screen's edges.
constexpr int kScreenMargin = 20;

// The box as the program shows it. Qt sizes a message box for its text and a caption in a font
// of its own guess; this one is also wide enough for its caption in a window manager's title bar,
// keeps a line (a file path) unbroken where the screen has room for it, and stands centred on
// its owner, or on the screen, wholly on the screen.
class ProgramMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* e) override {
        QMessageBox::showEvent(e); // sizes the box
        fitToCaptionAndLines();
        placeOnOwner();
    }

    // Qt's message box sizes itself afresh on every layout request, in its own way; here the
    // size set above stays.
    bool event(QEvent* e) override {
        if (e->type() != QEvent::LayoutRequest || !fitted_.isValid())
            return QMessageBox::event(e);
        const bool done = QDialog::event(e);
        if (auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
            label->setWordWrap(wrapped_);
        setFixedSize(fitted_);
        return done;
    }

private:
    QRect screenArea() const {
        QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
        return s ? s->availableGeometry() : QRect(0, 0, 800, 600);
    }

    // The owner's window, when the box has one and it is on screen.
    QWidget* ownerWindow() const {
        QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
        return owner && owner->isVisible() ? owner : nullptr;
    }

    // The widest piece of the text that a line may not be broken in: a run without blanks and
    // without Chinese characters, such as a file path.
    static int widestUnbreakable(const QString& text, const QFontMetrics& m) {
        int widest = 0;
        QString run;
        auto endRun = [&] {
            widest = std::max(widest, m.horizontalAdvance(run));
            run.clear();
        };
        for (QChar c : text) {
            const ushort u = c.unicode();
            const bool wide =
                (u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFF00 && u <= 0xFFEF);
            if (c.isSpace() || wide)
                endRun();
            else
                run += c;
        }
        endRun();
        return widest;
    }

    // Wide enough for the caption in a title bar and for each line of the text, as far as the
    // screen allows (and, for a box with an owner, as far as it can stand centred on the owner);
    // lines that must break anyway break between words, so a file path stays whole.
    void fitToCaptionAndLines() {
        auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        if (!label || !layout())
            return;
        const QRect area = screenArea();
        int room = area.width() - 2 * kScreenMargin;
        if (QWidget* owner = ownerWindow()) {
            const int centre = owner->frameGeometry().center().x();
            room = std::min(room, 2 * std::min(centre - area.left(), area.right() - centre));
        }
        QFont titleFont = QApplication::font();
        titleFont.setPixelSize(13);
        titleFont.setBold(true);
        const int caption = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + kTitleBarRoom;
        const QFontMetrics m = label->fontMetrics();
        const int around = width() - label->width() + 2 * label->margin() + 4; // icon, margins
        int natural = 0;
        for (const QString& line : label->text().split(QLatin1Char('\n')))
            natural = std::max(natural, m.horizontalAdvance(line));
        int wanted = std::max(caption, std::min(natural + around, room));
        wanted = std::max(wanted, widestUnbreakable(label->text(), m) + m.averageCharWidth() + around);
        wanted = std::min(wanted, area.width());
        label->setWordWrap(wanted < natural + around);
        layout()->activate();
        wanted = std::max(wanted, layout()->totalMinimumSize().width());
        const int h = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(wanted)
                                                    : layout()->totalMinimumSize().height();
        fitted_ = QSize(wanted, std::max(h, layout()->totalMinimumSize().height()));
        wrapped_ = label->wordWrap();
        setFixedSize(fitted_);
    }

    QSize fitted_; // the size chosen when the box was shown, kept from then on
    bool wrapped_ = false;

    void placeOnOwner() {
        const QRect area = screenArea();
        QWidget* owner = ownerWindow();
        // The box's own frame is not known before it is shown; a framed owner's is the best guess.
        QMargins frame;
        if (owner)
            frame = QMargins(owner->geometry().left() - owner->frameGeometry().left(),
                             owner->geometry().top() - owner->frameGeometry().top(),
                             owner->frameGeometry().right() - owner->geometry().right(),
                             owner->frameGeometry().bottom() - owner->geometry().bottom());
        if (frame.left() < 0 || frame.top() < 0 || frame.right() < 0 || frame.bottom() < 0)
            frame = QMargins();
        const QSize outer = size().grownBy(frame);
        const QPoint centre = owner ? owner->frameGeometry().center() : area.center();
        QPoint at(centre.x() - outer.width() / 2, centre.y() - outer.height() / 2);
        at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - outer.width())));
        at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - outer.height())));
        move(at);
    }
};

} // namespace

namespace detail {

int showMessageBox(const MessageBoxCall& call) {
    const Text& text = call.text;
    const Text& caption = call.caption;
    const int style = call.style;
    Form* owner = call.owner;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (messageBoxIcon(style)) {
    case MessageBoxIcon::Error:
        icon = QMessageBox::Critical;
        break;
    case MessageBoxIcon::Question:
        icon = QMessageBox::Question;
        break;
    case MessageBoxIcon::Warning:
        icon = QMessageBox::Warning;
        break;
    case MessageBoxIcon::Information:
        icon = QMessageBox::Information;
        break;
    case MessageBoxIcon::None:
        break;
    }
    QWidget* parent = owner && owner->isLoaded() ? qt::window(*owner) : nullptr;
    QString body = text.toQString();
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // A file path breaks nowhere: a word joiner after each of its separators.
    body.replace(QRegularExpression(QStringLiteral("([/\\\\])(?=\\S)")), QStringLiteral("\\1") + kWordJoiner);
    ProgramMessageBox box(icon, caption.toQString(), body, QMessageBox::NoButton, parent);
    // The text can be selected and copied: what reaches the clipboard is without the word
    // joiners, so that a path or command copied from the box works where it is pasted.
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        QObject::connect(clipboard, &QClipboard::dataChanged, &box, [clipboard] {
            QString copied = clipboard->text();
            if (copied.contains(kWordJoiner))
                clipboard->setText(copied.remove(kWordJoiner));
        });
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(parent && !(style & (MbTaskModal | MbSystemModal)) ? Qt::WindowModal
                                                                             : Qt::ApplicationModal);

    // Buttons in the order the Windows box shows them, each with its answer.
    struct Choice {
        QMessageBox::StandardButton button;
        int result;
    };
    std::vector<Choice> choices;
    int escape = -1; // index into choices
    switch (messageBoxButtons(style)) {
    case MbOkCancel:
        choices = {{QMessageBox::Ok, MbOk}, {QMessageBox::Cancel, MbCancel}};
        escape = 1;
        break;
    case MbAbortRetryIgnore:
        choices = {
            {QMessageBox::Abort, MbAbort}, {QMessageBox::Retry, MbRetry}, {QMessageBox::Ignore, MbIgnore}};
        break;
    case MbYesNoCancel:
        choices = {{QMessageBox::Yes, MbYes}, {QMessageBox::No, MbNo}, {QMessageBox::Cancel, MbCancel}};
        escape = 2;
        break;
    case MbYesNo:
        choices = {{QMessageBox::Yes, MbYes}, {QMessageBox::No, MbNo}};
        break;
    case MbRetryCancel:
        choices = {{QMessageBox::Retry, MbRetry}, {QMessageBox::Cancel, MbCancel}};
        escape = 1;
        break;
    default:
        choices = {{QMessageBox::Ok, MbOk}};
        escape = 0;
        break;
    }
    std::vector<QPushButton*> buttons;
    for (const Choice& c : choices)
        buttons.push_back(box.addButton(c.button));
    size_t def = (style & MbDefButton3) ? 2 : (style & MbDefButton2) ? 1 : 0;
    box.setDefaultButton(buttons[std::min(def, buttons.size() - 1)]);
    if (escape >= 0)
        box.setEscapeButton(buttons[size_t(escape)]);
    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i])
            return choices[i].result;
    return escape >= 0 ? choices[size_t(escape)].result : choices.back().result;
}

} // namespace detail

} // namespace rt
