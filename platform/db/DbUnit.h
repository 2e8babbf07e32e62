// Setup and teardown of the database layer: makes the data grid known to
// the layout loader.
#pragma once

#include "platform/rtl/Export.h"

namespace TouchDialogs::db {

TD_EXPORT void unitInit();
TD_EXPORT void unitFini();
TD_EXPORT void registerControls();

} // namespace TouchDialogs::db
