// The message box on Win32: the system's own box, with the owner and modality of the call.
#include "runtime/backend.h"
#include "runtime/form.h"
#include "runtime/msgbox.h"
#include "runtime/win32/state.h"

namespace rt::detail {

int showMessageBox(const MessageBoxCall& call) {
    HWND owner = call.owner && call.owner->isLoaded() ? FormState::of(*call.owner).window : nullptr;
    // The style bits are the system's own: buttons, icon, default button, modality.
    const int answer = MessageBoxW(owner, wide(call.text).c_str(), wide(call.caption).c_str(), UINT(call.style));
    // IDOK (1) .. IDNO (7) are the runtime's answers plus one.
    return answer >= IDOK && answer <= IDNO ? answer - 1 : MbCancel;
}

} // namespace rt::detail
