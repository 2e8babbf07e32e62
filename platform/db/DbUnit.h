// Setup and teardown of the database layer: makes the data grid known to
// the layout loader.
#pragma once

#include "platform/rtl/Export.h"

namespace TouchDialogs::db {

void unitInit();
void unitFini();
void registerControls();

} // namespace TouchDialogs::db
