// Program entry: set up the runtime, load the splash form and run until the last window is gone.
#include "runtime/runtime.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    rt::initRuntime();
    // The windows' handlers are registered here, before the first form is loaded.
    return rt::runProgram("工作时间记录工具");
}
