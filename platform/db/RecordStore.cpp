#include "platform/db/RecordStore.h"
#include "platform/db/PacketImage.h"
#include "platform/db/SqlFunctions.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <limits>

namespace TouchDialogs::db {

// ---------------------------------------------------------- construction

RecordStore::RecordStore(sqlite3 *db, RecordTable table) : m_db(db), m_table(std::move(table)) {}

RecordStore::~RecordStore()
{
    // Work already done goes to the family with the orders kept.
    m_orders.finishWork();
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
    m_filters.attach(db);
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
    std::unique_ptr<RecordStore> store(new RecordStore(db, RecordTable(std::move(fields))));
    store->configure();
    if (pageWriterProbe && pageWriterProbe->created)
        pageWriterProbe->created(db);
    createSchema(db, store->fields());
    store->prepareStatements();
    return store;
}

std::unique_ptr<RecordStore> RecordStore::createFilled(std::vector<FieldInfo> fields, std::vector<Column> columns, int count)
{
    std::unique_ptr<RecordStore> store = create(std::move(fields));
    if (count <= 0)
        return store;
    std::vector<int> rowids;
    growVector(rowids, size_t(count));
    for (int r = 1; r <= count; ++r)
        rowids[size_t(r - 1)] = r;
    store->m_table.assign(std::move(columns), {}, std::move(rowids));
    // Written when SQLite first reads or changes the records: a search
    // without a filter never needs it.
    store->m_deferred = true;
    return store;
}

void RecordStore::prepareStatements()
{
    const std::vector<FieldInfo> &fields = m_table.fields();
    QByteArray cols, params, sets;
    for (size_t i = 0; i < fields.size(); ++i) {
        cols += fields[i].quoted + ", ";
        params += "?" + QByteArray::number(qsizetype(i) + 1) + ", ";
        sets += (i ? ", " : "") + fields[i].quoted + " = ?" + QByteArray::number(qsizetype(i) + 1);
    }
    m_insert = Statement(m_db, ("INSERT INTO records (" + cols + "_pos, rowid) VALUES (" + params + "?"
                                + QByteArray::number(qsizetype(fields.size()) + 1) + ", ?"
                                + QByteArray::number(qsizetype(fields.size()) + 2) + ")")
                                   .toStdString());
    m_update = Statement(m_db, ("UPDATE records SET " + sets + " WHERE rowid = ?"
                                + QByteArray::number(qsizetype(fields.size()) + 1))
                                   .toStdString());
    m_delete = Statement(m_db, "DELETE FROM records WHERE rowid = ?1");
    m_setPos = Statement(m_db, "UPDATE records SET _pos = ?1 WHERE rowid = ?2");
}

void RecordStore::ensureCapacity(size_t rows)
{
    if (!m_table.reserve(rows))
        return;
    m_orders.resize(m_table.capacity());
    m_filters.resize(m_table.capacity());
}

// ------------------------------------------------------------------ fields

Statement RecordStore::fieldUpdate(const char *column, int field)
{
    beforeChange(Change::Fields);
    Statement st(m_db, std::string("UPDATE fields SET ") + column + " = ?1 WHERE position = ?2");
    st.bind(2, qint64(field));
    return st;
}

void RecordStore::setVisible(int field, bool visible)
{
    Statement st = fieldUpdate("visible", field);
    st.bind(1, qint64(visible));
    st.step();
    m_table.field(field).visible = visible;
}

void RecordStore::setLabel(int field, const QString &label)
{
    if (fields()[size_t(field)].label == label)
        return;
    Statement st = fieldUpdate("label", field);
    if (label.isEmpty())
        st.bindNull(1);
    else
        st.bindText(1, label.toUtf8().toStdString());
    st.step();
    m_table.field(field).label = label;
}

void RecordStore::setRequired(int field, bool required)
{
    // A packet with a required field left empty is refused on load.
    if (required)
        for (int rowid : natural())
            if (column(field).isNull(rowid))
                throw EDatabaseError(QStringLiteral("Field '%1' cannot be required: a record holds no value in it")
                                         .arg(fields()[size_t(field)].name));
    Statement st = fieldUpdate("required", field);
    st.bind(1, qint64(required));
    st.step();
    m_table.field(field).required = required;
}

// ----------------------------------------------------------------- records

double RecordStore::positionBefore(int rowid)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (const std::optional<double> pos = m_table.positionBefore(rowid))
            return *pos;
        // The gap is used up: the neighbours move apart.
        beforeChange();
        const std::vector<std::pair<int, double>> moved = m_table.respaced(rowid);
        Transaction tx(m_db);
        for (const auto &[r, pos] : moved) {
            m_setPos.bind(1, pos);
            m_setPos.bind(2, qint64(r));
            m_setPos.step();
            m_setPos.reset();
        }
        tx.commit();
        for (const auto &[r, pos] : moved)
            m_table.setPosition(r, pos);
    }
    throw EDatabaseError(QStringLiteral("Cannot place the new record"));
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

