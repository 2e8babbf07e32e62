#include "dialogs/message/MessageUnit.h"
#include "dialogs/message/TfrmMessageDlg.h"
#include "platform/forms/Application.h"
#include "platform/forms/ResStrings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Modules.h"
#include "support/Consiste.h"

#include <memory>

namespace TouchDialogs::message {

TfrmMessageDlg *frmMessageDlg = nullptr;
QString Captions[5];
const int IconIDs[5] = {32515, 32513, 32516, 32514, 0};
static const char *const kNames[kButtonKinds] = {"Yes",   "No",  "OK",      "Cancel",   "Abort", "Retry",
                                                  "Ignore", "All", "NoToAll", "YesToAll", "Help"};
QString ButtonNames[kButtonKinds] = {
    QLatin1String(kNames[0]), QLatin1String(kNames[1]), QLatin1String(kNames[2]), QLatin1String(kNames[3]),
    QLatin1String(kNames[4]), QLatin1String(kNames[5]), QLatin1String(kNames[6]), QLatin1String(kNames[7]),
    QLatin1String(kNames[8]), QLatin1String(kNames[9]), QLatin1String(kNames[10])};
QString ButtonCaptions[kButtonKinds];
const int ModalResults[kButtonKinds] = {6, 7, 1, 2, 3, 4, 5, 8, 9, 10, 0};

static UnitCounter g_counter;

void unitInit()
{
    if (!g_counter.enter())
        return;
    // The teardown clears the names with the captions; a library set up
    // again afterwards needs them back to name its buttons.
    for (int i = 0; i < kButtonKinds; ++i)
        ButtonNames[i] = QLatin1String(kNames[i]);
    Captions[0] = SMsgDlgWarning();
    Captions[1] = SMsgDlgError();
    Captions[2] = SMsgDlgInformation();
    Captions[3] = SMsgDlgConfirm();
    Captions[4].clear();
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

int TouchMessageDlg(const QString &MsgText, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int /*HelpCtx*/,
                    int Seconds, const QString &ExtraCaption)
{
    // The box is freed on every path, also when its run raises: a box left
    // with the application object would pile up over a long shift.
    auto form = std::make_unique<TfrmMessageDlg>(Application::instance());
    form->BuildBox(MsgText, DlgType, Buttons, Seconds, ExtraCaption, TfrmMessageDlg::Sizing::Modal);
    const int result = form->ShowModal();
    Application::ProcessMessages();
    return result;
}

void TouchMessage(const QString &MsgText, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int /*HelpCtx*/,
                  int Seconds, const QString &ExtraCaption)
{
    auto form = std::make_unique<TfrmMessageDlg>(Application::instance());
    form->BuildBox(MsgText, DlgType, Buttons, Seconds, ExtraCaption, TfrmMessageDlg::Sizing::Modeless);
    // Freed once it closes rather than hidden until the application ends.
    form->OnClose = [](QObject *, TCloseAction &Action) { Action = caFree; };
    form->Show();
    form.release();
    Application::ProcessMessages();
}

bool TouchMensErro(const QString &MsgText, bool AbortAfter)
{
    TouchMessageDlg(MsgText, mtError, {mbOK}, 0, 0, QString());
    if (AbortAfter)
        Abort();
    return true;
}

QVariant TouchCheckResultServ(const QVariant &Value, bool ShowError, int ExpectedLength)
{
    if (Value.typeId() != QMetaType::QString)
        return Value;
    const QString text = Value.toString();
    if (text.size() == ExpectedLength)
        return Value;
    if (!ShowError)
        return Value;
    if (EmptyString(text))
        return Value;
    TouchMessageDlg(text, mtError, {mbOK}, 0, 0, QString());
    Abort();
}

TMsgDlgType msgDlgTypeFromName(const QString &name)
{
    static const char *const kinds[] = {"warning", "error", "information", "confirmation", "custom"};
    for (int i = 0; i < 5; ++i)
        if (name.trimmed().compare(QLatin1String(kinds[i]), Qt::CaseInsensitive) == 0)
            return TMsgDlgType(i);
    throw EConvertError(
        QStringLiteral("'%1' is no kind of box (use warning, error, information, confirmation or custom)").arg(name));
}

TMsgDlgButtons msgDlgButtonsFromNames(const QString &names)
{
    TMsgDlgButtons set;
    for (const QString &part : names.split(u',', Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        int found = -1;
        for (int k = 0; k < kButtonKinds; ++k)
            if (name.compare(QLatin1String(kNames[k]), Qt::CaseInsensitive) == 0)
                found = k;
        if (found < 0)
            throw EConvertError(QStringLiteral("unknown button '%1' (use yes, no, ok, cancel, abort, retry, ignore, "
                                               "all, notoall, yestoall, help)")
                                    .arg(part));
        set << TMsgDlgBtn(found);
    }
    return set;
}

bool msgDlgCanEnd(TMsgDlgButtons Buttons, int Seconds, const QString &ExtraButton)
{
    return !(Buttons.isEmpty() || Buttons == TMsgDlgButtons{mbHelp}) || Seconds > 0 || !ExtraButton.isEmpty();
}

} // namespace TouchDialogs::message
