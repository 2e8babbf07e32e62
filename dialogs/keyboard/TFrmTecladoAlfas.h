// The alphanumeric keyboard form: a text line (lblDescricao) and the
// on-screen keyboard under it. Text is only appended or removed at the end.
#pragma once

#include "support/OnScreenKeyboard.h"
#include "platform/forms/Form.h"

namespace TouchDialogs {

class TLabel;

class TD_EXPORT TFrmTecladoAlfas : public TForm {
    Q_OBJECT

public:
    explicit TFrmTecladoAlfas(QObject *owner = nullptr);

    void FormCreate(QObject *Sender);
    // Typed characters, from the physical keyboard and the character keys.
    void FormKeyPress(QObject *Sender, QChar &Key);
    // Physical keys that mirror the function keys; Alt+F4 is swallowed.
    void FormKeyDown(QObject *Sender, WORD &Key, TShiftState Shift);

    void spd1Click(QObject *Sender) { m_keyboard.spd1Click(Sender); }
    void spd_Click(QObject *Sender) { m_keyboard.spd1Click(Sender); }
    void spdCCdilClick(QObject *Sender) { m_keyboard.spdCCdilClick(Sender); }
    void spdShiftClick(QObject *Sender) { m_keyboard.spdShiftClick(Sender); }
    void spdCapsLockClick(QObject *Sender) { m_keyboard.spdCapsLockClick(Sender); }
    void spdBackSpaceClick(QObject *Sender) { m_keyboard.spdBackSpaceClick(Sender); }
    void spdLimparClick(QObject *Sender) { m_keyboard.spdLimparClick(Sender); }
    // Leaves the text (or "@" for a blank one) in stResult and closes.
    void spdEnterClick(QObject *Sender);
    void spdSairClick(QObject *Sender);

    const OnScreenKeyboard &keyboard() const { return m_keyboard; }
    TLabel *lblDescricao() const { return m_lblDescricao; }

private:
    OnScreenKeyboard m_keyboard{*this, KeyboardPolicy::alphanumeric()};
    TLabel *m_lblDescricao = nullptr;
};

} // namespace TouchDialogs
