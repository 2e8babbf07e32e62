#include "platform/db/RecordStore.h"
#include "platform/db/FilterText.h"
#include "platform/rtl/Exceptions.h"

#include <QSet>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>

namespace TouchDialogs::db {

namespace {

// "TDP1" in the database header marks our packets.
constexpr int kApplicationId = 0x54445031;
constexpr int kMaxFilterLength = 10000;
constexpr int kMaxFields = 500;
constexpr size_t kKeptOrders = 8;
constexpr size_t kPrefixOrders = 4;
constexpr size_t kCachedFilters = 4;

const char kFieldsTable[] = "CREATE TABLE fields (name TEXT NOT NULL, type TEXT NOT NULL, size INTEGER NOT NULL, "
                            "required INTEGER NOT NULL, visible INTEGER NOT NULL, label TEXT, "
                            "position INTEGER NOT NULL)";

QByteArray recordsTable(const std::vector<FieldInfo> &fields)
{
    QByteArray sql = "CREATE TABLE records (";
    for (const FieldInfo &f : fields)
        sql += f.quoted + ' ' + sqlType(f.type, f.size) + ", ";
    return sql + "_pos REAL NOT NULL)";
}

[[noreturn]] void badPacket(const QString &why)
{
    throw EDatabaseError(QStringLiteral("The data packet cannot be loaded: %1").arg(why));
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
        "acosh",    "asinh",     "atanh",    "cosh",      "sinh",      "tanh"};
    return name && allowed.contains(QByteArray(name).toLower());
}

inline unsigned char upperAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }
inline unsigned char lowerAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

int compareBytes(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    if (const int c = n ? std::memcmp(a.data(), b.data(), n) : 0)
        return c;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// SQLite's NOCASE: ASCII letters folded to lower case.
int compareNoCase(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int x = lowerAscii(uchar(a[i])), y = lowerAscii(uchar(b[i]));
        if (x != y)
            return x - y;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int compareUpper(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int x = upperAscii(uchar(a[i])), y = upperAscii(uchar(b[i]));
        if (x != y)
            return x - y;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// The first eight bytes, big-endian, so that integer order is byte order.
quint64 textKey(std::string_view s, unsigned char (*fold)(unsigned char))
{
    quint64 k = 0;
    for (size_t i = 0; i < 8; ++i)
        k = (k << 8) | (i < s.size() ? fold(uchar(s[i])) : 0);
    return k;
}

unsigned char noFold(unsigned char c) { return c; }

// Length in UTF-16 units of UTF-8 text, as QString counts it.
size_t utf16Length(std::string_view s)
{
    size_t n = 0;
    for (unsigned char c : s) {
        if ((c & 0xC0) != 0x80)
            ++n;
        if (c >= 0xF0)
            ++n; // a surrogate pair
    }
    return n;
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

quint64 realKey(double d)
{
    if (d == 0)
        d = 0; // -0.0 sorts with 0.0, as in SQLite
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    return (bits >> 63) ? ~bits : bits | (quint64(1) << 63);
}

} // namespace

// ---------------------------------------------------------------- Column

void Column::resize(size_t rows)
{
    m_null.resize(rows, 1);
    switch (m_storage) {
    case Storage::Int:
        m_int.resize(rows, 0);
        break;
    case Storage::Real:
        m_real.resize(rows, 0);
        break;
    case Storage::Text:
        m_off.resize(rows, 0);
        m_len.resize(rows, 0);
        break;
    }
}

Cell Column::cell(int row) const
{
    if (isNull(row))
        return {};
    switch (m_storage) {
    case Storage::Int:
        return Cell::ofInt(integer(row));
    case Storage::Real:
        return Cell::ofReal(real(row));
    case Storage::Text:
        break;
    }
    const std::string_view t = text(row);
    return Cell::ofText(QByteArray(t.data(), qsizetype(t.size())));
}

void Column::clear(int row)
{
    const size_t r = size_t(row);
    if (m_storage == Storage::Text && !m_null[r]) {
        m_garbage += m_len[r];
        m_len[r] = 0;
    }
    m_null[r] = 1;
}

void Column::set(int row, std::string_view text)
{
    clear(row);
    const size_t r = size_t(row);
    if (m_garbage > (size_t(1) << 20) && m_garbage * 2 > m_arena.size())
        compact();
    m_off[r] = m_arena.size();
    m_len[r] = quint32(text.size());
    m_arena.append(text.data(), text.size());
    m_null[r] = 0;
}

void Column::set(int row, const Cell &cell)
{
    const size_t r = size_t(row);
    if (cell.kind == Cell::Null) {
        clear(row);
        return;
    }
    switch (m_storage) {
    case Storage::Int:
        m_int[r] = cell.kind == Cell::Real ? qint64(cell.r) : cell.i;
        break;
    case Storage::Real:
        m_real[r] = cell.kind == Cell::Int ? double(cell.i) : cell.r;
        break;
    case Storage::Text:
        set(row, std::string_view(cell.text.constData(), size_t(cell.text.size())));
        return;
    }
    m_null[r] = 0;
}

void Column::compact()
{
    std::string arena;
    arena.reserve(m_arena.size() - m_garbage);
    for (size_t r = 0; r < m_null.size(); ++r) {
        if (m_null[r])
            continue;
        const size_t off = arena.size();
        arena.append(m_arena, m_off[r], m_len[r]);
        m_off[r] = off;
    }
    m_arena.swap(arena);
    m_garbage = 0;
}

// ---------------------------------------------------------- construction

RecordStore::RecordStore(sqlite3 *db, std::vector<FieldInfo> fields) : m_db(db), m_fields(std::move(fields))
{
    for (FieldInfo &f : m_fields) {
        f.storage = storageOf(f.type);
        f.quoted = quoteIdentifier(f.name);
        m_columns.emplace_back(f.storage);
    }
}

RecordStore::~RecordStore()
{
    m_filters.clear();
    m_insert = {};
    m_update = {};
    m_delete = {};
    m_setPos = {};
    sqlite3_close_v2(m_db);
}

// Each dataset lives on one thread, so its connection needs no mutex.
sqlite3 *RecordStore::openConnection()
{
    sqlite3 *db = nullptr;
    // URI names let compact() write into a named in-memory database.
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI,
                        nullptr)
        != SQLITE_OK) {
        sqlite3_close(db);
        throw EDatabaseError(QStringLiteral("Cannot open an in-memory database"));
    }
    return db;
}

void RecordStore::configure()
{
    sqlite3 *db = m_db;
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 64 << 20);
    sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, 1 << 20);
    sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 100);
    sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 1000);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db, SQLITE_LIMIT_FUNCTION_ARG, 100);
    exec(db, "PRAGMA cell_size_check = ON");
    exec(db, "PRAGMA case_sensitive_like = ON");
    sqlite3_set_authorizer(db, &RecordStore::authorize, this);
}

