// What the parts of the form runtime (registry.cpp, form.cpp, menu.cpp, control*.cpp) share
// among themselves; not for handlers.
#pragma once

#include "runtime/form.h"

#include <optional>
#include <vector>

namespace rt::detail {

// Forms loaded now, in the order they were loaded.
std::vector<Form*>& loadedForms();
// Runs the handler bound to `key`; nullopt when none is bound.
std::optional<bool> dispatchHandler(const QString& key, Event& e);
// The test hook that answers pop-up menus, if one is set.
const PopupMenuHook& popupMenuHook();
// True on the offscreen platform (tests), where tray icons and transparency are not shown.
bool offscreenPlatform();

} // namespace rt::detail
