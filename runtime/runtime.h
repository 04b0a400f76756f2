// Everything a handler needs from the runtime.
#pragma once

#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/filedialog.h"
#include "runtime/form.h"
#include "runtime/kernel.h"
#include "runtime/msgbox.h"
#include "runtime/program.h"
#include "runtime/text.h"
