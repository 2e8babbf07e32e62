// The data packet: the schema this system writes, the defensive check of a
// packet on load, and the image handed out.
#include "platform/db/RecordStore.h"
#include "platform/rtl/Exceptions.h"

#include <QSet>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>

namespace TouchDialogs::db {

namespace {

// "TDP1" in the database header marks our packets.
constexpr int kApplicationId = 0x54445031;

const char kFieldsTable[] = "CREATE TABLE fields (name TEXT NOT NULL, type TEXT NOT NULL, size INTEGER NOT NULL, "
                            "required INTEGER NOT NULL, visible INTEGER NOT NULL, label TEXT, "
                            "position INTEGER NOT NULL)";

[[noreturn]] void badPacket(const QString &why)
{
    throw EDatabaseError(QStringLiteral("The data packet cannot be loaded: %1").arg(why));
}

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

} // namespace

// ------------------------------------------------------------------ schema

QByteArray RecordStore::recordsTable(const std::vector<FieldInfo> &fields)
{
    QByteArray sql = "CREATE TABLE records (";
    for (const FieldInfo &f : fields)
        sql += f.quoted + ' ' + sqlType(f.type, f.size) + ", ";
    return sql + "_pos REAL NOT NULL)";
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

// ----------------------------------------------------- packets handed on

// A packet is mostly handed from one dataset of this process to another
// (the list builder copies its source twice, its result goes back to the
// host). While a store that handed out a packet is unchanged, it holds
// exactly the packet's records, already checked: a store loading those same
// bytes copies them from it (the columns shared until one side writes)
// instead of reading and checking every value again. "Those same bytes" is
// the very buffer: the family keeps a reference to it, so any change made
// through another QByteArray detaches to a new buffer, which is then loaded
// like any packet from outside.
struct RecordStore::Family {
    QByteArray packet;
    std::thread::id thread;
    std::vector<RecordStore *> members;
    // Orders members had computed when they changed or went, and the
    // collation keys those orders compare by (copies share the values).
    std::vector<KeptOrder> orders;
    std::vector<PrefixOrder> prefixOrders;
    std::vector<std::unique_ptr<Column>> collationKeys; // by field
};

namespace {

std::mutex g_familiesMutex;
std::unordered_map<const char *, std::shared_ptr<RecordStore::Family>> &families()
{
    static std::unordered_map<const char *, std::shared_ptr<RecordStore::Family>> map;
    return map;
}

template <class T, class Same>
void keepOne(std::vector<T> &kept, const T &entry, Same same)
{
    if (std::any_of(kept.begin(), kept.end(), [&](const T &k) { return same(k, entry); }))
        return;
    if (kept.size() >= 8)
        kept.erase(kept.begin());
    kept.push_back(entry);
}

} // namespace

bool RecordStore::heldByFamily() const
{
    // The total of changes is a second guard behind the calls to leaveFamily().
    return m_family && sqlite3_total_changes64(m_db) == m_familyChanges;
}

void RecordStore::joinFamily(const QByteArray &packet)
{
    std::lock_guard lock(g_familiesMutex);
    auto &family = families()[packet.constData()];
    if (!family) {
        family = std::make_shared<Family>();
        family->packet = packet;
        family->thread = std::this_thread::get_id();
    }
    family->members.push_back(this);
    m_family = family;
    m_familyChanges = sqlite3_total_changes64(m_db);
}

void RecordStore::leaveFamily()
{
    if (!m_family)
        return;
    const bool unchanged = heldByFamily();
    std::lock_guard lock(g_familiesMutex);
    Family &family = *m_family;
    std::erase(family.members, this);
    if (family.members.empty()) {
        families().erase(family.packet.constData());
    } else if (unchanged) {
        m_orders.forEach([&](KeptOrder &o) {
            keepOne(family.orders, o, [](const KeptOrder &a, const KeptOrder &b) { return a.keys == b.keys; });
        });
        m_prefixOrders.forEach([&](PrefixOrder &o) {
            keepOne(family.prefixOrders, o, [](const PrefixOrder &a, const PrefixOrder &b) { return a.field == b.field; });
        });
        family.collationKeys.resize(m_collationKeys.size());
        for (size_t f = 0; f < m_collationKeys.size(); ++f)
            if (m_collationKeys[f] && !family.collationKeys[f])
                family.collationKeys[f] = std::make_unique<Column>(*m_collationKeys[f]);
    }
    m_family.reset();
}

std::unique_ptr<RecordStore> RecordStore::reuse(const QByteArray &packet)
{
    std::lock_guard lock(g_familiesMutex);
    const auto it = families().find(packet.constData());
    if (it == families().end())
        return nullptr;
    const std::shared_ptr<Family> family = it->second;
    if (family->packet.size() != packet.size() || family->thread != std::this_thread::get_id())
        return nullptr;
    const auto source = std::find_if(family->members.begin(), family->members.end(),
                                     [](const RecordStore *m) { return m->heldByFamily(); });
    if (source == family->members.end())
        return nullptr;
    const RecordStore &from = **source;

    std::unique_ptr<RecordStore> store = copyOf(from, packet);
    // What other members had built, or the family kept from those that went.
    for (size_t f = 0; f < store->m_fields.size(); ++f) {
        const Column *keys = f < family->collationKeys.size() ? family->collationKeys[f].get() : nullptr;
        for (const RecordStore *m : family->members)
            if (!keys && m->heldByFamily() && m->m_collationKeys[f])
                keys = m->m_collationKeys[f].get();
        if (keys && !store->m_collationKeys[f])
            store->m_collationKeys[f] = std::make_unique<Column>(*keys);
    }
    for (const KeptOrder &o : family->orders)
        store->addOrder(o);
    for (const PrefixOrder &o : family->prefixOrders)
        store->addPrefixOrder(o);
    for (RecordStore *m : family->members)
        if (m->heldByFamily()) {
            m->m_orders.forEach([&](const KeptOrder &o) { store->addOrder(o); });
            m->m_prefixOrders.forEach([&](const PrefixOrder &o) { store->addPrefixOrder(o); });
        }
    family->members.push_back(store.get());
    store->m_family = family;
    store->m_familyChanges = sqlite3_total_changes64(store->m_db);
    return store;
}

std::unique_ptr<RecordStore> RecordStore::copyOf(const RecordStore &from, const QByteArray &packet)
{
    // A packet already written is copied into SQLite at once: measured, the
    // list builder opens faster so than with a schema made anew and the
    // image given later.
    std::unique_ptr<RecordStore> store;
    if (!packet.isNull()) {
        store.reset(new RecordStore(connectionWith(packet), from.m_fields));
        store->configure();
        store->prepareStatements();
    } else {
        store = create(from.m_fields);
        store->m_deferred = true;
        if (from.m_deferred)
            store->m_image = from.m_image;
    }
    store->m_columns = from.m_columns;
    store->m_pos = from.m_pos;
    store->m_alive = from.m_alive;
    store->m_natural = from.m_natural;
    store->m_nextRowid = from.m_nextRowid;
    // A kept order of text comes with the keys it compares by: without them
    // the first edit would compute them all again.
    for (size_t f = 0; f < from.m_collationKeys.size(); ++f)
        if (from.m_collationKeys[f])
            store->m_collationKeys[f] = std::make_unique<Column>(*from.m_collationKeys[f]);
    from.m_orders.forEach([&](const KeptOrder &o) { store->addOrder(o); });
    from.m_prefixOrders.forEach([&](const PrefixOrder &o) { store->addPrefixOrder(o); });
    return store;
}

void RecordStore::addOrder(const KeptOrder &o)
{
    if (!keptOrder(o.keys))
        m_orders.add(std::make_unique<KeptOrder>(o));
}

void RecordStore::addPrefixOrder(const PrefixOrder &o)
{
    if (!keptPrefixOrder(o.field, o.view))
        m_prefixOrders.add(std::make_unique<PrefixOrder>(o));
}

// ----------------------------------------------------------------- packets

std::unique_ptr<RecordStore> RecordStore::load(const QByteArray &packet)
{
    if (std::unique_ptr<RecordStore> store = reuse(packet))
        return store;
    static const char magic[] = "SQLite format 3";
    if (packet.size() < 512 || std::memcmp(packet.constData(), magic, sizeof magic) != 0)
        badPacket(QStringLiteral("it is not a data packet (no SQLite database image, %1 bytes)").arg(packet.size()));
    const uint pageSize = (uint(uchar(packet[16])) << 8) | uchar(packet[17]);
    const uint realPage = pageSize == 1 ? 65536 : pageSize;
    if (realPage < 512 || (realPage & (realPage - 1)) != 0 || packet.size() % realPage != 0)
        badPacket(QStringLiteral("it is truncated or damaged (its size does not fit its page size)"));

    // Bytes 18 and 19 are the file format's write and read versions: 1 rollback
    // journal, 2 WAL. SQLite opens an image of a later write version read-only,
    // and a store must stay writable; a copy held in memory has no journal.
    const uchar writeVersion = uchar(packet[18]), readVersion = uchar(packet[19]);
    if (writeVersion < 1 || writeVersion > 2 || readVersion < 1 || readVersion > 2)
        badPacket(QStringLiteral("its header names the file format versions %1 and %2, not 1 or 2")
                      .arg(writeVersion)
                      .arg(readVersion));

    sqlite3 *db = openConnection();
    auto *image = static_cast<unsigned char *>(sqlite3_malloc64(sqlite3_uint64(packet.size())));
    if (!image) {
        sqlite3_close(db);
        badPacket(QStringLiteral("out of memory"));
    }
    std::memcpy(image, packet.constData(), size_t(packet.size()));
    image[18] = image[19] = 1;
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
    // Writes the header page back: an image SQLite holds read-only fails here,
    // not at the first edit.
    if (sqlite3_exec(db, "PRAGMA user_version = 1", nullptr, nullptr, nullptr) != SQLITE_OK)
        badPacket(QStringLiteral("it cannot be written to (%1)").arg(QString::fromUtf8(sqlite3_errmsg(db))));

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
            if (size < 0 || size > kMaxFieldSize)
                badPacket(QStringLiteral("field \"%1\" has the size %2 (from 0 to %3)").arg(f.name).arg(size).arg(kMaxFieldSize));
            f.size = int(size);
            f.storage = storageOf(f.type);
            f.quoted = quoteIdentifier(f.name);
            fields.push_back(f);
            if (fields.size() > size_t(kMaxFields))
                badPacket(QStringLiteral("it has more than %1 fields").arg(kMaxFields));
        }
        // The same rules as for fields defined by a host or read from JSON.
        if (const QString why = fieldsProblem(fields); !why.isEmpty())
            badPacket(why);
    }
    if (recordsSql != QString::fromUtf8(recordsTable(fields)))
        badPacket(QStringLiteral("the table records does not match the field definitions"));

