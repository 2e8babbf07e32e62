// The parts of a record store on their own: the table's positions when the
// room between two records is used up, the orders kept in step with edits
// against orders built afresh over the same records, and which part of a
// filter the engine leaves to SQLite.
#include "platform/db/FilterEngine.h"
#include "platform/db/KeptOrders.h"
#include "platform/db/PacketImage.h"
#include "platform/db/RecordTable.h"

#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <cmath>

using namespace TouchDialogs;
using namespace TouchDialogs::db;

Q_DECLARE_METATYPE(std::vector<double>)

static std::vector<FieldInfo> fieldsOf(std::initializer_list<std::pair<const char *, TFieldType>> defs)
{
    std::vector<FieldInfo> fields;
    for (const auto &[name, type] : defs) {
        fields.emplace_back();
        fields.back().name = QLatin1String(name);
        fields.back().type = type;
    }
    return fields;
}

class TestRecordParts : public QObject {
    Q_OBJECT
private slots:
    void respacedMakesRoom_data();
    void respacedMakesRoom();
    void copiesKeepTheirChanges_data();
    void copiesKeepTheirChanges();
    void ordersFollowEdits_data();
    void ordersFollowEdits();
    void filterPlans_data();
    void filterPlans();
};

void TestRecordParts::respacedMakesRoom_data()
{
    QTest::addColumn<std::vector<double>>("positions");
    QTest::addColumn<int>("before"); // the natural index to insert before
    QTest::addColumn<int>("maxMoved");
    const auto after = [](double d, int steps) {
        for (int i = 0; i < steps; ++i)
            d = std::nextafter(d, INFINITY);
        return d;
    };
    std::vector<double> tight, local, huge;
    for (int i = 0; i < 40; ++i)
        tight.push_back(after(1.0, i));
    for (int i = 1; i <= 2000; ++i)
        local.push_back(i == 1001 ? after(1000.0, 1) : double(i));
    for (int i = 0; i < 5; ++i)
        huge.push_back(1e17 + 16.0 * i); // here - 2 == here
    QTest::newRow("every gap used up") << tight << 20 << 40;
    QTest::newRow("one gap in many") << local << 1000 << 33;
    QTest::newRow("first record, no room below") << huge << 0 << 5;
}

// When no position fits before a record, respaced() moves its neighbours
// apart: the natural order stays, the positions stay increasing, a gap
// opens where it was wanted, and no more records move than needed.
void TestRecordParts::respacedMakesRoom()
{
    QFETCH(std::vector<double>, positions);
    QFETCH(int, before);
    QFETCH(int, maxMoved);
    RecordTable table(fieldsOf({{"N", ftInteger}}));
    table.reserve(positions.size() + 1);
    for (size_t i = 0; i < positions.size(); ++i)
        table.insert(positions[i], {Cell::ofInt(qint64(i))});
    const std::vector<int> natural = table.natural();
    const int rowid = natural[size_t(before)];
    QVERIFY(!table.positionBefore(rowid));

    const auto moved = table.respaced(rowid);
    QVERIFY(int(moved.size()) <= maxMoved);
    for (const auto &[r, pos] : moved)
        table.setPosition(r, pos);
    for (size_t i = 1; i < natural.size(); ++i)
        QVERIFY2(table.position(natural[i - 1]) < table.position(natural[i]), qPrintable(QString::number(i)));
    const std::optional<double> pos = table.positionBefore(rowid);
    QVERIFY(pos);
    QVERIFY(*pos < table.position(rowid));
    QVERIFY(before == 0 || table.position(natural[size_t(before - 1)]) < *pos);
}

void TestRecordParts::copiesKeepTheirChanges_data()
{
    QTest::addColumn<QString>("change");
    for (const char *change : {"insert", "erase", "position", "update", "grow", "clear"})
        QTest::newRow(change) << QString::fromLatin1(change);
}

