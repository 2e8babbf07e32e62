// Window-manager frames from the X server the application is connected to.
#pragma once

#include <QtGlobal>

namespace TouchDialogs::x11 {

// The window whose frame extents the window manager has just set or changed,
// when the native event from Qt's X connection says so; else 0. Qt learns a
// new frame without telling the window (no move, resize or expose follows
// when the frame comes after the first paint), so a form sized by its frame
// listens for this.
quintptr frameExtentsChanged(const void *xcbEvent);

} // namespace TouchDialogs::x11
