#include "platform/db/PacketImage.h"
#include "platform/rtl/Exceptions.h"

#include <cmath>
#include <cstring>
#include <limits>

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

// Reads the records, each value checked against its field.
RecordTable readRecords(sqlite3 *db, std::vector<FieldInfo> fields)
{
    qint64 count = 0, lo = 0, hi = 0;
    {
        Statement st(db, "SELECT count(*), min(rowid), max(rowid) FROM records");
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
    const size_t rows = size_t(hi) + 1;
    std::vector<Column> columns;
    for (const FieldInfo &f : fields) {
        columns.emplace_back(f.storage);
        columns.back().resize(rows);
    }
    std::vector<double> positions(rows);
    std::vector<int> rowids;
    rowids.reserve(size_t(count));

    QByteArray sql = "SELECT rowid, _pos";
    for (const FieldInfo &f : fields)
        sql += ", " + f.quoted;
    sql += " FROM records";
    Statement st(db, sql.toStdString());
    const int n = int(fields.size());
    while (st.step()) {
        const int rowid = int(st.int64(0));
        const int posType = st.type(1);
        if (posType != SQLITE_FLOAT && posType != SQLITE_INTEGER)
            badPacket(QStringLiteral("record %1 has no position").arg(rowid));
        positions[size_t(rowid)] = st.real(1);
        if (!std::isfinite(positions[size_t(rowid)]))
            badPacket(QStringLiteral("record %1 has no position").arg(rowid));
        for (int f = 0; f < n; ++f) {
            const FieldInfo &info = fields[size_t(f)];
            Column &col = columns[size_t(f)];
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
        rowids.push_back(rowid);
    }
    RecordTable table(std::move(fields));
    table.assign(std::move(columns), std::move(positions), std::move(rowids));
    return table;
}

} // namespace

// ------------------------------------------------------------------ schema

QByteArray recordsTable(const std::vector<FieldInfo> &fields)
{
    QByteArray sql = "CREATE TABLE records (";
    for (const FieldInfo &f : fields)
        sql += f.quoted + ' ' + sqlType(f.type, f.size) + ", ";
    return sql + "_pos REAL NOT NULL)";
}

void createSchema(sqlite3 *db, const std::vector<FieldInfo> &fields)
{
    Transaction tx(db);
    exec(db, ("PRAGMA application_id = " + QByteArray::number(kApplicationId)).constData());
    exec(db, "PRAGMA user_version = 1");
    exec(db, kFieldsTable);
    exec(db, recordsTable(fields).constData());
    Statement ins(db, "INSERT INTO fields VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldInfo &f = fields[i];
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

// ----------------------------------------------------------------- reading

void openPacket(sqlite3 *db, const QByteArray &packet)
{
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

    auto *image = static_cast<unsigned char *>(sqlite3_malloc64(sqlite3_uint64(packet.size())));
    if (!image)
        badPacket(QStringLiteral("out of memory"));
    std::memcpy(image, packet.constData(), size_t(packet.size()));
    image[18] = image[19] = 1;
    if (sqlite3_deserialize(db, "main", image, packet.size(), packet.size(),
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE)
        != SQLITE_OK)
        badPacket(QStringLiteral("SQLite does not accept the image"));
}

RecordTable readPacket(sqlite3 *db)
{
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

    return readRecords(db, std::move(fields));
}

} // namespace TouchDialogs::db
