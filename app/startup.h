// The start-up routine: the created event of the splash form 工作时间记录工具. It takes the
// single-instance guard, shows the splash, builds the credential key, makes sure `db` is there
// (restoring it on request), loads the login window and lets the splash go.
#pragma once

namespace rt {
class Form;
}

namespace app {

// The created handler of the splash. Ends in one of four ways: the login window is on screen (the
// splash closes once this handler has returned), the program ended because another instance runs,
// the splash closes because the user declined the restore of `db`, or the program ended because
// the restore failed.
void startupRoutine(rt::Form& splash);

void registerStartupHandlers();

} // namespace app
