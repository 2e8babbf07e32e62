// The touch message box: an icon, the message in a large font and one row of
// big buttons built at run time. Keys mirror the buttons (Enter, Escape,
// accelerators); a one-shot timer may press the default button.
#pragma once

#include "dialogs/message/MessageUnit.h"
#include "platform/forms/Form.h"

namespace TouchDialogs {

class TD_EXPORT TfrmMessageDlg : public TForm {
    Q_OBJECT

public:
    explicit TfrmMessageDlg(QObject *owner);

    // How the box sizes itself: the modal box and the one shown without
    // waiting have slightly different widths.
    enum class Sizing { Modal, Modeless };

    // Builds the icon, the text and the button row; arms the timer when
    // Seconds > 0.
    void BuildBox(const QString &MsgText, message::TMsgDlgType DlgType, message::TMsgDlgButtons Buttons,
                  int Seconds, const QString &ExtraCaption, Sizing sizing);

    message::TMsgDlgBtn defaultButton() const { return DefaultButton; }
    message::TMsgDlgBtn cancelButton() const { return CancelButton; }

    void FormCreate(QObject *Sender);
    void FormKeyDown(QObject *Sender, WORD &Key, TShiftState Shift);
    void timDefaultTimer(QObject *Sender);
    // With the countdown extension: one second less on the default button's
    // caption; at 0 the default answer, as timDefault gives it.
    void timCountdownTimer(QObject *Sender);
    int secondsLeft() const { return m_secondsLeft; }
    void DoButtonClick(QObject *Sender);

private:
    // Clicks the button of that kind when the box has one; returns whether it did.
    bool clickButton(message::TMsgDlgBtn kind);

    message::TMsgDlgBtn DefaultButton = message::mbOK;
    message::TMsgDlgBtn CancelButton = message::mbOK;
    int m_secondsLeft = 0;
    QString m_countdownCaption; // the default button's own caption
};

} // namespace TouchDialogs
