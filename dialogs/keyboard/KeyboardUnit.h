// The keyboard unit's setup and teardown, beside what the library exports.
#pragma once

#include <TouchDialogs/Keyboard.h>

namespace TouchDialogs::keyboard {

void unitInit();
void unitFini();

} // namespace TouchDialogs::keyboard
