#pragma once

#include <TouchDialogs/ClientDataSet.h>

#include <memory>

class QFile;

namespace TouchDialogs {

namespace db {
class RecordStore;
}

// to.setData(from.Data()) without writing the packet: the two datasets
// share the values until one of them changes.
void copyRecords(TClientDataSet &to, const TClientDataSet &from);

// The JSON form read from a regular file in pieces, never whole in memory;
// null for a text the document reader must decide (read it whole then).
std::unique_ptr<db::RecordStore> fastJsonStore(QFile &file);

} // namespace TouchDialogs
