// The save dialog and the documents folder on Qt.
#include "runtime/backend.h"
#include "runtime/filedialog.h"
#include "runtime/form.h"
#include "runtime/qt/access.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace rt {

namespace detail {

Text showSaveDialog(const FileDialogCall& call) {
    const Text& caption = call.caption;
    const Text& suggested = call.suggested;
    const Text& filter = call.filter;
    Form* owner = call.owner;
    QWidget* parent = owner && owner->isLoaded() ? qt::window(*owner) : nullptr;
    const QString chosen =
        QFileDialog::getSaveFileName(parent, caption.toQString(), suggested.toQString(), filter.toQString());
    return Text(QDir::toNativeSeparators(chosen));
}

} // namespace detail

Text documentsDirectory() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir(documents).exists())
        return Text(QDir::toNativeSeparators(documents));
    return Text(QDir::toNativeSeparators(QDir::homePath()));
}

} // namespace rt
