// Module registry, package unit tables and language resource modules.
#pragma once

#include <TouchDialogs/Export.h>
#include <TouchDialogs/Module.h>

#include <QString>
#include <cstdint>

namespace TouchDialogs {

// A language pack found for a library: a Qt resource file registered
// under /lang while the module uses it.
struct TResourceModule {
    QString rccPath;
};
using HINSTANCE = void *;

struct TLibModule {
    TLibModule *Next = nullptr;
    HINSTANCE Instance = nullptr;
    HINSTANCE CodeInstance = nullptr;
    HINSTANCE DataInstance = nullptr;
    HINSTANCE ResInstance = nullptr;
    intptr_t Reserved = 0;
};

void RegisterModule(TLibModule *module);
void UnregisterModule(TLibModule *module);
TLibModule *LibModuleList();

// Runs the setups of the table's units in order / the teardowns in reverse.
void PackageLoad(const TPackageInfoTable *table);
void PackageUnload(const TPackageInfoTable *table);

// Looks for "<libraryFile>.<locale>.rcc" in the folder touchdialogs/ beside
// libraryFile, then beside it, first for the full system locale name (pt_BR)
// and then for its language alone (pt), where libraryFile is named without
// its version suffix (libX.so.1.0 and libX.so.1 look for libX.so.pt_BR.rcc). A pack that is found is registered
// under the resource root /lang and its handle returned; without one the
// result is nullptr.
HINSTANCE LoadResourceModule(const QString &libraryFile);
HINSTANCE LoadResourceModule(const QString &libraryFile, const QString &localeName);
// Unregisters a pack returned by LoadResourceModule; false for any other handle.
bool FreeResourceModule(HINSTANCE module);

// Resource lookup through the language pack first, then the module's own.
QString ResourcePath(const QString &relative);
// Changes whenever a language pack is loaded or freed: what was made from
// resources before may differ from what they hold now.
int ResourceGeneration();

// The run-once counter every unit keeps: the setup works only on the first
// initialisation, the teardown only on the last finalisation.
class UnitCounter {
public:
    bool enter() { return m_count-- == 0; }
    bool leave() { return ++m_count == 0; }
    int value() const { return m_count; }

private:
    int m_count = 0;
};

} // namespace TouchDialogs
