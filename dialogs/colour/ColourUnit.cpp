#include "dialogs/colour/ColourUnit.h"
#include "dialogs/colour/TfrmCores.h"
#include "platform/rtl/Modules.h"

#include <QScopeGuard>

namespace TouchDialogs::colour {

TfrmCores *frmCores = nullptr;

static UnitCounter g_counter;

QString EscolherCor()
{
    // Freed and the global cleared on every way out.
    const auto release = qScopeGuard([] { FreeAndNil(frmCores); });
    frmCores = new TfrmCores(nullptr);
    frmCores->ShowModal();
    return frmCores->chosenColour();
}

void unitInit()
{
    g_counter.enter();
}

void unitFini()
{
    g_counter.leave();
}

} // namespace TouchDialogs::colour
