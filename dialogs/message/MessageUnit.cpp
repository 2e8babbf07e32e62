#include "dialogs/message/MessageUnit.h"
#include "platform/forms/ResStrings.h"
#include "platform/rtl/Modules.h"

namespace TouchDialogs::message {

TfrmMessageDlg *frmMessageDlg = nullptr;
QString Captions[5];
const int IconIDs[5] = {32515, 32513, 32516, 32514, 0};
QString ButtonNames[kButtonKinds] = {
    QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("OK"), QStringLiteral("Cancel"),
    QStringLiteral("Abort"), QStringLiteral("Retry"), QStringLiteral("Ignore"), QStringLiteral("All"),
    QStringLiteral("NoToAll"), QStringLiteral("YesToAll"), QStringLiteral("Help")};
QString ButtonCaptions[kButtonKinds];
const int ModalResults[kButtonKinds] = {6, 7, 1, 2, 3, 4, 5, 8, 9, 10, 0};

static UnitCounter g_counter;

void unitInit()
{
    if (!g_counter.enter())
        return;
    Captions[0] = SMsgDlgWarning();
    Captions[1] = SMsgDlgError();
    Captions[2] = SMsgDlgInformation();
    Captions[3] = SMsgDlgConfirm();
    const QString buttons[kButtonKinds] = {
        SMsgDlgYes(), SMsgDlgNo(), SMsgDlgOK(), SMsgDlgCancel(), SMsgDlgAbort(), SMsgDlgRetry(),
        SMsgDlgIgnore(), SMsgDlgAll(), SMsgDlgNoToAll(), SMsgDlgYesToAll(), SMsgDlgHelp()};
    for (int i = 0; i < kButtonKinds; ++i)
        ButtonCaptions[i] = buttons[i];
}

void unitFini()
{
    if (!g_counter.leave())
        return;
    for (QString &s : ButtonCaptions)
        s.clear();
    for (QString &s : ButtonNames)
        s.clear();
    for (QString &s : Captions)
        s.clear();
}

} // namespace TouchDialogs::message
