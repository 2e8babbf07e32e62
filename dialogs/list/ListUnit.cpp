#include "dialogs/list/ListUnit.h"
#include "platform/rtl/Modules.h"

namespace TouchDialogs::list {

TfrmConstrucaoLista *frmConstrucaoLista = nullptr;
QString stlblDesc;

static UnitCounter g_counter;

void unitInit()
{
    g_counter.enter();
}

void unitFini()
{
    if (g_counter.leave())
        stlblDesc.clear();
}

} // namespace TouchDialogs::list
