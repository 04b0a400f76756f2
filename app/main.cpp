// Program entry: set up the runtime, register the pictures and handlers, load the splash form and
// run until the last window is gone.
#include "app/handlers.h"
#include "runtime/picture.h"
#include "runtime/program.h"
#include "runtime/qt/access.h"
#include "store/database_location.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Lets the desktop match the windows with the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(store::kApplicationId));
    rt::initRuntime();
    app::installProgramResources();
    app::registerHandlers();
    return rt::runProgram("工作时间记录工具");
}
