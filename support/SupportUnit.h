#pragma once

#include "platform/rtl/Export.h"

namespace TouchDialogs::support {

// Makes the support controls known to the layout loader.
TD_EXPORT void unitInit();
TD_EXPORT void unitFini();
TD_EXPORT void registerControls();

} // namespace TouchDialogs::support
