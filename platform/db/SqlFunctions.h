// Functions a filter may call beside SQLite's own, so that a condition can
// name a value the way the dialogs show and fold it:
//   ASSTRING(value, 'type')  the text the grid shows for a value of that
//                            field type ("4,50", "31/01/2024", "True");
//   UNACCENT(text)           the text with the accents of its letters taken
//                            off ("Açaí" gives "Acai").
// Both are deterministic and read nothing but their arguments.
#pragma once

#include <sqlite3.h>

namespace TouchDialogs::db {

void registerFunctions(sqlite3 *db);

} // namespace TouchDialogs::db
