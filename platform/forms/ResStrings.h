// The framework's standard texts: button captions ("&" marks the
// accelerator) and dialog kind captions, in the user's language.
#pragma once

#include "platform/rtl/Export.h"

#include <QString>

namespace TouchDialogs {

TD_EXPORT QString SMsgDlgWarning();
TD_EXPORT QString SMsgDlgError();
TD_EXPORT QString SMsgDlgInformation();
TD_EXPORT QString SMsgDlgConfirm();
TD_EXPORT QString SMsgDlgYes();
TD_EXPORT QString SMsgDlgNo();
TD_EXPORT QString SMsgDlgOK();
TD_EXPORT QString SMsgDlgCancel();
TD_EXPORT QString SMsgDlgHelp();
TD_EXPORT QString SMsgDlgAbort();
TD_EXPORT QString SMsgDlgRetry();
TD_EXPORT QString SMsgDlgIgnore();
TD_EXPORT QString SMsgDlgAll();
TD_EXPORT QString SMsgDlgNoToAll();
TD_EXPORT QString SMsgDlgYesToAll();

} // namespace TouchDialogs
