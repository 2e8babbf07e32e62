#include "dialogs/colour/ColourUnit.h"
#include "platform/rtl/Modules.h"

namespace TouchDialogs::colour {

TfrmCores *frmCores = nullptr;

static UnitCounter g_counter;

void unitInit()
{
    g_counter.enter();
}

void unitFini()
{
    g_counter.leave();
}

} // namespace TouchDialogs::colour
