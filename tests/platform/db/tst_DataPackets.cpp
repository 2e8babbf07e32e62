// Data packets (binary and JSON) round-trip every field type and null; a
// bad filter or packet of any kind raises EDatabaseError and leaves the
// dataset exactly as it was.
#include "platform/db/ClientDataSet.h"
#include "platform/db/FilterText.h"
#include "platform/db/PacketImage.h"
#include "platform/db/RecordStore.h"
#include "platform/rtl/Exceptions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>
#include <sqlite3.h>

using namespace TouchDialogs;

namespace {

void buildAllTypes(TClientDataSet &ds)
{
    ds.FieldDefs().Add(QStringLiteral("S"), ftString, 30, true);
    ds.FieldDefs().Add(QStringLiteral("I"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("L"), ftLargeint);
    ds.FieldDefs().Add(QStringLiteral("F"), ftFloat);
    ds.FieldDefs().Add(QStringLiteral("C"), ftCurrency);
    ds.FieldDefs().Add(QStringLiteral("B"), ftBoolean);
    ds.FieldDefs().Add(QStringLiteral("D"), ftDate);
    ds.FieldDefs().Add(QStringLiteral("T"), ftTime);
    ds.FieldDefs().Add(QStringLiteral("DT"), ftDateTime);
    ds.FieldDefs().Add(QStringLiteral("M"), ftMemo);
    ds.CreateDataSet();
    const QList<QVariantList> rows = {
        {QStringLiteral("Açaí \"grande\" 'x'"), 42, qlonglong(-9223372036854775807LL - 1), 0.1, 12.3456, true,
         QDate(2024, 2, 29), QTime(23, 59, 58, 7), QDateTime(QDate(1999, 12, 31), QTime(0, 0, 1)),
         QStringLiteral("linha 1\nlinha 2 😀")},
        {QStringLiteral("x"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
         QVariant(), QVariant()},
        {QStringLiteral(""), -2147483647 - 1, qlonglong(9007199254740993LL), -1e300, 0.0, false, QDate(1, 1, 1),
         QTime(0, 0), QDateTime(QDate(2038, 1, 19), QTime(3, 14, 8, 500)), QStringLiteral("")},
    };
    for (const QVariantList &row : rows) {
        ds.Append();
        for (int f = 0; f < row.size(); ++f)
            ds.Fields(f)->setValue(row[f]);
        ds.Post();
    }
    ds.Fields(1)->setVisible(false);
    ds.Fields(0)->setDisplayLabel(QStringLiteral("Descrição"));
}

void compareAll(TClientDataSet &a, TClientDataSet &b)
{
    QCOMPARE(b.FieldCount(), a.FieldCount());
    QCOMPARE(b.RecordCount(), a.RecordCount());
    for (int f = 0; f < a.FieldCount(); ++f) {
        QCOMPARE(b.Fields(f)->FieldName(), a.Fields(f)->FieldName());
        QCOMPARE(b.Fields(f)->DataType(), a.Fields(f)->DataType());
        QCOMPARE(b.Fields(f)->Size(), a.Fields(f)->Size());
        QCOMPARE(b.Fields(f)->Visible(), a.Fields(f)->Visible());
        QCOMPARE(b.Fields(f)->DisplayLabel(), a.Fields(f)->DisplayLabel());
        QCOMPARE(b.Fields(f)->Required(), a.Fields(f)->Required());
    }
    a.First();
    b.First();
    while (!a.Eof()) {
        for (int f = 0; f < a.FieldCount(); ++f) {
            const QVariant x = a.Fields(f)->Value(), y = b.Fields(f)->Value();
            QCOMPARE(y.isNull(), x.isNull());
            QCOMPARE(y.typeId(), x.typeId());
            QCOMPARE(y, x);
        }
        a.Next();
        b.Next();
    }
}

// Everything a failed operation must leave as it was.
struct Snapshot {
    QString filter;
    bool filtered;
    QString indexName;
    QList<QVariant> view;
    int recNo;
    QByteArray packet;
    int fieldCount;

    static Snapshot of(TClientDataSet &ds)
    {
        Snapshot s{ds.Filter(), ds.Filtered(), ds.IndexName(), {}, ds.RecNo(), ds.Data().toByteArray(),
                   ds.FieldCount()};
        for (int r = 0; r < ds.RecordCount(); ++r)
            s.view << ds.viewValue(r, 0);
        return s;
    }
    bool operator==(const Snapshot &o) const
    {
        return filter == o.filter && filtered == o.filtered && indexName == o.indexName && view == o.view
               && recNo == o.recNo && packet == o.packet && fieldCount == o.fieldCount;
    }
};

void buildProducts(TClientDataSet &ds)
{
    ds.FieldDefs().Add(QStringLiteral("CODIGO"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("NOME"), ftString, 40);
    ds.FieldDefs().Add(QStringLiteral("ATIVO"), ftString, 1);
    ds.CreateDataSet();
    const char *names[] = {"Café", "Cachaça", "Bolo", "Caldo", "Chá", "Coxinha", "Água"};
    for (int i = 0; i < 7; ++i) {
        ds.Append();
        ds.Fields(0)->setValue(i + 1);
        ds.Fields(1)->setValue(QString::fromUtf8(names[i]));
        ds.Fields(2)->setValue(i % 3 ? QStringLiteral("S") : QStringLiteral("N"));
        ds.Post();
    }
    ds.IndexDefs().Add(QStringLiteral("NOME"), QStringLiteral("NOME"));
    ds.setIndexName(QStringLiteral("NOME"));
    ds.setFilter(QStringLiteral("ATIVO = 'S'"));
    ds.setFiltered(true);
    ds.setRecNo(2);
}

// Runs SQL on a copy of a packet through SQLite itself, as a hand-crafted
// packet would be made.
QByteArray craft(const QByteArray &packet, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(":memory:", &db);
    auto *image = static_cast<unsigned char *>(sqlite3_malloc64(sqlite3_uint64(packet.size())));
    memcpy(image, packet.constData(), size_t(packet.size()));
    sqlite3_deserialize(db, "main", image, packet.size(), packet.size(),
                        SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE);
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
        qWarning("craft: %s", error);
    sqlite3_free(error);
    sqlite3_int64 size = 0;
    unsigned char *out = sqlite3_serialize(db, "main", &size, 0);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    sqlite3_free(out);
    sqlite3_close(db);
    return bytes;
}

QByteArray foreignDatabase()
{
    sqlite3 *db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, "CREATE TABLE clientes(nome TEXT); INSERT INTO clientes VALUES ('Ana')", nullptr, nullptr, nullptr);
    sqlite3_int64 size = 0;
    unsigned char *out = sqlite3_serialize(db, "main", &size, 0);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    sqlite3_free(out);
    sqlite3_close(db);
    return bytes;
}

// A packet written by SQLite alone, as another program would write one, from
// the same description as the JSON form: {"fields":[...]} and "records".
QByteArray rawPacket(const QByteArray &fieldsJson, const QByteArray &recordsJson)
{
    const QJsonArray fields = QJsonDocument::fromJson(fieldsJson).array();
    const QJsonArray records = QJsonDocument::fromJson(recordsJson).array();
    sqlite3 *db = nullptr;
    sqlite3_open(":memory:", &db);
    auto run = [db](const QByteArray &sql) {
        char *error = nullptr;
        if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK)
            qWarning("rawPacket: %s", error);
        sqlite3_free(error);
    };
    run("PRAGMA application_id = 1413763121; PRAGMA user_version = 1");
    run("CREATE TABLE fields (name TEXT NOT NULL, type TEXT NOT NULL, size INTEGER NOT NULL, "
        "required INTEGER NOT NULL, visible INTEGER NOT NULL, label TEXT, position INTEGER NOT NULL)");
    QByteArray table = "CREATE TABLE records (";
    sqlite3_stmt *ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO fields VALUES (?1, ?2, ?3, ?4, 1, NULL, ?5)", -1, &ins, nullptr);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QJsonObject f = fields[i].toObject();
        const QByteArray name = f.value("name").toString().toUtf8(), type = f.value("type").toString().toUtf8();
        const qint64 size = qint64(f.value("size").toDouble());
        const QByteArray sqlType = type == "string"   ? (size > 0 ? "VARCHAR(" + QByteArray::number(size) + ')' : QByteArray("VARCHAR"))
                                   : type == "integer" || type == "boolean" ? QByteArray("INTEGER")
                                   : type == "largeint"                     ? QByteArray("BIGINT")
                                   : type == "float" || type == "currency"  ? QByteArray("REAL")
                                                                            : QByteArray("TEXT");
        table += '"' + QByteArray(name).replace('"', "\"\"").replace('\0', "") + "\" " + sqlType + ", ";
        sqlite3_bind_text(ins, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 2, type.constData(), int(type.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(ins, 3, size);
        sqlite3_bind_int(ins, 4, f.value("required").toBool());
        sqlite3_bind_int64(ins, 5, i);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    run(table + "_pos REAL NOT NULL)");
    QByteArray params = "?1";
    for (qsizetype i = 0; i < fields.size(); ++i)
        params += ", ?" + QByteArray::number(i + 2);
    sqlite3_prepare_v2(db, "INSERT INTO records VALUES (" + params.mid(4) + (fields.isEmpty() ? "" : ", ") + "?1)", -1,
                       &ins, nullptr);
    for (qsizetype r = 0; r < records.size(); ++r) {
        const QJsonArray rec = records[r].toArray();
        sqlite3_bind_double(ins, 1, double(r + 1));
        for (qsizetype i = 0; i < rec.size(); ++i) {
            const QJsonValue v = rec[i];
            const QString type = fields[i].toObject().value("type").toString();
            const int p = int(i) + 2;
            if (v.isBool())
                sqlite3_bind_int(ins, p, v.toBool());
            else if (v.isDouble() && (type == "integer" || type == "largeint"))
                sqlite3_bind_int64(ins, p, qint64(v.toDouble()));
            else if (v.isDouble())
                sqlite3_bind_double(ins, p, v.toDouble());
            else if (v.isString()) {
                const QByteArray t = v.toString().toUtf8();
                sqlite3_bind_text(ins, p, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            }
        }
        sqlite3_step(ins);
        sqlite3_reset(ins);
        sqlite3_clear_bindings(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_int64 size = 0;
    unsigned char *out = sqlite3_serialize(db, "main", &size, 0);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    sqlite3_free(out);
    sqlite3_close(db);
    return bytes;
}

QByteArray manyFields(int n)
{
    QByteArray json = "[";
    for (int i = 0; i < n; ++i)
        json += (i ? ",{\"name\":\"F" : "{\"name\":\"F") + QByteArray::number(i) + "\",\"type\":\"integer\"}";
    return json + ']';
}

// Changes every record and adds one, then checks both forms carry the result.
void checkWritableAndRoundTrips(TClientDataSet &ds)
{
    ds.First();
    while (!ds.Eof()) {
        ds.Edit();
        ds.Fields(0)->setValue(ds.Fields(0)->Value());
        ds.Post();
        ds.Next();
    }
    if (ds.RecordCount() > 0) {
        QVariantList first;
        ds.First();
        for (int f = 0; f < ds.FieldCount(); ++f)
            first << ds.Fields(f)->Value();
        ds.Append();
        for (int f = 0; f < ds.FieldCount(); ++f)
            ds.Fields(f)->setValue(first[f]);
        ds.Post();
    }
    TClientDataSet viaPacket, viaJson;
    viaPacket.setData(ds.Data());
    compareAll(ds, viaPacket);
    viaJson.fromJson(ds.toJson());
    compareAll(ds, viaJson);
    QCOMPARE(viaJson.Data().toByteArray().size() > 0, true);
    viaPacket.fromJson(viaJson.toJson());
    compareAll(ds, viaPacket);
}

// The machine's time zone while alive.
class MachineZone {
public:
    explicit MachineZone(const QByteArray &zone) : m_saved(qgetenv("TZ")), m_had(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~MachineZone()
    {
        if (m_had)
            qputenv("TZ", m_saved);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray m_saved;
    bool m_had;
};

} // namespace

class TestDataPackets : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void jsonForm();
    void nullPacketCloses();
    void packetHoldsOnlyItsRecords_data();
    void packetHoldsOnlyItsRecords();
    void packetHandedOn_data();
    void packetHandedOn();
    void dateTimesIgnoreTheMachineZone_data();
    void dateTimesIgnoreTheMachineZone();
    void recordJson_data();
    void recordJson();
    void hostileFilter_data();
    void hostileFilter();
    void acceptedFilter_data();
    void acceptedFilter();
    void failingFilter_data();
    void failingFilter();
    void refusedLoad_data();
    void refusedLoad();
    void bothFormsAgree_data();
    void bothFormsAgree();
    void packetHeaderVersions_data();
    void packetHeaderVersions();
    void jsonReadersAgree_data();
    void jsonReadersAgree();
    void recordsWrittenWhenNeeded_data();
    void recordsWrittenWhenNeeded();
    void pageWriterAssumptions_data();
    void pageWriterAssumptions();
};

void TestDataPackets::roundTrip_data()
{
    QTest::addColumn<QString>("how");
    for (const char *how : {"packet", "JSON", "packet file", "JSON file"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

void TestDataPackets::roundTrip()
{
    QFETCH(QString, how);
    TClientDataSet a, b;
    buildAllTypes(a);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p"));
    if (how == QLatin1String("packet")) {
        QCOMPARE(a.Data().typeId(), QMetaType::QByteArray);
        b.setData(a.Data());
        QCOMPARE(b.RecNo(), 1); // first record current
    } else if (how == QLatin1String("JSON")) {
        b.fromJson(a.toJson());
    } else {
        if (how == QLatin1String("packet file")) {
            a.SaveToFile(file);
        } else {
            QFile json(file);
            QVERIFY(json.open(QIODevice::WriteOnly));
            json.write(a.toJson());
        }
        b.LoadFromFile(file);
    }
    compareAll(a, b);
}

void TestDataPackets::jsonForm()
{
    TClientDataSet ds;
    ds.fromJson(R"({"fields":[{"name":"CODIGO","type":"integer"},{"name":"NOME","type":"string","size":40,
        "label":"Nome"},{"name":"ATIVO","type":"string","size":1,"visible":false}],
        "records":[[1,"Café","S"],[2,null,"N"]]})");
    QCOMPARE(ds.RecordCount(), 2);
    QCOMPARE(ds.Fields(1)->DisplayLabel(), QStringLiteral("Nome"));
    QCOMPARE(ds.Fields(0)->DisplayLabel(), QStringLiteral("CODIGO"));
    QVERIFY(!ds.Fields(2)->Visible());
    QCOMPARE(ds.Fields(1)->AsString(), QStringLiteral("Café"));
    ds.Last();
    QVERIFY(ds.Fields(1)->Value().isNull());
    // Written back in the same form.
    const QByteArray json = ds.toJson();
    QVERIFY(json.contains(R"({"name":"ATIVO","size":1,"type":"string","visible":false})"));
    QVERIFY(json.contains(R"("records":[[1,"Café","S"],[2,null,"N"]])"));
}

void TestDataPackets::nullPacketCloses()
{
    TClientDataSet ds;
    buildProducts(ds);
    ds.setData(QVariant());
    QVERIFY(!ds.Active());
    QVERIFY(!ds.Data().isValid());
}

void TestDataPackets::packetHoldsOnlyItsRecords_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("deleted one by one") << "delete";
    QTest::newRow("edited, then deleted") << "edit";
    QTest::newRow("emptied, then some added") << "empty";
    QTest::newRow("loaded, then deleted") << "load";
}

// Removed and overwritten records leave no bytes in a packet, and a packet
// is no bigger than one written afresh with the records it holds; the
// dataset goes on working after it was written.
void TestDataPackets::packetHoldsOnlyItsRecords()
{
    QFETCH(QString, how);
    constexpr int n = 3000;
    const auto name = [](const char *tag, int i) { return QStringLiteral("%1-%2 pão de queijo").arg(QLatin1String(tag)).arg(i, 5, 10, QChar(u'0')); };
    const auto append = [](TClientDataSet &ds, int code, const QString &text) {
        ds.Append();
        ds.Fields(0)->setValue(code);
        ds.Fields(1)->setValue(text);
        ds.Post();
    };
    TClientDataSet ds, fresh;
    for (TClientDataSet *d : {&ds, &fresh}) {
        d->FieldDefs().Add(QStringLiteral("CODIGO"), ftInteger);
        d->FieldDefs().Add(QStringLiteral("NOME"), ftString, 60);
        d->CreateDataSet();
    }
    QStringList kept;
    if (how == QLatin1String("empty")) {
        for (int i = 0; i < n; ++i)
            append(ds, i, name("GONE", i));
        ds.EmptyDataSet();
        for (int i = 0; i < 5; ++i) {
            kept << name("KEPT", i);
            append(ds, i, kept.last());
        }
    } else {
        for (int i = 0; i < n; ++i)
            append(ds, i, name(i % 600 ? "GONE" : "KEPT", i));
        if (how == QLatin1String("load"))
            ds.setData(ds.Data());
        for (int r = ds.RecordCount(); r >= 1; --r) {
            ds.setRecNo(r);
            const QString text = ds.Fields(1)->AsString();
            const bool keep = text.startsWith(QLatin1String("KEPT"));
            if (how == QLatin1String("edit")) {
                // Longer, so that SQLite moves the record.
                ds.Edit();
                ds.Fields(1)->setValue(QString(text).replace(QLatin1String("pão"), QLatin1String("pão grande")));
                ds.Post();
            }
            if (keep)
                kept.prepend(ds.Fields(1)->AsString());
            else
                ds.Delete();
        }
    }
    QCOMPARE(ds.RecordCount(), kept.size());
    for (int i = 0; i < kept.size(); ++i)
        append(fresh, i, kept.at(i));

    const QByteArray packet = ds.Data().toByteArray();
    QVERIFY2(!packet.contains("GONE"), "a removed record can be read from the packet");
    QVERIFY2(packet.size() <= fresh.Data().toByteArray().size() + 4096,
             qPrintable(QStringLiteral("%1 bytes for %2 records").arg(packet.size()).arg(kept.size())));

    // The dataset still edits and deletes the right records.
    ds.First();
    ds.Edit();
    ds.Fields(1)->setValue(QStringLiteral("first"));
    ds.Post();
    ds.Last();
    ds.Delete();
    kept.first() = QStringLiteral("first");
    kept.removeLast();
    TClientDataSet back;
    back.setData(ds.Data());
    QStringList names;
    for (back.First(); !back.Eof(); back.Next())
        names << back.Fields(1)->AsString();
    QCOMPARE(names, kept);
}

void TestDataPackets::dateTimesIgnoreTheMachineZone_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("written"); // in the JSON form
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::newRow("daylight-saving gap") << QByteArray("Europe/Lisbon") << "2024-03-31T01:30:00" << QDate(2024, 3, 31)
                                         << QTime(1, 30);
    QTest::newRow("midnight gap, date only") << QByteArray("America/Sao_Paulo") << "2018-11-04" << QDate(2018, 11, 4)
                                             << QTime(0, 0);
}

// A date-time is the till's wall clock: a packet or JSON written on a machine
// in UTC reads, shows, edits and writes back the same on one in any zone.
void TestDataPackets::dateTimesIgnoreTheMachineZone()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, written);
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    const QByteArray json = R"({"fields":[{"name":"DT","type":"datetime"}],"records":[[")" + written.toUtf8() + R"("]]})";
    const QString shown = date.toString(QStringLiteral("dd/MM/yyyy ")) + time.toString(QStringLiteral("HH:mm:ss"));
    const QString stored = date.toString(Qt::ISODate) + u'T' + time.toString(Qt::ISODate);
    QVariant packet;
    {
        const MachineZone utc("UTC");
        TClientDataSet ds;
        ds.fromJson(json);
        packet = ds.Data();
    }
    const MachineZone local(zone);
    TClientDataSet fromPacket, fromJson;
    QVERIFY_THROWS_NO_EXCEPTION(fromPacket.setData(packet));
    QVERIFY_THROWS_NO_EXCEPTION(fromJson.fromJson(json));
    QCOMPARE(fromJson.recordJson(), R"({"DT":")" + stored.toUtf8() + R"("})");
    for (TClientDataSet *ds : {&fromPacket, &fromJson}) {
        QCOMPARE(ds->Fields(0)->AsString(), shown);
        const QDateTime value = ds->Fields(0)->Value().toDateTime();
        QVERIFY(value.isValid());
        QCOMPARE(value.date(), date);
        QCOMPARE(value.time(), time);
    }
    // Typed as shown, or set to the value read: the same wall clock again.
    fromJson.Edit();
    QVERIFY_THROWS_NO_EXCEPTION(fromJson.Fields(0)->setAsString(shown));
    fromJson.Post();
    fromPacket.Edit();
    fromPacket.Fields(0)->setValue(fromPacket.Fields(0)->Value());
    fromPacket.Post();
    for (TClientDataSet *ds : {&fromPacket, &fromJson})
        QVERIFY2(ds->toJson().contains("[[\"" + stored.toUtf8() + "\"]]"), ds->toJson().constData());
}

// A host reads the chosen record as one JSON object: fields in field order,
// values as the JSON form writes them.
void TestDataPackets::recordJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QByteArray>("record");
    QTest::newRow("field order, null, hidden field")
        << QByteArray(R"({"fields":[{"name":"Z","type":"integer"},{"name":"A","type":"string","size":5,"visible":false},
                         {"name":"P","type":"currency"},{"name":"B","type":"boolean"}],"records":[[2,"Chá",null,true]]})")
        << QByteArray(R"({"Z":2,"A":"Chá","P":null,"B":true})");
    QTest::newRow("largeint past 2^53 keeps its digits")
        << QByteArray(R"({"fields":[{"name":"N","type":"largeint"},{"name":"M","type":"largeint"},
                         {"name":"L","type":"largeint"}],"records":[["9007199254740993",9007199254740992,
                         "-9223372036854775808"]]})")
        << QByteArray(R"({"N":"9007199254740993","M":9007199254740992,"L":"-9223372036854775808"})");
    QTest::newRow("dates and times, milliseconds kept")
        << QByteArray(R"({"fields":[{"name":"D","type":"date"},{"name":"T","type":"time"},{"name":"U","type":"time"},
                         {"name":"DT","type":"datetime"}],"records":[["2024-02-29","23:59:58.007","00:00",
                         "2038-01-19T03:14:08.500"]]})")
        << QByteArray(R"({"D":"2024-02-29","T":"23:59:58.007","U":"00:00:00","DT":"2038-01-19T03:14:08.500"})");
    QTest::newRow("values starting with a byte-order mark")
        << QByteArray(R"({"fields":[{"name":"S","type":"string"},{"name":"M","type":"memo"}],
                         "records":[["\ufeffx","\ufeff"]]})")
        << QByteArray("{\"S\":\"\xEF\xBB\xBFx\",\"M\":\"\xEF\xBB\xBF\"}");
    // A NUL sends the text to Qt's document reader, which drops a mark
    // written unescaped at the start of a string.
    QTest::newRow("unescaped byte-order mark beside a NUL")
        << QByteArray("{\"fields\":[{\"name\":\"S\",\"type\":\"string\"},{\"name\":\"M\",\"type\":\"memo\"}],"
                      "\"records\":[[\"\xEF\xBB\xBFx\",\"\\u0000\"]]}")
        << QByteArray("{\"S\":\"\xEF\xBB\xBFx\",\"M\":\"\\u0000\"}");
    QTest::newRow("no record") << QByteArray(R"({"fields":[{"name":"N","type":"integer"}],"records":[]})")
                               << QByteArray("null");
}

