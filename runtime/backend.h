// What the runtime's plain part asks of the window system's backend besides the member functions
// of runtime/form.h (runtime/forms/README.md lists them all); internal to the runtime.
#pragma once

#include "runtime/filedialog.h"
#include "runtime/msgbox.h"

namespace rt::detail {

// Shows the message box (no test hook is set) and returns the answer.
int showMessageBox(const MessageBoxCall& call);
// Shows the save dialog (no test hook is set); the chosen path, empty when cancelled.
Text showSaveDialog(const FileDialogCall& call);

// Set by the backend's runEventLoop while the program's event loop runs (defined in the core).
bool& loopRunning();

} // namespace rt::detail
