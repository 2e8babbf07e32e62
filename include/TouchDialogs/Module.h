// The library as a module: the unit table and the routines a host runs once
// after loading it and once before unloading it. Plain C symbols, so a host
// may also find them with dlsym.
#pragma once

#include <TouchDialogs/Export.h>

#include <cstdint>

namespace TouchDialogs {

// One entry of a package's unit table: the unit's setup and teardown.
extern "C" {
typedef void (*TUnitProc)(void);
struct TPackageUnitEntry {
    TUnitProc Init;
    TUnitProc FInit;
};
struct TPackageInfoTable {
    int32_t UnitCount;
    const TPackageUnitEntry *UnitInfo;
};
}

} // namespace TouchDialogs

extern "C" {
// Runs every unit's setup, in unit order; call it once a QApplication exists.
TD_EXPORT void Initialize(void);
// Runs the teardowns in reverse order.
TD_EXPORT void Finalize(void);
TD_EXPORT const TouchDialogs::TPackageInfoTable *GetPackageInfoTable(void);
// The same routines under package-qualified names.
TD_EXPORT void TouchDialogs_Initialize(void);
TD_EXPORT void TouchDialogs_Finalize(void);
TD_EXPORT const TouchDialogs::TPackageInfoTable *TouchDialogs_GetPackageInfoTable(void);
}