void TestDataPackets::recordJson()
{
    QFETCH(QByteArray, json);
    QFETCH(QByteArray, record);
    TClientDataSet ds, again;
    ds.fromJson(json);
    QCOMPARE(ds.recordJson(), record);
    again.fromJson(ds.toJson());
    QCOMPARE(again.recordJson(), record);
}

void TestDataPackets::hostileFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("message");
    QTest::newRow("syntax error") << QStringLiteral("NOME = ") << QStringLiteral("not valid");
    QTest::newRow("unknown field") << QStringLiteral("PRECO > 1") << QStringLiteral("no field named PRECO");
    QTest::newRow("unknown field in search shape")
        << QStringLiteral("ATIVO = 'S' AND UPPER(NOMEX) LIKE 'CA%'") << QStringLiteral("no field named NOMEX");
    QTest::newRow("second statement") << QStringLiteral("1; DELETE FROM records") << QStringLiteral("more than one statement");
    QTest::newRow("escaping the parentheses") << QStringLiteral("1) OR (1") << QStringLiteral("parenthesis");
    QTest::newRow("attach") << QStringLiteral("1); ATTACH DATABASE 'x.db' AS x; --") << QStringLiteral("not valid");
    QTest::newRow("pragma") << QStringLiteral("1; PRAGMA writable_schema = ON") << QStringLiteral("more than one statement");
    QTest::newRow("write") << QStringLiteral("1; UPDATE records SET NOME = 'x'") << QStringLiteral("more than one statement");
    QTest::newRow("load_extension") << QStringLiteral("load_extension('/tmp/x.so') IS NULL") << QStringLiteral("load_extension");
    QTest::newRow("sqlite_master") << QStringLiteral("(SELECT count(*) FROM sqlite_master) > 0") << QStringLiteral("not allowed");
    QTest::newRow("fields table") << QStringLiteral("EXISTS (SELECT 1 FROM fields)") << QStringLiteral("not allowed");
    QTest::newRow("sub-query on records") << QStringLiteral("NOME IN (SELECT NOME FROM records)") << QStringLiteral("sub-query");
    QTest::newRow("random") << QStringLiteral("random() > 0") << QStringLiteral("random");
    QTest::newRow("zeroblob") << QStringLiteral("length(zeroblob(100000000)) > 0") << QStringLiteral("zeroblob");
    QTest::newRow("unclosed text") << QStringLiteral("ATIVO = 'S") << QStringLiteral("not closed");
    QTest::newRow("NUL") << QStringLiteral("ATIVO = 'S'") + QChar(0) + QStringLiteral("; DROP") << QStringLiteral("NUL");
    QTest::newRow("too long") << QStringLiteral("ATIVO = 'S' AND ") + QString(20000, u'1') << QStringLiteral("too long");
    // Refused by us, not by whichever SQLite's parser happens to overflow.
    QTest::newRow("too deep") << QString(db::kMaxFilterDepth + 1, u'(') + QStringLiteral("1") + QString(db::kMaxFilterDepth + 1, u')')
                              << QStringLiteral("more than 64 deep");
    QTest::newRow("double quotes are names") << QStringLiteral("ATIVO = \"S\"")
                                             << QStringLiteral("no field named S (a text goes in single quotes: 'S')");
    QTest::newRow("parameter ?") << QStringLiteral("CODIGO = ?") << QStringLiteral("parameter ?");
    QTest::newRow("parameter ?1") << QStringLiteral("CODIGO = ?1") << QStringLiteral("parameter ?1");
    QTest::newRow("parameter :x") << QStringLiteral("CODIGO = :codigo") << QStringLiteral("parameter :codigo");
    QTest::newRow("parameter @x") << QStringLiteral("CODIGO = @codigo") << QStringLiteral("parameter @codigo");
    QTest::newRow("parameter $x") << QStringLiteral("CODIGO = $codigo") << QStringLiteral("parameter $codigo");
    // A Tcl-style parameter swallows the quote that made the parentheses look balanced.
    QTest::newRow("not self-contained") << QStringLiteral(":a(')) OR (CODIGO = 2 OR :b(')") << QStringLiteral("parameter :a(')");
    QTest::newRow("unclosed block comment") << QStringLiteral("ATIVO = 'S' /* ativos") << QStringLiteral("/* is not closed");
    QTest::newRow("sub-query on the row numbers") << QStringLiteral("CODIGO IN (SELECT rowid FROM records)") << QStringLiteral("sub-query");
    QTest::newRow("IN a table") << QStringLiteral("CODIGO IN records") << QStringLiteral("sub-query");
    QTest::newRow("rowid") << QStringLiteral("rowid > 0") << QStringLiteral("row number");
    QTest::newRow("oid") << QStringLiteral("NOT oid IS NULL") << QStringLiteral("row number");
    QTest::newRow("natural position") << QStringLiteral("_pos > 0") << QStringLiteral("_pos, which is not a field");
    QTest::newRow("printf with a huge precision") << QStringLiteral("length(printf('%.*c', 2000000000, 'x')) > 0") << QStringLiteral("printf()");
    QTest::newRow("printf with a wide literal width") << QStringLiteral("printf('%2000000000c', 'x') <> ''") << QStringLiteral("printf()");
    QTest::newRow("format from a field") << QStringLiteral("format(NOME) <> ''") << QStringLiteral("format()");
}

