#include "platform/db/FilterText.h"
#include "platform/db/FilterEngine.h"
#include "platform/rtl/Exceptions.h"

#include <QSet>
#include <algorithm>
#include <chrono>
#include <cstring>

namespace TouchDialogs::db {

namespace {

constexpr int kMaxFilterLength = 10000;

// How long computing one view may evaluate its filter before it is
// stopped: a host filter cannot freeze the till.
constexpr std::chrono::milliseconds kFilterTimeLimit{1000};
// How often (in SQLite instructions) the progress handler looks at the clock.
constexpr int kProgressInterval = 64;
// The longest text or blob a filter may make while it is evaluated, unless
// the records hold longer ones. It bounds each function's memory and time
// (instr() and replace() take time in the square of their texts' length).
constexpr int kFilterValueLimit = 64 * 1024;

// The date and time functions read the clock for 'now' (or no argument):
// their results are not kept.
bool readsClock(const char *name)
{
    static const QSet<QByteArray> clock = {"date", "time", "datetime", "julianday", "strftime", "unixepoch"};
    return name && clock.contains(QByteArray(name).toLower());
}

// The filter as messages name it: in quotes, a long one shortened.
QString quotedFilter(const QString &text)
{
    return QStringLiteral("\"%1\"").arg(text.size() > 200 ? text.left(200) + QStringLiteral("…") : text);
}

// SQLite's ordinary scalar functions a filter may call. Everything else
// (load_extension, random, sqlite_* introspection, aggregates used as
// sub-queries, …) is refused.
bool allowedFunction(const char *name)
{
    static const QSet<QByteArray> allowed = {
        "abs",      "char",      "coalesce", "concat",    "concat_ws", "format",  "glob",     "hex",
        "ifnull",   "iif",       "instr",    "length",    "like",      "likelihood", "likely", "lower",
        "ltrim",    "max",       "min",      "nullif",    "octet_length", "printf", "quote",  "replace",
        "round",    "rtrim",     "sign",     "soundex",   "substr",    "substring", "trim",   "typeof",
        "unicode",  "unlikely",  "upper",    "date",      "time",      "datetime", "julianday", "strftime",
        "unixepoch", "acos",     "asin",     "atan",      "atan2",     "ceil",    "ceiling",  "cos",
        "degrees",  "exp",       "floor",    "ln",        "log",       "log10",   "log2",     "mod",
        "pi",       "pow",       "power",    "radians",   "sin",       "sqrt",    "tan",      "trunc",
        "acosh",    "asinh",     "atanh",    "cosh",      "sinh",      "tanh",
        // our own (SqlFunctions.h)
        "asstring", "unaccent"};
    return name && allowed.contains(QByteArray(name).toLower());
}

} // namespace

void FilterEngine::attach(sqlite3 *db)
{
    m_filters.clear(); // their statements belong to the connection before
    m_db = db;
    sqlite3_set_authorizer(db, &FilterEngine::authorize, this);
}

int FilterEngine::authorize(void *self, int action, const char *a, const char *b, const char *, const char *)
{
    auto *store = static_cast<FilterEngine *>(self);
    if (!store->m_guard)
        return SQLITE_OK;
    switch (action) {
    case SQLITE_SELECT:
        if (++store->m_selects == 1)
            return SQLITE_OK;
        store->m_denied = QStringLiteral("a sub-query");
        return SQLITE_DENY;
    case SQLITE_READ: {
        // One rule: a filter reads the fields of the record, visible or
        // hidden, and nothing of the store's own bookkeeping.
        const QString column = QString::fromUtf8(b ? b : "");
        if (a && std::strcmp(a, "records") == 0) {
            if (column.isEmpty())
                return SQLITE_OK; // the table is named, no column read
            if (store->m_table.fieldIndex(column) >= 0) {
                ++store->m_reads;
                store->m_readColumn = column;
                return SQLITE_OK;
            }
            if (column == QLatin1String("ROWID") && store->m_rowidReads > 0) {
                --store->m_rowidReads; // the wrapper's own
                return SQLITE_OK;
            }
            store->m_denied = column == QLatin1String("ROWID")
                                  ? QStringLiteral("the record's row number")
                                  : QStringLiteral("the column %1, which is not a field").arg(column);
            return SQLITE_DENY;
        }
        store->m_denied = QStringLiteral("the table %1").arg(QString::fromUtf8(a ? a : "?"));
        return SQLITE_DENY;
    }
    case SQLITE_FUNCTION:
        if (allowedFunction(b)) {
            store->m_clockBound = store->m_clockBound || readsClock(b);
            return SQLITE_OK;
        }
        store->m_denied = QStringLiteral("the function %1()").arg(QString::fromUtf8(b ? b : "?"));
        return SQLITE_DENY;
    default:
        store->m_denied = QStringLiteral("an operation other than reading the record");
        return SQLITE_DENY;
    }
}

// SQLite names the column bare (3.40) or in double quotes with advice of
// its own (3.46); the message is ours, and names what the filter wrote.
static QString noSuchField(const QString &filter, const QString &sqliteName)
{
    QString name = sqliteName;
    if (name.startsWith(u'"')) {
        const qsizetype close = name.indexOf(u'"', 1);
        name = name.mid(1, close < 0 ? -1 : close - 1);
    }
    for (const Token &t : tokenize(filter).tokens) {
        if (t.kind == Token::Quoted && t.value == name && filter.at(t.start) == u'"')
            return QStringLiteral("there is no field named %1 (a text goes in single quotes: '%1')").arg(name);
    }
    return QStringLiteral("there is no field named %1").arg(name);
}

void FilterEngine::prepareFilter(const QString &sqlPart, Statement &out, const char *head, const char *tail,
                                int rowidReads)
{
    // The expression goes between lines of its own, so that a trailing
    // "--" comment cannot swallow the closing parenthesis.
    const QByteArray sql = QByteArray(head) + "(\n" + sqlPart.toUtf8() + "\n)" + tail;
    m_guard = true;
    m_selects = 0;
    m_reads = 0;
    m_rowidReads = rowidReads;
    m_clockBound = false;
    m_denied.clear();
    sqlite3_stmt *st = nullptr;
    const char *rest = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &st, &rest);
    m_guard = false;
    const QString quoted = quotedFilter(sqlPart);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        if (!m_denied.isEmpty())
            throw EDatabaseError(QStringLiteral("Filter %1 is not allowed: a filter may only read the fields of "
                                                "the record and call ordinary functions, but it uses %2")
                                     .arg(quoted, m_denied));
        QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
        if (why.startsWith(QLatin1String("no such column: ")))
            why = noSuchField(sqlPart, why.mid(16));
        throw EDatabaseError(QStringLiteral("Filter %1 is not valid: %2").arg(quoted, why));
    }
    if (rest && QByteArray(rest).trimmed().size() > 0) {
        sqlite3_finalize(st);
        throw EDatabaseError(QStringLiteral("Filter %1 is not valid: it holds more than one statement").arg(quoted));
    }
    out = Statement::adopt(st);
}

