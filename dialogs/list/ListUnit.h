// The list construction dialog: its exported globals and the unit's
// setup/teardown.
#pragma once

#include "platform/rtl/Export.h"

#include <QString>

namespace TouchDialogs {
class TfrmConstrucaoLista;
}

namespace TouchDialogs::list {

TD_EXPORT extern TfrmConstrucaoLista *frmConstrucaoLista;
TD_EXPORT extern QString stlblDesc;

TD_EXPORT void unitInit();
TD_EXPORT void unitFini();

} // namespace TouchDialogs::list