void TestDataPackets::hostileFilter()
{
    QFETCH(QString, filter);
    QFETCH(QString, message);
    TClientDataSet ds;
    buildProducts(ds);
    for (bool filtered : {true, false}) {
        ds.setFiltered(filtered);
        const Snapshot before = Snapshot::of(ds);
        try {
            ds.setFilter(filter);
            QFAIL("the filter was accepted");
        } catch (const EDatabaseError &e) {
            QVERIFY2(e.Message().contains(message), qPrintable(e.Message()));
        }
        QVERIFY(Snapshot::of(ds) == before);
    }
    // Switching filtering on with a bad text set while closed changes nothing either.
    TClientDataSet closed;
    closed.setFilter(filter);
    closed.setFiltered(true);
    closed.FieldDefs().Add(QStringLiteral("NOME"), ftString, 10);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, closed.CreateDataSet());
    QVERIFY(!closed.Active());
}

void TestDataPackets::acceptedFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("count");
    QTest::newRow("trailing comment") << QStringLiteral("ATIVO = 'S' -- ativos") << 4;
    QTest::newRow("quoted name") << QStringLiteral("\"ATIVO\" = 'S' AND upper(nome) like 'CA%'") << 1;
    QTest::newRow("functions") << QStringLiteral("length(NOME) > 4 AND substr(NOME, 1, 1) = 'C'") << 3;
    QTest::newRow("base with OR keeps its meaning") << QStringLiteral("ATIVO = 'N' OR CODIGO = 2 AND UPPER(NOME) LIKE 'CA%'") << 4;
    // SQLite reads 0xe and a comment: the prefix is no condition.
    QTest::newRow("hex number, then a comment") << QStringLiteral("0xe--AND UPPER(NOME) LIKE 'CA%'") << 7;
    QTest::newRow("only a comment") << QStringLiteral("-- nada") << 7;
    QTest::newRow("printf with a literal format") << QStringLiteral("printf('%05d', CODIGO) LIKE '0000%'") << 7;
    QTest::newRow("nested as deep as allowed")
        << QString(db::kMaxFilterDepth, u'(') + QStringLiteral("ATIVO = 'S'") + QString(db::kMaxFilterDepth, u')') << 4;
    QStringList codes;
    for (int n = 1; n <= 400; ++n)
        codes << QStringLiteral("CODIGO = %1").arg(n);
    QTest::newRow("99 OR'ed codes") << QStringList(codes.mid(0, 99)).join(QLatin1String(" OR ")) << 7;
    QTest::newRow("400 OR'ed codes") << codes.join(QLatin1String(" OR ")) << 7;
}

