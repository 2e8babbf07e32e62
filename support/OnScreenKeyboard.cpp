#include "support/OnScreenKeyboard.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Windows.h"

namespace TouchDialogs {

const QString KeyboardPolicy::alphanumericCharacters = QStringLiteral(
    " ,-./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ\\_abcdefghijklmnopqrstuvwxyz\u00C7\u00E7");
const QString KeyboardPolicy::searchCharacters = QStringLiteral(
    " ,./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz\u00C7\u00E7");

KeyboardPolicy KeyboardPolicy::alphanumeric()
{
    return {alphanumericCharacters, 50, false, Route::CallKeyPress, QStringLiteral("lblDescricao")};
}

KeyboardPolicy KeyboardPolicy::search()
{
    return {searchCharacters, -1, false, Route::SendMessages, QString()};
}

KeyboardPolicy KeyboardPolicy::list()
{
    return {searchCharacters, -1, true, Route::SendMessages, QString()};
}

OnScreenKeyboard::OnScreenKeyboard(TForm &form, KeyboardPolicy policy)
    : m_form(form), m_policy(std::move(policy))
{
}

QChar OnScreenKeyboard::ccedilla() const
{
    return boCapsLock != boShift ? QChar(0xC7) : QChar(0xE7);
}

QChar OnScreenKeyboard::characterOfKey(int tag) const
{
    const QChar c(char16_t(tag & 0xFF));
    return boCapsLock || boShift ? UpCase(c) : LowCase(c);
}

void OnScreenKeyboard::rewriteCaptions(bool upper)
{
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
        auto *key = m_form.component<TSpeedButton>(QStringLiteral("spd") + QChar(letter));
        if (key)
            key->setCaption(QString(upper ? QChar(letter) : LowCase(QChar(letter))));
    }
    if (auto *key = m_form.component<TSpeedButton>(QStringLiteral("spdCCdil")))
        key->setCaption(QString(upper ? QChar(0xC7) : QChar(0xE7)));
}

void OnScreenKeyboard::spd1Click(QObject *Sender)
{
    const int tag = Sender ? Sender->property("Tag").toInt() : 0;
    if (m_policy.route == KeyboardPolicy::Route::CallKeyPress)
        deliver(Sender, QChar(char16_t(tag & 0xFF)));
    else
        deliver(Sender, characterOfKey(tag));
}

void OnScreenKeyboard::spdCCdilClick(QObject *Sender)
{
    deliver(Sender, ccedilla());
}

void OnScreenKeyboard::spdShiftClick(QObject *)
{
    if (boCapsLock && !m_policy.shiftUnderCapsLock)
        return;
    boShift = !boShift;
    rewriteCaptions(lettersUpper());
    showLatches();
}

void OnScreenKeyboard::spdCapsLockClick(QObject *)
{
    boShift = false;
    boCapsLock = !boCapsLock;
    rewriteCaptions(boCapsLock);
    showLatches();
}

void OnScreenKeyboard::showLatches()
{
    if (auto *key = m_form.component<TSpeedButton>(QStringLiteral("spdShift")))
        key->setLatched(boShift);
    if (auto *key = m_form.component<TSpeedButton>(QStringLiteral("spdCapsLock")))
        key->setLatched(boCapsLock);
}

void OnScreenKeyboard::spdBackSpaceClick(QObject *)
{
    if (m_policy.route == KeyboardPolicy::Route::CallKeyPress) {
        setLabelText(withoutLastCharacter(labelText()));
        return;
    }
    PostText(QString(QChar(VK_BACK)), false, false);
    m_form.Refresh();
}

void OnScreenKeyboard::spdLimparClick(QObject *)
{
    if (m_policy.route == KeyboardPolicy::Route::CallKeyPress) {
        setLabelText(QString());
        return;
    }
    // "." is 46, the Delete key's code.
    PostText(QStringLiteral("."), false, false);
    m_form.Refresh();
}

void OnScreenKeyboard::PostText(const QString &stText, bool boEnter, bool boAsChar)
{
    for (const QChar c : stText) {
        // A byte string holds "?" for what its code page cannot write.
        const WPARAM code = c.unicode() <= 0xFF ? c.unicode() : u'?';
        SendMessageA(&m_form, boAsChar ? WM_CHAR : WM_KEYDOWN, code, 0);
    }
    if (boEnter)
        SendMessageA(&m_form, WM_KEYDOWN, VK_RETURN, 0);
}

OnScreenKeyboard::Typed OnScreenKeyboard::keyPress(QChar Key, int textLength) const
{
    Typed t;
    if (!accepts(Key))
        return t;
    if (m_policy.maxLength >= 0 && textLength >= m_policy.maxLength)
        return t;
    t.accepted = true;
    bool upper;
    if (m_policy.shiftUnderCapsLock) {
        upper = boCapsLock != boShift;
        t.releaseShift = boShift;
    } else if (boCapsLock) {
        upper = true;
    } else {
        upper = boShift;
        t.releaseShift = boShift;
    }
    t.character = upper ? UpCase(Key) : LowCase(Key);
    return t;
}

int OnScreenKeyboard::characterCount(const QString &text)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++count)
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
    return count;
}

QString OnScreenKeyboard::withoutLastCharacter(const QString &text)
{
    const qsizetype n = text.size();
    const bool pair = n >= 2 && text.at(n - 1).isLowSurrogate() && text.at(n - 2).isHighSurrogate();
    return text.left(n - (pair ? 2 : n > 0 ? 1 : 0));
}

void OnScreenKeyboard::deliver(QObject *sender, QChar character)
{
    if (m_policy.route == KeyboardPolicy::Route::SendMessages) {
        PostText(QString(character), false, true);
        return;
    }
    if (m_form.OnKeyPress) {
        QChar key = character;
        m_form.OnKeyPress(sender, key);
    }
}

TLabel &OnScreenKeyboard::label() const
{
    auto *label = m_form.component<TLabel>(m_policy.textLabel);
    if (!label)
        throw Exception(QStringLiteral("%1 has no label named %2").arg(m_form.className(), m_policy.textLabel));
    return *label;
}

QString OnScreenKeyboard::labelText() const
{
    return label().Caption();
}

void OnScreenKeyboard::setLabelText(const QString &text)
{
    label().setCaption(text);
}

} // namespace TouchDialogs
