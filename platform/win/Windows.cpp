#include "platform/win/Windows.h"
#include "platform/win/X11Keyboard.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>
#include <dlfcn.h>
#include <cstring>


namespace TouchDialogs {

WORD virtualKeyFromQt(int qtKey, bool keypad)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return WORD(qtKey);              // Qt and Windows share 65..90
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return keypad ? WORD(VK_NUMPAD0 + (qtKey - Qt::Key_0)) : WORD(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return WORD(VK_F1 + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: case Qt::Key_AltGr: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Asterisk: return keypad ? WORD(VK_MULTIPLY) : WORD(0);
    case Qt::Key_Plus: return keypad ? WORD(VK_ADD) : WORD(VK_OEM_PLUS);
    case Qt::Key_Minus: return keypad ? WORD(VK_SUBTRACT) : WORD(VK_OEM_MINUS);
    case Qt::Key_Period: return keypad ? WORD(VK_DECIMAL) : WORD(VK_OEM_PERIOD);
    case Qt::Key_Slash: return keypad ? WORD(VK_DIVIDE) : WORD(VK_OEM_2);
    case Qt::Key_Comma: return keypad ? WORD(VK_DECIMAL) : WORD(VK_OEM_COMMA);
    case Qt::Key_Semicolon: case Qt::Key_Colon: return VK_OEM_1;
    case Qt::Key_Ccedilla: return VK_OEM_1;
    case Qt::Key_Equal: return VK_OEM_PLUS;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return VK_OEM_3;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return VK_OEM_4;
    case Qt::Key_Backslash: case Qt::Key_Bar: return VK_OEM_5;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return VK_OEM_6;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return VK_OEM_7;
    case Qt::Key_Underscore: return VK_OEM_MINUS;
    case Qt::Key_Question: return VK_OEM_2;
    default: return 0;
    }
}

TShiftState shiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState s;
    if (modifiers & Qt::ShiftModifier) s |= ssShift;
    if (modifiers & Qt::AltModifier) s |= ssAlt;
    if (modifiers & Qt::ControlModifier) s |= ssCtrl;
    if (buttons & Qt::LeftButton) s |= ssLeft;
    if (buttons & Qt::RightButton) s |= ssRight;
    if (buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

KeyInfo keyFromQt(const QKeyEvent &event)
{
    KeyInfo info;
    const bool keypad = event.modifiers() & Qt::KeypadModifier;
    info.key = virtualKeyFromQt(event.key(), keypad);
    info.shift = shiftStateFromQt(event.modifiers(), QGuiApplication::mouseButtons());
    // A modifier key is down while its own key-down is handled, whatever the
    // platform reports for that event.
    switch (info.key) {
    case VK_SHIFT: info.shift |= ssShift; break;
    case VK_CONTROL: info.shift |= ssCtrl; break;
    case VK_MENU: info.shift |= ssAlt; break;
    default: break;
    }
    const QString text = event.text();
    // Alt combinations type no character (they are system keys); AltGr
    // (Ctrl+Alt) does.
    const bool altOnly = (event.modifiers() & Qt::AltModifier) && !(event.modifiers() & Qt::ControlModifier);
    if (!text.isEmpty() && !altOnly)
        info.character = text.at(0);
    else if (!altOnly) {
        // Keys whose text some platforms leave empty still type a control character.
        switch (event.key()) {
        case Qt::Key_Return: case Qt::Key_Enter: info.character = QChar(13); break;
        case Qt::Key_Backspace: info.character = QChar(8); break;
        case Qt::Key_Escape: info.character = QChar(27); break;
        default: break;
        }
    }
    return info;
}

LRESULT SendMessageA(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (auto *target = dynamic_cast<MessageTarget *>(window))
        return target->windowProc(msg, wParam, lParam);
    return 0;
}

bool PostMessageA(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!window)
        return false;
    QPointer<QWidget> guard(window);
    return QMetaObject::invokeMethod(
        window,
        [guard, msg, wParam, lParam] {
            if (guard)
                SendMessageA(guard.data(), msg, wParam, lParam);
        },
        Qt::QueuedConnection);
}

static int g_capsLockForTesting = -1;

void setCapsLockStateForTesting(int state)
{
    g_capsLockForTesting = state;
}

static bool g_lockInLastKey = false;

void noteKeyboardState(const QKeyEvent &event)
{
    // Xkb's modifier mask, as X11 and Wayland keys both carry it: Lock is its
    // second bit in every keymap. A Wayland client learns the modifiers only
    // with its keys, and Qt keeps no Caps Lock state of its own.
    constexpr quint32 xkbLock = 0x2;
    g_lockInLastKey = event.nativeModifiers() & xkbLock;
}

int16_t GetKeyState(int virtualKey)
{
    if (virtualKey == VK_CAPITAL) {
        if (g_capsLockForTesting >= 0)
            return int16_t(g_capsLockForTesting & 1);
        // The X server knows at any time; elsewhere the last key tells.
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            return x11::capsLockOn() ? 1 : 0;
        return g_lockInLastKey ? 1 : 0;
    }
    const Qt::KeyboardModifiers m = QGuiApplication::queryKeyboardModifiers();
    bool down = false;
    switch (virtualKey) {
    case VK_SHIFT: down = m & Qt::ShiftModifier; break;
    case VK_CONTROL: down = m & Qt::ControlModifier; break;
    case VK_MENU: down = m & Qt::AltModifier; break;
    default: break;
    }
    return down ? int16_t(0x8000) : int16_t(0);
}

QString moduleFileName()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&moduleFileName), &info) && info.dli_fname)
        return QString::fromLocal8Bit(info.dli_fname);
    return {};
}

uint32_t GetModuleFileNameA(HINSTANCE, char *buffer, uint32_t size)
{
    if (!buffer || size == 0)
        return 0;
    const QByteArray name = moduleFileName().toLocal8Bit();
    const uint32_t n = std::min<uint32_t>(uint32_t(name.size()), size - 1);
    std::memcpy(buffer, name.constData(), n);
    buffer[n] = '\0';
    return n;
}

bool FreeLibrary(HINSTANCE module)
{
    return FreeResourceModule(module);
}

} // namespace TouchDialogs
