// Packets handed on between the stores of one thread, and the image a
// store hands out: serialized, compacted, or written from its columns.
#include "platform/db/PacketImage.h"
#include "platform/db/RecordStore.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>

namespace TouchDialogs::db {

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
    std::vector<std::unique_ptr<Column>> collationKeys; // by field, null where none
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
        m_orders.forEachOrder([&](const KeptOrder &o) {
            keepOne(family.orders, o, [](const KeptOrder &a, const KeptOrder &b) { return a.keys == b.keys; });
        });
        m_orders.forEachPrefixOrder([&](const PrefixOrder &o) {
            keepOne(family.prefixOrders, o, [](const PrefixOrder &a, const PrefixOrder &b) { return a.field == b.field; });
        });
        family.collationKeys.resize(fields().size());
        for (size_t f = 0; f < family.collationKeys.size(); ++f)
            if (const Column *keys = m_orders.builtKeys(int(f)); keys && !family.collationKeys[f])
                family.collationKeys[f] = std::make_unique<Column>(*keys);
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
    for (size_t f = 0; f < store->fields().size(); ++f) {
        const Column *keys = f < family->collationKeys.size() ? family->collationKeys[f].get() : nullptr;
        for (const RecordStore *m : family->members)
            if (!keys && m->heldByFamily())
                keys = m->m_orders.builtKeys(int(f));
        if (keys)
            store->m_orders.addKeys(int(f), *keys);
    }
    for (const KeptOrder &o : family->orders)
        store->m_orders.addOrder(o);
    for (const PrefixOrder &o : family->prefixOrders)
        store->m_orders.addPrefixOrder(o);
    for (RecordStore *m : family->members)
        if (m->heldByFamily()) {
            m->m_orders.forEachOrder([&](const KeptOrder &o) { store->m_orders.addOrder(o); });
            m->m_orders.forEachPrefixOrder([&](const PrefixOrder &o) { store->m_orders.addPrefixOrder(o); });
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
        store.reset(new RecordStore(connectionWith(packet), from.m_table));
        store->configure();
        store->prepareStatements();
    } else {
        store = create(from.fields());
        store->m_table = from.m_table;
        store->m_deferred = true;
        if (from.m_deferred)
            store->m_image = from.m_image;
    }
    store->m_orders.copyFrom(from.m_orders);
    return store;
}

// ----------------------------------------------------------------- packets

std::unique_ptr<RecordStore> RecordStore::load(const QByteArray &packet)
{
    if (std::unique_ptr<RecordStore> store = reuse(packet))
        return store;
    sqlite3 *db = openConnection();
    try {
        openPacket(db, packet);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    // The store owns the connection from here on; the records come later.
    std::unique_ptr<RecordStore> store(new RecordStore(db, RecordTable()));
    try {
        store->configure();
    } catch (const EDatabaseError &e) {
        throw EDatabaseError(QStringLiteral("The data packet cannot be loaded: %1").arg(e.Message()));
    }
    store->m_table = readPacket(db);
    store->m_orders.clear();
    store->prepareStatements();
    // Whoever wrote the image may have left free pages or deleted records in it.
    store->m_compact = false;
    return store;
}

QByteArray RecordStore::serialize()
{
    if (heldByFamily())
        return m_family->packet;
    leaveFamily();
    if (m_deferred && m_image.isNull())
        m_image = imageWithRecords(m_db, m_table);
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
        m_filters.attach(old);
        sqlite3_close_v2(fresh); // closes once the statements made on it are finalized
        throw;
    }
    for (Statement &st : kept)
        st = {};
    sqlite3_close_v2(old);
    m_compact = true;
}

void RecordStore::ensureImage(bool declined)
{
    if (!m_deferred)
        return;
    const bool held = heldByFamily();
    const QByteArray image = m_image.isNull() && !declined ? imageWithRecords(m_db, m_table) : m_image;
    if (image.isNull()) {
        // The writer declined (a record longer than a page holds, or a
        // database other than it assumes): SQLite writes them all.
        Transaction tx(m_db);
        for (int r = 1; r < m_table.nextRowid(); ++r)
            if (m_table.alive(r))
                insertIntoSqlite(r, m_table.position(r), m_table.row(r));
        tx.commit();
    } else {
        adoptConnection(connectionWith(image));
    }
    m_deferred = false;
    m_image = {};
    if (held)
        m_familyChanges = sqlite3_total_changes64(m_db);
}

} // namespace TouchDialogs::db
