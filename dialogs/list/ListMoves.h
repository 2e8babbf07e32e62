// Moving one record between the two lists of the list builder.
#pragma once

#include "platform/rtl/Export.h"

namespace TouchDialogs {
class TClientDataSet;
}

namespace TouchDialogs::list {

// Moves the current record of `giving` into `receiving`: a new record
// before the receiving dataset's current one, written once with every field
// (by position), then the giving record is deleted. Returns false when
// `giving` shows no record. All or nothing: if the receiving dataset refuses
// the record, or the giving one cannot delete it, both are left as they were
// and the error goes on to the caller.
bool moveRecord(TClientDataSet &giving, TClientDataSet &receiving);

} // namespace TouchDialogs::list
