// The message unit's setup and teardown, beside what the library exports.
#pragma once

#include <TouchDialogs/Message.h>

namespace TouchDialogs::message {

void unitInit();
void unitFini();

} // namespace TouchDialogs::message
