// The filters: what a filter text may do (checked with SQLite's authorizer
// while it compiles), how it is evaluated, and the cached results.
#include "platform/db/FilterText.h"
#include "platform/db/RecordStore.h"
#include "platform/rtl/Exceptions.h"

#include <QSet>
#include <algorithm>
#include <cstring>

namespace TouchDialogs::db {

namespace {

constexpr int kMaxFilterLength = 10000;

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
        "acosh",    "asinh",     "atanh",    "cosh",      "sinh",      "tanh"};
    return name && allowed.contains(QByteArray(name).toLower());
}

// Compares UPPER(value) with a pattern taken as it is.
int compareUpperTo(std::string_view value, std::string_view pattern)
{
    const size_t n = std::min(value.size(), pattern.size());
    for (size_t i = 0; i < n; ++i) {
        const int x = upperAscii(uchar(value[i])), y = uchar(pattern[i]);
        if (x != y)
            return x - y;
    }
    return value.size() < pattern.size() ? -1 : value.size() > pattern.size() ? 1 : 0;
}

} // namespace

// ------------------------------------------------------------------ filter

int RecordStore::authorize(void *self, int action, const char *a, const char *b, const char *, const char *)
{
    auto *store = static_cast<RecordStore *>(self);
    if (!store->m_guard)
        return SQLITE_OK;
    switch (action) {
    case SQLITE_SELECT:
        if (++store->m_selects == 1)
            return SQLITE_OK;
        store->m_denied = QStringLiteral("a sub-query");
        return SQLITE_DENY;
    case SQLITE_READ:
        if (a && std::strcmp(a, "records") == 0) {
            ++store->m_reads;
            store->m_readColumn = QString::fromUtf8(b ? b : "");
            return SQLITE_OK;
        }
        store->m_denied = QStringLiteral("the table %1").arg(QString::fromUtf8(a ? a : "?"));
        return SQLITE_DENY;
    case SQLITE_FUNCTION:
        if (allowedFunction(b))
            return SQLITE_OK;
        store->m_denied = QStringLiteral("the function %1()").arg(QString::fromUtf8(b ? b : "?"));
        return SQLITE_DENY;
    default:
        store->m_denied = QStringLiteral("an operation other than reading the record");
        return SQLITE_DENY;
    }
}

void RecordStore::prepareFilter(const QString &sqlPart, Statement &out, const char *head, const char *tail)
{
    // The expression goes between lines of its own, so that a trailing
    // "--" comment cannot swallow the closing parenthesis.
    const QByteArray sql = QByteArray(head) + "(\n" + sqlPart.toUtf8() + "\n)" + tail;
    m_guard = true;
    m_selects = 0;
    m_reads = 0;
    m_denied.clear();
    sqlite3_stmt *st = nullptr;
    const char *rest = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &st, &rest);
    m_guard = false;
    const QString quoted = QStringLiteral("\"%1\"").arg(sqlPart);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        if (!m_denied.isEmpty())
            throw EDatabaseError(QStringLiteral("Filter %1 is not allowed: a filter may only read the fields of "
                                                "the record and call ordinary functions, but it uses %2")
                                     .arg(quoted, m_denied));
        QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
        if (why.startsWith(QLatin1String("no such column: ")))
            why = QStringLiteral("there is no field named %1").arg(why.mid(16));
        throw EDatabaseError(QStringLiteral("Filter %1 is not valid: %2").arg(quoted, why));
    }
    if (rest && QByteArray(rest).trimmed().size() > 0) {
        sqlite3_finalize(st);
        throw EDatabaseError(QStringLiteral("Filter %1 is not valid: it holds more than one statement").arg(quoted));
    }
    out = Statement::adopt(st);
}

void RecordStore::checkFilter(const QString &text)
{
    if (text.trimmed().isEmpty())
        return;
    const QString quoted = QStringLiteral("\"%1\"").arg(text.size() > 200 ? text.left(200) + QStringLiteral("…") : text);
    if (text.size() > kMaxFilterLength)
        throw EDatabaseError(QStringLiteral("Filter %1 is too long (%2 characters, at most %3)")
                                 .arg(quoted)
                                 .arg(text.size())
                                 .arg(kMaxFilterLength));
    if (text.contains(QChar(0)))
        throw EDatabaseError(QStringLiteral("Filter %1 is not valid: it contains a NUL character").arg(quoted));
    const Tokenized tk = tokenize(text);
    if (!tk.error.isEmpty())
        throw EDatabaseError(QStringLiteral("Filter %1 is not valid: %2").arg(quoted, tk.error));
    int depth = 0;
    for (const Token &t : tk.tokens) {
        if (t.kind == Token::Semicolon)
            throw EDatabaseError(
                QStringLiteral("Filter %1 is not valid: it holds more than one statement").arg(quoted));
        depth += t.kind == Token::LParen ? 1 : t.kind == Token::RParen ? -1 : 0;
        if (depth < 0)
            throw EDatabaseError(
                QStringLiteral("Filter %1 is not valid: a closing parenthesis has no opening one").arg(quoted));
    }
    if (depth != 0)
        throw EDatabaseError(QStringLiteral("Filter %1 is not valid: a parenthesis is not closed").arg(quoted));
    Statement st;
    prepareFilter(text, st, "SELECT rowid FROM records WHERE ", "");
}

