// The save dialog at the Windows API: what showSaveDialog shows for a form's save question.
#pragma once

#include "runtime/text.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace rt::win32 {

// GetSaveFileNameW with `caption`, starting in the folder of `suggested` with its file name,
// offering `filter` ("Excel 工作簿 (*.xlsx)", several joined with ";;"; the first one's extension
// is added to a name typed without one) and asking before an existing file is replaced. Owned by
// `owner`, which it blocks; without an owner it blocks every window of the thread. The chosen
// path, or an empty text when cancelled.
Text saveDialog(HWND owner, const Text& caption, const Text& suggested, const Text& filter);

} // namespace rt::win32
