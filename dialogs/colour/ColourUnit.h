// The colour chooser: its exported global and the unit's setup/teardown.
#pragma once

#include "platform/rtl/Export.h"

namespace TouchDialogs {
class TfrmCores;
}

namespace TouchDialogs::colour {

TD_EXPORT extern TfrmCores *frmCores;

TD_EXPORT void unitInit();
TD_EXPORT void unitFini();

} // namespace TouchDialogs::colour
