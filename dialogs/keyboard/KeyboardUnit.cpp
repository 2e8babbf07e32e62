#include "dialogs/keyboard/KeyboardUnit.h"
#include "dialogs/keyboard/TFrmTecladoAlfas.h"
#include "platform/rtl/Modules.h"

#include <QScopeGuard>

namespace TouchDialogs::keyboard {

TFrmTecladoAlfas *FrmTecladoAlfaS = nullptr;
QString stDescricao;
QString stResult;

static UnitCounter g_counter;

QString TecladoAlfanumerico(QString Text, QString Caption)
{
    stDescricao = Text;
    auto *form = new TFrmTecladoAlfas(nullptr);
    FrmTecladoAlfaS = form;

    // Runs on every path. stResult is emptied even when the modal run
    // raises: an answer left by Enter must not survive into the next call,
    // which would return it as if the user had confirmed it.
    const auto release = qScopeGuard([] {
        stResult.clear();
        FreeAndNil(FrmTecladoAlfaS);
    });

    form->setCaption(Caption);
    form->ShowModal();
    return stResult;
}

void unitInit()
{
    g_counter.enter();
}

void unitFini()
{
    if (!g_counter.leave())
        return;
    stResult.clear();
    stDescricao.clear();
}

} // namespace TouchDialogs::keyboard
