// The orders a dataset keeps over its records: each index's permutation of
// the rowids, each searched field's upper-cased order for the prefix
// condition UPPER(f) LIKE 'TEXT%', and the alphabetical sort keys of the
// texts they compare. Sorted once, on another thread when asked ahead of
// use, then kept in step with every change of the records.
#pragma once

#include "platform/db/Columns.h"
#include "platform/db/FilterText.h"
#include "platform/db/RecentlyUsed.h"
#include "platform/db/RecordTable.h"

#include <atomic>
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

struct KeptOrder {
    SortKeys keys;
    SharedRows order;
};

struct PrefixOrder {
    int field;
    PrefixView view;
    Column texts{Storage::Text}; // the view's text by rowid, unless it is the value
    SharedRows order;            // non-null values by UPPER() text, then rowid
};

class KeptOrders {
public:
    // Reads table, which outlives it and changes only as said below.
    explicit KeptOrders(const RecordTable &table);
    ~KeptOrders();
    KeptOrders(const KeptOrders &) = delete;
    KeptOrders &operator=(const KeptOrders &) = delete;

    // How many orders of each kind are kept.
    static constexpr size_t keptOrders = 8, keptPrefixOrders = 4;

    // The total order of an index: its fields, then the natural order.
    // withKeys false: texts whose sort keys are not built yet are compared
    // without them (this thread only), in the same order.
    bool less(const SortKeys &keys, int a, int b, bool withKeys = true) const;
    // The kept permutation of an index (all rowids in its order).
    const SharedRows &ordered(const SortKeys &keys);
    bool kept(const SortKeys &keys) { return keptOrder(keys) != nullptr; }
    // Whether comparing by these keys needs sort keys not built yet.
    bool keysMissing(const SortKeys &keys) const;
    // Builds now the upper-cased order the prefix condition on this field
    // reads: the value for text, the shown text for dates and decimals.
    void preparePrefixOrder(int field, bool ignoreAccents);
    // The rows of order (each once, alive) whose view of field, upper-cased,
    // starts with prefix, and that are in also when given; in that order.
    std::vector<int> startingWith(const std::vector<int> &order, int field, PrefixView view, std::string_view prefix,
                                  const Bitmap *also);

    // Build what ordered(keys) or preparePrefixOrder would, ahead of use, on
    // another thread, so that this one stays free for input: true once it is
    // kept, false while it is being built (ask again later). One piece of
    // work at a time; a use that needs it waits for it.
    bool orderReady(const SortKeys &keys);
    bool prefixOrderReady(int field, bool ignoreAccents);
    // Before the table changes: the work on another thread, which reads it,
    // is ended and dropped.
    void stopWork() { endJob(false); }
    // Keeps the work on another thread if it is done, else drops it.
    void finishWork();

    // The table changes: room for rowids below rows; a record written, and
    // (before and after) taken out of and put into the orders; erased; all.
    void resize(size_t rows);
    void written(int rowid);
    void unlink(int rowid);
    void link(int rowid);
    void erased(int rowid);
    void clear();

    // What another store over the same records built: copies share it.
    const Column *builtKeys(int field) const;
    void addKeys(int field, const Column &keys);
    void addOrder(const KeptOrder &o);
    void addPrefixOrder(const PrefixOrder &o);
    void copyFrom(const KeptOrders &from);
    template <class Fn>
    void forEachOrder(Fn fn) const
    {
        m_orders.forEach(fn);
    }
    template <class Fn>
    void forEachPrefixOrder(Fn fn) const
    {
        m_prefixOrders.forEach(fn);
    }

private:
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

    bool startJob(std::unique_ptr<Job> job);
    void runJob(Job &job) const;
    // Waits for the work on another thread; keeps its result or drops it.
    void endJob(bool keep);

    // A string or memo field is ordered alphabetically (Collation.h), through
    // sort keys of its values by rowid: computed on first use, then kept in
    // step with every change.
    bool collates(int field) const;
    const Column &collationKeys(int field) const;
    // stop: set when the work on another thread is no longer wanted.
    std::unique_ptr<Column> buildCollationKeys(int field, bool alone, const std::atomic<bool> *stop = nullptr) const;
    void storeCollationKey(Column &keys, int field, int rowid) const;
    int compareField(const SortKey &key, int a, int b, bool withKeys = true) const;
    void sortRows(std::vector<int> &rows, const SortKeys &keys, const std::atomic<bool> *stop = nullptr) const;

    std::string_view upperText(int field, int rowid, char *buffer) const;
    std::string_view viewText(const PrefixOrder &p, int rowid, char *buffer) const;
    bool upperLess(const PrefixOrder &p, int a, int b) const;
    void storeViewText(PrefixOrder &p, int rowid) const;
    PrefixOrder &prefixOrder(int field, PrefixView view);
    std::unique_ptr<PrefixOrder> buildPrefixOrder(int field, PrefixView view,
                                                  const std::atomic<bool> *stop = nullptr) const;
    KeptOrder *keptOrder(const SortKeys &keys);
    PrefixOrder *keptPrefixOrder(int field, PrefixView view);

    const RecordTable &m_table;
    mutable std::vector<std::unique_ptr<Column>> m_collationKeys; // by field; null until used
    RecentlyUsed<KeptOrder> m_orders{keptOrders};
    RecentlyUsed<PrefixOrder> m_prefixOrders{keptPrefixOrders};
    mutable std::unique_ptr<Job> m_job;
};

} // namespace TouchDialogs::db