void FilterEngine::checkFilter(const QString &text)
{
    const QString quoted = quotedFilter(text);
    if (text.size() > kMaxFilterLength)
        throw EDatabaseError(QStringLiteral("Filter %1 is too long (%2 characters, at most %3)")
                                 .arg(quoted)
                                 .arg(text.size())
                                 .arg(kMaxFilterLength));
    if (text.contains(QChar(0)))
        throw EDatabaseError(QStringLiteral("Filter %1 is not valid: it contains a NUL character").arg(quoted));
    // SQLite's own tokens decide: the text must be one expression that
    // stays one wherever it is put.
    const Tokenized tk = tokenize(text);
    if (isBlank(tk))
        return;
    const ExpressionCheck check = checkExpression(tk);
    if (!check.invalid.isEmpty())
        throw EDatabaseError(QStringLiteral("Filter %1 is not valid: %2").arg(quoted, check.invalid));
    if (!check.notAllowed.isEmpty())
        throw EDatabaseError(QStringLiteral("Filter %1 is not allowed: a filter may only read the fields of the "
                                            "record and call ordinary functions, but it uses %2")
                                 .arg(quoted, check.notAllowed));
    Statement st;
    prepareFilter(text, st, "SELECT 1 FROM records WHERE ", "");
}

FilterPlan FilterEngine::plan(const QString &text, bool fastPath)
{
    FilterPlan p;
    if (isBlank(tokenize(text)))
        return p;
    p.active = true;
    p.text = text;
    p.sqlPart = text;
    if (!fastPath)
        return p;
    const PrefixSplit split = splitPrefixSearch(text);
    if (!split.matched)
        return p;
    // A pattern SQLite's LIKE refuses is left to SQLite, which says so.
    if (split.prefix.toUtf8().size() + 1 > sqlite3_limit(m_db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1))
        return p;
    const int field = resolveField(split.fieldText);
    if (field < 0)
        return p;
    // Natively evaluated: a value's own text (SQLite's text of a real is not
    // ours), and the shown text of the field's own type.
    const Storage storage = m_table.column(field).storage();
    if ((split.view.kind != PrefixView::Shown && storage == Storage::Real)
        || (split.view.kind == PrefixView::Shown && split.view.type != m_table.fields()[size_t(field)].type))
        return p;
    if (!split.base.isEmpty()) {
        // The base must stand on its own, as it does inside the whole text.
        try {
            checkFilter(split.base);
        } catch (const EDatabaseError &) {
            return p; // SQLite evaluates the whole text instead
        }
    }
    p.sqlPart = split.base;
    p.prefixField = field;
    p.prefixView = split.view;
    p.prefix = split.prefix.toUtf8();
    return p;
}