    store->m_fields = fields;
    store->m_columns.clear();
    for (const FieldInfo &f : fields)
        store->m_columns.emplace_back(f.storage);
    store->m_collationKeys.clear();
    store->m_collationKeys.resize(fields.size());
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
                ok = !info.required;
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
                if (info.storage != Storage::Text || !QByteArrayView(t.data(), qsizetype(t.size())).isValidUtf8())
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
            if (!ok && type == SQLITE_NULL)
                badPacket(QStringLiteral("record %1 holds no value in the required field \"%2\"").arg(rowid).arg(info.name));
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
    if (heldByFamily())
        return m_family->packet;
    leaveFamily();
    if (m_deferred && m_image.isNull())
        m_image = imageFromMirror();
    if (m_deferred && !m_image.isNull()) {
        joinFamily(m_image);
        return m_image;
    }
    ensureImage(true);
    if (!m_compact || freePages() > 0)
        compact();
    QByteArray out;
    sqlite3_int64 size = 0;
    if (unsigned char *p = sqlite3_serialize(m_db, "main", &size, SQLITE_SERIALIZE_NOCOPY)) {
        out = QByteArray(reinterpret_cast<const char *>(p), qsizetype(size));
    } else {
        unsigned char *copy = sqlite3_serialize(m_db, "main", &size, 0);
        if (!copy)
            throw EDatabaseError(QStringLiteral("The data packet cannot be written: out of memory"));
        out = QByteArray(reinterpret_cast<const char *>(copy), qsizetype(size));
        sqlite3_free(copy);
    }
    joinFamily(out);
    return out;
}

