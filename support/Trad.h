// Passes a form's visible texts through the installed translations, with the
// form's class name as context. Without a translation nothing changes.
#pragma once

#include "platform/rtl/Export.h"

namespace TouchDialogs {

class TForm;

void Trad(TForm *Form);

} // namespace TouchDialogs
