// The module frame: the unit table the host runs through Initialize and
// Finalize, and what happens when the library is attached and detached.
#pragma once

#include "platform/rtl/Modules.h"

#include <TouchDialogs/Module.h>

#include <QString>

namespace TouchDialogs::frame {

// Registers the module and chooses its resource instance: a language pack
// beside libraryFile, else the module itself.
void attach(const QString &libraryFile);
// Unregisters the module and releases a language pack, if one was chosen.
void detach();
TLibModule &moduleRecord();
// True while a language pack (not the module itself) serves the resources.
bool usesLanguagePack();

} // namespace TouchDialogs::frame
