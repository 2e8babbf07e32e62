#include "dialogs/colour/ColourUnit.h"
#include "dialogs/colour/TfrmCores.h"
#include "platform/rtl/Modules.h"

namespace TouchDialogs::colour {

TfrmCores *frmCores = nullptr;

static UnitCounter g_counter;

namespace {
// Frees the form and clears the global on every way out of EscolherCor.
struct FormGuard {
    ~FormGuard() { FreeAndNil(frmCores); }
};
} // namespace

QString EscolherCor()
{
    FormGuard guard;
    frmCores = new TfrmCores(nullptr);
    frmCores->ShowModal();
    return frmCores->chosenColour();
}

void unitInit()
{
    g_counter.enter();
}

void unitFini()
{
    g_counter.leave();
}

} // namespace TouchDialogs::colour