std::unique_ptr<RecordStore> RecordStore::create(std::vector<FieldInfo> fields)
{
    sqlite3 *db = openConnection();
    // Created through deserialize so that the database is a memdb image,
    // which serialize can hand out without an extra copy.
    if (sqlite3_deserialize(db, "main", nullptr, 0, 0,
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE)
        != SQLITE_OK) {
        sqlite3_close(db);
        throw EDatabaseError(QStringLiteral("Cannot create an in-memory database"));
    }
    std::unique_ptr<RecordStore> store(new RecordStore(db, std::move(fields)));
    store->configure();
    store->createSchema();
    store->prepareStatements();
    store->ensureCapacity(1);
    return store;
}

void RecordStore::createSchema()
{
    Transaction tx(m_db);
    exec(m_db, ("PRAGMA application_id = " + QByteArray::number(kApplicationId)).constData());
    exec(m_db, "PRAGMA user_version = 1");
    exec(m_db, kFieldsTable);
    exec(m_db, recordsTable(m_fields).constData());
    Statement ins(m_db, "INSERT INTO fields VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const FieldInfo &f = m_fields[i];
        ins.bindText(1, f.name.toUtf8().toStdString());
        ins.bindText(2, fieldTypeName(f.type).toStdString());
        ins.bind(3, qint64(f.size));
        ins.bind(4, qint64(f.required));
        ins.bind(5, qint64(f.visible));
        if (f.label.isEmpty())
            ins.bindNull(6);
        else
            ins.bindText(6, f.label.toUtf8().toStdString());
        ins.bind(7, qint64(i));
        ins.step();
        ins.reset();
    }
    tx.commit();
}

void RecordStore::prepareStatements()
{
    QByteArray cols, params, sets;
    for (size_t i = 0; i < m_fields.size(); ++i) {
        cols += m_fields[i].quoted + ", ";
        params += "?" + QByteArray::number(qsizetype(i) + 1) + ", ";
        sets += (i ? ", " : "") + m_fields[i].quoted + " = ?" + QByteArray::number(qsizetype(i) + 1);
    }
    m_insert = Statement(m_db, ("INSERT INTO records (" + cols + "_pos, rowid) VALUES (" + params + "?"
                                + QByteArray::number(qsizetype(m_fields.size()) + 1) + ", ?"
                                + QByteArray::number(qsizetype(m_fields.size()) + 2) + ")")
                                   .toStdString());
    m_update = Statement(m_db, ("UPDATE records SET " + sets + " WHERE rowid = ?"
                                + QByteArray::number(qsizetype(m_fields.size()) + 1))
                                   .toStdString());
    m_delete = Statement(m_db, "DELETE FROM records WHERE rowid = ?1");
    m_setPos = Statement(m_db, "UPDATE records SET _pos = ?1 WHERE rowid = ?2");
}

