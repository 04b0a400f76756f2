// What the parts of the form runtime (registry.cpp, form.cpp, menu.cpp, control*.cpp) share
// among themselves; not for handlers.
#pragma once

#include "runtime/form.h"

#include <optional>
#include <string>
#include <vector>

namespace rt::detail {

// Forms loaded now, in the order they were loaded.
std::vector<Form*>& loadedForms();
// Runs the handler bound to `key`; nullopt when none is bound.
std::optional<bool> dispatchHandler(const std::string& key, Event& e); // key in UTF-8
// The test hook that answers pop-up menus, if one is set.
const PopupMenuHook& popupMenuHook();
// True on the offscreen platform (tests), where tray icons and transparency are not shown.
bool offscreenPlatform();

} // namespace rt::detail