// A copy of a table shares its rows and values until one side changes:
// what either changes, the other never sees.
void TestRecordParts::copiesKeepTheirChanges()
{
    QFETCH(QString, change);
    RecordTable a(fieldsOf({{"N", ftInteger}, {"T", ftString}}));
    a.reserve(8);
    for (int i = 1; i <= 5; ++i)
        a.insert(i, {Cell::ofInt(i), Cell::ofText(QByteArray::number(i))});
    const auto state = [](const RecordTable &x) {
        QStringList s;
        for (int r = 1; r < 8; ++r)
            if (x.alive(r))
                s << QStringLiteral("%1:%2:%3:%4").arg(r).arg(x.position(r)).arg(x.cell(r, 0).i).arg(x.cell(r, 1).text);
        for (int r : x.natural())
            s << QString::number(r);
        return s.join(u' ');
    };
    const QString before = state(a);
    for (const bool changeCopy : {true, false}) {
        RecordTable b = a;
        RecordTable &changed = changeCopy ? b : a, &kept = changeCopy ? a : b;
        const QString keptBefore = state(kept);
        if (change == QLatin1String("insert"))
            changed.insert(0.5, {Cell::ofInt(9), Cell::ofText("9")});
        else if (change == QLatin1String("erase"))
            changed.erase(3);
        else if (change == QLatin1String("position"))
            changed.setPosition(2, 9.0);
        else if (change == QLatin1String("update"))
            changed.update(4, {Cell::ofInt(8), Cell::ofText("8")});
        else if (change == QLatin1String("grow"))
            changed.reserve(1000);
        else
            changed.clear();
        QCOMPARE(state(kept), keptBefore);
        QVERIFY(change == QLatin1String("grow") || state(changed) != keptBefore);
        if (!changeCopy)
            QCOMPARE(keptBefore, before);
    }
}

void TestRecordParts::ordersFollowEdits_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::newRow("a") << 1u;
    QTest::newRow("b") << 77u;
    QTest::newRow("c") << 4096u;
}

// Orders kept through inserts, updates and deletes (work on another thread
// dropped at each change, as the store does) equal those a fresh set of
// orders builds over the records as they end up; the prefix condition
// equals a scan.
void TestRecordParts::ordersFollowEdits()
{
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    RecordTable table(fieldsOf({{"ID", ftInteger}, {"NOME", ftString}, {"PRECO", ftFloat}, {"GRUPO", ftString}}));
    KeptOrders kept(table);
    const char *words[] = {"pão", "Pato", "PAPEL", "água", "Ágata", "zebra", "Ça", "pa", "", "Éclair"};
    const auto text = [&](bool nullable) {
        if (nullable && rng.bounded(5) == 0)
            return Cell();
        return Cell::ofText(QByteArray(words[rng.bounded(10)]) + QByteArray::number(rng.bounded(3)));
    };
    const auto record = [&] {
        return std::vector<Cell>{Cell::ofInt(rng.bounded(50)), text(false), Cell::ofReal(rng.bounded(100) / 4.0),
                                 text(true)};
    };
    const SortKeys orders[] = {
        {{1, false, false}}, {{1, true, true}}, {{3, false, false}, {0, true, false}}, {{2, false, false}}};
    const auto upperStarts = [](std::string_view t, std::string_view p) {
        if (t.size() < p.size())
            return false;
        for (size_t i = 0; i < p.size(); ++i)
            if (upperAscii(uchar(t[i])) != uchar(p[i]))
                return false;
        return true;
    };

    const auto insert = [&] {
        if (table.reserve(size_t(table.nextRowid()) + 1))
            kept.resize(table.capacity());
        const int r = table.insert(table.positionAfterLast() - rng.bounded(3) * 0.25, record());
        kept.written(r);
        kept.link(r);
    };
    for (int i = 0; i < 200; ++i)
        insert();
    kept.ordered(orders[0]);
    kept.ordered(orders[1]);
    kept.preparePrefixOrder(1, false);
    for (int step = 0; step < 300; ++step) {
        // The other orders are built on another thread: waited for now and
        // then, else dropped by the next change.
        if (step % 7 == 0) {
            const bool wait = step % 21 == 0;
            while (!kept.orderReady(orders[2 + size_t(step / 7) % 2]) && wait)
                QThread::msleep(1);
        }
        if (step == 150)
            while (!kept.prefixOrderReady(3, false))
                QThread::msleep(1);
        kept.stopWork();
        const std::vector<int> &natural = table.natural();
        const int r = natural[rng.bounded(qsizetype(natural.size()))];
        switch (rng.bounded(3)) {
        case 0:
            insert();
            break;
        case 1:
            kept.unlink(r);
            table.update(r, record());
            kept.written(r);
            kept.link(r);
            break;
        case 2:
            kept.unlink(r);
            table.erase(r);
            kept.erased(r);
            break;
        }
    }

    KeptOrders fresh(table);
    for (const SortKeys &k : orders)
        QCOMPARE(kept.ordered(k).get(), fresh.ordered(k).get());
    for (const char *prefix : {"PA", "P", "ÁG", "", "ZEBRA2", "X"})
        for (int field : {1, 3}) {
            std::vector<int> scan;
            for (int r : table.natural())
                if (!table.column(field).isNull(r) && upperStarts(table.column(field).text(r), prefix))
                    scan.push_back(r);
            const auto got = kept.startingWith(table.natural(), field, {}, prefix, nullptr);
            QCOMPARE(got, scan);
            QCOMPARE(fresh.startingWith(table.natural(), field, {}, prefix, nullptr), scan);
        }
}

