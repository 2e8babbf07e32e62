// Kept in a file of its own: Xlib's headers define macros (None, Status,
// Bool) that would clash with Qt's names elsewhere.
#include "platform/win/X11Keyboard.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/XKBlib.h>

namespace TouchDialogs::x11 {

bool capsLockOn()
{
    // Qt's connection, not one of our own from $DISPLAY: a host started with
    // -display talks to another server than the environment names.
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    // The locked Lock modifier is the toggle itself, whichever indicator
    // light the keymap wires to it.
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return false;
    return state.locked_mods & LockMask;
}

} // namespace TouchDialogs::x11
