// Setup and teardown of the form framework: fonts, the translation of the
// user's language, and the forms still owned by the application.
#pragma once

#include "platform/rtl/Export.h"

#include <QString>

namespace TouchDialogs::forms {

void unitInit();
void unitFini();

// Installs the translation for a locale name ("pt_BR"); an empty name means
// the default locale. Returns false when there is none for it (the English
// texts stay).
bool installTranslation(const QString &localeName = QString());
void removeTranslation();
// Makes the layouts' face names resolve to installed fonts of the same metrics.
void registerFonts();

} // namespace TouchDialogs::forms
