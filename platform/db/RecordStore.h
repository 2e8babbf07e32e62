// The records of one dataset: a private in-memory SQLite database (table
// "records" with a hidden _pos column for the natural order, table "fields")
// and an in-memory mirror of it that keeps the orders and filters fast.
//
// SQLite is the store and the judge of every filter; the mirror holds each
// column's values by rowid, the natural order, the kept order of each index
// used (a permutation of rowids), an upper-cased order per searched field
// for the prefix condition UPPER(f) LIKE 'TEXT%', and the results of
// filter expressions already evaluated (except those that read the clock).
// All of them are updated on every insert, update and delete, and dropped
// on a load, so a view is computed without asking SQLite and is what a
// fresh evaluation would give.
//
// A store read from JSON, copied or taken over from a packet handed on
// gives SQLite its records only when SQLite must read or change them.
//
// RecordStore.cpp: construction, fields and records; RecordPacket.cpp: the
// packet's schema, checking and writing; RecordImage.cpp: a store written
// from columns; RecordOrders.cpp: the kept orders;
// RecordFilters.cpp: filter authorisation, planning and the cached results.
#pragma once

#include "platform/db/Columns.h"
#include "platform/db/FilterText.h"
#include "platform/db/RecentlyUsed.h"
#include "platform/db/Sqlite.h"
#include "platform/db/Values.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

namespace TouchDialogs::db {

struct SortKey {
    int field = 0;
    bool descending = false;
    bool caseInsensitive = false;
    bool operator==(const SortKey &o) const = default;
};
using SortKeys = std::vector<SortKey>;

// How a filter is evaluated: the part SQLite evaluates (cached per text)
// and, when the filter ends in the prefix condition, that condition natively.
struct FilterPlan {
    bool active = false;       // false: every record passes
    QString text;              // the whole filter, as errors name it
    QString sqlPart;           // empty: no SQLite part
    int prefixField = -1;      // -1: no native part
    PrefixView prefixView;     // what of the field is compared
    QByteArray prefix;         // UPPER(view of field) must start with these bytes
};

class RecordStore {
public:
    // The stores of one thread that hold exactly the records of one packet
    // they handed out (RecordPacket.cpp).
    struct Family;

    ~RecordStore();
    RecordStore(const RecordStore &) = delete;
    RecordStore &operator=(const RecordStore &) = delete;

    // A new empty store for these fields (names already checked).
    static std::unique_ptr<RecordStore> create(std::vector<FieldInfo> fields);
    // A store holding rowids 1..count of these columns, in that natural
    // order, its image written directly (RecordImage.cpp). The values must
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

    const std::vector<FieldInfo> &fields() const { return m_fields; }
    // Whether SQLite has yet to be given the records (see m_deferred).
    bool deferred() const { return m_deferred; }
    // Index of a field by name (ASCII case-insensitive, as SQLite), or -1.
    int fieldIndex(const QString &name) const;
    void setVisible(int field, bool visible);
    void setLabel(int field, const QString &label);
    void setRequired(int field, bool required);

    int recordCount() const { return int(m_natural.size()); }
    // All rowids in natural order.
    const std::vector<int> &natural() const { return m_natural; }
    bool alive(int rowid) const { return rowid > 0 && size_t(rowid) < m_pos.size() && m_alive[size_t(rowid)]; }
    Cell cell(int rowid, int field) const { return m_columns[size_t(field)].cell(rowid); }
    std::vector<Cell> row(int rowid) const;
    const Column &column(int field) const { return m_columns[size_t(field)]; }

    // The natural position for a record inserted just before rowid, or after
    // the last record. May move the positions of neighbouring records.
    double positionBefore(int rowid);
    double positionAfterLast() const;
    int insertRow(double pos, const std::vector<Cell> &cells);
    void updateRow(int rowid, const std::vector<Cell> &cells);
    void deleteRow(int rowid);
    void deleteAll();

    // The total order of an index: its fields, then the natural order.
    // withKeys false: texts whose sort keys are not built yet are compared
    // without them (main thread only), in the same order.
    bool less(const SortKeys &keys, int a, int b, bool withKeys = true) const;
    // The kept permutation of an index (all rowids in its order).
    const std::vector<int> &ordered(const SortKeys &keys);
    // Builds now the upper-cased order the prefix condition on this field
    // reads: the value for text, the shown text for dates and decimals.
    void preparePrefixOrder(int field, bool ignoreAccents);
    // How many orders of each kind the store keeps.
    static constexpr size_t keptOrders = 8, keptPrefixOrders = 4;
    // Build what ordered(keys) or preparePrefixOrder would, ahead of use, on
    // another thread, so that this one stays free for input: true once it is
    // kept, false while it is being built (ask again later). One piece of
    // work at a time; a change to the records drops it, a use that needs it
    // waits for it.
    bool orderReady(const SortKeys &keys);
    bool prefixOrderReady(int field, bool ignoreAccents);

