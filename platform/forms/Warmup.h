// Start-up work that needs no Qt object, done on a second core while the
// main thread connects to the display.
#pragma once

#include "platform/rtl/Export.h"

namespace TouchDialogs {

// Fontconfig reads its configuration and caches (~7 ms) the first time a
// font is looked up; this has it do so now, on a thread of its own. Does
// nothing when Qt draws its text without fontconfig or when already started.
TD_EXPORT void startFontWarmup();

// Waits for that thread, if any: called before our first font lookup, and
// at exit.
void finishFontWarmup();

} // namespace TouchDialogs
