#include "dialogs/quantity/QuantityUnit.h"
#include "platform/rtl/Modules.h"

namespace TouchDialogs::quantity {

TfrmQuantidade *frmQuantidade = nullptr;
QString stMensPadrao;
QString stQtDigitos;
double doQtdeInfo = 0.0;
int inTela = 0;

static UnitCounter g_counter;

void unitInit()
{
    g_counter.enter();
}

void unitFini()
{
    if (!g_counter.leave())
        return;
    stQtDigitos.clear();
    stMensPadrao.clear();
}

} // namespace TouchDialogs::quantity