void TestDataPackets::acceptedFilter()
{
    QFETCH(QString, filter);
    QFETCH(int, count);
    for (bool fastPath : {true, false}) {
        TClientDataSet ds;
        setFastPath(ds, fastPath);
        buildProducts(ds);
        ds.setFilter(filter);
        QCOMPARE(ds.RecordCount(), count);
    }
}

// Filters that compile but fail, or take too long, while the view is
// computed: an error that names the filter, whichever path evaluates it,
// and the dataset as it was.
void TestDataPackets::failingFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("message");
    QTest::newRow("integer overflow") << QStringLiteral("abs(-9223372036854775808) > CODIGO") << QStringLiteral("integer overflow");
    QTest::newRow("LIKE pattern over SQLite's limit")
        << QStringLiteral("UPPER(NOME) LIKE '%1%'").arg(QString(1000, u'C')) << QStringLiteral("pattern too complex");
    QTest::newRow("value too long")
        << QStringLiteral("length(replace(printf('%.1000c', 'x'), 'x', printf('%.1000c', 'y'))) > 0")
        << QStringLiteral("longer than");
    // Each record costs instr() about 10^9 byte comparisons.
    QTest::newRow("too slow")
        << QStringLiteral("instr(NOME || replace(printf('%.1000c', 'a'), 'a', printf('%.60c', 'a')), "
                          "replace(printf('%.1000c', 'a'), 'a', printf('%.30c', 'a')) || 'b') > 0")
        << QStringLiteral("takes longer than");
}

void TestDataPackets::failingFilter()
{
    QFETCH(QString, filter);
    QFETCH(QString, message);
    for (bool fastPath : {true, false}) {
        TClientDataSet ds;
        setFastPath(ds, fastPath);
        buildProducts(ds);
        for (int i = 0; i < 400; ++i) {
            ds.Append();
            ds.Fields(0)->setValue(100 + i);
            ds.Fields(1)->setValue(QStringLiteral("Caju %1").arg(i));
            ds.Fields(2)->setValue(QStringLiteral("S"));
            ds.Post();
        }
        ds.setRecNo(2);
        ds.setFiltered(false);
        QVERIFY_THROWS_NO_EXCEPTION(ds.setFilter(filter)); // it compiles
        const Snapshot before = Snapshot::of(ds);
        try {
            ds.setFiltered(true);
            QFAIL("the filter was evaluated");
        } catch (const EDatabaseError &e) {
            QVERIFY2(e.Message().contains(message), qPrintable(e.Message()));
            QVERIFY2(e.Message().contains(filter.left(40)), qPrintable(e.Message()));
        }
        QVERIFY(Snapshot::of(ds) == before);
    }
}

void TestDataPackets::packetHandedOn_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("names"); // the loaded records, in any order
    const QStringList original{"Água", "Bolo", "Café", "Cachaça", "Caldo", "Chá", "Coxinha"};
    QTest::newRow("1 unchanged") << "unchanged" << original;
    QTest::newRow("2 source edited after") << "source edited" << original;
    QTest::newRow("3 source gone") << "source gone" << original;
    QTest::newRow("4 bytes changed in a copy") << "bytes changed"
                                               << QStringList{"Água", "Café", "Cachaça", "Caldo", "Chá", "Coxinha", "Xolo"};
    QTest::newRow("5 a copy sorted, then edited") << "copy edited" << original;
    QTest::newRow("6 the edited copy handed on") << "edited copy handed on"
                                                 << QStringList{"Água", "Café", "Cachaça", "Caldo", "Chá", "Coxinha", "Zebra"};
}

