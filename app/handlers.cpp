#include "app/handlers.h"

#include "app/startup.h"
#include "runtime/form.h"
#include "runtime/program.h"
#include "ui/list/list_window.h"
#include "ui/login/login.h"
#include "ui/main/main_window.h"
#include "ui/query_and_account.h"
#include "ui/report/report_window.h"

namespace app {

void installProgramResources() {
    rt::useCarriedPictures();
}

void registerHandlers() {
    registerStartupHandlers();
    ui::registerLoginHandlers();
    ui::registerMainWindowHandlers();
    ui::registerListWindowHandlers();
    ui::registerQueryAndAccountHandlers();
    ui::registerReportWindowHandlers();
}

} // namespace app
