// The few user32/kernel32 services the dialogs use, on Qt: virtual-key codes,
// the one Qt-to-key table, window messages to a form, the Caps Lock state,
// and the library's own file name.
#pragma once

#include "platform/rtl/Export.h"
#include "platform/rtl/Modules.h"

#include <QFlags>
#include <QString>
#include <cstdint>

class QKeyEvent;
class QWidget;

namespace TouchDialogs {

using WORD = uint16_t;
using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using HWND = QWidget *;

enum VirtualKey : WORD {
    VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17,
    VK_MENU = 18, VK_PAUSE = 19, VK_CAPITAL = 20, VK_ESCAPE = 27, VK_SPACE = 32,
    VK_PRIOR = 33, VK_NEXT = 34, VK_END = 35, VK_HOME = 36, VK_LEFT = 37,
    VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_INSERT = 45, VK_DELETE = 46,
    VK_NUMPAD0 = 96, VK_MULTIPLY = 106, VK_ADD = 107, VK_SUBTRACT = 109,
    VK_DECIMAL = 110, VK_DIVIDE = 111, VK_F1 = 112, VK_F4 = 115, VK_F12 = 123,
    VK_NUMLOCK = 144, VK_SCROLL = 145,
    VK_OEM_1 = 186, VK_OEM_PLUS = 187, VK_OEM_COMMA = 188, VK_OEM_MINUS = 189,
    VK_OEM_PERIOD = 190, VK_OEM_2 = 191, VK_OEM_3 = 192, VK_OEM_4 = 219,
    VK_OEM_5 = 220, VK_OEM_6 = 221, VK_OEM_7 = 222,
};

enum : UINT { WM_KEYDOWN = 0x0100, WM_CHAR = 0x0102, WM_CLOSE = 0x0010 };

enum ShiftFlag {
    ssShift = 0x01, ssAlt = 0x02, ssCtrl = 0x04,
    ssLeft = 0x08, ssRight = 0x10, ssMiddle = 0x20, ssDouble = 0x40,
};
Q_DECLARE_FLAGS(TShiftState, ShiftFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

// What a physical key means to a form: its virtual-key code, the shift state
// and the character it types (QChar() when it types none).
struct KeyInfo {
    WORD key = 0;
    TShiftState shift;
    QChar character;
};
KeyInfo keyFromQt(const QKeyEvent &event);
WORD virtualKeyFromQt(int qtKey, bool keypad);
TShiftState shiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

// A window that takes messages: forms implement it. The message is handled
// synchronously by the form's own handlers.
class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
};

// Delivered at once, to the window's own handlers only.
LRESULT SendMessageA(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
// Queued; does nothing if the window is gone by the time it is handled.
bool PostMessageA(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Bit 0 is the toggle state (Caps Lock), bit 15 (negative result) is "down".
int16_t GetKeyState(int virtualKey);
// Every key event the application sees, for the Caps Lock state of window
// systems that tell it only with keys (Wayland).
void noteKeyboardState(const QKeyEvent &event);
// Tests fix the Caps Lock toggle; std::nullopt-like reset with -1.
void setCapsLockStateForTesting(int state);

// The file of the library that holds this code ("" when not known).
uint32_t GetModuleFileNameA(HINSTANCE module, char *buffer, uint32_t size);
QString moduleFileName();
// Releases a language pack from LoadResourceModule.
bool FreeLibrary(HINSTANCE module);

} // namespace TouchDialogs