// A packet handed from one dataset of this process to another gives the
// records it was written with, whatever happened since to the dataset
// that wrote it, to other datasets loaded from it, or to its bytes.
void TestDataPackets::packetHandedOn()
{
    QFETCH(QString, how);
    QFETCH(QStringList, names);
    auto source = std::make_unique<TClientDataSet>();
    buildProducts(*source);
    QByteArray packet = source->Data().toByteArray();
    QCOMPARE(source->Data().toByteArray(), packet);
    TClientDataSet copy, target;
    auto namesOf = [](TClientDataSet &ds) {
        QStringList list;
        for (ds.First(); !ds.Eof(); ds.Next())
            list << ds.Fields(1)->AsString();
        return list;
    };
    auto rename = [&](TClientDataSet &ds, const QString &from, const QString &to) {
        ds.setFiltered(false);
        ds.setRecNo(int(namesOf(ds).indexOf(from)) + 1);
        ds.Edit();
        ds.Fields(1)->setValue(to);
        ds.Post();
    };
    if (how == QLatin1String("source edited")) {
        rename(*source, QStringLiteral("Bolo"), QStringLiteral("Zebra"));
    } else if (how == QLatin1String("source gone")) {
        source.reset();
    } else if (how == QLatin1String("bytes changed")) {
        QByteArray changed = packet;
        const qsizetype at = changed.indexOf("Bolo");
        QVERIFY(at > 0);
        changed.data()[at] = 'X';
        packet = changed;
    } else if (how.startsWith(QLatin1String("copy edited")) || how.startsWith(QLatin1String("edited copy"))) {
        copy.setData(packet);
        copy.IndexDefs().Add(QStringLiteral("NOME"), QStringLiteral("NOME"));
        copy.setIndexName(QStringLiteral("NOME"));
        rename(copy, QStringLiteral("Bolo"), QStringLiteral("Zebra"));
        if (how.startsWith(QLatin1String("edited copy")))
            packet = copy.Data().toByteArray();
    }
    target.setData(packet);
    target.IndexDefs().Add(QStringLiteral("NOME"), QStringLiteral("NOME"));
    target.setIndexName(QStringLiteral("NOME"));
    // In the order a dataset sorting the same records afresh gives.
    TClientDataSet fresh;
    fresh.fromJson(target.toJson());
    fresh.IndexDefs().Add(QStringLiteral("NOME"), QStringLiteral("NOME"));
    fresh.setIndexName(QStringLiteral("NOME"));
    const QStringList loaded = namesOf(target);
    QCOMPARE(loaded, namesOf(fresh));
    QStringList sorted = loaded;
    sorted.sort();
    names.sort();
    QCOMPARE(sorted, names);
    QCOMPARE(target.Fields(1)->Size(), 40);
    // And it goes on as a dataset of its own.
    rename(target, QStringLiteral("Chá"), QStringLiteral("Abacaxi"));
    TClientDataSet again;
    again.setData(packet);
    again.IndexDefs().Add(QStringLiteral("NOME"), QStringLiteral("NOME"));
    again.setIndexName(QStringLiteral("NOME"));
    QCOMPARE(namesOf(again), loaded);
}

// A packet, JSON text or file that cannot be loaded: an error that says why,
// and the dataset exactly as it was.
void TestDataPackets::refusedLoad_data()
{
    TClientDataSet source;
    buildProducts(source);
    const QByteArray good = source.Data().toByteArray();
    QTest::addColumn<QString>("how");
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<QString>("message");
    const auto packet = [](const char *tag, const QVariant &input, const char *message) {
        QTest::addRow("packet: %s", tag) << QStringLiteral("packet") << input << QString::fromUtf8(message);
    };
    const auto json = [](const char *tag, const QByteArray &input, const char *message) {
        QTest::addRow("JSON: %s", tag) << QStringLiteral("JSON") << QVariant(input) << QString::fromUtf8(message);
    };
    packet("empty", QByteArray(), "not a data packet");
    packet("text", QByteArray("CODIGO;NOME\n1;Café\n"), "not a data packet");
    packet("not bytes", 42, "not a byte array");
    packet("truncated", good.left(good.size() / 2 + 100), "truncated");
    packet("truncated at a page", good.left(4096), "cannot be loaded");
    QByteArray garbage = good;
    for (qsizetype i = 4096; i < garbage.size(); i += 7)
        garbage[i] = char(i * 31);
    packet("damaged pages", garbage, "cannot be loaded");
    packet("foreign database", foreignDatabase(), "not a data packet of this system");
    packet("other version", craft(good, "PRAGMA user_version = 7"), "unknown version");
    packet("trigger", craft(good, "CREATE TRIGGER t AFTER INSERT ON records BEGIN DELETE FROM records; END"),
           "unexpected trigger");
    packet("view", craft(good, "CREATE VIEW v AS SELECT 1"), "unexpected view");
    packet("extra table", craft(good, "CREATE TABLE extra(x)"), "unexpected table");
    packet("index", craft(good, "CREATE INDEX i ON records(NOME)"), "unexpected index");
    packet("added column", craft(good, "ALTER TABLE records ADD COLUMN evil DEFAULT 1"), "does not match");
    packet("text in an integer field", craft(good, "UPDATE records SET CODIGO = 'abc' WHERE rowid = 1"), "wrong kind");
    packet("blob", craft(good, "UPDATE records SET NOME = zeroblob(4) WHERE rowid = 2"), "wrong kind");
    packet("too long for its size", craft(good, "UPDATE records SET ATIVO = 'SIM' WHERE rowid = 2"), "wrong kind");
    packet("unknown type", craft(good, "UPDATE fields SET type = 'blob' WHERE position = 0"), "unknown type");
    packet("field removed", craft(good, "DELETE FROM fields WHERE position = 2"), "does not match");
    packet("reserved name", craft(good, "UPDATE fields SET name = '_pos' WHERE position = 0"), "reserved");
    packet("row numbers", craft(good, "UPDATE records SET rowid = 1000000000 WHERE rowid = 1"), "out of range");
    json("not JSON", "{\"fields\": [", "at character");
    json("array", "[]", "\"fields\" array");
    json("no fields", R"({"fields":[],"records":[]})", "no field");
    json("unknown type", R"({"fields":[{"name":"A","type":"money"}]})", "unknown type");
    json("duplicate name", R"({"fields":[{"name":"A","type":"integer"},{"name":"a","type":"string"}]})", "Duplicate");
    json("short record", R"({"fields":[{"name":"A","type":"integer"}],"records":[[]]})", "record 1");
    json("text for integer", R"({"fields":[{"name":"A","type":"integer"}],"records":[["1"]]})",
         "\"1\" is not an integer value");
    json("number for string", R"({"fields":[{"name":"A","type":"string"}],"records":[[1]]})",
         "1 is not a string value");
    json("out of range", R"({"fields":[{"name":"A","type":"integer"}],"records":[[3000000000]]})",
         "not a valid integer");
    json("too long", R"({"fields":[{"name":"A","type":"string","size":2}],"records":[["abc"]]})", "too long");
    json("bad date", R"({"fields":[{"name":"A","type":"date"}],"records":[["2024-02-30"]]})", "not a valid date");
    // Qt's number conversion stops at a NUL: the digits after it were lost.
    json("NUL inside a largeint's digits", R"({"fields":[{"name":"A","type":"largeint"}],"records":[["-92233\u000072036"]]})",
         "'-92233\\u000072036' is not a valid integer");
    // Each name used to be looked up among all before it.
    json("100 000 fields", R"({"fields":)" + manyFields(100000) + "}", "more than 500");
    json("size not a number", R"({"fields":[{"name":"A","type":"string","size":"9"}]})", "not a whole number");
    QTest::newRow("file: missing") << QStringLiteral("file") << QVariant(QStringLiteral("/dev/null/missing.db"))
                                   << QStringLiteral("Cannot read");
    // A device never ends: the read stops at a bound.
    QTest::newRow("file: endless") << QStringLiteral("file") << QVariant(QStringLiteral("/dev/zero"))
                                   << QStringLiteral("larger than");
}

void TestDataPackets::refusedLoad()
{
    QFETCH(QString, how);
    QFETCH(QVariant, input);
    QFETCH(QString, message);
    TClientDataSet ds;
    buildProducts(ds);
    const Snapshot before = Snapshot::of(ds);
    try {
        if (how == QLatin1String("packet"))
            ds.setData(input);
        else if (how == QLatin1String("JSON"))
            ds.fromJson(input.toByteArray());
        else
            ds.LoadFromFile(input.toString());
        QFAIL("it was loaded");
    } catch (const EDatabaseError &e) {
        QVERIFY2(e.Message().contains(message), qPrintable(e.Message()));
    }
    QVERIFY(Snapshot::of(ds) == before);
    QCOMPARE(ds.IndexDefs().Count(), 1);
}