    // Checks a filter text; raises EDatabaseError naming it when it is not a
    // valid, allowed single expression over the fields.
    void checkFilter(const QString &text);
    // How to evaluate a checked filter text.
    FilterPlan plan(const QString &text, bool fastPath);
    // The rowids that pass the plan, in the order of keys (natural when empty).
    // Raises EDatabaseError naming the filter when SQLite fails evaluating
    // it or it takes longer than the bound; the store is then unchanged.
    // With `placed`: when the order needs sort keys not built yet, only the
    // first *placed rows are in that order (the rest follow in natural
    // order) and the order is built on another thread; else *placed is the
    // number of rows.
    std::vector<int> select(const SortKeys &keys, const FilterPlan &plan, size_t *placed = nullptr);
    // How many rows a view placed by select() starts with: a screenful and
    // the rows measured for column widths, with room to spare.
    static constexpr size_t firstRows = 256;

    // Tests only: makes a store's database differ from what the page writer
    // assumes, and tells what the writer then did (RecordImage.cpp).
    struct PageWriterProbe {
        std::function<void(sqlite3 *)> created; // a new store's empty database, before its tables
        std::function<void(sqlite3 *)> filled;  // a filled store's, before the writer checks it
        const char *fellBack = nullptr;         // why it last left the records to SQL; null: it wrote them
    };
    static inline PageWriterProbe *pageWriterProbe = nullptr;

private:
    struct KeptOrder {
        SortKeys keys;
        std::vector<int> order;
    };
    struct PrefixOrder {
        int field;
        PrefixView view;
        Column texts{Storage::Text}; // the view's text by rowid, unless it is the value
        std::vector<int> order; // non-null values by UPPER() text, then rowid
    };
    struct CachedFilter {
        QString expression;
        Bitmap passes;
        Statement rowCheck;
    };
    class Bounded;
    // An order, or the sort keys it reads, built on another thread.
    struct Job {
        enum Kind { Keys, Order, Prefix } kind = Keys;
        int field = -1;  // Keys, Prefix
        SortKeys keys;   // Order
        PrefixView view; // Prefix
        std::unique_ptr<Column> keyColumn;
        std::vector<int> order;
        std::unique_ptr<PrefixOrder> prefix;
        bool failed = false;
        std::atomic<bool> done{false}, stop{false};
        std::thread thread;
    };

    RecordStore(sqlite3 *db, std::vector<FieldInfo> fields);
    static sqlite3 *openConnection();
    static std::unique_ptr<RecordStore> reuse(const QByteArray &packet);
    void joinFamily(const QByteArray &packet);
    // Called before every change: the store no longer holds its packet.
    void leaveFamily();
    // Before a change of the records, the positions or the fields: work on
    // another thread, which reads them, is ended and dropped.
    enum class Change { Records, Fields, Emptied };
    void beforeChange(Change change = Change::Records);
    bool startJob(std::unique_ptr<Job> job);
    void runJob(Job &job) const;
    // Waits for the work on another thread; keeps its result or drops it.
    void endJob(bool keep);
    bool heldByFamily() const;
    void configure();
    void compact();
    // An in-memory connection holding a copy of this image.
    static sqlite3 *connectionWith(const QByteArray &image);
    // Replaces the connection by fresh, its statements made anew, and
    // closes the old one.
    void adoptConnection(sqlite3 *fresh);
    // Where the page writer puts the records' pages (RecordImage.cpp).
    struct PageLayout {
        const unsigned char *image = nullptr; // the database as it is, pages long
        size_t pageSize = 0, usable = 0;
        quint32 pages = 0, root = 0;
    };
    // The first thing the page writer assumes of this connection's database
    // that does not hold, or null when it may write (layout then filled in).
    const char *pageWriterMismatch(PageLayout &layout);
    // While deferred, the records' image, written from the mirror on the
    // connection's schema and fields; null when the database is not what
    // the writer assumes or a record needs overflow pages (SQLite then
    // writes them).
    QByteArray imageFromMirror();
    // Debug and fuzzing builds: raises EDatabaseError unless SQLite reads
    // the image's records back as the mirror holds them.
    void checkWrittenImage(const QByteArray &image) const;
    // Puts the records into the connection, if they are not there yet;
    // declined: imageFromMirror() just gave null, SQLite writes them.
    void ensureImage(bool declined = false);
    qint64 freePages();
    void createSchema();
    // The records table's statement as createSchema() writes it.
    static QByteArray recordsTable(const std::vector<FieldInfo> &fields);
    void loadMirror();
    void prepareStatements();
    void ensureCapacity(size_t rows);
    void writeCells(int rowid, const std::vector<Cell> &cells);
    void bindCells(Statement &st, const std::vector<Cell> &cells);
    void respace(int at);