FilterPlan RecordStore::plan(const QString &text, bool fastPath)
{
    FilterPlan p;
    if (text.trimmed().isEmpty())
        return p;
    p.active = true;
    p.sqlPart = text;
    if (!fastPath)
        return p;
    const PrefixSplit split = splitPrefixSearch(text);
    if (!split.matched)
        return p;
    const int field = resolveField(split.fieldText);
    if (field < 0 || m_columns[size_t(field)].storage() == Storage::Real)
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
    p.prefix = split.prefix.toUtf8();
    return p;
}

// The field SQLite reads for an identifier as written, or -1 when it reads
// none: an unquoted NULL is the value even where a field is named NULL.
int RecordStore::resolveField(const QString &written)
{
    if (written == m_resolved.written)
        return m_resolved.field;
    int field = -1;
    try {
        Statement st;
        prepareFilter(written, st, "SELECT ", " FROM records");
        if (m_reads == 1)
            field = fieldIndex(m_readColumn);
    } catch (const EDatabaseError &) {
        // Not an expression of its own: SQLite evaluates the whole text.
    }
    m_resolved = {written, field};
    return field;
}

RecordStore::CachedFilter &RecordStore::cachedFilter(const QString &expression)
{
    if (CachedFilter *kept = m_filters.find([&](const CachedFilter &k) { return k.expression == expression; }))
        return *kept;
    auto f = std::make_unique<CachedFilter>();
    f->expression = expression;
    f->passes.resize(m_pos.size());
    Statement all;
    prepareFilter(expression, all, "SELECT rowid FROM records WHERE ", "");
    while (all.step())
        f->passes.set(size_t(all.int64(0)));
    prepareFilter(expression, f->rowCheck, "SELECT 1 FROM records WHERE rowid = ?1 AND ", "");
    return m_filters.add(std::move(f));
}

void RecordStore::recheckFilters(int rowid)
{
    m_filters.eraseIf([rowid](CachedFilter &f) {
        try {
            f.rowCheck.bind(1, qint64(rowid));
            const bool passes = f.rowCheck.step();
            f.rowCheck.reset();
            f.passes.assign(size_t(rowid), passes);
            return false;
        } catch (const EDatabaseError &) {
            // The expression fails on this record: forget the cached result;
            // the next view that needs it evaluates it again and reports.
            return true;
        }
    });
}

std::vector<int> RecordStore::select(const SortKeys &keys, const FilterPlan &plan)
{
    const std::vector<int> &order = ordered(keys);
    if (!plan.active)
        return order;
    std::vector<int> out;
    const Bitmap *sql = plan.sqlPart.isEmpty() ? nullptr : &cachedFilter(plan.sqlPart).passes;
    if (plan.prefixField < 0) {
        for (int r : order)
            if (sql->test(size_t(r)))
                out.push_back(r);
        return out;
    }
    // The prefix condition: one range of the field's upper-cased order.
    PrefixOrder &p = prefixOrder(plan.prefixField);
    const std::string_view prefix(plan.prefix.constData(), size_t(plan.prefix.size()));
    const int field = plan.prefixField;
    char buffer[24];
    const auto lo = std::partition_point(p.order.begin(), p.order.end(), [&](int r) {
        return compareUpperTo(upperText(field, r, buffer), prefix) < 0;
    });
    const auto hi = std::partition_point(lo, p.order.end(), [&](int r) {
        const std::string_view t = upperText(field, r, buffer);
        return t.size() >= prefix.size() && compareUpperTo(t.substr(0, prefix.size()), prefix) == 0;
    });
    Bitmap match;
    match.resize(m_pos.size());
    for (auto it = lo; it != hi; ++it)
        match.set(size_t(*it));
    if (sql)
        match.intersect(*sql);
    out.reserve(size_t(hi - lo));
    for (int r : order)
        if (match.test(size_t(r)))
            out.push_back(r);
    return out;
}

} // namespace TouchDialogs::db