void TestDataPackets::bothFormsAgree_data()
{
    QTest::addColumn<QByteArray>("fields");
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<QByteArray>("patch"); // SQL on the packet alone (what JSON cannot say), or "json"
    QTest::addColumn<QString>("refused");  // a pattern of the message; empty: accepted
    const QByteArray codeName = R"([{"name":"CODIGO","type":"integer","required":true},{"name":"NOME","type":"string","size":10}])";
    const QByteArray money = R"([{"name":"C","type":"currency"},{"name":"F","type":"float"}])";
    QTest::newRow("required field without a value") << codeName << QByteArray(R"([[1,"a"],[null,"b"]])") << QByteArray()
                                                    << QStringLiteral("record 2 holds no value in the required field \"CODIGO\"");
    QTest::newRow("currency with five decimals") << money << QByteArray("[[1.23456,0]]") << QByteArray()
                                                 << QStringLiteral("more than four decimals|wrong kind in field \"C\"");
    QTest::newRow("currency of 1e305") << money << QByteArray("[[1e305,0]]") << QByteArray()
                                       << QStringLiteral("currency");
    QTest::newRow("currency at the edge of its range") << money << QByteArray("[[922337203685477,1e305]]") << QByteArray()
                                                       << QString();
    QTest::newRow("currency a float cannot hold exactly") << money << QByteArray("[[37.05,0.30000000000000004]]")
                                                          << QByteArray() << QString();
    QTest::newRow("infinity") << money << QByteArray("[[0,0]]") << QByteArray("UPDATE records SET F = 9e999")
                              << QStringLiteral("wrong kind in field \"F\"");
    QTest::newRow("text that is not UTF-8") << codeName << QByteArray(R"([[1,"a"]])")
                                            << QByteArray("UPDATE records SET NOME = CAST(x'C328' AS TEXT)")
                                            << QStringLiteral("wrong kind in field \"NOME\"");
    QTest::newRow("size 3000000000") << QByteArray(R"([{"name":"S","type":"string","size":3000000000}])")
                                     << QByteArray("[]") << QByteArray() << QStringLiteral("size 3000000000");
    QTest::newRow("size 1000001") << QByteArray(R"([{"name":"S","type":"string","size":1000001}])") << QByteArray("[]")
                                  << QByteArray() << QStringLiteral("size 1000001");
    QTest::newRow("string of size 0") << QByteArray(R"([{"name":"S","type":"string","size":0}])")
                                      << QByteArray(R"([["any length at all"]])") << QByteArray() << QString();
    QTest::newRow("name of 129 characters")
        << QByteArray(R"([{"name":")" + QByteArray(129, 'N') + R"(","type":"integer"}])") << QByteArray("[]")
        << QByteArray() << QStringLiteral("longer than 128");
    QTest::newRow("name of 128 characters")
        << QByteArray(R"([{"name":")" + QByteArray(128, 'N') + R"(","type":"integer"}])") << QByteArray("[[7]]")
        << QByteArray() << QString();
    QTest::newRow("501 fields") << manyFields(501) << QByteArray("[]") << QByteArray() << QStringLiteral("more than 500");
    QTest::newRow("dotted capital I and i with a dot") << QByteArray(R"([{"name":"İ","type":"integer"},{"name":"i̇","type":"integer"}])")
                                                       << QByteArray("[[1,2]]") << QByteArray() << QString();
    QTest::newRow("names differing in a non-ASCII case") << QByteArray(R"([{"name":"É","type":"integer"},{"name":"é","type":"integer"}])")
                                                         << QByteArray("[[1,2]]") << QByteArray() << QString();
    // SQLite itself refuses such a table: JSON alone can say it.
    QTest::newRow("names differing in an ASCII case") << QByteArray(R"([{"name":"Ab","type":"integer"},{"name":"aB","type":"integer"}])")
                                                      << QByteArray("[]") << QByteArray("json") << QStringLiteral("Duplicate");
    QTest::newRow("leading space") << QByteArray(R"([{"name":" $A","type":"integer"}])") << QByteArray("[[1]]")
                                   << QByteArray() << QStringLiteral("begins or ends with a space");
    QTest::newRow("semicolon") << QByteArray(R"([{"name":"A;B","type":"integer"}])") << QByteArray("[[1]]") << QByteArray()
                               << QStringLiteral("separates the fields of an index");
    QTest::newRow("NUL in a name") << QByteArray(R"([{"name":"A\u0000B","type":"integer"}])") << QByteArray("[[1]]")
                                   << QByteArray() << QStringLiteral("control character U\\+0000");
}

void TestDataPackets::bothFormsAgree()
{
    QFETCH(QByteArray, fields);
    QFETCH(QByteArray, records);
    QFETCH(QByteArray, patch);
    QFETCH(QString, refused);
    const bool jsonOnly = patch == "json";
    QByteArray packet = jsonOnly ? QByteArray() : rawPacket(fields, records);
    if (!patch.isEmpty() && !jsonOnly)
        packet = craft(packet, patch.constData());
    const QByteArray json = R"({"fields":)" + fields + R"(,"records":)" + records + '}';
    for (const bool binary : {true, false}) {
        if ((!binary && !patch.isEmpty() && !jsonOnly) || (binary && jsonOnly))
            continue;
        TClientDataSet ds;
        buildProducts(ds);
        ds.setFiltered(false); // its filter names its own fields
        const Snapshot before = Snapshot::of(ds);
        try {
            binary ? ds.setData(packet) : ds.fromJson(json);
        } catch (const EDatabaseError &e) {
            QVERIFY2(!refused.isEmpty(), qPrintable(e.Message()));
            QVERIFY2(e.Message().contains(QRegularExpression(refused)), qPrintable(e.Message()));
            QVERIFY(Snapshot::of(ds) == before);
            continue;
        }
        QVERIFY2(refused.isEmpty(), binary ? "the packet was accepted" : "the JSON was accepted");
        checkWritableAndRoundTrips(ds);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestDataPackets::packetHeaderVersions_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("rollback journal") << 1 << true;
    QTest::newRow("WAL") << 2 << true;
    QTest::newRow("later, read-only to SQLite") << 3 << false;
    QTest::newRow("0") << 0 << false;
}

// Bytes 18 and 19 of the header: a packet SQLite would hold read-only must
// not load as a dataset whose first edit then fails.
void TestDataPackets::packetHeaderVersions()
{
    QFETCH(int, version);
    QFETCH(bool, accepted);
    TClientDataSet source;
    buildProducts(source);
    QByteArray packet = source.Data().toByteArray();
    packet[18] = char(version);
    TClientDataSet ds;
    try {
        ds.setData(packet);
    } catch (const EDatabaseError &e) {
        QVERIFY2(!accepted, qPrintable(e.Message()));
        QVERIFY2(e.Message().contains(QStringLiteral("file format versions")), qPrintable(e.Message()));
        return;
    }
    QVERIFY(accepted);
    checkWritableAndRoundTrips(ds);
}

// Every record of a packet as SQLite reads it, and its integrity check.
QStringList sqliteRecords(const QByteArray &packet, const char *select = "SELECT * FROM records ORDER BY rowid")
{
    sqlite3 *db = nullptr;
    sqlite3_open(":memory:", &db);
    auto *image = static_cast<unsigned char *>(sqlite3_malloc64(sqlite3_uint64(packet.size())));
    memcpy(image, packet.constData(), size_t(packet.size()));
    sqlite3_deserialize(db, "main", image, packet.size(), packet.size(), SQLITE_DESERIALIZE_FREEONCLOSE);
    QStringList out;
    for (const char *sql : {"PRAGMA integrity_check", select}) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            QString row;
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                row += QString::number(sqlite3_column_type(st, c)) + u':'
                       + QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c))) + u'|';
            out << row;
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

// The records of ds as SQLite writes them, an insert each.
QStringList insertedRecords(TClientDataSet &ds)
{
    TClientDataSet copy;
    for (int f = 0; f < ds.FieldCount(); ++f)
        copy.FieldDefs().Add(ds.Fields(f)->FieldName(), ds.Fields(f)->DataType(), ds.Fields(f)->Size(),
                             ds.Fields(f)->Required());
    copy.CreateDataSet();
    for (ds.First(); !ds.Eof(); ds.Next()) {
        copy.Append();
        for (int f = 0; f < ds.FieldCount(); ++f)
            copy.Fields(f)->setValue(ds.Fields(f)->Value());
        copy.Post();
    }
    return sqliteRecords(copy.Data().toByteArray());
}