void RecordStore::insertIntoSqlite(int rowid, double pos, const std::vector<Cell> &cells)
{
    bindCells(m_insert, cells);
    m_insert.bind(int(cells.size()) + 1, pos);
    m_insert.bind(int(cells.size()) + 2, qint64(rowid));
    m_insert.step();
    m_insert.reset();
}

int RecordStore::insertRow(double pos, const std::vector<Cell> &cells)
{
    const int rowid = m_table.nextRowid();
    if (rowid == std::numeric_limits<int>::max())
        throw EDatabaseError(QStringLiteral("The dataset cannot hold more records"));
    beforeChange();
    insertIntoSqlite(rowid, pos, cells);
    ensureCapacity(size_t(rowid) + 1);
    m_table.insert(pos, cells);
    m_orders.written(rowid);
    m_orders.link(rowid);
    m_filters.written(rowid);
    return rowid;
}

void RecordStore::updateRow(int rowid, const std::vector<Cell> &cells)
{
    beforeChange();
    bindCells(m_update, cells);
    m_update.bind(int(cells.size()) + 1, qint64(rowid));
    m_update.step();
    m_update.reset();
    m_orders.unlink(rowid);
    m_table.update(rowid, cells);
    m_orders.written(rowid);
    m_orders.link(rowid);
    m_filters.written(rowid);
}

void RecordStore::deleteRow(int rowid)
{
    beforeChange();
    m_delete.bind(1, qint64(rowid));
    m_delete.step();
    m_delete.reset();
    m_orders.unlink(rowid);
    m_table.erase(rowid);
    m_orders.erased(rowid);
    m_filters.erased(rowid);
}

void RecordStore::deleteAll()
{
    beforeChange(Change::Emptied);
    exec(m_db, "DELETE FROM records");
    m_table.clear();
    m_orders.clear();
    m_filters.clear();
    ensureCapacity(1);
}

void RecordStore::beforeChange(Change change)
{
    m_orders.stopWork();
    leaveFamily();
    switch (change) {
    case Change::Records:
        ensureImage();
        break;
    case Change::Fields:
        m_image = {}; // no longer this store's packet
        break;
    case Change::Emptied:
        // The connection's records table is still empty.
        m_deferred = false;
        m_image = {};
        break;
    }
}

// ------------------------------------------------------------------- views

SharedRows RecordStore::select(const SortKeys &keys, const FilterPlan &plan, size_t *placed)
{
    if (!placed || !m_orders.keysMissing(keys) || m_orders.kept(keys)) {
        SharedRows rows = passing(ordered(keys), plan);
        if (placed)
            *placed = rows.size();
        return rows;
    }
    // The first screen does not wait for every text's sort key: its rows
    // are picked by comparing the texts themselves, mostly at their first
    // letters, and the whole order follows on another thread.
    SharedRows passed = passing(natural(), plan);
    std::vector<int> &rows = passed.edit();
    const auto lessNow = [&](int a, int b) { return less(keys, a, b, false); };
    *placed = std::min(rows.size(), firstRows);
    std::partial_sort(rows.begin(), rows.begin() + std::ptrdiff_t(*placed), rows.end(), lessNow);
    if (*placed < rows.size())
        orderReady(keys);
    return passed;
}

SharedRows RecordStore::passing(const SharedRows &order, const FilterPlan &plan)
{
    if (!plan.active)
        return order;
    Bitmap fresh;
    const Bitmap *sql = nullptr;
    if (!plan.sqlPart.isEmpty()) {
        if (!m_filters.kept(plan.sqlPart))
            ensureImage(); // SQLite reads the records
        sql = &m_filters.result(plan.sqlPart, plan.text, fresh);
    }
    if (plan.prefixField < 0)
        return sql->kept(order);
    return m_orders.startingWith(order, plan.prefixField, plan.prefixView,
                                 std::string_view(plan.prefix.constData(), size_t(plan.prefix.size())), sql);
}

} // namespace TouchDialogs::db
