#include "dialogs/quantity/QuantityUnit.h"
#include "dialogs/quantity/TfrmQuantidade.h"
#include "platform/rtl/Modules.h"

#include <QScopeGuard>

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

double InfoQuantidade(const QString &Caption, int Tela, const QString &Digitos)
{
    stMensPadrao = Caption;
    inTela = Tela;
    stQtDigitos = Digitos;
    // The form is freed and the global cleared on every path, errors included.
    const auto release = qScopeGuard([] { FreeAndNil(frmQuantidade); });
    frmQuantidade = new TfrmQuantidade(nullptr);
    frmQuantidade->ShowModal();
    return doQtdeInfo;
}

} // namespace TouchDialogs::quantity
