// The colour chooser: the exported function, its form global and the unit's
// setup/teardown.
#pragma once

#include "platform/rtl/Export.h"

#include <QString>

namespace TouchDialogs {
class TfrmCores;
}

namespace TouchDialogs::colour {

TD_EXPORT extern TfrmCores *frmCores;

// Shows the palette modally. Returns the touched colour's 00BBGGRR value in
// decimal ("255" for red), or "X" when the user left without choosing. The
// form is freed and frmCores nil on return, also when an exception passes.
TD_EXPORT QString EscolherCor();

TD_EXPORT void unitInit();
TD_EXPORT void unitFini();

} // namespace TouchDialogs::colour