// The field SQLite reads for an identifier as written, or -1 when it reads
// none: an unquoted NULL is the value even where a field is named NULL.
int FilterEngine::resolveField(const QString &written)
{
    if (written == m_resolved.written)
        return m_resolved.field;
    int field = -1;
    try {
        Statement st;
        prepareFilter(written, st, "SELECT ", " FROM records");
        if (m_reads == 1)
            field = m_table.fieldIndex(m_readColumn);
    } catch (const EDatabaseError &) {
        // Not an expression of its own: SQLite evaluates the whole text.
    }
    m_resolved = {written, field};
    return field;
}

// While alive, one evaluation of a filter is bounded: in time by the
// progress handler, in the length of every value it makes by
// SQLITE_LIMIT_LENGTH (never below the longest value it may read).
class FilterEngine::Bounded {
public:
    explicit Bounded(FilterEngine &store) : m_store(store)
    {
        const qint64 cap = sqlite3_limit(store.m_db, SQLITE_LIMIT_LENGTH, -1);
        const qint64 values = std::max<qint64>(kFilterValueLimit, qint64(store.m_table.longestText()) + 1);
        m_length = sqlite3_limit(store.m_db, SQLITE_LIMIT_LENGTH, int(std::min(values, cap)));
        store.m_deadline = std::chrono::steady_clock::now() + kFilterTimeLimit;
        store.m_timed = true;
        store.m_stopped = false;
        sqlite3_progress_handler(store.m_db, kProgressInterval, &FilterEngine::progress, &store);
    }
    ~Bounded()
    {
        sqlite3_progress_handler(m_store.m_db, 0, nullptr, nullptr);
        sqlite3_limit(m_store.m_db, SQLITE_LIMIT_LENGTH, m_length);
        m_store.m_timed = false;
    }
    Bounded(const Bounded &) = delete;
    Bounded &operator=(const Bounded &) = delete;

private:
    FilterEngine &m_store;
    int m_length;
};

int FilterEngine::progress(void *self)
{
    auto *store = static_cast<FilterEngine *>(self);
    if (!store->m_timed || std::chrono::steady_clock::now() < store->m_deadline)
        return 0;
    store->m_stopped = true;
    return 1;
}

bool FilterEngine::stepFilter(Statement &st, const QString &filter)
{
    const int rc = sqlite3_step(st.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
    sqlite3_reset(st.get());
    const QString quoted = quotedFilter(filter);
    if (rc == SQLITE_INTERRUPT && m_stopped)
        throw EDatabaseError(QStringLiteral("Filter %1 was stopped: it takes longer than %2 ms to evaluate over "
                                            "the %3 records")
                                 .arg(quoted)
                                 .arg(kFilterTimeLimit.count())
                                 .arg(m_table.recordCount()));
    if (rc == SQLITE_TOOBIG)
        throw EDatabaseError(QStringLiteral("Filter %1 cannot be evaluated: it makes a value longer than %2 bytes")
                                 .arg(quoted)
                                 .arg(sqlite3_limit(m_db, SQLITE_LIMIT_LENGTH, -1)));
    throw EDatabaseError(QStringLiteral("Filter %1 cannot be evaluated: %2").arg(quoted, why));
}

void FilterEngine::evaluate(Statement &all, const QString &filter, Bitmap &passes)
{
    passes.resize(m_table.capacity());
    const Bounded bounded(*this);
    while (stepFilter(all, filter))
        passes.set(size_t(all.int64(0)));
}

bool FilterEngine::kept(const QString &expression)
{
    return m_filters.find([&](const CachedFilter &k) { return k.expression == expression; }) != nullptr;
}

const Bitmap &FilterEngine::result(const QString &expression, const QString &filter, Bitmap &fresh)
{
    if (CachedFilter *kept = m_filters.find([&](const CachedFilter &k) { return k.expression == expression; }))
        return kept->passes;
    Statement all;
    prepareFilter(expression, all, "SELECT rowid FROM records WHERE ", "", 1);
    if (m_clockBound) {
        evaluate(all, filter, fresh);
        return fresh;
    }
    auto f = std::make_unique<CachedFilter>();
    f->expression = expression;
    evaluate(all, filter, f->passes);
    prepareFilter(expression, f->rowCheck, "SELECT 1 FROM records WHERE rowid = ?1 AND ", "", 1);
    return m_filters.add(std::move(f)).passes;
}

void FilterEngine::written(int rowid)
{
    m_filters.eraseIf([&](CachedFilter &f) {
        try {
            f.rowCheck.bind(1, qint64(rowid));
            const Bounded bounded(*this);
            const bool passes = stepFilter(f.rowCheck, f.expression);
            f.rowCheck.reset();
            f.passes.assign(size_t(rowid), passes);
            return false;
        } catch (const EDatabaseError &) {
            // The expression fails on this record: forget the cached result;
            // the next view that needs it evaluates it again and reports.
            f.rowCheck.reset();
            return true;
        }
    });
}

void FilterEngine::erased(int rowid)
{
    m_filters.forEach([rowid](CachedFilter &f) { f.passes.reset(size_t(rowid)); });
}

void FilterEngine::resize(size_t rows)
{
    m_filters.forEach([rows](CachedFilter &f) { f.passes.resize(rows); });
}

} // namespace TouchDialogs::db
