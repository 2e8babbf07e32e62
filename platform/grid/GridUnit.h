// Setup and teardown of the data grid: makes it known to
// the layout loader.
#pragma once

#include "platform/rtl/Export.h"

namespace TouchDialogs::grid {

void unitInit();
void unitFini();
void registerControls();

} // namespace TouchDialogs::grid