void RecordStore::ensureCapacity(size_t rows)
{
    if (rows <= m_pos.size())
        return;
    const size_t cap = std::max(rows, m_pos.size() + m_pos.size() / 2 + 16);
    m_pos.resize(cap, 0);
    m_alive.resize(cap, 0);
    for (Column &c : m_columns)
        c.resize(cap);
    for (auto &f : m_filters)
        f->passes.resize(cap);
}

// ----------------------------------------------------------------- packets

std::unique_ptr<RecordStore> RecordStore::load(const QByteArray &packet)
{
    static const char magic[] = "SQLite format 3";
    if (packet.size() < 512 || std::memcmp(packet.constData(), magic, sizeof magic) != 0)
        badPacket(QStringLiteral("it is not a data packet (no SQLite database image, %1 bytes)").arg(packet.size()));
    const uint pageSize = (uint(uchar(packet[16])) << 8) | uchar(packet[17]);
    const uint realPage = pageSize == 1 ? 65536 : pageSize;
    if (realPage < 512 || (realPage & (realPage - 1)) != 0 || packet.size() % realPage != 0)
        badPacket(QStringLiteral("it is truncated or damaged (its size does not fit its page size)"));

    sqlite3 *db = openConnection();
    auto *image = static_cast<unsigned char *>(sqlite3_malloc64(sqlite3_uint64(packet.size())));
    if (!image) {
        sqlite3_close(db);
        badPacket(QStringLiteral("out of memory"));
    }
    std::memcpy(image, packet.constData(), size_t(packet.size()));
    if (sqlite3_deserialize(db, "main", image, packet.size(), packet.size(),
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE)
        != SQLITE_OK) {
        sqlite3_close(db);
        badPacket(QStringLiteral("SQLite does not accept the image"));
    }
    // The store owns the connection from here on; its fields come later.
    std::unique_ptr<RecordStore> store(new RecordStore(db, {}));
    try {
        store->configure();
    } catch (const EDatabaseError &e) {
        badPacket(e.Message());
    }

    auto scalar = [&](const char *sql) -> QString {
        sqlite3_stmt *st = nullptr;
        QString result;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
            const QString why = QString::fromUtf8(sqlite3_errmsg(db));
            sqlite3_finalize(st);
            badPacket(QStringLiteral("it is damaged (%1)").arg(why));
        }
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            result = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        else if (rc != SQLITE_DONE) {
            const QString why = QString::fromUtf8(sqlite3_errmsg(db));
            sqlite3_finalize(st);
            badPacket(QStringLiteral("it is damaged (%1)").arg(why));
        }
        sqlite3_finalize(st);
        return result;
    };

    if (scalar("PRAGMA application_id").toInt() != kApplicationId)
        badPacket(QStringLiteral("it is an SQLite database but not a data packet of this system"));
    if (scalar("PRAGMA user_version").toInt() != 1)
        badPacket(QStringLiteral("it was written by an unknown version of the packet format"));
    const QString check = scalar("PRAGMA quick_check(1)");
    if (check != QLatin1String("ok"))
        badPacket(QStringLiteral("it is damaged (%1)").arg(check));

    // Exactly our two tables, each exactly as this system creates them.
    QString fieldsSql, recordsSql;
    {
        Statement st(db, "SELECT type, name, tbl_name, sql FROM sqlite_schema");
        int objects = 0;
        while (st.step()) {
            ++objects;
            const QString type = st.qtext(0), name = st.qtext(1), table = st.qtext(2);
            if (type != QLatin1String("table") || name != table)
                badPacket(QStringLiteral("it holds an unexpected %1 \"%2\"").arg(type, name));
            if (name == QLatin1String("fields"))
                fieldsSql = st.qtext(3);
            else if (name == QLatin1String("records"))
                recordsSql = st.qtext(3);
            else
                badPacket(QStringLiteral("it holds an unexpected table \"%1\"").arg(name));
        }
        if (objects != 2 || fieldsSql.isEmpty() || recordsSql.isEmpty())
            badPacket(QStringLiteral("the tables fields and records are missing"));
        if (fieldsSql != QLatin1String(kFieldsTable))
            badPacket(QStringLiteral("the table fields does not have the expected columns"));
    }

    std::vector<FieldInfo> fields;
    {
        Statement st(db, "SELECT name, type, size, required, visible, label, position FROM fields ORDER BY position");
        QSet<QString> names;
        while (st.step()) {
            FieldInfo f;
            if (st.type(0) != SQLITE_TEXT || st.type(1) != SQLITE_TEXT || st.type(2) != SQLITE_INTEGER
                || st.type(3) != SQLITE_INTEGER || st.type(4) != SQLITE_INTEGER
                || (st.type(5) != SQLITE_TEXT && st.type(5) != SQLITE_NULL) || st.type(6) != SQLITE_INTEGER)
                badPacket(QStringLiteral("a field definition has values of the wrong kind"));
            f.name = st.qtext(0);
            f.type = fieldTypeFromName(st.qtext(1));
            const qint64 size = st.int64(2);
            f.required = st.int64(3) != 0;
            f.visible = st.int64(4) != 0;
            f.label = st.qtext(5);
            if (st.int64(6) != qint64(fields.size()))
                badPacket(QStringLiteral("the field positions are not 0, 1, 2, …"));
            if (f.type == ftUnknown)
                badPacket(QStringLiteral("field \"%1\" has the unknown type \"%2\"").arg(f.name, st.qtext(1)));
            if (size < 0 || size > 1000000)
                badPacket(QStringLiteral("field \"%1\" has the size %2").arg(f.name).arg(size));
            f.size = int(size);
            const QString key = f.name.toLower();
            if (f.name.isEmpty() || f.name.size() > 128 || names.contains(key)
                || key == QLatin1String("_pos") || key == QLatin1String("rowid") || key == QLatin1String("oid")
                || key == QLatin1String("_rowid_"))
                badPacket(QStringLiteral("the field name \"%1\" is empty, too long, repeated or reserved").arg(f.name));
            names.insert(key);
            f.storage = storageOf(f.type);
            f.quoted = quoteIdentifier(f.name);
            fields.push_back(f);
            if (fields.size() > size_t(kMaxFields))
                badPacket(QStringLiteral("it has more than %1 fields").arg(kMaxFields));
        }
        if (fields.empty())
            badPacket(QStringLiteral("it defines no field"));
    }
    if (recordsSql != QString::fromUtf8(recordsTable(fields)))
        badPacket(QStringLiteral("the table records does not match the field definitions"));

    store->m_fields = fields;
    store->m_columns.clear();
    for (const FieldInfo &f : fields)
        store->m_columns.emplace_back(f.storage);
    store->loadMirror();
    store->prepareStatements();
    // Whoever wrote the image may have left free pages or deleted records in it.
    store->m_compact = false;
    return store;
}

