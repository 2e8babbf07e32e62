// The alphanumeric keyboard dialog: its exported globals and the unit's
// setup/teardown.
#pragma once

#include "platform/rtl/Export.h"

#include <QString>

namespace TouchDialogs {
class TFrmTecladoAlfas;
}

namespace TouchDialogs::keyboard {

TD_EXPORT extern TFrmTecladoAlfas *FrmTecladoAlfaS;
TD_EXPORT extern QString stDescricao;
TD_EXPORT extern QString stResult;

TD_EXPORT void unitInit();
TD_EXPORT void unitFini();

} // namespace TouchDialogs::keyboard
