// The records of one dataset: a private in-memory SQLite database, the
// packet's image (PacketImage.h), and beside it the same records as
// columns (RecordTable.h) with the orders (KeptOrders.h) and filter results
// (FilterEngine.h) kept over them. SQLite is the store and the judge of
// every filter; the columns make a view without asking SQLite, and every
// insert, update and delete goes to all of them, so that a view is what a
// fresh evaluation would give.
//
// A store read from JSON, copied or taken over from a packet handed on
// gives SQLite its records only when SQLite must read or change them.
//
// RecordStore.cpp: construction, fields, records and views;
// RecordFamily.cpp: packets handed on, serializing and compacting.
#pragma once

#include "platform/db/FilterEngine.h"
#include "platform/db/KeptOrders.h"
#include "platform/db/RecordTable.h"
#include "platform/db/Sqlite.h"

#include <memory>
#include <vector>

namespace TouchDialogs::db {

class RecordStore {
public:
    // The stores of one thread that hold exactly the records of one packet
    // they handed out (RecordFamily.cpp).
    struct Family;

    ~RecordStore();
    RecordStore(const RecordStore &) = delete;
    RecordStore &operator=(const RecordStore &) = delete;

    // A new empty store for these fields (names already checked).
    static std::unique_ptr<RecordStore> create(std::vector<FieldInfo> fields);
    // A store holding rowids 1..count of these columns, in that natural
    // order, its image written when SQLite first needs it. The values must
    // already be checked against their fields.
    static std::unique_ptr<RecordStore> createFilled(std::vector<FieldInfo> fields, std::vector<Column> columns,
                                                     int count);
    // A store from a data packet, checked defensively; raises EDatabaseError.
    // A packet that a store of this thread handed out and that neither it
    // nor anyone else changed since is taken over without the checks.
    static std::unique_ptr<RecordStore> load(const QByteArray &packet);
    // A store holding what from holds, with the orders it keeps: what
    // load(from.serialize()) gives, without writing the packet (or with
    // packet, when from already wrote it). The two share the values until
    // one of them changes.
    static std::unique_ptr<RecordStore> copyOf(const RecordStore &from, const QByteArray &packet = {});
    // The packet: the SQLite image of the database, holding the records and
    // nothing else. An image that came from outside or has free pages is
    // first rebuilt from the live records (compact()); otherwise it is handed
    // out as it is, and the same bytes again until the store changes.
    QByteArray serialize();

    const std::vector<FieldInfo> &fields() const { return m_table.fields(); }
    // Whether SQLite has yet to be given the records (see m_deferred).
    bool deferred() const { return m_deferred; }
    int fieldIndex(const QString &name) const { return m_table.fieldIndex(name); }
    void setVisible(int field, bool visible);
    void setLabel(int field, const QString &label);
    void setRequired(int field, bool required);

    int recordCount() const { return m_table.recordCount(); }
    const SharedRows &natural() const { return m_table.natural(); }
    bool alive(int rowid) const { return m_table.alive(rowid); }
    Cell cell(int rowid, int field) const { return m_table.cell(rowid, field); }
    std::vector<Cell> row(int rowid) const { return m_table.row(rowid); }
    const Column &column(int field) const { return m_table.column(field); }

    // The natural position for a record inserted just before rowid, or after
    // the last record. May move the positions of neighbouring records.
    double positionBefore(int rowid);
    double positionAfterLast() const { return m_table.positionAfterLast(); }
    int insertRow(double pos, const std::vector<Cell> &cells);
    void updateRow(int rowid, const std::vector<Cell> &cells);
    void deleteRow(int rowid);
    void deleteAll();

    // The orders (KeptOrders.h).
    bool less(const SortKeys &keys, int a, int b, bool withKeys = true) const
    {
        return m_orders.less(keys, a, b, withKeys);
    }
    const SharedRows &ordered(const SortKeys &keys) { return m_orders.ordered(keys); }
    void preparePrefixOrder(int field, bool ignoreAccents) { m_orders.preparePrefixOrder(field, ignoreAccents); }
    static constexpr size_t keptOrders = KeptOrders::keptOrders, keptPrefixOrders = KeptOrders::keptPrefixOrders;
    bool orderReady(const SortKeys &keys) { return m_orders.orderReady(keys); }
    bool prefixOrderReady(int field, bool ignoreAccents) { return m_orders.prefixOrderReady(field, ignoreAccents); }

    // The filters (FilterEngine.h).
    void checkFilter(const QString &text) { m_filters.checkFilter(text); }
    FilterPlan plan(const QString &text, bool fastPath) { return m_filters.plan(text, fastPath); }
    // The rowids that pass the plan, in the order of keys (natural when empty):
    // without a filter, the kept order itself, shared.
    // Raises EDatabaseError naming the filter when SQLite fails evaluating
    // it or it takes longer than the bound; the store is then unchanged.
    // With `placed`: when the order needs sort keys not built yet, only the
    // first *placed rows are in that order (the rest follow in natural
    // order) and the order is built on another thread; else *placed is the
    // number of rows.
    SharedRows select(const SortKeys &keys, const FilterPlan &plan, size_t *placed = nullptr);
    // How many rows a view placed by select() starts with: a screenful and
    // the rows measured for column widths, with room to spare.
    static constexpr size_t firstRows = 256;

private:
    RecordStore(sqlite3 *db, RecordTable table);
    static sqlite3 *openConnection();
    static std::unique_ptr<RecordStore> reuse(const QByteArray &packet);
    void joinFamily(const QByteArray &packet);
    // Called before every change: the store no longer holds its packet.
    void leaveFamily();
    // Before a change of the records, the positions or the fields: work on
    // another thread, which reads them, is ended and dropped.
    enum class Change { Records, Fields, Emptied };
    void beforeChange(Change change = Change::Records);
    bool heldByFamily() const;
    void configure();
    void compact();
    // An in-memory connection holding a copy of this image.
    static sqlite3 *connectionWith(const QByteArray &image);
    // Replaces the connection by fresh, its statements made anew, and
    // closes the old one.
    void adoptConnection(sqlite3 *fresh);
    // Puts the records into the connection, if they are not there yet;
    // declined: the page writer just declined them, SQLite writes them.
    void ensureImage(bool declined = false);
    qint64 freePages();
    void prepareStatements();
    void ensureCapacity(size_t rows);
    void bindCells(Statement &st, const std::vector<Cell> &cells);
    void insertIntoSqlite(int rowid, double pos, const std::vector<Cell> &cells);
    // "UPDATE fields SET <column> = ?1" for this field, the value still to bind.
    Statement fieldUpdate(const char *column, int field);
    // The rows of order that pass the plan, in that order.
    SharedRows passing(const SharedRows &order, const FilterPlan &plan);

    sqlite3 *m_db;
    RecordTable m_table;
    KeptOrders m_orders{m_table};
    FilterEngine m_filters{m_table};
    Statement m_insert, m_update, m_delete, m_setPos;
    // False while the image came from outside: free pages and old bytes of
    // its writer may remain until compact(). Our own deletes and edits leave
    // none (secure_delete), only free pages, which serialize() looks for.
    bool m_compact = true;
    // A store filled from columns or taken over from a packet holds its
    // records in the columns alone until SQLite must read or change them (a
    // filter's SQL part, an edit, the packet): the connection holds the
    // schema and fields until then. m_image: the packet the store stands
    // for, when it has one.
    bool m_deferred = false;
    QByteArray m_image;
    std::shared_ptr<Family> m_family;
    qint64 m_familyChanges = 0; // sqlite3_total_changes64 when it joined
};

} // namespace TouchDialogs::db
