// Program entry on Windows: set up the runtime, register the pictures and handlers, load the
// splash form and run until the last window is gone.
#include "app/handlers.h"
#include "runtime/program.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    rt::initRuntime();
    app::installProgramResources();
    app::registerHandlers();
    return rt::runProgram("工作时间记录工具");
}
