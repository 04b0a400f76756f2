// The window scenarios' program: the window system, the runtime set up as the program sets it up
// (pictures, handlers of every window), and the end of the program turned into an exception the
// test catches; then every scenario.
#include "app/handlers.h"
#include "runtime/program.h"
#include "runtime/testing.h"
#include "tests/scenarios/scenario.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    rt::testing::WindowSystem windows(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
#ifndef _WIN32
    // The per-user lock of the instance guard in a folder of this run's own, so that a Ledrimo
    // running on this machine, or another test program, does not interfere.
    scenario::TemporaryFolder runtimeFolder;
    setenv("XDG_RUNTIME_DIR", runtimeFolder.utf8().c_str(), 1);
#endif
    rt::initRuntime();
    app::installProgramResources();
    app::registerHandlers();
    rt::setEndProgramHook([](int code) { throw rt::ProgramEnded{code}; });
    return RUN_ALL_TESTS();
}