// The same packet with "records" first is read by the document reader
// alone; the usual order may take the one-pass reader. Both must accept the
// same records (as the dataset and as SQLite hold them: the pages both
// write directly hold what SQLite's own inserts write) or refuse alike.
void TestDataPackets::jsonReadersAgree_data()
{
    QTest::addColumn<QByteArray>("fields");
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<bool>("pieces"); // read from a file in pieces, not whole by the document reader
    const QByteArray all = R"([{"name":"S","type":"string","size":20},{"name":"I","type":"integer"},{"name":"L","type":"largeint"},)"
                           R"({"name":"F","type":"float"},{"name":"C","type":"currency"},{"name":"B","type":"boolean"},)"
                           R"({"name":"D","type":"date"},{"name":"T","type":"time"},{"name":"DT","type":"datetime"},)"
                           R"({"name":"M","type":"memo"},{"name":"U","type":"string"}])";
    const QByteArray nulls = ",null,null,null,null,null]";
    QTest::newRow("1 values") << all << QByteArray(R"([["Açaí \"x\"\n\u00e9\u20ac/\/",0,1,0.1,12.3456,true,"2024-02-29","23:59:58.007","1999-12-31T00:00:01","😀\t",""],)"
                                                   R"(["",1,-1,-0.0,37.05,false,"0001-01-01","00:00","2038-01-19 03:14:08.500","","1234567890"],)"
                                                   R"([null,127,128,1e-300,-922337203685477,null,null,null,null,null,null],)"
                                                   R"(["s",-129,32768,-1e300,0.5,true,null,null,null,null,"Ç"]])") << true;
    QTest::newRow("2 integer widths") << all << QByteArray(R"([["a",8388607,-8388609,1,1,true)" + nulls + R"(,)"
                                                           R"(["b",2147483647,140737488355328,2,2,false)" + nulls + R"(,)"
                                                           R"(["c",-2147483648,-140737488355329,3,3,true)" + nulls + R"(,)"
                                                           R"(["d",0,9007199254740993,4,4,true)" + nulls + R"(,)"
                                                           R"(["e",1e3,"9223372036854775807",5,5,true)" + nulls + R"(,)"
                                                           R"(["f",2,1e17,-0.0,6,true)" + nulls + "]") << true;
    QTest::newRow("3 unknown keys and spaces") << QByteArray(R"([{"name":"A","type":"integer","x":[{"y":null}]}])")
                                               << QByteArray(" [ [ 1 ] ,\n\t[2]\r ] , \"more\" : {\"a\":[1,2.5e-3,{\"b\":[]}]}") << true;
    QTest::newRow("4 no records") << QByteArray(R"([{"name":"A","type":"integer"}])") << QByteArray("[]") << true;
    QTest::newRow("5 required null") << QByteArray(R"([{"name":"A","type":"integer","required":true}])") << QByteArray("[[1],[null]]") << false;
    QTest::newRow("6 fraction for integer") << QByteArray(R"([{"name":"A","type":"integer"}])") << QByteArray("[[1.5]]") << false;
    QTest::newRow("7 too many decimals") << QByteArray(R"([{"name":"A","type":"currency"}])") << QByteArray("[[0.00001]]") << false;
    QTest::newRow("8 too long") << QByteArray(R"([{"name":"A","type":"string","size":3}])") << QByteArray(R"([["abç"],["abçd"]])") << false;
    QTest::newRow("8 too long, counted in UTF-16") << QByteArray(R"([{"name":"A","type":"string","size":2}])") << QByteArray(R"([["😀"],["a😀"]])") << false;
    QTest::newRow("9 lone surrogate") << QByteArray(R"([{"name":"A","type":"string"}])") << QByteArray(R"([["a\ud800b"]])") << false;
    QTest::newRow("10 surrogate pair") << QByteArray(R"([{"name":"A","type":"string"}])") << QByteArray(R"([["a\ud83d\ude00"]])") << false;
    QTest::newRow("11 bytes that are not UTF-8") << QByteArray(R"([{"name":"A","type":"string"}])") << QByteArray("[[\"a\xC3(\"],[\"\xED\xA0\x80\"]]") << false;
    QTest::newRow("12 NUL") << QByteArray(R"([{"name":"A","type":"memo"}])") << QByteArray(R"([["a\u0000b"]])") << false;
    QTest::newRow("13 infinite") << QByteArray(R"([{"name":"A","type":"float"}])") << QByteArray("[[1e400]]") << false;
    QTest::newRow("14 leading zero") << QByteArray(R"([{"name":"A","type":"integer"}])") << QByteArray("[[01]]") << false;
    QTest::newRow("15 short record") << QByteArray(R"([{"name":"A","type":"integer"},{"name":"B","type":"integer"}])") << QByteArray("[[1,2],[3]]") << false;
    QTest::newRow("16 minus zero") << QByteArray(R"([{"name":"A","type":"integer"},{"name":"F","type":"float"}])") << QByteArray("[[-0,-0]]") << false;
    QTest::newRow("17 text for boolean") << QByteArray(R"([{"name":"A","type":"boolean"}])") << QByteArray(R"([["true"]])") << false;
    // Many pages of records, over three levels of the table's tree, and a
    // record longer than a page.
    QByteArray many = "[";
    for (int i = 0; i < 3000; ++i)
        many += (i ? ",[" : "[") + QByteArray::number(i * 7919) + ",\"" + QByteArray(700 + i % 300, char('a' + i % 26)) + "\"]";
    const QByteArray big = R"([{"name":"N","type":"integer"},{"name":"M","type":"memo"}])";
    QTest::newRow("18 three levels") << big << many + ']' << true;
    QTest::newRow("19 longer than a page") << big << many + ",[1,\"" + QByteArray(5000, 'z') + "\"]]" << true;
    // Read from a file, the text comes in windows of 2 MiB: records across
    // their edges, one longer than the window (then read whole),
    // a fault and words after the end past the first window.
    QByteArray across = "[";
    for (int i = 0; i < 4000; ++i)
        across += (i ? ",[" : "[") + QByteArray::number(i) + ",\"" + QByteArray("açaí ") + QByteArray(i % 2000, 'x') + "\"]";
    QTest::newRow("20 across windows") << big << across + ']' << true;
    QTest::newRow("21 a record longer than the window") << big << across + ",[1,\"" + QByteArray(3 << 20, 'z') + "\"]]" << false;
    QTest::newRow("22 a fault past the first window") << big << across + ",[1,2]]" << false;
    QTest::newRow("23 words after the end") << big << across + "]}" + QByteArray(3 << 20, ' ') + "x" << false;
    QTest::newRow("24 a key after the records") << big << across + R"(], "more": [)" + QByteArray(3 << 20, ' ') + "1]" << false;
}

void TestDataPackets::jsonReadersAgree()
{
    QFETCH(QByteArray, fields);
    QFETCH(QByteArray, records);
    QFETCH(bool, pieces);
    TClientDataSet oneRead, document;
    QString oneReadError, documentError;
    const QByteArray text = R"({"fields":)" + fields + R"(,"records":)" + records + '}';
    try {
        oneRead.fromJson(text);
    } catch (const EDatabaseError &e) {
        oneReadError = e.Message();
    }
    // The same text in a file, with and without a byte-order mark: read in
    // pieces where it can be, else whole, to the same dataset or message.
    QTemporaryDir dir;
    for (const QByteArray &bom : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
        QFile file(dir.filePath(QStringLiteral("data.json")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bom + text) == bom.size() + text.size());
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly) && file.seek(bom.size()));
        QCOMPARE(fastJsonStore(file) != nullptr, pieces);
        TClientDataSet fromFile;
        try {
            fromFile.LoadFromFile(file.fileName());
        } catch (const EDatabaseError &e) {
            QCOMPARE(e.Message(), oneReadError);
            continue;
        }
        QVERIFY2(oneReadError.isEmpty(), qPrintable(oneReadError));
        compareAll(fromFile, oneRead);
    }
    try {
        document.fromJson(R"({"records":)" + records + R"(,"fields":)" + fields + '}');
    } catch (const EDatabaseError &e) {
        documentError = e.Message();
    }
    QCOMPARE(oneReadError.remove(QRegularExpression(QStringLiteral(" at character \\d+"))),
             documentError.remove(QRegularExpression(QStringLiteral(" at character \\d+"))));
    if (!documentError.isEmpty())
        return;
    compareAll(document, oneRead);
    const QStringList held = sqliteRecords(oneRead.Data().toByteArray());
    QCOMPARE(held.value(0), QStringLiteral("3:ok|"));
    QCOMPARE(held, sqliteRecords(document.Data().toByteArray()));
    QCOMPARE(held, insertedRecords(oneRead));
    checkWritableAndRoundTrips(oneRead);
}

void TestDataPackets::recordsWrittenWhenNeeded_data()
{
    QTest::addColumn<QString>("source"); // read from JSON, taken over from a packet, copied from a dataset
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("samePacket"); // hands out the very packet its source wrote
    const QList<std::pair<const char *, QStringList>> steps{
        {"nothing", {}},
        {"filter", {"filter"}},
        {"filter, edit", {"filter", "edit"}},
        {"label, filter", {"label", "filter"}},
        {"packet, label", {"packet", "label"}},
        {"empty, append", {"empty", "append"}},
        {"append, filter", {"append", "filter"}},
        {"packet, edit, filter", {"packet", "edit", "filter"}},
    };
    for (const char *source : {"JSON", "handed on", "copied"})
        for (const auto &[name, list] : steps)
            QTest::addRow("%s: %s", source, name)
                << QString::fromLatin1(source) << list
                << (qstrcmp(source, "JSON") != 0
                    && (list.isEmpty() || (list == QStringList{"filter"} && qstrcmp(source, "handed on") == 0)));
}

