// The file dialogs: the hook tests script; the window system shows the dialog.
#include "runtime/filedialog.h"
#include "runtime/backend.h"

namespace rt {

namespace {

FileDialogHook& hook() {
    static FileDialogHook h;
    return h;
}

} // namespace

FileDialogHook setFileDialogHook(FileDialogHook h) {
    FileDialogHook previous = std::move(hook());
    hook() = std::move(h);
    return previous;
}

Text saveFileName(const Text& caption, const Text& suggested, const Text& filter, Form* owner) {
    if (hook())
        return hook()(FileDialogCall{caption, suggested, filter, owner});
    return detail::showSaveDialog(FileDialogCall{caption, suggested, filter, owner});
}

ScriptedFileDialogs::ScriptedFileDialogs() {
    previous_ = setFileDialogHook([this](const FileDialogCall& call) {
        calls_.push_back(call);
        if (answers_.empty())
            return Text();
        Text answer = answers_.front();
        answers_.pop_front();
        return answer;
    });
}

ScriptedFileDialogs::~ScriptedFileDialogs() {
    setFileDialogHook(std::move(previous_));
}

} // namespace rt
