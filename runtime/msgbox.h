// The program's message box. Every box the program shows goes through messageBox(), so tests can
// script the answers with a hook instead of showing anything.
#pragma once

#include "runtime/text.h"

#include <deque>
#include <functional>
#include <vector>

namespace rt {

class Form;

// Answers.
enum MessageBoxResult { MbOk = 0, MbCancel = 1, MbAbort = 2, MbRetry = 3, MbIgnore = 4, MbYes = 5, MbNo = 6 };

// Style bits, as the Windows message box takes them.
enum MessageBoxStyle {
    MbOkOnly = 0,
    MbOkCancel = 1,
    MbAbortRetryIgnore = 2,
    MbYesNoCancel = 3,
    MbYesNo = 4,
    MbRetryCancel = 5,
    MbIconError = 0x10,
    MbIconQuestion = 0x20,
    MbIconWarning = 0x30,
    MbIconInformation = 0x40,
    MbDefButton2 = 0x100,
    MbDefButton3 = 0x200,
    MbSystemModal = 0x1000,
    MbTaskModal = 0x2000,
};

enum class MessageBoxIcon { None, Error, Question, Warning, Information };
MessageBoxIcon messageBoxIcon(int style);
int messageBoxButtons(int style); // the low four bits: MbOkOnly ... MbRetryCancel

struct MessageBoxCall {
    Text text;
    Text caption;
    int style = 0;
    Form* owner = nullptr; // null: no owner window
    MessageBoxIcon icon() const { return messageBoxIcon(style); }
    int buttons() const { return messageBoxButtons(style); }
};

// Shows a box and returns the answer. Without an owner the box is task-modal (every window of the
// program is blocked); with an owner it blocks that window, as the Windows box does unless the
// style has the task-modal bit. Esc and the close box answer Cancel where the box has a Cancel
// button, OK on an OK-only box.
int messageBox(const Text& text, int style = 0, const Text& caption = "信息：", Form* owner = nullptr);

// While a hook is set, messageBox() calls it instead of showing a box and returns its answer.
using MessageBoxHook = std::function<int(const MessageBoxCall&)>;
MessageBoxHook setMessageBoxHook(MessageBoxHook hook); // returns the previous hook

// For tests: records every box and answers from a queue; boxes without a scripted answer get their
// first button (OK, Yes, Abort or Retry). Restores the previous hook when it goes.
class ScriptedMessageBoxes {
public:
    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes();
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    void answer(int result) { answers_.push_back(result); }
    const std::vector<MessageBoxCall>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

private:
    std::deque<int> answers_;
    std::vector<MessageBoxCall> calls_;
    MessageBoxHook previous_;
};

} // namespace rt
