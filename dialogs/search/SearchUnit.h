// The search unit's setup and teardown, beside what the library exports.
#pragma once

#include <TouchDialogs/Search.h>

namespace TouchDialogs::search {

void unitInit();
void unitFini();

} // namespace TouchDialogs::search
