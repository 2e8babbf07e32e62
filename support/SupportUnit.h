#pragma once

#include "platform/rtl/Export.h"

namespace TouchDialogs::support {

// Makes the support controls known to the layout loader.
void unitInit();
void unitFini();
void registerControls();

} // namespace TouchDialogs::support
