// A dataset's filters: what a filter text may do (SQLite's authorizer
// checks it while it compiles), how it is evaluated (by SQLite, the prefix
// condition natively), each evaluation bounded in time and in the length of
// the values it makes, and the results kept and followed through edits.
#pragma once

#include "platform/db/Columns.h"
#include "platform/db/FilterText.h"
#include "platform/db/RecentlyUsed.h"
#include "platform/db/RecordTable.h"
#include "platform/db/Sqlite.h"

#include <chrono>

namespace TouchDialogs::db {

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

class FilterEngine {
public:
    // Reads table, which outlives it; its records are in SQLite's table
    // "records" whenever an evaluation or a recheck is asked for.
    explicit FilterEngine(const RecordTable &table) : m_table(table) {}
    FilterEngine(const FilterEngine &) = delete;
    FilterEngine &operator=(const FilterEngine &) = delete;

    // Judges every statement compiled on db from now on (only while a
    // filter compiles is anything refused). A new connection drops the
    // kept results.
    void attach(sqlite3 *db);

    // Checks a filter text; raises EDatabaseError naming it when it is not a
    // valid, allowed single expression over the fields.
    void checkFilter(const QString &text);
    // How to evaluate a checked filter text.
    FilterPlan plan(const QString &text, bool fastPath);
    bool kept(const QString &expression);
    // The records that pass an SQL part of filter, kept and followed through
    // edits unless its value may change with the clock (then fresh in
    // `fresh`). Raises EDatabaseError naming the filter when SQLite fails
    // evaluating it or it takes longer than the bound.
    const Bitmap &result(const QString &expression, const QString &filter, Bitmap &fresh);

    // The table changes: room for rowids below rows; a record written or
    // erased; all of them.
    void resize(size_t rows);
    void written(int rowid);
    void erased(int rowid);
    void clear() { m_filters.clear(); }

private:
    struct CachedFilter {
        QString expression;
        Bitmap passes;
        Statement rowCheck;
    };
    class Bounded;

    static int authorize(void *self, int action, const char *a, const char *b, const char *, const char *);
    static int progress(void *self);
    // Compiles a checked filter text between head and tail, which read the
    // row number rowidReads times; raises EDatabaseError naming it.
    void prepareFilter(const QString &sqlPart, Statement &out, const char *head, const char *tail, int rowidReads = 0);
    int resolveField(const QString &written);
    void evaluate(Statement &all, const QString &filter, Bitmap &passes);
    bool stepFilter(Statement &st, const QString &filter);

    const RecordTable &m_table;
    sqlite3 *m_db = nullptr;
    RecentlyUsed<CachedFilter> m_filters{4};

    // Authorizer state: on while a filter is compiled.
    bool m_guard = false;
    int m_selects = 0;
    int m_reads = 0;
    int m_rowidReads = 0;      // the wrapper's own reads of the row number still allowed
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
