// The record search dialog: its exported globals and the unit's
// setup/teardown.
#pragma once

#include "platform/rtl/Export.h"

#include <QString>

namespace TouchDialogs {
class TfrmPesquisa;
}

namespace TouchDialogs::search {

TD_EXPORT extern TfrmPesquisa *frmPesquisa;
TD_EXPORT extern QString stColuna;
TD_EXPORT extern QString stImg00500;
TD_EXPORT extern QString stFilter;
TD_EXPORT extern QString stObservacao;
TD_EXPORT extern bool boNavegador;
TD_EXPORT extern int inNavegProd;

TD_EXPORT void unitInit();
TD_EXPORT void unitFini();

} // namespace TouchDialogs::search
