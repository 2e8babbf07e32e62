#pragma once

#include <TouchDialogs/ClientDataSet.h>

#include <memory>
#include <vector>

class QFile;
class QJsonObject;

namespace TouchDialogs {

namespace db {
class RecordStore;
struct SortKey;
}

// to.setData(from.Data()) without writing the packet: the two datasets
// share the values until one of them changes.
void copyRecords(TClientDataSet &to, const TClientDataSet &from);

// What building orders ahead of use needs of a dataset; which orders, and
// when, is the forms' choice (support/IdleOrders). The work is done on
// another thread: the *Ready calls start it when the order is not kept yet
// and return whether it is (false: ask again later). None changes anything
// a user sees.
struct OrdersAhead {
    // The view's own order. Once it is kept, the view's rows past the
    // first screen are put in their places.
    static bool viewReady(TClientDataSet &ds);
    static bool orderReady(TClientDataSet &ds, const std::vector<db::SortKey> &keys);
    // The typed search on field; ignoreAccents: it folds accents.
    static bool prefixOrderReady(TClientDataSet &ds, int field, bool ignoreAccents);
    // The keys of the view's order and of index def i (EDatabaseError when
    // it names a field the dataset lacks).
    static std::vector<db::SortKey> viewKeys(const TClientDataSet &ds);
    static std::vector<db::SortKey> indexKeys(const TClientDataSet &ds, int i);
    // Whether the typed search looks in field (not in a float).
    static bool searchable(const TClientDataSet &ds, int field);
};

// Tests and benchmarks compare the native prefix evaluation with SQLite's.
void setFastPath(TClientDataSet &ds, bool on);

// The JSON form read from a regular file in pieces, never whole in memory;
// null for a text the document reader must decide (read it whole then).
std::unique_ptr<db::RecordStore> fastJsonStore(QFile &file);
// The fuzzer reads through a small window (bytes), refilled when less than
// room is ahead.
void setJsonWindow(size_t window, size_t room);

// The JSON form as a document already made, as fromJson reads it with the
// same messages: touchdlg's CSV and JSON records give their values so,
// without writing them as text to be read again. Raises EDatabaseError and
// leaves the dataset as it was.
TD_EXPORT void loadJsonPacket(TClientDataSet &to, const QJsonObject &packet);

} // namespace TouchDialogs
