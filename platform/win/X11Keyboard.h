// Keyboard state from the X server the application is connected to.
#pragma once

namespace TouchDialogs::x11 {

// True while Caps Lock is locked on Qt's own X display; false on any other
// platform or when the server cannot tell.
bool capsLockOn();

} // namespace TouchDialogs::x11
