#include "dialogs/search/SearchUnit.h"
#include "dialogs/search/TfrmPesquisa.h"
#include "platform/db/ClientDataSet.h"
#include "platform/forms/Application.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Modules.h"
#include "support/SearchFilter.h"

#include <QScopeGuard>

namespace TouchDialogs::search {

TfrmPesquisa *frmPesquisa = nullptr;
QString stColuna;
QString stImg00500;
QString stFilter;
QString stObservacao;
bool boNavegador = false;
int inNavegProd = 0;

static UnitCounter g_counter;

bool Pesquisa(TClientDataSet *DataSet, QString stImg00500Arg, QString stFilterArg, QString stObservacaoArg,
              bool boNavegadorArg)
{
    checkSearchable(DataSet, QStringLiteral("Search"));
    stImg00500 = std::move(stImg00500Arg);
    stFilter = std::move(stFilterArg);
    stObservacao = std::move(stObservacaoArg);
    boNavegador = boNavegadorArg;

    frmPesquisa = new TfrmPesquisa(Application::instance());
    // Freed on every path: a form left behind by an error would stay alive
    // until the application ends, and the next call would find it in the
    // global.
    const auto release = qScopeGuard([] { FreeAndNil(frmPesquisa); });

    frmPesquisa->PreparaPesquisa(DataSet);
    frmPesquisa->ShowModal();
    return frmPesquisa->boConfirmado();
}

QString Condicao(bool Flag, const QString &Verdadeiro, const QString &Falso)
{
    return Flag ? Verdadeiro : Falso;
}

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
