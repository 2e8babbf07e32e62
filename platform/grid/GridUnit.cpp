#include "platform/grid/GridUnit.h"
#include "platform/grid/DBGrid.h"
#include "platform/forms/LayoutLoader.h"
#include "platform/rtl/Modules.h"

namespace TouchDialogs::grid {

static UnitCounter g_counter;

void registerControls()
{
    LayoutLoader::registerClass(QStringLiteral("TDBGrid"), [](QWidget *p) { return new TDBGrid(p); });
}

void unitInit()
{
    if (!g_counter.enter())
        return;
    registerControls();
}

void unitFini()
{
    g_counter.leave();
}

} // namespace TouchDialogs::grid
