#include "dialogs/list/ListUnit.h"
#include "dialogs/list/TfrmConstrucaoLista.h"
#include "platform/db/ClientDataSet.h"
#include "platform/forms/Application.h"
#include "platform/rtl/Modules.h"

#include <QScopeGuard>

namespace TouchDialogs::list {

TfrmConstrucaoLista *frmConstrucaoLista = nullptr;
QString stlblDesc;

static UnitCounter g_counter;

QVariant ConstrucaoList(TClientDataSet *Source, const QString &Descricao)
{
    stlblDesc = Descricao;
    TfrmConstrucaoLista::checkSource(Source);

    frmConstrucaoLista = new TfrmConstrucaoLista(Application::instance());
    // Freed on every path: a form left behind by an error would stay alive
    // (and hold a copy of the host's data) until the application ends.
    const auto release = qScopeGuard([] { FreeAndNil(frmConstrucaoLista); });

    frmConstrucaoLista->PreparaLista(Source);
    frmConstrucaoLista->ShowModal();
    return frmConstrucaoLista->cdsListaDest->Data();
}

QString Condicao(bool Flag, const QString &TrueText, const QString &FalseText)
{
    return Flag ? TrueText : FalseText;
}

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