void RecordStore::loadMirror()
{
    qint64 count = 0, lo = 0, hi = 0;
    {
        Statement st(m_db, "SELECT count(*), min(rowid), max(rowid) FROM records");
        st.step();
        count = st.int64(0);
        lo = st.int64(1);
        hi = st.int64(2);
    }
    if (count > 0 && (lo < 1 || hi > 8 * count + 65536 || hi >= std::numeric_limits<int>::max()))
        badPacket(QStringLiteral("its records use row numbers out of range (%1 to %2 for %3 records)")
                      .arg(lo)
                      .arg(hi)
                      .arg(count));
    ensureCapacity(size_t(hi) + 1);
    m_nextRowid = int(hi) + 1;
    m_natural.reserve(size_t(count));

    QByteArray sql = "SELECT rowid, _pos";
    for (const FieldInfo &f : m_fields)
        sql += ", " + f.quoted;
    sql += " FROM records";
    Statement st(m_db, sql.toStdString());
    const int n = int(m_fields.size());
    while (st.step()) {
        const int rowid = int(st.int64(0));
        const int posType = st.type(1);
        if (posType != SQLITE_FLOAT && posType != SQLITE_INTEGER)
            badPacket(QStringLiteral("record %1 has no position").arg(rowid));
        m_pos[size_t(rowid)] = st.real(1);
        if (!std::isfinite(m_pos[size_t(rowid)]))
            badPacket(QStringLiteral("record %1 has no position").arg(rowid));
        m_alive[size_t(rowid)] = 1;
        for (int f = 0; f < n; ++f) {
            const FieldInfo &info = m_fields[size_t(f)];
            Column &col = m_columns[size_t(f)];
            const int type = st.type(f + 2);
            bool ok = true;
            switch (type) {
            case SQLITE_NULL:
                break;
            case SQLITE_INTEGER: {
                const Cell c = Cell::ofInt(st.int64(f + 2));
                ok = conforms(c, info);
                if (ok)
                    col.set(rowid, c);
                break;
            }
            case SQLITE_FLOAT: {
                const Cell c = Cell::ofReal(st.real(f + 2));
                ok = conforms(c, info);
                if (ok)
                    col.set(rowid, c);
                break;
            }
            case SQLITE_TEXT: {
                const std::string_view t = st.text(f + 2);
                if (info.storage != Storage::Text)
                    ok = false;
                else if (info.type == ftString)
                    ok = info.size <= 0 || utf16Length(t) <= size_t(info.size);
                else if (info.type != ftMemo)
                    ok = conforms(Cell::ofText(QByteArray(t.data(), qsizetype(t.size()))), info);
                if (ok)
                    col.set(rowid, t);
                break;
            }
            default:
                ok = false;
            }
            if (!ok)
                badPacket(QStringLiteral("record %1 holds a value of the wrong kind in field \"%2\" (%3)")
                              .arg(rowid)
                              .arg(info.name, fieldTypeName(info.type)));
        }
        m_natural.push_back(rowid);
    }
    auto byPos = [this](int a, int b) { return naturalLess(a, b); };
    if (!std::is_sorted(m_natural.begin(), m_natural.end(), byPos))
        std::sort(m_natural.begin(), m_natural.end(), byPos);
}

