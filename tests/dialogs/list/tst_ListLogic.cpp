// The list builder's logic without a window: the record move between its two
// lists (its filter text is tested with the search's, in tst_SearchFilter).
#include "dialogs/list/ListMoves.h"
#include "platform/db/ClientDataSet.h"
#include "platform/rtl/Exceptions.h"

#include <QTest>

using namespace TouchDialogs;
using namespace TouchDialogs::list;

namespace {

void makeProducts(TClientDataSet &ds)
{
    ds.fromJson(R"({"fields":[{"name":"CODIGO","type":"integer"},
                              {"name":"NOME","type":"string","size":30},
                              {"name":"GRUPO","type":"string","size":15},
                              {"name":"PRECO","type":"currency"}],
                    "records":[[1,"Cafe","Bebidas",4.5],[2,"Cha","Bebidas",null],
                               [3,"Coxinha","Lanches",6],[4,"Cuscuz","Lanches",9.25],
                               [5,"Bolo","Doces",7]]})");
}

QStringList codes(TClientDataSet &ds)
{
    QStringList out;
    ds.First();
    while (!ds.Eof()) {
        out << ds.FieldByName(QStringLiteral("CODIGO"))->AsString();
        ds.Next();
    }
    return out;
}

QList<QVariantList> rows(TClientDataSet &ds)
{
    QList<QVariantList> out;
    ds.First();
    while (!ds.Eof()) {
        QVariantList row;
        for (int i = 0; i < ds.FieldCount(); ++i)
            row << ds.Fields(i)->Value();
        out << row;
        ds.Next();
    }
    return out;
}

} // namespace

class tst_ListLogic : public QObject {
    Q_OBJECT

private slots:
    void movesCopyAndLandBeforeCurrent();
    void moveFromEmptyMovesNothing();
    void refusedMoveChangesNeither();
};

// Each move copies every field (a null one too) and lands before the
// receiving side's current record; the giving side's next record becomes
// current, so moving twice takes two records, in reverse.
void tst_ListLogic::movesCopyAndLandBeforeCurrent()
{
    TClientDataSet from, to;
    makeProducts(from);
    to.setData(from.Data());
    to.EmptyDataSet();
    const QList<QVariantList> all = rows(from);
    from.First();
    QVERIFY(moveRecord(from, to));
    QVERIFY(moveRecord(from, to)); // Cha, with a null price
    QCOMPARE(from.FieldByName(QStringLiteral("CODIGO"))->AsString(), QStringLiteral("3"));
    QCOMPARE(to.FieldByName(QStringLiteral("CODIGO"))->AsString(), QStringLiteral("2"));
    QVERIFY(to.Fields(3)->IsNull());
    QCOMPARE(rows(to), (QList<QVariantList>{all.at(1), all.at(0)}));
    QCOMPARE(codes(from), (QStringList{"3", "4", "5"}));
}

void tst_ListLogic::moveFromEmptyMovesNothing()
{
    TClientDataSet from, to;
    makeProducts(from);
    to.setData(from.Data());
    from.setFilter(QStringLiteral("NOME = 'none'"));
    from.setFiltered(true);
    QVERIFY(!moveRecord(from, to));
    QCOMPARE(to.RecordCount(), 5);
    from.setFiltered(false);
    QCOMPARE(from.RecordCount(), 5);
}

// A receiving dataset that refuses the record (a value it requires is
// missing) keeps nothing of it, and the giving one keeps the record.
void tst_ListLogic::refusedMoveChangesNeither()
{
    TClientDataSet from, to;
    makeProducts(from);
    to.setData(from.Data());
    to.EmptyDataSet();
    to.First();
    QVERIFY(moveRecord(from, to)); // Cafe
    to.Fields(3)->setRequired(true);
    from.First(); // Cha, null price
    QCOMPARE(from.FieldByName(QStringLiteral("NOME"))->AsString(), QStringLiteral("Cha"));
    const auto fromBefore = rows(from);
    const auto toBefore = rows(to);
    from.First();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, moveRecord(from, to));
    QCOMPARE(to.State(), dsBrowse);
    QCOMPARE(rows(from), fromBefore);
    QCOMPARE(rows(to), toBefore);
}

QTEST_MAIN(tst_ListLogic)
#include "tst_ListLogic.moc"
