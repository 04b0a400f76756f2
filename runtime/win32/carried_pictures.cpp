// The program's own pictures on Windows: its icon (every size of the icon file) for the windows
// and the notification area.
#include "runtime/form.h"
#include "runtime/program.h"

namespace rt {

void useCarriedPictures() {
    setProgramIcon(Picture::carried(runtime::pictures::kProgramIcon));
}

} // namespace rt
