// The touch message box: its tables and the functions that show it.
#pragma once

#include <TouchDialogs/Export.h>

#include <QString>
#include <QVariant>
#include <cstdint>
#include <initializer_list>

namespace TouchDialogs {
class TfrmMessageDlg;
}

namespace TouchDialogs::message {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
constexpr int kButtonKinds = 11;

// A set of button kinds: bit k set means button kind k is wanted.
class TMsgDlgButtons {
public:
    constexpr TMsgDlgButtons() = default;
    constexpr TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons)
    {
        for (TMsgDlgBtn b : buttons)
            m_bits |= bit(b);
    }
    // Bits above the eleven kinds are dropped.
    static constexpr TMsgDlgButtons fromBits(uint32_t bits)
    {
        TMsgDlgButtons set;
        set.m_bits = uint16_t(bits & ((1u << kButtonKinds) - 1));
        return set;
    }
    constexpr uint16_t bits() const { return m_bits; }
    constexpr bool contains(TMsgDlgBtn b) const { return (m_bits & bit(b)) != 0; }
    constexpr bool contains(int k) const { return k >= 0 && k < kButtonKinds && contains(TMsgDlgBtn(k)); }
    constexpr int count() const
    {
        int n = 0;
        for (int k = 0; k < kButtonKinds; ++k)
            n += contains(k) ? 1 : 0;
        return n;
    }
    constexpr bool isEmpty() const { return m_bits == 0; }
    constexpr TMsgDlgButtons &operator<<(TMsgDlgBtn b)
    {
        m_bits |= bit(b);
        return *this;
    }
    friend constexpr bool operator==(TMsgDlgButtons a, TMsgDlgButtons b) { return a.m_bits == b.m_bits; }

private:
    static constexpr uint16_t bit(TMsgDlgBtn b) { return uint16_t(1u << int(b)); }
    uint16_t m_bits = 0;
};

// The modal result of the extra button.
constexpr int kExtraButtonResult = 100;

// Never assigned: every box has a form of its own.
TD_EXPORT extern TfrmMessageDlg *frmMessageDlg;
// Filled from the framework's texts by the unit's setup, by dialog kind.
TD_EXPORT extern QString Captions[5];
TD_EXPORT extern const int IconIDs[5];
TD_EXPORT extern QString ButtonNames[kButtonKinds];
// Filled from the framework's texts by the unit's setup, by button kind.
TD_EXPORT extern QString ButtonCaptions[kButtonKinds];
TD_EXPORT extern const int ModalResults[kButtonKinds];

// Shows the box modally and returns the modal result of the button that ended
// it (ModalResults, 100 for the extra button, 2 when closed without a
// button). HelpCtx is ignored; Seconds > 0 presses the default button after
// that many seconds; a non-empty ExtraCaption adds one more button.
TD_EXPORT int TouchMessageDlg(const QString &MsgText, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx,
                              int Seconds, const QString &ExtraCaption);
// The same box, shown without waiting. It is freed once it closes.
TD_EXPORT void TouchMessage(const QString &MsgText, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx,
                            int Seconds, const QString &ExtraCaption);
// An error box with OK; then the silent abort when AbortAfter is set.
TD_EXPORT bool TouchMensErro(const QString &MsgText, bool AbortAfter);
// A server's answer: a text whose length is not ExpectedLength is an error
// text; when ShowError is set and the text is not blank it is shown in an
// error box and the silent abort follows. Otherwise Value comes back as is.
TD_EXPORT QVariant TouchCheckResultServ(const QVariant &Value, bool ShowError, int ExpectedLength);

// The kind named "warning", "error", "information", "confirmation" or
// "custom", in any case; EConvertError for another name.
TD_EXPORT TMsgDlgType msgDlgTypeFromName(const QString &name);
// The buttons named in a comma-separated list ("yes,no"; any case, blanks
// around names ignored): yes, no, ok, cancel, abort, retry, ignore, all,
// notoall, yestoall, help. EConvertError for another name.
TD_EXPORT TMsgDlgButtons msgDlgButtonsFromNames(const QString &names);
// Whether a touch or the timer can end a modal box of these buttons: Help
// leaves it open, so it needs another button, an extra one or Seconds > 0.
// Without a window manager nothing else can close it.
TD_EXPORT bool msgDlgCanEnd(TMsgDlgButtons Buttons, int Seconds, const QString &ExtraButton);

} // namespace TouchDialogs::message
