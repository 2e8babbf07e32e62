// The colour unit's setup and teardown, beside what the library exports.
#pragma once

#include <TouchDialogs/Colour.h>

namespace TouchDialogs::colour {

void unitInit();
void unitFini();

} // namespace TouchDialogs::colour