    // Kept orders and filters follow each change of a record.
    void unlinkFromOrders(int rowid);
    void linkIntoOrders(int rowid);
    void recheckFilters(int rowid);

    // A string or memo field is ordered alphabetically (Collation.h), through
    // sort keys of its values by rowid: computed on first use, then kept in
    // step with every change.
    bool collates(int field) const;
    const Column &collationKeys(int field) const;
    // stop: set when the work on another thread is no longer wanted.
    std::unique_ptr<Column> buildCollationKeys(int field, bool alone, const std::atomic<bool> *stop = nullptr) const;
    void storeCollationKey(Column &keys, int field, int rowid) const;
    int compareField(const SortKey &key, int a, int b, bool withKeys = true) const;
    // The rows of order that pass the plan, in that order.
    std::vector<int> passing(const std::vector<int> &order, const FilterPlan &plan);
    bool naturalLess(int a, int b) const
    {
        const double pa = m_pos[size_t(a)], pb = m_pos[size_t(b)];
        return pa < pb || (pa == pb && a < b);
    }
    std::string_view upperText(int field, int rowid, char *buffer) const;
    std::string_view viewText(const PrefixOrder &p, int rowid, char *buffer) const;
    bool upperLess(const PrefixOrder &p, int a, int b) const;
    void storeViewText(PrefixOrder &p, int rowid) const;
    PrefixOrder &prefixOrder(int field, PrefixView view);
    KeptOrder *keptOrder(const SortKeys &keys);
    void addOrder(const KeptOrder &o);
    void addPrefixOrder(const PrefixOrder &o);
    PrefixOrder *keptPrefixOrder(int field, PrefixView view);
    std::unique_ptr<PrefixOrder> buildPrefixOrder(int field, PrefixView view, const std::atomic<bool> *stop = nullptr) const;
    // The records that pass an SQL part, kept and followed through edits
    // unless its value may change with the clock (then fresh in `fresh`).
    const Bitmap &filterResult(const QString &expression, const QString &filter, Bitmap &fresh);
    void evaluate(Statement &all, const QString &filter, Bitmap &passes);
    bool stepFilter(Statement &st, const QString &filter);
    void sortRows(std::vector<int> &rows, const SortKeys &keys, const std::atomic<bool> *stop = nullptr) const;

    static int authorize(void *self, int action, const char *a, const char *b, const char *, const char *);
    static int progress(void *self);
    // Compiles a checked filter text between head and tail, which read the
    // row number rowidReads times; raises EDatabaseError naming it.
    void prepareFilter(const QString &sqlPart, Statement &out, const char *head, const char *tail, int rowidReads = 0);
    int resolveField(const QString &written);
    size_t longestText() const;

    sqlite3 *m_db;
    std::vector<FieldInfo> m_fields;
    std::vector<Column> m_columns;
    mutable std::vector<std::unique_ptr<Column>> m_collationKeys; // by field; null until used
    std::vector<double> m_pos;
    std::vector<quint8> m_alive;
    std::vector<int> m_natural;
    int m_nextRowid = 1;
    RecentlyUsed<KeptOrder> m_orders{keptOrders};
    RecentlyUsed<PrefixOrder> m_prefixOrders{keptPrefixOrders};
    RecentlyUsed<CachedFilter> m_filters{4};
    Statement m_insert, m_update, m_delete, m_setPos;
    // False while the image came from outside: free pages and old bytes of
    // its writer may remain until compact(). Our own deletes and edits leave
    // none (secure_delete), only free pages, which serialize() looks for.
    bool m_compact = true;
    // A store filled from columns or taken over from a packet holds its
    // records in the mirror alone until SQLite must read or change them (a
    // filter's SQL part, an edit, the packet): the connection holds the
    // schema and fields until then. m_image: the packet the store stands
    // for, when it has one.
    bool m_deferred = false;
    QByteArray m_image;
    std::shared_ptr<Family> m_family;
    mutable std::unique_ptr<Job> m_job;
    qint64 m_familyChanges = 0; // sqlite3_total_changes64 when it joined

    // Authorizer state: on while a filter is compiled.
    bool m_guard = false;
    int m_selects = 0;
    int m_reads = 0;
    int m_rowidReads = 0; // the wrapper's own reads of the row number still allowed
    bool m_clockBound = false; // the filter calls a date or time function ('now')
    QString m_readColumn;
    QString m_denied;
    // Progress handler state: the end of the evaluation running now.
    std::chrono::steady_clock::time_point m_deadline;
    bool m_timed = false;
    bool m_stopped = false;
    // The last identifier resolved for the prefix condition and its field.
    struct {
        QString written;
        int field = -1;
    } m_resolved;
};

} // namespace TouchDialogs::db
