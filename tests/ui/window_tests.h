// The runtime as the program sets it up, for tests that build the real windows.
#pragma once

#include "runtime/picture.h"
#include "runtime/runtime.h"

#include <QFile>
#include <QTemporaryDir>

namespace windowtests {

// Points the per-user lock at a directory of the test's own (so that a Ledrimo running on this
// machine does not interfere), registers the pictures, initialises the runtime and turns the end
// of the program into an exception the test catches. False when the directory is unusable.
inline bool setUpRuntime(const QTemporaryDir& runtimeDir) {
    if (!runtimeDir.isValid())
        return false;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
    runtime::registerPictures();
    rt::initRuntime();
    rt::setEndProgramHook([](int code) { throw rt::ProgramEnded{code}; });
    return true;
}

} // namespace windowtests
