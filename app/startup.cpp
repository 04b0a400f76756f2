#include "app/startup.h"

#include "app/effects.h"
#include "app/instance_guard.h"
#include "runtime/form.h"
#include "runtime/msgbox.h"
#include "runtime/program.h"
#include "store/credential.h"
#include "store/database_file.h"
#include "store/program_values.h"

namespace app {

void startupRoutine(rt::Form& splash) {
    splash.setBackground(sharedBackground());
    splash.control("透明标签2").fitCaption();
    splash.control("透明标签3").fitCaption();

    // Another instance running: say so in front of our (still hidden) splash and leave that
    // instance alone.
    splash.handle();
    if (acquireInstanceGuard() == GuardResult::HeldElsewhere) {
        rt::messageBox("程序已经运行！", rt::MbOkOnly, "程序已运行", &splash);
        splash.destroy();
        rt::endProgram(0);
    }

    splash.setVisible(true);

    // The credit line's GBK bytes are the raw material of every password code.
    store::credentialKey.set(store::deriveCredentialKey(splash.control("透明标签2").caption().bytes()));

    if (store::checkDatabasePresence() == store::DatabasePresence::Declined) {
        splash.destroy(); // no window left once it has gone: the program ends
        return;
    }

    // The login window grows in front of the splash during its own created event; the splash goes
    // only after this handler has returned, so it stays behind the login window until then.
    rt::loadForm("用户登录");
    splash.destroy();
}

void registerStartupHandlers() {
    rt::registerHandler("工作时间记录工具.created", [](rt::Event& e) { startupRoutine(e.form); });
}

} // namespace app
