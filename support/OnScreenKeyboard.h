// The on-screen keyboard shared by every form that takes free text by touch:
// the case state (boCapsLock, boShift), the letter captions that follow it,
// and what each key does. A form differs from another only by its
// KeyboardPolicy (accepted characters, length limit, Shift under Caps Lock,
// how keys reach the form's key handlers).
//
// Usage in a form class (part of td_support, which every dialog links):
//
//   class TfrmX : public TForm {
//       OnScreenKeyboard keyboard{*this, KeyboardPolicy::search()};
//   public:
//       void spd1Click(QObject *Sender) { keyboard.spd1Click(Sender); }
//       void spdCCdilClick(QObject *Sender) { keyboard.spdCCdilClick(Sender); }
//       void spdShiftClick(QObject *Sender) { keyboard.spdShiftClick(Sender); }
//       ... (spdCapsLockClick, spdBackSpaceClick, spdLimparClick)
//
//       void FormCreate(QObject *) { ...; keyboard.boCapsLock = keyboard.boShift = false; }
//       void FormKeyPress(QObject *, QChar &Key) {
//           const auto typed = keyboard.keyPress(Key, edtFiltro->text().size());
//           if (typed.accepted) {
//               if (typed.releaseShift) spdShiftClick(spdShift);
//               append typed.character;
//           }
//           ...
//       }
//       void FormKeyDown(QObject *, WORD &Key, TShiftState) {
//           // the Backspace and Clear keys arrive here as 8 and 46
//       }
//   };
//
// On the message route the keys reach the form through SendMessageA, that
// is its OnKeyPress / OnKeyDown, so the layout must bind onKeyPress and
// onKeyDown. The keyboard is a member built before createFromLayout(): it
// looks its keys up by name (spdA..spdZ, spdCCdil, the text label) each time
// it needs them, so FormCreate may already press keys. It draws nothing.
#pragma once

#include "platform/rtl/Export.h"

#include <QChar>
#include <QString>

class QObject;

namespace TouchDialogs {

class TForm;
class TLabel;

struct KeyboardPolicy {
    enum class Route {
        // Character keys call the form's OnKeyPress; Backspace and Clear edit
        // the caption of textLabel themselves.
        CallKeyPress,
        // Keys go to the form's window as messages (PostText): characters as
        // WM_CHAR, Backspace and Clear as key-downs 8 and 46, then Refresh.
        SendMessages,
    };

    QString accepted;               // the characters keyPress() accepts
    int maxLength = -1;             // keyPress() refuses at this length; -1: no limit
    bool shiftUnderCapsLock = false; // true: Shift inverts Caps Lock for one character
    Route route = Route::CallKeyPress;
    QString textLabel;              // CallKeyPress: the TLabel that Backspace and Clear edit

    // The alphanumeric dialog: 71 characters, 50 at most, Shift ignored under
    // Caps Lock, direct calls, edits lblDescricao.
    static KeyboardPolicy alphanumeric();
    // The search dialog: 68 characters, no limit until the form sets one
    // (setMaxLength), Shift ignored under Caps Lock, messages.
    static KeyboardPolicy search();
    // The list builder: 68 characters, no limit, Shift inverts Caps Lock,
    // messages.
    static KeyboardPolicy list();

    static const QString alphanumericCharacters; // the 71
    static const QString searchCharacters;       // the 68: without "-", "\" and "_"
};

class OnScreenKeyboard {
public:
    OnScreenKeyboard(TForm &form, KeyboardPolicy policy);

    // The case state. Forms set it at creation (and the list form's physical
    // Shift sets boShift directly); the keys change it through the handlers.
    bool boCapsLock = false;
    bool boShift = false;

    const KeyboardPolicy &policy() const { return m_policy; }
    void setMaxLength(int maxLength) { m_policy.maxLength = maxLength; }

    // --- the keys (call from the form's handlers of the same names) ---------

    // A character key (spd1Click, spd_Click): the character is the low byte
    // of the sender's Tag.
    void spd1Click(QObject *Sender);
    void spdCCdilClick(QObject *Sender);
    void spdShiftClick(QObject *Sender);
    void spdCapsLockClick(QObject *Sender);
    void spdBackSpaceClick(QObject *Sender);
    void spdLimparClick(QObject *Sender);

    // Sends each character of stText to the form's own window, as WM_CHAR
    // (boAsChar) or WM_KEYDOWN with the character's code as the key, then a
    // WM_KEYDOWN 13 when boEnter. Synchronous: the form's handlers have run
    // when it returns.
    void PostText(const QString &stText, bool boEnter, bool boAsChar);

    // --- what the form's FormKeyPress asks ---------------------------------

    struct Typed {
        bool accepted = false;    // false: ignore the key, change nothing
        QChar character;          // the character in the case to append
        bool releaseShift = false; // run spdShiftClick (one-shot Shift used up)
    };
    // The decision for a typed character when the text holds textLength
    // characters (characterCount). It changes nothing itself: the form
    // appends and, when asked, releases Shift through its spdShiftClick.
    Typed keyPress(QChar Key, int textLength) const;
    bool accepts(QChar Key) const { return m_policy.accepted.contains(Key); }

    // --- state as the keys show it -----------------------------------------

    // True when the letter keys show (and would type) upper case.
    bool lettersUpper() const { return boCapsLock != boShift; }
    // The character of the C-cedilla key now.
    QChar ccedilla() const;
    // The character a key with this Tag sends on the message route.
    QChar characterOfKey(int tag) const;
    // Sets the captions of spdA..spdZ and spdCCdil to upper or lower case;
    // a missing key is skipped.
    void rewriteCaptions(bool upper);
    // Draws spdShift latched while boShift is on and spdCapsLock while
    // boCapsLock is (TSpeedButton::Latched); the keys' handlers call it, a
    // form that sets the state directly calls it too.
    void showLatches();

    // --- text by characters --------------------------------------------------
    // A start text may hold characters outside the BMP (U+1F355): each is
    // one character, a surrogate pair in a QString. Backspace removes it
    // whole and the length limit counts it once.
    static int characterCount(const QString &text);
    static QString withoutLastCharacter(const QString &text);

private:
    void deliver(QObject *sender, QChar character);
    TLabel &label() const;
    QString labelText() const;
    void setLabelText(const QString &text);

    TForm &m_form;
    KeyboardPolicy m_policy;
};

} // namespace TouchDialogs
