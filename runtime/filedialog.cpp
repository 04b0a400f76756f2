#include "runtime/filedialog.h"
#include "runtime/qt/access.h"

#include "runtime/form.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

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
    QWidget* parent = owner && owner->isLoaded() ? qt::window(*owner) : nullptr;
    const QString chosen =
        QFileDialog::getSaveFileName(parent, caption.toQString(), suggested.toQString(), filter.toQString());
    return Text(QDir::toNativeSeparators(chosen));
}

Text documentsDirectory() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir(documents).exists())
        return Text(QDir::toNativeSeparators(documents));
    return Text(QDir::toNativeSeparators(QDir::homePath()));
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
