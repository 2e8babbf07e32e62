#include "dialogs/search/SearchUnit.h"
#include "dialogs/search/TfrmPesquisa.h"
#include "platform/db/ClientDataSet.h"
#include "platform/forms/Application.h"
#include "platform/rtl/Exceptions.h"
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

// The form orders and searches by the second visible field, so a dataset
// needs two of them.
static void checkSearchable(const TClientDataSet *DataSet)
{
    if (!DataSet)
        throw EDatabaseError(QStringLiteral("Search: no dataset was given"));
    if (!DataSet->Active())
        throw EDatabaseError(QStringLiteral("Search: the dataset is not open"));
    int visible = 0;
    for (int i = 0; i < DataSet->FieldCount(); ++i)
        if (DataSet->Fields(i)->Visible())
            ++visible;
    if (visible < 2)
        throw EDatabaseError(
            QStringLiteral("Search: the dataset needs at least two visible fields (it has %1)").arg(visible));
}

bool Pesquisa(TClientDataSet *DataSet, QString stImg00500Arg, QString stFilterArg, QString stObservacaoArg,
              bool boNavegadorArg)
{
    checkSearchable(DataSet);
    stImg00500 = std::move(stImg00500Arg);
    stFilter = std::move(stFilterArg);
    stObservacao = std::move(stObservacaoArg);
    boNavegador = boNavegadorArg;

    frmPesquisa = new TfrmPesquisa(Application::instance());
    // Freed on every path: a form left behind by an error would stay alive
    // until the application ends, and the next call would find it in the
    // global.
    struct Release {
        ~Release()
        {
            TfrmPesquisa *form = frmPesquisa;
            frmPesquisa = nullptr;
            delete form;
        }
    } release;

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
