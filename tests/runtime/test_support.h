// Shared by the runtime's widget tests: bring the runtime back to no loaded form and no handler.
#pragma once

#include "runtime/qt/access.h"
#include "runtime/form.h"

#include <QCoreApplication>

namespace testing_support {

inline void unloadAll() {
    for (const rt::Text& name : rt::formNames())
        if (rt::isLoaded(name))
            rt::form(name).destroy();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

inline void unregisterAll() {
    for (const rt::Text& k : rt::boundHandlers())
        rt::unregisterHandler(k);
}

} // namespace testing_support
