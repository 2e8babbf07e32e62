#include "dialogs/keyboard/KeyboardUnit.h"
#include "platform/rtl/Modules.h"

namespace TouchDialogs::keyboard {

TFrmTecladoAlfas *FrmTecladoAlfaS = nullptr;
QString stDescricao;
QString stResult;

static UnitCounter g_counter;

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
