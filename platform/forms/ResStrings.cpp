#include "platform/forms/ResStrings.h"

#include <QCoreApplication>

namespace TouchDialogs {

// The box presses a button when the key's code equals the character after
// its "&": mark a digit or a capital A-Z (a letter key's code), and keep the
// marks of one language apart where the captions allow it.
#define TD_RES_STRING(name, text) \
    QString name() { return QCoreApplication::translate("Consts", text); }

TD_RES_STRING(SMsgDlgWarning, "Warning")
TD_RES_STRING(SMsgDlgError, "Error")
TD_RES_STRING(SMsgDlgInformation, "Information")
TD_RES_STRING(SMsgDlgConfirm, "Confirm")
TD_RES_STRING(SMsgDlgYes, "&Yes")
TD_RES_STRING(SMsgDlgNo, "&No")
TD_RES_STRING(SMsgDlgOK, "OK")
TD_RES_STRING(SMsgDlgCancel, "Cancel")
TD_RES_STRING(SMsgDlgHelp, "&Help")
TD_RES_STRING(SMsgDlgAbort, "&Abort")
TD_RES_STRING(SMsgDlgRetry, "&Retry")
TD_RES_STRING(SMsgDlgIgnore, "&Ignore")
TD_RES_STRING(SMsgDlgAll, "&All")
TD_RES_STRING(SMsgDlgNoToAll, "No &To All")
TD_RES_STRING(SMsgDlgYesToAll, "Yes To &All")

} // namespace TouchDialogs