// A dataset read from JSON, taken over from a packet or copied gives SQLite
// its records only when a filter, an edit or the packet needs them:
// whatever the steps, it holds and hands out what a dataset loaded from the
// packet's bytes holds.
void TestDataPackets::recordsWrittenWhenNeeded()
{
    QFETCH(QString, source);
    QFETCH(QStringList, steps);
    QFETCH(bool, samePacket);
    TClientDataSet from, ds, ref;
    buildProducts(from);
    from.setFiltered(false);
    const QByteArray json = from.toJson();
    from.fromJson(json);
    const QByteArray packet = from.Data().toByteArray();
    if (source == QLatin1String("JSON"))
        ds.fromJson(json);
    else if (source == QLatin1String("handed on"))
        ds.setData(packet);
    else
        copyRecords(ds, from);
    ref.setData(QByteArray(packet.constData(), packet.size())); // other bytes: loaded and checked
    for (TClientDataSet *d : {&ds, &ref}) {
        for (const QString &step : steps) {
            if (step == QLatin1String("filter")) {
                d->setFilter(QStringLiteral("CODIGO > 2 AND ATIVO = 'S'"));
                d->setFiltered(true);
            } else if (step == QLatin1String("label")) {
                d->Fields(1)->setDisplayLabel(QStringLiteral("Nome"));
            } else if (step == QLatin1String("empty")) {
                d->EmptyDataSet();
            } else if (step == QLatin1String("packet")) {
                QVERIFY(!d->Data().toByteArray().isEmpty());
            } else {
                step == QLatin1String("edit") ? d->Edit() : d->Append();
                d->Fields(0)->setValue(99);
                d->Fields(1)->setValue(QStringLiteral("Pastel"));
                d->Fields(2)->setValue(QStringLiteral("S"));
                d->Post();
            }
        }
    }
    compareAll(ds, ref);
    const QByteArray out = ds.Data().toByteArray();
    QCOMPARE(out.constData() == packet.constData(), samePacket);
    QCOMPARE(sqliteRecords(out), sqliteRecords(ref.Data().toByteArray()));
    TClientDataSet reloaded;
    reloaded.setData(QByteArray(out.constData(), out.size()));
    ref.setFiltered(false);
    compareAll(reloaded, ref);
}

// The records table's pages are written by hand only into the database the
// writer assumes; anything else leaves them to SQL. Either way SQLite then
// holds what the document reader's INSERTs give. `created` runs on the new
// store's empty database ("reserve N" and "legacy format" say what SQL
// cannot), `filled` on the filled one before the writer looks; the first
// record is `over` bytes longer than a leaf of `usable` bytes holds.
void TestDataPackets::pageWriterAssumptions_data()
{
    QTest::addColumn<QByteArray>("created");
    QTest::addColumn<QByteArray>("filled");
    QTest::addColumn<int>("usable");
    QTest::addColumn<int>("over");
    QTest::addColumn<QByteArray>("fellBack"); // empty: written by hand
    const QByteArray longer = "a record longer than a page holds";
    const QByteArray columns = R"("N" INTEGER, "F" REAL, "L" BIGINT, "S" VARCHAR(20), "M" )";
    QTest::newRow("1 as created, a record as long as a leaf holds") << QByteArray() << QByteArray() << 4096 << 0 << QByteArray();
    QTest::newRow("2 a byte longer") << QByteArray() << QByteArray() << 4096 << 1 << longer;
    QTest::newRow("3 pages of 512 bytes") << QByteArray("PRAGMA page_size = 512") << QByteArray() << 512 << 0 << QByteArray();
    QTest::newRow("4 pages of 64 KiB") << QByteArray("PRAGMA page_size = 65536") << QByteArray() << 65536 << 0 << QByteArray();
    QTest::newRow("5 reserved bytes") << QByteArray("reserve 8") << QByteArray() << 4088 << 0 << QByteArray();
    QTest::newRow("6 reserved bytes, a byte longer") << QByteArray("reserve 8") << QByteArray() << 4088 << 1 << longer;
    QTest::newRow("7 schema format 1") << QByteArray("legacy format") << QByteArray() << 4096 << 0 << QByteArray("file format");
    QTest::newRow("8 UTF-16") << QByteArray("PRAGMA encoding = 'UTF-16le'") << QByteArray() << 4096 << 0 << QByteArray("text encoding");
    QTest::newRow("9 auto-vacuum") << QByteArray("PRAGMA auto_vacuum = FULL") << QByteArray() << 4096 << 0 << QByteArray("auto-vacuum");
    QTest::newRow("10 incremental vacuum") << QByteArray("PRAGMA auto_vacuum = INCREMENTAL") << QByteArray() << 4096 << 0
                                           << QByteArray("auto-vacuum");
    QTest::newRow("11 free pages") << QByteArray() << QByteArray("CREATE TABLE x (a); DROP TABLE x") << 4096 << 0
                                   << QByteArray("free pages");
    QTest::newRow("12 an index") << QByteArray() << QByteArray("CREATE INDEX byN ON records (N)") << 4096 << 0
                                 << QByteArray("an index or trigger on records");
    QTest::newRow("13 a trigger") << QByteArray() << QByteArray("CREATE TRIGGER t AFTER INSERT ON records BEGIN SELECT 1; END")
                                  << 4096 << 0 << QByteArray("an index or trigger on records");
    QTest::newRow("14 a column declared otherwise")
        << QByteArray() << "DROP TABLE records; CREATE TABLE records (" + columns + "CLOB, _pos REAL NOT NULL)" << 4096 << 0
        << QByteArray("records declared otherwise");
    QTest::newRow("15 without rowids")
        << QByteArray()
        << "DROP TABLE records; CREATE TABLE records (rowid INTEGER PRIMARY KEY, " + columns + "TEXT, _pos REAL NOT NULL) WITHOUT ROWID"
        << 4096 << 0 << QByteArray("records declared otherwise");
}

void TestDataPackets::pageWriterAssumptions()
{
    QFETCH(QByteArray, created);
    QFETCH(QByteArray, filled);
    QFETCH(int, usable);
    QFETCH(int, over);
    QFETCH(QByteArray, fellBack);
    // The first record: four nulls, a text and _pos 1 (no bytes); its header
    // takes 6 bytes and the text's type 2 or 3. A leaf holds usable - 35.
    const int longest = usable - 35 + over;
    const int text = 13 + 2 * (longest - 8) < 16384 ? longest - 8 : longest - 9;
    QByteArray records = "[[null,null,null,null,\"" + QByteArray(text, 'm') + "\"]";
    // Nulls, integers of every width, reals SQLite keeps as integers, texts:
    // enough for interior pages over interior pages at 512 bytes a page.
    const char *wide[] = {"0", "1", "-1", "127", "-129", "32768", "-8388609", "2147483648", "-140737488355329",
                          "140737488355328", "9007199254740993", "\"9223372036854775807\"", "null"};
    const char *reals[] = {"0", "1", "3.0", "-2.5", "-0.0", "1e300", "1e15", "0.1", "null", "-9.5e18"};
    for (int i = 0; i < 2000; ++i)
        records += ",[" + (i % 11 ? QByteArray::number(i * 7919 % 70001 - 35000) : QByteArray("null")) + ','
                   + reals[i % 10] + ',' + wide[i % 13] + ',' + (i % 7 ? "\"Açaí " + QByteArray::number(i) + '"' : QByteArray("\"\""))
                   + ",\"" + QByteArray(i % 400, char('a' + i % 26)) + "\"]";
    records += ']';
    const QByteArray fields = R"([{"name":"N","type":"integer"},{"name":"F","type":"float"},{"name":"L","type":"largeint"},)"
                              R"({"name":"S","type":"string","size":20},{"name":"M","type":"memo"}])";
    TClientDataSet bySql; // "records" first: the document reader
    bySql.fromJson(R"({"records":)" + records + R"(,"fields":)" + fields + '}');

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("data.json")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(R"({"fields":)" + fields + R"(,"records":)" + records + '}') > 0);
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    auto run = [](sqlite3 *db, const QByteArray &sql) {
        char *error = nullptr;
        if (sql.startsWith("reserve ")) {
            int reserve = sql.mid(8).toInt();
            sqlite3_file_control(db, "main", SQLITE_FCNTL_RESERVE_BYTES, &reserve);
        } else if (sql == "legacy format") {
            sqlite3_db_config(db, SQLITE_DBCONFIG_LEGACY_FILE_FORMAT, 1, nullptr);
        } else if (!sql.isEmpty() && sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
            QTest::qFail(error, __FILE__, __LINE__);
        }
        sqlite3_free(error);
    };
    db::PageWriterProbe probe{[&](sqlite3 *db) { run(db, created); }, [&](sqlite3 *db) { run(db, filled); }};
    QByteArray packet;
    {
        db::pageWriterProbe = &probe;
        const auto unset = qScopeGuard([] { db::pageWriterProbe = nullptr; });
        const std::unique_ptr<db::RecordStore> store = fastJsonStore(file);
        QVERIFY(store);
        packet = store->serialize();
    }
    QCOMPARE(QByteArray(probe.fellBack), fellBack);
    const char *select = "SELECT N, F, L, S, M, _pos FROM records ORDER BY rowid";
    const QStringList held = sqliteRecords(packet, select);
    QCOMPARE(held.value(0), QStringLiteral("3:ok|"));
    QCOMPARE(held, sqliteRecords(bySql.Data().toByteArray(), select));
}

QTEST_GUILESS_MAIN(TestDataPackets)
#include "tst_DataPackets.moc"
