// Shared by the runtime's widget tests: bring the runtime back to no loaded form and no handler.
#pragma once

#include "runtime/form.h"

#include <QCoreApplication>

namespace testing_support {

inline void unloadAll() {
    for (const QString& name : rt::formNames())
        if (rt::isLoaded(name))
            rt::form(name).destroy();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

inline void unregisterAll() {
    for (const QString& k : rt::boundHandlers())
        rt::unregisterHandler(k);
}

} // namespace testing_support
