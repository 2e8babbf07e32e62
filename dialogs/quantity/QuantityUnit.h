// The quantity keypad: its exported globals and the unit's setup/teardown.
#pragma once

#include "platform/rtl/Export.h"

#include <QString>

namespace TouchDialogs {
class TfrmQuantidade;
}

namespace TouchDialogs::quantity {

TD_EXPORT extern TfrmQuantidade *frmQuantidade;
TD_EXPORT extern QString stMensPadrao;
TD_EXPORT extern QString stQtDigitos;
TD_EXPORT extern double doQtdeInfo;
TD_EXPORT extern int inTela;

TD_EXPORT void unitInit();
TD_EXPORT void unitFini();

} // namespace TouchDialogs::quantity