QByteArray RecordStore::serialize()
{
    if (!m_compact)
        compact();
    sqlite3_int64 size = 0;
    if (unsigned char *p = sqlite3_serialize(m_db, "main", &size, SQLITE_SERIALIZE_NOCOPY))
        return QByteArray(reinterpret_cast<const char *>(p), qsizetype(size));
    unsigned char *copy = sqlite3_serialize(m_db, "main", &size, 0);
    if (!copy)
        throw EDatabaseError(QStringLiteral("The data packet cannot be written: out of memory"));
    QByteArray out(reinterpret_cast<const char *>(copy), qsizetype(size));
    sqlite3_free(copy);
    return out;
}

// Rebuilds the database from its live records alone, so that it has no free
// pages and holds no byte of a deleted or overwritten record, whatever the
// SQLite build's secure_delete default. VACUUM INTO writes the fresh copy
// and, unlike VACUUM, keeps the rowids the mirror is indexed by; the copy
// then replaces this connection's database. Costs one pass over the live
// records, and only after a delete or an edit.
void RecordStore::compact()
{
    static std::atomic<quint64> serial{0};
    const QByteArray name = "file:/touchdialogs-compact-" + QByteArray::number(++serial) + "?vfs=memdb";
    auto failed = [](sqlite3 *db) {
        return EDatabaseError(QStringLiteral("The data packet cannot be written: %1")
                                  .arg(QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory")));
    };
    // Held open so that the copy outlives VACUUM INTO's own connection to it.
    sqlite3 *copy = nullptr;
    if (sqlite3_open_v2(name.constData(), &copy,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK) {
        const EDatabaseError error = failed(copy);
        sqlite3_close(copy);
        throw error;
    }
    struct Close {
        sqlite3 *db;
        ~Close() { sqlite3_close(db); }
    } closeCopy{copy};

    sqlite3_limit(m_db, SQLITE_LIMIT_ATTACHED, 1); // VACUUM INTO attaches the copy
    const int rc = sqlite3_exec(m_db, ("VACUUM INTO " + quoteLiteral(QString::fromLatin1(name))).constData(), nullptr,
                                nullptr, nullptr);
    sqlite3_limit(m_db, SQLITE_LIMIT_ATTACHED, 0);
    if (rc != SQLITE_OK)
        throw failed(m_db);

    // Into a private connection that owns its image, as every store's is.
    sqlite3_int64 size = 0;
    unsigned char *image = sqlite3_serialize(copy, "main", &size, 0);
    if (!image)
        throw failed(nullptr);
    sqlite3 *fresh = openConnection();
    if (sqlite3_deserialize(fresh, "main", image, size, size,
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE)
        != SQLITE_OK) {
        sqlite3_close(fresh);
        throw failed(nullptr);
    }

    sqlite3 *old = std::exchange(m_db, fresh);
    Statement kept[] = {std::move(m_insert), std::move(m_update), std::move(m_delete), std::move(m_setPos)};
    try {
        configure();
        prepareStatements();
    } catch (...) {
        m_db = old;
        m_insert = std::move(kept[0]);
        m_update = std::move(kept[1]);
        m_delete = std::move(kept[2]);
        m_setPos = std::move(kept[3]);
        sqlite3_close_v2(fresh); // closes once the statements made on it are finalized
        throw;
    }
    // The cached filters' statements belong to the old connection; their
    // results are computed again when next asked for.
    m_filters.clear();
    for (Statement &st : kept)
        st = {};
    sqlite3_close_v2(old);
    m_compact = true;
}

// ------------------------------------------------------------------ fields

int RecordStore::fieldIndex(const QString &name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const QString &f = m_fields[i].name;
        if (f.size() != name.size())
            continue;
        bool same = true;
        for (qsizetype k = 0; k < f.size() && same; ++k) {
            const char16_t a = f[k].unicode(), b = name[k].unicode();
            same = a == b || (a < 128 && b < 128 && lowerAscii(uchar(a)) == lowerAscii(uchar(b)));
        }
        if (same)
            return int(i);
    }
    return -1;
}

void RecordStore::setVisible(int field, bool visible)
{
    Statement st(m_db, "UPDATE fields SET visible = ?1 WHERE position = ?2");
    st.bind(1, qint64(visible));
    st.bind(2, qint64(field));
    st.step();
    m_fields[size_t(field)].visible = visible;
}

void RecordStore::setLabel(int field, const QString &label)
{
    Statement st(m_db, "UPDATE fields SET label = ?1 WHERE position = ?2");
    if (label.isEmpty())
        st.bindNull(1);
    else
        st.bindText(1, label.toUtf8().toStdString());
    st.bind(2, qint64(field));
    st.step();
    m_fields[size_t(field)].label = label;
}

void RecordStore::setRequired(int field, bool required)
{
    Statement st(m_db, "UPDATE fields SET required = ?1 WHERE position = ?2");
    st.bind(1, qint64(required));
    st.bind(2, qint64(field));
    st.step();
    m_fields[size_t(field)].required = required;
}

// ----------------------------------------------------------------- records

std::vector<Cell> RecordStore::row(int rowid) const
{
    std::vector<Cell> cells;
    cells.reserve(m_columns.size());
    for (const Column &c : m_columns)
        cells.push_back(c.cell(rowid));
    return cells;
}

double RecordStore::positionAfterLast() const
{
    return m_natural.empty() ? 1.0 : std::floor(m_pos[size_t(m_natural.back())]) + 1.0;
}

double RecordStore::positionBefore(int rowid)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto it = std::lower_bound(m_natural.begin(), m_natural.end(), rowid,
                                         [this](int a, int b) { return naturalLess(a, b); });
        const double here = m_pos[size_t(rowid)];
        const double before = it == m_natural.begin() ? here - 2.0 : m_pos[size_t(*(it - 1))];
        const double mid = before + (here - before) / 2;
        if (before < mid && mid < here)
            return mid;
        respace(int(it - m_natural.begin())); // the gap is used up
    }
    throw EDatabaseError(QStringLiteral("Cannot place the new record"));
}

