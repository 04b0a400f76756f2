// Registration of the date query window's and the account settings window's handlers.
#pragma once

namespace ui {

void registerQueryAndAccountHandlers();

} // namespace ui
