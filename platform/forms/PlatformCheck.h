// Whether Qt could start a platform plugin in this environment, asked before
// any QApplication exists: Qt ends the process when no plugin starts, and a
// library must answer with an error instead.
#pragma once

#include "platform/rtl/Export.h"

#include <QString>

namespace TouchDialogs {

struct PlatformVerdict {
    bool canStart = false;
    QString platform; // the first of Qt's candidates that can start
    QString tried;    // each candidate before it, with why it cannot start
};

// Walks Qt's own candidates in Qt's order (QT_QPA_PLATFORM as a ';' list,
// else wayland when the session asks for it, then xcb) and checks each as
// its plugin would start: xcb and wayland by connecting to their server,
// eglfs and linuxfb by opening their device, any other by its plugin being
// there. Reads only the environment and the plugin folders.
TD_EXPORT PlatformVerdict canStart();

} // namespace TouchDialogs