// Spreads the positions of the records around natural index `at` evenly,
// over the smallest window that leaves room, so that a run of inserts at
// one place rewrites a few neighbours rather than every record.
void RecordStore::respace(int at)
{
    const int n = int(m_natural.size());
    for (int w = 16;; w *= 4) {
        const int lo = std::max(0, at - w), hi = std::min(n - 1, at + w);
        const int count = hi - lo + 1;
        const double first = m_pos[size_t(m_natural[size_t(lo)])], last = m_pos[size_t(m_natural[size_t(hi)])];
        const double left = lo == 0 ? first - count : m_pos[size_t(m_natural[size_t(lo - 1)])];
        const double right = hi == n - 1 ? last + count : m_pos[size_t(m_natural[size_t(hi + 1)])];
        const double step = (right - left) / (count + 1);
        const bool whole = lo == 0 && hi == n - 1;
        if (!whole && step <= std::max(std::fabs(left), std::fabs(right)) * 1e-9)
            continue;
        std::vector<double> positions(static_cast<size_t>(count));
        for (int k = 0; k < count; ++k)
            positions[size_t(k)] = whole ? double(k + 1) : left + step * (k + 1);
        Transaction tx(m_db);
        for (int k = 0; k < count; ++k) {
            m_setPos.bind(1, positions[size_t(k)]);
            m_setPos.bind(2, qint64(m_natural[size_t(lo + k)]));
            m_setPos.step();
            m_setPos.reset();
        }
        tx.commit();
        for (int k = 0; k < count; ++k)
            m_pos[size_t(m_natural[size_t(lo + k)])] = positions[size_t(k)];
        return;
    }
}

void RecordStore::bindCells(Statement &st, const std::vector<Cell> &cells)
{
    for (size_t i = 0; i < cells.size(); ++i) {
        const Cell &c = cells[i];
        const int p = int(i) + 1;
        switch (c.kind) {
        case Cell::Null:
            st.bindNull(p);
            break;
        case Cell::Int:
            st.bind(p, c.i);
            break;
        case Cell::Real:
            st.bind(p, c.r);
            break;
        case Cell::Text:
            st.bindText(p, std::string_view(c.text.constData(), size_t(c.text.size())));
            break;
        }
    }
}

void RecordStore::writeCells(int rowid, const std::vector<Cell> &cells)
{
    for (size_t f = 0; f < m_columns.size(); ++f)
        m_columns[f].set(rowid, cells[f]);
}

int RecordStore::insertRow(double pos, const std::vector<Cell> &cells)
{
    const int rowid = m_nextRowid;
    if (rowid == std::numeric_limits<int>::max())
        throw EDatabaseError(QStringLiteral("The dataset cannot hold more records"));
    bindCells(m_insert, cells);
    m_insert.bind(int(cells.size()) + 1, pos);
    m_insert.bind(int(cells.size()) + 2, qint64(rowid));
    m_insert.step();
    m_insert.reset();
    ++m_nextRowid;
    ensureCapacity(size_t(rowid) + 1);
    m_pos[size_t(rowid)] = pos;
    m_alive[size_t(rowid)] = 1;
    writeCells(rowid, cells);
    m_natural.insert(std::lower_bound(m_natural.begin(), m_natural.end(), rowid,
                                      [this](int a, int b) { return naturalLess(a, b); }),
                     rowid);
    linkIntoOrders(rowid);
    recheckFilters(rowid);
    return rowid;
}

void RecordStore::updateRow(int rowid, const std::vector<Cell> &cells)
{
    bindCells(m_update, cells);
    m_update.bind(int(cells.size()) + 1, qint64(rowid));
    m_update.step();
    m_update.reset();
    m_compact = false;
    unlinkFromOrders(rowid);
    writeCells(rowid, cells);
    linkIntoOrders(rowid);
    recheckFilters(rowid);
}

