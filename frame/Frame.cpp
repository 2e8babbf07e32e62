#include "frame/Frame.h"

#include "dialogs/colour/ColourUnit.h"
#include "dialogs/keyboard/KeyboardUnit.h"
#include "dialogs/list/ListUnit.h"
#include "dialogs/message/MessageUnit.h"
#include "dialogs/quantity/QuantityUnit.h"
#include "dialogs/search/SearchUnit.h"
#include "platform/grid/GridUnit.h"
#include "platform/forms/FormsUnit.h"
#include "platform/win/Windows.h"
#include "support/SupportUnit.h"

#include <QLocale>

namespace TouchDialogs::frame {

namespace {

// Units with no setup or teardown of their own still keep the counter.
template <int N> struct CounterOnlyUnit {
    static UnitCounter counter;
    static void init() { counter.enter(); }
    static void fini() { counter.leave(); }
};
template <int N> UnitCounter CounterOnlyUnit<N>::counter;

using StartupUnit = CounterOnlyUnit<0>;
using RtlUnit = CounterOnlyUnit<1>;
using WinUnit = CounterOnlyUnit<2>;

// Every unit after all the units it uses; the dialogs last.
const TPackageUnitEntry kUnits[] = {
    {StartupUnit::init, StartupUnit::fini},
    {RtlUnit::init, RtlUnit::fini},
    {WinUnit::init, WinUnit::fini},
    {forms::unitInit, forms::unitFini},
    {grid::unitInit, grid::unitFini},
    {support::unitInit, support::unitFini},
    {message::unitInit, message::unitFini},
    {keyboard::unitInit, keyboard::unitFini},
    {search::unitInit, search::unitFini},
    {colour::unitInit, colour::unitFini},
    {quantity::unitInit, quantity::unitFini},
    {list::unitInit, list::unitFini},
};

const TPackageInfoTable kTable{int32_t(sizeof kUnits / sizeof kUnits[0]), kUnits};

TLibModule g_module;
HINSTANCE g_ownInstance = &g_module;
int g_loads = 0; // Initialize calls not yet matched by Finalize

// Constructed on first use: attach runs before the library's static objects.
QString &attachedFile()
{
    static QString file;
    return file;
}
QString &packLocale()
{
    static QString name;
    return name;
}

} // namespace

TLibModule &moduleRecord()
{
    return g_module;
}

bool usesLanguagePack()
{
    return g_module.ResInstance && g_module.ResInstance != g_ownInstance;
}

void attach(const QString &libraryFile)
{
    g_module.Instance = g_ownInstance;
    g_module.CodeInstance = nullptr;
    g_module.DataInstance = nullptr;
    attachedFile() = libraryFile;
    packLocale() = QLocale::system().name();
    HINSTANCE pack = LoadResourceModule(libraryFile, packLocale());
    g_module.ResInstance = pack ? pack : g_ownInstance;
    RegisterModule(&g_module);
}

void chooseLanguagePack(const QString &localeName)
{
    if (attachedFile().isEmpty() || localeName == packLocale())
        return;
    if (usesLanguagePack())
        FreeLibrary(g_module.ResInstance);
    HINSTANCE pack = LoadResourceModule(attachedFile(), localeName);
    g_module.ResInstance = pack ? pack : g_ownInstance;
    packLocale() = localeName;
}

void detach()
{
    UnregisterModule(&g_module);
    if (usesLanguagePack())
        FreeLibrary(g_module.ResInstance);
    g_module.ResInstance = nullptr;
    attachedFile().clear();
}

} // namespace TouchDialogs::frame

using namespace TouchDialogs;

extern "C" {

void Initialize(void)
{
    // The language is settled before the first unit reads a text.
    if (frame::g_loads++ == 0)
        frame::chooseLanguagePack(QLocale().name());
    PackageLoad(&frame::kTable);
}

void Finalize(void)
{
    PackageUnload(&frame::kTable);
    if (frame::g_loads > 0)
        --frame::g_loads;
}

const TPackageInfoTable *GetPackageInfoTable(void)
{
    return &frame::kTable;
}

void TouchDialogs_Initialize(void) __attribute__((alias("Initialize")));
void TouchDialogs_Finalize(void) __attribute__((alias("Finalize")));
const TPackageInfoTable *TouchDialogs_GetPackageInfoTable(void) __attribute__((alias("GetPackageInfoTable")));
}
