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
// Chooses the pack again for a language other than the system's, the one a
// host picked with QLocale::setDefault before Initialize: that language's
// pack, else the module itself. Nothing before attach.
void chooseLanguagePack(const QString &localeName);

} // namespace TouchDialogs::frame
