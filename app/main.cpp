// Program entry: set up the runtime, register the pictures and handlers, load the splash form and
// run until the last window is gone.
#include "app/handlers.h"
#include "runtime/picture.h"
#include "runtime/program.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    runtime::registerPictures();
    rt::initRuntime();
    app::installProgramResources();
    app::registerHandlers();
    return rt::runProgram("工作时间记录工具");
}
