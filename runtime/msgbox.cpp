#include "runtime/msgbox.h"
#include "runtime/form.h"

#include <QMessageBox>
#include <QPushButton>

namespace rt {

namespace {
MessageBoxHook& hook() {
    static MessageBoxHook h;
    return h;
}
} // namespace

MessageBoxIcon messageBoxIcon(int style) {
    switch (style & 0xF0) {
    case MbIconError:
        return MessageBoxIcon::Error;
    case MbIconQuestion:
        return MessageBoxIcon::Question;
    case MbIconWarning:
        return MessageBoxIcon::Warning;
    case MbIconInformation:
        return MessageBoxIcon::Information;
    default:
        return MessageBoxIcon::None;
    }
}

int messageBoxButtons(int style) {
    int b = style & 0x0F;
    return b <= MbRetryCancel ? b : MbOkOnly;
}

MessageBoxHook setMessageBoxHook(MessageBoxHook h) {
    MessageBoxHook previous = std::move(hook());
    hook() = std::move(h);
    return previous;
}

int messageBox(const Text& text, int style, const Text& caption, Form* owner) {
    if (!(style & MbSystemModal) && !owner)
        style |= MbTaskModal;
    if (hook())
        return hook()(MessageBoxCall{text, caption, style, owner});

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
    QWidget* parent = owner && owner->isLoaded() ? owner->window() : nullptr;
    QString body = text.toQString();
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(icon, caption.toQString(), body, QMessageBox::NoButton, parent);
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

ScriptedMessageBoxes::ScriptedMessageBoxes() {
    previous_ = setMessageBoxHook([this](const MessageBoxCall& call) {
        calls_.push_back(call);
        if (!answers_.empty()) {
            int a = answers_.front();
            answers_.pop_front();
            return a;
        }
        switch (call.buttons()) {
        case MbAbortRetryIgnore:
            return int(MbAbort);
        case MbYesNoCancel:
        case MbYesNo:
            return int(MbYes);
        case MbRetryCancel:
            return int(MbRetry);
        default:
            return int(MbOk);
        }
    });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() {
    setMessageBoxHook(std::move(previous_));
}

} // namespace rt
