#pragma once

#include <TouchDialogs/ClientDataSet.h>

#include <memory>

class QFile;
class QJsonObject;

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

// The JSON form as a document already made, as fromJson reads it with the
// same messages: touchdlg's CSV and JSON records give their values so,
// without writing them as text to be read again. Raises EDatabaseError and
// leaves the dataset as it was.
TD_EXPORT void loadJsonPacket(TClientDataSet &to, const QJsonObject &packet);

} // namespace TouchDialogs
