// The framework's standard texts: button captions ("&" marks the
// accelerator) and dialog kind captions, in the user's language.
#pragma once

#include "platform/rtl/Export.h"

#include <QString>

namespace TouchDialogs {

QString SMsgDlgWarning();
QString SMsgDlgError();
QString SMsgDlgInformation();
QString SMsgDlgConfirm();
QString SMsgDlgYes();
QString SMsgDlgNo();
QString SMsgDlgOK();
QString SMsgDlgCancel();
QString SMsgDlgHelp();
QString SMsgDlgAbort();
QString SMsgDlgRetry();
QString SMsgDlgIgnore();
QString SMsgDlgAll();
QString SMsgDlgNoToAll();
QString SMsgDlgYesToAll();

} // namespace TouchDialogs
