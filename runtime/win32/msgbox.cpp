// The message box on Win32: the system's own box, with the owner and modality of the call.
#include "runtime/backend.h"
#include "runtime/form.h"
#include "runtime/msgbox.h"
#include "runtime/program.h"
#include "runtime/win32/state.h"

#include <iterator>

namespace rt::detail {

namespace {

// Gives the activation back to `window` if no window of this thread has it, now and at three later
// moments (0, 100, 300 and 700 ms after the box went).
void takeBackActivation(HWND window, int attempt) {
    static constexpr int kDelays[] = {0, 100, 200, 400};
    if (attempt >= int(std::size(kDelays)))
        return;
    singleShot(kDelays[attempt], [window, attempt] {
        if (!IsWindow(window))
            return;
        if (!GetActiveWindow() && IsWindowVisible(window) && IsWindowEnabled(window))
            SetForegroundWindow(window);
        takeBackActivation(window, attempt + 1);
    });
}

} // namespace

int showMessageBox(const MessageBoxCall& call) {
    HWND owner = call.owner && call.owner->isLoaded() ? FormState::of(*call.owner).window : nullptr;
    HWND active = GetActiveWindow();
    // The style bits are the system's own: buttons, icon, default button, modality.
    const int answer = MessageBoxW(owner, wide(call.text).c_str(), wide(call.caption).c_str(), UINT(call.style));
    // A box with no owner leaves the activation to whichever window Windows picks when it goes,
    // which may be another program's (under Wine, the notification area's, and only a moment
    // later). The window that had the keyboard takes it back while none of this program's has it.
    if (active)
        takeBackActivation(active, 0);
    // IDOK (1) .. IDNO (7) are the runtime's answers plus one.
    return answer >= IDOK && answer <= IDNO ? answer - 1 : MbCancel;
}

} // namespace rt::detail
