// The quantity unit's setup and teardown, beside what the library exports.
#pragma once

#include <TouchDialogs/Quantity.h>

namespace TouchDialogs::quantity {

void unitInit();
void unitFini();

} // namespace TouchDialogs::quantity
