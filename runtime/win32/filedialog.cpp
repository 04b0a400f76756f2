// The save dialog and the documents folder on Windows.
#include "runtime/backend.h"
#include "runtime/filedialog.h"
#include "runtime/win32/savedialog.h"
#include "runtime/win32/state.h"

#include <shlobj.h>

namespace rt {

namespace detail {

Text showSaveDialog(const FileDialogCall& call) {
    HWND owner = call.owner && call.owner->isLoaded() ? FormState::of(*call.owner).window : nullptr;
    return win32::saveDialog(owner, call.caption, call.suggested, call.filter);
}

} // namespace detail

Text documentsDirectory() {
    for (const KNOWNFOLDERID* id : {&FOLDERID_Documents, &FOLDERID_Profile}) {
        PWSTR path = nullptr;
        const bool found = SUCCEEDED(SHGetKnownFolderPath(*id, 0, nullptr, &path)) && path;
        const std::wstring w = found ? path : L"";
        CoTaskMemFree(path); // also when the call failed (then it may be null)
        const DWORD attributes = found ? GetFileAttributesW(w.c_str()) : INVALID_FILE_ATTRIBUTES;
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return detail::textOf(w);
    }
    return {};
}

} // namespace rt