void TestRecordParts::filterPlans_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("fastPath");
    QTest::addColumn<QString>("sqlPart"); // "-": no filter at all
    QTest::addColumn<int>("prefixField");
    QTest::addColumn<QString>("prefix");
    const QString search = QStringLiteral("UPPER(NOME) LIKE 'CA%'");
    QTest::newRow("blank") << " -- nothing\n" << true << "-" << -1 << "";
    QTest::newRow("prefix alone") << search << true << "" << 1 << "CA";
    QTest::newRow("after a base") << "ATIVO = 'S' AND " + search << true << "ATIVO = 'S'" << 1 << "CA";
    QTest::newRow("no fast path") << search << false << search << -1 << "";
    QTest::newRow("field named in another case, quoted") << "UPPER(\"nome\") LIKE 'CA%'" << true << "" << 1 << "CA";
    QTest::newRow("a float's own text is SQLite's") << "UPPER(PRECO) LIKE '1%'" << true << "UPPER(PRECO) LIKE '1%'"
                                                   << -1 << "";
    QTest::newRow("NULL is the value") << "UPPER(NULL) LIKE 'CA%'" << true << "UPPER(NULL) LIKE 'CA%'" << -1 << "";
    const QString longer = "UPPER(NOME) LIKE '" + QString(1000, u'A') + "%'";
    QTest::newRow("pattern SQLite refuses") << longer << true << longer << -1 << "";
}

// The prefix condition is evaluated natively only where that gives what
// SQLite would: a field it resolves to, of text or integers, a pattern it
// accepts; the rest of the text stays SQLite's.
void TestRecordParts::filterPlans()
{
    QFETCH(QString, filter);
    QFETCH(bool, fastPath);
    QFETCH(QString, sqlPart);
    QFETCH(int, prefixField);
    QFETCH(QString, prefix);
    const RecordTable table(fieldsOf({{"ID", ftInteger}, {"NOME", ftString}, {"PRECO", ftFloat}, {"ATIVO", ftString}}));
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &db), SQLITE_OK);
    const auto close = qScopeGuard([db] { sqlite3_close_v2(db); });
    sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 1000);
    createSchema(db, table.fields());
    FilterEngine engine(table);
    engine.attach(db);
    engine.checkFilter(filter);
    const FilterPlan plan = engine.plan(filter, fastPath);
    QCOMPARE(plan.active, sqlPart != QLatin1String("-"));
    if (plan.active)
        QCOMPARE(plan.sqlPart, sqlPart);
    QCOMPARE(plan.prefixField, prefixField);
    QCOMPARE(QString::fromUtf8(plan.prefix), prefix);
}

QTEST_GUILESS_MAIN(TestRecordParts)
#include "tst_RecordParts.moc"
