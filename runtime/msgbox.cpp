// The message box: its style rules and the hook tests script; the window system shows it.
#include "runtime/msgbox.h"
#include "runtime/backend.h"

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

    return detail::showMessageBox(MessageBoxCall{text, caption, style, owner});
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
