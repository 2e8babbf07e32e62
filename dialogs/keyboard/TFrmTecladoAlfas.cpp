#include "dialogs/keyboard/TFrmTecladoAlfas.h"
#include "dialogs/keyboard/KeyboardUnit.h"
#include "platform/forms/Controls.h"
#include "support/Consiste.h"
#include "support/Trad.h"
#include "support/FormParts.h"

// The layout compiled by uic names our classes unqualified, as the .ui does.
using namespace TouchDialogs;
#include "ui_TFrmTecladoAlfas.h"

namespace TouchDialogs {

TFrmTecladoAlfas::TFrmTecladoAlfas(QObject *owner) : TForm(owner)
{
    bind("FormCreate", &TFrmTecladoAlfas::FormCreate);
    bind("FormKeyPress", &TFrmTecladoAlfas::FormKeyPress);
    bind("FormKeyDown", &TFrmTecladoAlfas::FormKeyDown);
    bind("spd1Click", &TFrmTecladoAlfas::spd1Click);
    bind("spd_Click", &TFrmTecladoAlfas::spd_Click);
    bind("spdCCdilClick", &TFrmTecladoAlfas::spdCCdilClick);
    bind("spdShiftClick", &TFrmTecladoAlfas::spdShiftClick);
    bind("spdCapsLockClick", &TFrmTecladoAlfas::spdCapsLockClick);
    bind("spdBackSpaceClick", &TFrmTecladoAlfas::spdBackSpaceClick);
    bind("spdLimparClick", &TFrmTecladoAlfas::spdLimparClick);
    bind("spdEnterClick", &TFrmTecladoAlfas::spdEnterClick);
    bind("spdSairClick", &TFrmTecladoAlfas::spdSairClick);
    createFromLayout([this] { Ui::FrmTecladoAlfas().setupUi(this); });
}

void TFrmTecladoAlfas::FormCreate(QObject *)
{
    m_lblDescricao = requiredComponent<TLabel>(*this, "lblDescricao");
    Trad(this);
    // The Caps Lock key inverts the state back, so the form starts with the
    // system's Caps Lock and the letter keys shown in that case.
    m_keyboard.boShift = false;
    m_keyboard.boCapsLock = !(GetKeyState(VK_CAPITAL) & 1);
    spdCapsLockClick(this);
    m_lblDescricao->setCaption(keyboard::stDescricao);
}

void TFrmTecladoAlfas::FormKeyPress(QObject *Sender, QChar &Key)
{
    const auto typed = m_keyboard.keyPress(Key, OnScreenKeyboard::characterCount(m_lblDescricao->Caption()));
    if (!typed.accepted)
        return;
    m_lblDescricao->setCaption(m_lblDescricao->Caption() + typed.character);
    if (typed.releaseShift)
        spdShiftClick(Sender);
}

void TFrmTecladoAlfas::FormKeyDown(QObject *Sender, WORD &Key, TShiftState Shift)
{
    if (Key == VK_RETURN)
        spdEnterClick(Sender);
    else if (Key == VK_BACK)
        spdBackSpaceClick(Sender);
    else if (Key == VK_DELETE)
        spdLimparClick(Sender);
    else if (Key == VK_CAPITAL)
        spdCapsLockClick(Sender);
    else if (Key == VK_SHIFT)
        spdShiftClick(Sender);
    else if (Key == VK_ESCAPE)
        spdSairClick(Sender);

    if (Key == VK_F4 && Shift == TShiftState(ssAlt))
        Key = 0;
}

void TFrmTecladoAlfas::spdEnterClick(QObject *)
{
    const QString text = m_lblDescricao->Caption();
    keyboard::stResult = EmptyString(text) ? QStringLiteral("@") : text;
    Close();
}

void TFrmTecladoAlfas::spdSairClick(QObject *)
{
    Close();
}

} // namespace TouchDialogs
