// The data grid as a touch form uses it: rows as tall as the cell font set
// after construction, columns wide enough for their field and title, and a
// double click anywhere on the cells (rows or not) reported to the form.
#include "platform/db/DBGrid.h"

#include <QHeaderView>
#include <QTest>

using namespace TouchDialogs;

class TestDBGridSizing : public QObject {
    Q_OBJECT

private slots:
    void rowsFollowTheFont_data();
    void rowsFollowTheFont();
    void columnsFitFieldAndTitle();
    void columnShowsItsWidestValue_data();
    void columnShowsItsWidestValue();
    void doubleClickAnywhere_data();
    void doubleClickAnywhere();
};

namespace {

std::unique_ptr<TClientDataSet> products()
{
    auto ds = std::make_unique<TClientDataSet>();
    ds->fromJson(R"({"fields":[{"name":"CODIGO","type":"integer","label":"Código do produto"},
        {"name":"NOME","type":"string","size":30,"label":"Nome"},{"name":"PRECO","type":"currency"}],
        "records":[[1,"Pão de queijo",5],[2,"Água",3.5]]})");
    return ds;
}

} // namespace

void TestDBGridSizing::rowsFollowTheFont_data()
{
    QTest::addColumn<int>("pixels");
    QTest::newRow("11") << 11;
    QTest::newRow("21") << 21;
    QTest::newRow("40") << 40;
}

void TestDBGridSizing::rowsFollowTheFont()
{
    QFETCH(int, pixels);
    auto ds = products();
    TDataSource source;
    source.setDataSet(ds.get());
    TDBGrid grid;
    grid.setDataSource(&source);
    QFont f = grid.font();
    f.setPixelSize(pixels);
    grid.setFont(f);
    // Accents above capitals ("Á") need the whole line height.
    QVERIFY(grid.rowHeight(0) >= QFontMetrics(f).height());
    QCOMPARE(grid.verticalHeader()->defaultSectionSize(), grid.rowHeight(1));
}

void TestDBGridSizing::columnsFitFieldAndTitle()
{
    auto ds = products();
    TDataSource source;
    source.setDataSet(ds.get());
    TDBGrid grid;
    QFont f = grid.font();
    f.setPixelSize(21);
    grid.setFont(f);
    grid.setTitleFont(f);
    grid.setDataSource(&source);
    const QFontMetrics fm(f);
    QCOMPARE(grid.Columns().Count(), 3);
    // A long title widens a narrow field's column.
    QVERIFY(grid.columnWidth(0) >= fm.horizontalAdvance(QStringLiteral("Código do produto")));
    // A text field is as wide as its declared size in digits.
    QVERIFY(grid.columnWidth(1) >= 30 * fm.horizontalAdvance(QLatin1Char('0')));
    QVERIFY(grid.columnWidth(1) > grid.columnWidth(2));
    QVERIFY(grid.columnWidth(2) >= fm.horizontalAdvance(QStringLiteral("99.999,99")));
}

void TestDBGridSizing::columnShowsItsWidestValue_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("value"); // in the JSON form
    QTest::newRow("largeint, lowest") << "largeint" << R"("-9223372036854775808")";
    QTest::newRow("largeint, highest") << "largeint" << R"("9223372036854775807")";
    QTest::newRow("currency") << "currency" << "99999.99";
    QTest::newRow("date") << "date" << R"("2024-12-28")";
    QTest::newRow("time") << "time" << R"("23:58:08")";
    QTest::newRow("datetime") << "datetime" << R"("2024-12-28 23:58:08")";
    QTest::newRow("boolean") << "boolean" << "false";
}

// Nothing of the value is cut off ("900719…") in the cell font of the touch
// forms, whatever the title.
void TestDBGridSizing::columnShowsItsWidestValue()
{
    QFETCH(QString, type);
    QFETCH(QString, value);
    TClientDataSet ds;
    ds.fromJson(QStringLiteral(R"({"fields":[{"name":"V","type":"%1"},{"name":"NOME","type":"string","size":10}],
        "records":[[%2,"x"]]})").arg(type, value).toUtf8());
    TDataSource source;
    source.setDataSet(&ds);
    TDBGrid grid;
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(21);
    f.setBold(true);
    grid.setFont(f);
    grid.setTitleFont(f);
    grid.setDataSource(&source);
    const int needed = grid.sizeHintForIndex(grid.model()->index(0, 0)).width();
    QVERIFY2(grid.columnWidth(0) >= needed, qPrintable(QStringLiteral("%1 wide for \"%2\", which needs %3")
                                                          .arg(grid.columnWidth(0))
                                                          .arg(ds.Fields(0)->AsString())
                                                          .arg(needed)));
}

void TestDBGridSizing::doubleClickAnywhere_data()
{
    QTest::addColumn<bool>("empty");
    QTest::addColumn<bool>("onRow");
    QTest::newRow("on a row") << false << true;
    QTest::newRow("below the rows") << false << false;
    QTest::newRow("no rows at all") << true << false;
}

void TestDBGridSizing::doubleClickAnywhere()
{
    QFETCH(bool, empty);
    QFETCH(bool, onRow);
    auto ds = products();
    if (empty)
        ds->EmptyDataSet();
    TDataSource source;
    source.setDataSet(ds.get());
    TDBGrid grid;
    grid.setDataSource(&source);
    grid.resize(400, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    int clicks = 0;
    grid.OnDblClick = [&](QObject *sender) {
        QCOMPARE(sender, &grid);
        ++clicks;
    };
    const QPoint at = onRow ? grid.visualRect(grid.model()->index(1, 1)).center()
                            : QPoint(20, grid.viewport()->height() - 5);
    QCOMPARE(grid.indexAt(at).isValid(), onRow);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(clicks, 1);
    if (onRow)
        QCOMPARE(ds->RecNo(), 2);
}

QTEST_MAIN(TestDBGridSizing)
#include "tst_DBGridSizing.moc"
