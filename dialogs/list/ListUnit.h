// The list unit's setup and teardown, beside what the library exports.
#pragma once

#include <TouchDialogs/List.h>

namespace TouchDialogs::list {

void unitInit();
void unitFini();

} // namespace TouchDialogs::list
