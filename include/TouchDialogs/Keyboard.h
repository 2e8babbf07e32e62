// The alphanumeric keyboard dialog: TecladoAlfanumerico and its globals.
#pragma once

#include <TouchDialogs/Export.h>

#include <QString>

namespace TouchDialogs {
class TFrmTecladoAlfas;
}

namespace TouchDialogs::keyboard {

// The open form during a call; nullptr otherwise.
TD_EXPORT extern TFrmTecladoAlfas *FrmTecladoAlfaS;
// The starting text of the current (or last) call.
TD_EXPORT extern QString stDescricao;
// The answer the Enter key leaves for TecladoAlfanumerico; empty between calls.
TD_EXPORT extern QString stResult;

// Asks for one line of text, starting from Text, in a window titled Caption.
// Returns the confirmed text, "@" when confirmed blank, "" when cancelled.
// Exceptions from building or running the form reach the caller; the form
// is freed and FrmTecladoAlfaS is nil again on every path.
TD_EXPORT QString TecladoAlfanumerico(QString Text, QString Caption);

} // namespace TouchDialogs::keyboard
