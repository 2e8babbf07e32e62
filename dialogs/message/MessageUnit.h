// The touch message box: its exported tables and the unit's setup/teardown.
#pragma once

#include "platform/rtl/Export.h"

#include <QString>

namespace TouchDialogs {
class TfrmMessageDlg;
}

namespace TouchDialogs::message {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
constexpr int kButtonKinds = 11;

// Never assigned: every box has a form of its own.
TD_EXPORT extern TfrmMessageDlg *frmMessageDlg;
// Filled from the framework's texts by the unit's setup, by dialog kind.
TD_EXPORT extern QString Captions[5];
TD_EXPORT extern const int IconIDs[5];
TD_EXPORT extern QString ButtonNames[kButtonKinds];
// Filled from the framework's texts by the unit's setup, by button kind.
TD_EXPORT extern QString ButtonCaptions[kButtonKinds];
TD_EXPORT extern const int ModalResults[kButtonKinds];

TD_EXPORT void unitInit();
TD_EXPORT void unitFini();

} // namespace TouchDialogs::message