qint64 RecordStore::freePages()
{
    Statement st(m_db, "PRAGMA freelist_count");
    return st.step() ? st.int64(0) : 0;
}

// Rebuilds the database from its live records alone, so that it has no free
// pages and holds no byte of a deleted or overwritten record, whatever the
// SQLite build's secure_delete default. VACUUM INTO writes the fresh copy
// and, unlike VACUUM, keeps the rowids the mirror is indexed by; the copy
// then replaces this connection's database. Costs one pass over the live
// records, and only for an image from outside or one with free pages.
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
    adoptConnection(fresh);
}

sqlite3 *RecordStore::connectionWith(const QByteArray &image)
{
    sqlite3 *db = openConnection();
    auto *copy = static_cast<unsigned char *>(sqlite3_malloc64(sqlite3_uint64(image.size())));
    if (copy)
        std::memcpy(copy, image.constData(), size_t(image.size()));
    if (!copy
        || sqlite3_deserialize(db, "main", copy, image.size(), image.size(),
                               SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE)
               != SQLITE_OK) {
        sqlite3_close(db);
        throw EDatabaseError(QStringLiteral("Cannot create an in-memory database: out of memory"));
    }
    return db;
}

void RecordStore::adoptConnection(sqlite3 *fresh)
{
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

} // namespace TouchDialogs::db