void RecordStore::deleteRow(int rowid)
{
    m_delete.bind(1, qint64(rowid));
    m_delete.step();
    m_delete.reset();
    m_compact = false;
    unlinkFromOrders(rowid);
    const auto it = std::lower_bound(m_natural.begin(), m_natural.end(), rowid,
                                     [this](int a, int b) { return naturalLess(a, b); });
    if (it != m_natural.end() && *it == rowid)
        m_natural.erase(it);
    for (Column &c : m_columns)
        c.clear(rowid);
    m_alive[size_t(rowid)] = 0;
    for (auto &f : m_filters)
        f->passes.reset(size_t(rowid));
}

void RecordStore::deleteAll()
{
    exec(m_db, "DELETE FROM records");
    m_compact = false;
    for (int rowid : m_natural) {
        for (Column &c : m_columns)
            c.clear(rowid);
        m_alive[size_t(rowid)] = 0;
    }
    m_natural.clear();
    m_orders.clear();
    m_prefixOrders.clear();
    m_filters.clear();
}

void RecordStore::appendRows(const std::vector<std::vector<Cell>> &rows)
{
    Transaction tx(m_db);
    double pos = positionAfterLast();
    ensureCapacity(size_t(m_nextRowid) + rows.size() + 1);
    for (const std::vector<Cell> &cells : rows) {
        const int rowid = m_nextRowid++;
        bindCells(m_insert, cells);
        m_insert.bind(int(cells.size()) + 1, pos);
        m_insert.bind(int(cells.size()) + 2, qint64(rowid));
        m_insert.step();
        m_insert.reset();
        m_pos[size_t(rowid)] = pos;
        m_alive[size_t(rowid)] = 1;
        writeCells(rowid, cells);
        m_natural.push_back(rowid);
        pos += 1.0;
    }
    tx.commit();
    m_orders.clear();
    m_prefixOrders.clear();
    m_filters.clear();
}

// ------------------------------------------------------------------- order

