#include "dialogs/search/SearchUnit.h"
#include "platform/rtl/Modules.h"

namespace TouchDialogs::search {

TfrmPesquisa *frmPesquisa = nullptr;
QString stColuna;
QString stImg00500;
QString stFilter;
QString stObservacao;
bool boNavegador = false;
int inNavegProd = 0;

static UnitCounter g_counter;

void unitInit()
{
    if (g_counter.enter())
        frmPesquisa = nullptr;
}

void unitFini()
{
    if (!g_counter.leave())
        return;
    stObservacao.clear();
    stFilter.clear();
    stImg00500.clear();
    stColuna.clear();
}

} // namespace TouchDialogs::search
