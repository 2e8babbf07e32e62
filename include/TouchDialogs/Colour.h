// The colour chooser: its function and its form global.
#pragma once

#include <TouchDialogs/Export.h>

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

} // namespace TouchDialogs::colour
