// Everything main() sets up before the first form is loaded: the carried pictures, the program
// icon, the JPEG decoder and every window's handlers.
#pragma once

namespace app {

// Registers the carried pictures with Qt's resource system, makes the program icon the icon of
// the forms that carry one, and sends JPEG picture data to libjpeg.
void installProgramResources();

// Registers the handlers of every window, in one place.
void registerHandlers();

} // namespace app
