#include "platform/db/RecordStore.h"
#include "platform/db/SqlFunctions.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace TouchDialogs::db {

// ---------------------------------------------------------- construction

RecordStore::RecordStore(sqlite3 *db, std::vector<FieldInfo> fields) : m_db(db), m_fields(std::move(fields))
{
    for (FieldInfo &f : m_fields) {
        f.storage = storageOf(f.type);
        f.quoted = quoteIdentifier(f.name);
        m_columns.emplace_back(f.storage);
    }
    m_collationKeys.resize(m_fields.size());
}

RecordStore::~RecordStore()
{
    // Work already done goes to the family with the orders kept.
    endJob(m_job && m_job->done.load(std::memory_order_acquire));
    leaveFamily();
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
    // Deep enough for a host that selects a few hundred products by
    // "CODIGO = n OR …", as deep as SQLite goes by default.
    sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 1000);
    sqlite3_limit(db, SQLITE_LIMIT_VDBE_OP, 100000);
    sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 1000);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db, SQLITE_LIMIT_FUNCTION_ARG, 100);
    exec(db, "PRAGMA cell_size_check = ON");
    // Deleted and overwritten bytes are zeroed, so an edit does not force a
    // rebuild of the image before it is handed out.
    exec(db, "PRAGMA secure_delete = ON");
    exec(db, "PRAGMA case_sensitive_like = ON");
    registerFunctions(db);
    sqlite3_set_authorizer(db, &RecordStore::authorize, this);
}

std::unique_ptr<RecordStore> RecordStore::create(std::vector<FieldInfo> fields)
{
    if (const QString why = fieldsProblem(fields); !why.isEmpty())
        throw EDatabaseError(why);
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
    if (pageWriterProbe && pageWriterProbe->created)
        pageWriterProbe->created(db);
    store->createSchema();
    store->prepareStatements();
    store->ensureCapacity(1);
    return store;
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
    for (auto &keys : m_collationKeys)
        if (keys)
            keys->resize(cap);
    m_filters.forEach([cap](CachedFilter &f) { f.passes.resize(cap); });
    m_prefixOrders.forEach([cap](PrefixOrder &p) {
        if (p.view.kind != PrefixView::Value)
            p.texts.resize(cap);
    });
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
    beforeChange(Change::Fields);
    Statement st(m_db, "UPDATE fields SET visible = ?1 WHERE position = ?2");
    st.bind(1, qint64(visible));
    st.bind(2, qint64(field));
    st.step();
    m_fields[size_t(field)].visible = visible;
}

void RecordStore::setLabel(int field, const QString &label)
{
    if (m_fields[size_t(field)].label == label)
        return;
    beforeChange(Change::Fields);
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
    // A packet with a required field left empty is refused on load.
    if (required)
        for (int rowid : m_natural)
            if (m_columns[size_t(field)].isNull(rowid))
                throw EDatabaseError(QStringLiteral("Field '%1' cannot be required: a record holds no value in it")
                                         .arg(m_fields[size_t(field)].name));
    beforeChange(Change::Fields);
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
    beforeChange();
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
    for (size_t f = 0; f < m_columns.size(); ++f) {
        m_columns[f].set(rowid, cells[f]);
        if (m_collationKeys[f])
            storeCollationKey(*m_collationKeys[f], int(f), rowid);
    }
}

int RecordStore::insertRow(double pos, const std::vector<Cell> &cells)
{
    const int rowid = m_nextRowid;
    if (rowid == std::numeric_limits<int>::max())
        throw EDatabaseError(QStringLiteral("The dataset cannot hold more records"));
    beforeChange();
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
    beforeChange();
    bindCells(m_update, cells);
    m_update.bind(int(cells.size()) + 1, qint64(rowid));
    m_update.step();
    m_update.reset();
    unlinkFromOrders(rowid);
    writeCells(rowid, cells);
    linkIntoOrders(rowid);
    recheckFilters(rowid);
}

void RecordStore::deleteRow(int rowid)
{
    beforeChange();
    m_delete.bind(1, qint64(rowid));
    m_delete.step();
    m_delete.reset();
    unlinkFromOrders(rowid);
    const auto it = std::lower_bound(m_natural.begin(), m_natural.end(), rowid,
                                     [this](int a, int b) { return naturalLess(a, b); });
    if (it != m_natural.end() && *it == rowid)
        m_natural.erase(it);
    for (Column &c : m_columns)
        c.clear(rowid);
    for (auto &keys : m_collationKeys)
        if (keys)
            keys->clear(rowid);
    m_alive[size_t(rowid)] = 0;
    m_filters.forEach([rowid](CachedFilter &f) { f.passes.reset(size_t(rowid)); });
}

void RecordStore::deleteAll()
{
    beforeChange(Change::Emptied);
    exec(m_db, "DELETE FROM records");
    // Fresh columns rather than each value cleared: columns shared with the
    // dataset that handed the records on would first be copied whole. The
    // rowids start again at 1, so nothing stays as large as the records were.
    for (Column &c : m_columns)
        c = Column(c.storage());
    m_pos.clear();
    m_alive.clear();
    m_natural.clear();
    m_nextRowid = 1;
    m_orders.clear();
    m_prefixOrders.clear();
    m_filters.clear();
    for (auto &keys : m_collationKeys)
        keys.reset();
    ensureCapacity(1);
}

} // namespace TouchDialogs::db
