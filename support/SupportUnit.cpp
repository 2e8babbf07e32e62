#include "support/SupportUnit.h"
#include "platform/forms/LayoutLoader.h"
#include "platform/rtl/Modules.h"
#include "support/DBSortGrid.h"
#include "support/Messages.h"
#include "support/Touch.h"

namespace TouchDialogs::support {

static UnitCounter g_counter;

void registerControls()
{
    LayoutLoader::registerClass(QStringLiteral("TTouchButton"), [](QWidget *p) { return new TTouchButton(p); });
    LayoutLoader::registerClass(QStringLiteral("TMessages"), [](QWidget *p) { return new TMessages(p); });
    LayoutLoader::registerClass(QStringLiteral("TDBSortGrid"), [](QWidget *p) { return new TDBSortGrid(p); });
}

void unitInit()
{
    if (g_counter.enter())
        registerControls();
}

void unitFini()
{
    g_counter.leave();
}

} // namespace TouchDialogs::support
