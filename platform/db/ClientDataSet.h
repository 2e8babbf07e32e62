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

// Builds ahead of use one of the orders the search and list forms may ask
// for next (the typed search on the current order's field, another index,
// the typed search on its field), so that the first keystroke or title touch
// does not wait for a sort. Changes nothing a user sees. ignoreAccents: the
// typed search folds accents. The work is done on another thread: returns
// the step to ask for next, step itself while it is still being built, -1
// once step is past the last of them.
int prepareOrder(TClientDataSet &ds, int step, bool ignoreAccents = false);

// Tests and benchmarks compare the native prefix evaluation with SQLite's.
void setFastPath(TClientDataSet &ds, bool on);

// The JSON form read from a regular file in pieces, never whole in memory;
// null for a text the document reader must decide (read it whole then).
std::unique_ptr<db::RecordStore> fastJsonStore(QFile &file);

// The JSON form as a document already made, as fromJson reads it with the
// same messages: touchdlg's CSV and JSON records give their values so,
// without writing them as text to be read again. Raises EDatabaseError and
// leaves the dataset as it was.
TD_EXPORT void loadJsonPacket(TClientDataSet &to, const QJsonObject &packet);

} // namespace TouchDialogs