int RecordStore::compareField(const SortKey &key, int a, int b) const
{
    const Column &c = m_columns[size_t(key.field)];
    const bool na = c.isNull(a), nb = c.isNull(b);
    if (na || nb)
        return na == nb ? 0 : na ? -1 : 1; // NULL first, as in SQLite
    switch (c.storage()) {
    case Storage::Int: {
        const qint64 x = c.integer(a), y = c.integer(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    case Storage::Real: {
        const double x = c.real(a), y = c.real(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    case Storage::Text:
        break;
    }
    return key.caseInsensitive ? compareNoCase(c.text(a), c.text(b)) : compareBytes(c.text(a), c.text(b));
}

bool RecordStore::less(const SortKeys &keys, int a, int b) const
{
    for (const SortKey &k : keys) {
        int c = compareField(k, a, b);
        if (c)
            return k.descending ? c > 0 : c < 0;
    }
    return naturalLess(a, b);
}

void RecordStore::sortRows(std::vector<int> &rows, const SortKeys &keys) const
{
    if (keys.empty())
        return;
    // Sort on a compact key of the first field first; the full comparison
    // only breaks ties of that key.
    struct Entry {
        quint64 key;
        int rowid;
        quint8 cls;
    };
    const SortKey first = keys.front();
    const Column &c = m_columns[size_t(first.field)];
    std::vector<Entry> entries;
    entries.reserve(rows.size());
    for (int r : rows) {
        Entry e{0, r, 0};
        if (!c.isNull(r)) {
            e.cls = 1;
            switch (c.storage()) {
            case Storage::Int:
                e.key = quint64(c.integer(r)) ^ (quint64(1) << 63);
                break;
            case Storage::Real:
                e.key = realKey(c.real(r));
                break;
            case Storage::Text:
                e.key = textKey(c.text(r), first.caseInsensitive ? lowerAscii : noFold);
                break;
            }
        }
        entries.push_back(e);
    }
    const bool desc = first.descending;
    std::sort(entries.begin(), entries.end(), [&](const Entry &x, const Entry &y) {
        if (x.cls != y.cls)
            return desc ? x.cls > y.cls : x.cls < y.cls;
        if (x.key != y.key)
            return desc ? x.key > y.key : x.key < y.key;
        return less(keys, x.rowid, y.rowid);
    });
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = entries[i].rowid;
}

const std::vector<int> &RecordStore::ordered(const SortKeys &keys)
{
    if (keys.empty())
        return m_natural;
    for (auto &o : m_orders)
        if (o->keys == keys) {
            o->used = ++m_clock;
            return o->order;
        }
    auto kept = std::make_unique<KeptOrder>();
    kept->keys = keys;
    kept->order = m_natural;
    sortRows(kept->order, keys);
    kept->used = ++m_clock;
    if (m_orders.size() >= kKeptOrders)
        m_orders.erase(std::min_element(m_orders.begin(), m_orders.end(),
                                        [](const auto &x, const auto &y) { return x->used < y->used; }));
    m_orders.push_back(std::move(kept));
    return m_orders.back()->order;
}

// The text SQLite's UPPER() gives for a value: ASCII letters raised; an
// integer in decimal. Real fields are not evaluated natively.
std::string_view RecordStore::upperText(int field, int rowid, char *buffer) const
{
    const Column &c = m_columns[size_t(field)];
    if (c.storage() == Storage::Int) {
        const auto r = std::to_chars(buffer, buffer + 24, c.integer(rowid));
        return std::string_view(buffer, size_t(r.ptr - buffer));
    }
    return c.text(rowid);
}

bool RecordStore::upperLess(int field, int a, int b) const
{
    char ba[24], bb[24];
    const int c = compareUpper(upperText(field, a, ba), upperText(field, b, bb));
    return c < 0 || (c == 0 && a < b);
}

RecordStore::PrefixOrder &RecordStore::prefixOrder(int field)
{
    for (auto &p : m_prefixOrders)
        if (p->field == field) {
            p->used = ++m_clock;
            return *p;
        }
    auto p = std::make_unique<PrefixOrder>();
    p->field = field;
    const Column &c = m_columns[size_t(field)];
    struct Entry {
        quint64 key;
        int rowid;
    };
    std::vector<Entry> entries;
    entries.reserve(m_natural.size());
    char buffer[24];
    for (int r : m_natural)
        if (!c.isNull(r))
            entries.push_back({textKey(upperText(field, r, buffer), upperAscii), r});
    std::sort(entries.begin(), entries.end(), [&](const Entry &x, const Entry &y) {
        if (x.key != y.key)
            return x.key < y.key;
        return upperLess(field, x.rowid, y.rowid);
    });
    p->order.reserve(entries.size());
    for (const Entry &e : entries)
        p->order.push_back(e.rowid);
    p->used = ++m_clock;
    if (m_prefixOrders.size() >= kPrefixOrders)
        m_prefixOrders.erase(std::min_element(m_prefixOrders.begin(), m_prefixOrders.end(),
                                              [](const auto &x, const auto &y) { return x->used < y->used; }));
    m_prefixOrders.push_back(std::move(p));
    return *m_prefixOrders.back();
}

void RecordStore::unlinkFromOrders(int rowid)
{
    for (auto &o : m_orders) {
        const auto it = std::lower_bound(o->order.begin(), o->order.end(), rowid,
                                         [&](int a, int b) { return less(o->keys, a, b); });
        if (it != o->order.end() && *it == rowid)
            o->order.erase(it);
    }
    for (auto &p : m_prefixOrders) {
        if (m_columns[size_t(p->field)].isNull(rowid))
            continue;
        const int field = p->field;
        const auto it = std::lower_bound(p->order.begin(), p->order.end(), rowid,
                                         [&](int a, int b) { return upperLess(field, a, b); });
        if (it != p->order.end() && *it == rowid)
            p->order.erase(it);
    }
}

void RecordStore::linkIntoOrders(int rowid)
{
    for (auto &o : m_orders)
        o->order.insert(std::lower_bound(o->order.begin(), o->order.end(), rowid,
                                         [&](int a, int b) { return less(o->keys, a, b); }),
                        rowid);
    for (auto &p : m_prefixOrders) {
        if (m_columns[size_t(p->field)].isNull(rowid))
            continue;
        const int field = p->field;
        p->order.insert(std::lower_bound(p->order.begin(), p->order.end(), rowid,
                                         [&](int a, int b) { return upperLess(field, a, b); }),
                        rowid);
    }
}

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
    for (auto &f : m_filters)
        if (f->expression == expression) {
            f->used = ++m_clock;
            return *f;
        }
    auto f = std::make_unique<CachedFilter>();
    f->expression = expression;
    f->passes.resize(m_pos.size());
    Statement all;
    prepareFilter(expression, all, "SELECT rowid FROM records WHERE ", "");
    while (all.step())
        f->passes.set(size_t(all.int64(0)));
    prepareFilter(expression, f->rowCheck, "SELECT 1 FROM records WHERE rowid = ?1 AND ", "");
    f->used = ++m_clock;
    if (m_filters.size() >= kCachedFilters)
        m_filters.erase(std::min_element(m_filters.begin(), m_filters.end(),
                                         [](const auto &x, const auto &y) { return x->used < y->used; }));
    m_filters.push_back(std::move(f));
    return *m_filters.back();
}

void RecordStore::recheckFilters(int rowid)
{
    for (size_t i = 0; i < m_filters.size();) {
        CachedFilter &f = *m_filters[i];
        try {
            f.rowCheck.bind(1, qint64(rowid));
            const bool passes = f.rowCheck.step();
            f.rowCheck.reset();
            f.passes.assign(size_t(rowid), passes);
            ++i;
        } catch (const EDatabaseError &) {
            // The expression fails on this record: forget the cached result;
            // the next view that needs it evaluates it again and reports.
            m_filters.erase(m_filters.begin() + qsizetype(i));
        }
    }
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
