#pragma once

#include <TouchDialogs/ClientDataSet.h>

namespace TouchDialogs {

// to.setData(from.Data()) without writing the packet: the two datasets
// share the values until one of them changes.
void copyRecords(TClientDataSet &to, const TClientDataSet &from);

} // namespace TouchDialogs
