// The data grid as a touch form uses it: rows as tall as the cell font set
// after construction, columns wide enough for their field and title, all
// of them in sight when the form clips the grid, and a double click
// anywhere on the cells (rows or not) reported to the form.
#include "platform/grid/DBGrid.h"

#include <QHeaderView>
#include <QScrollBar>
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
    void fitColumnWidths_data();
    void fitColumnWidths();
    void everyColumnInSightOfAClippedGrid();
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

using Widths = QList<int>;

void TestDBGridSizing::fitColumnWidths_data()
{
    // Code, name, group and price as the search grid has them; the name and
    // the group are text.
    QTest::addColumn<Widths>("content");
    QTest::addColumn<int>("available");
    QTest::addColumn<Widths>("expected");
    const Widths texts{0, 400, 120, 0};
    QTest::newRow("room for all") << texts << 1040 << Widths{100, 500, 300, 140};
    QTest::newRow("widest text first, then one level") << texts << 800 << Widths{100, 400, 160, 140};
    QTest::newRow("below the texts, down to one level") << texts << 600 << Widths{100, 240, 120, 140};
    QTest::newRow("titles hold, the rest scrolls") << texts << 300 << Widths{100, 120, 70, 140};
    QTest::newRow("no rows measured") << Widths{0, 0, 0, 0} << 800 << Widths{100, 280, 280, 140};
    QTest::newRow("texts wider than asked") << Widths{0, 900, 900, 0} << 1000 << Widths{100, 460, 300, 140};
}

void TestDBGridSizing::fitColumnWidths()
{
    QFETCH(Widths, content);
    QFETCH(int, available);
    QFETCH(Widths, expected);
    const Widths wanted{100, 500, 300, 140}, floors{80, 120, 70, 70};
    QList<ColumnRoom> rooms;
    for (int i = 0; i < wanted.size(); ++i)
        rooms << ColumnRoom{wanted[i], floors[i], content[i], i == 1 || i == 2};
    QCOMPARE(TouchDialogs::fitColumnWidths(rooms, available), expected);
}

// As the search form holds it: a panel narrower than the grid hides the
// grid's scroll bar, and the price, last of four columns, is still touched.
void TestDBGridSizing::everyColumnInSightOfAClippedGrid()
{
    // More rows than the panel shows, so the scroll bar comes and goes.
    QString rows = QStringLiteral(R"([21,"Água mineral sem gás 500 ml","Bebidas",4.5])");
    for (int code = 100; code < 112; ++code)
        rows += QStringLiteral(R"(,[%1,"Affogato","Cafés",15])").arg(code);
    TClientDataSet ds;
    ds.fromJson(QStringLiteral(R"({"fields":[{"name":"CODIGO","type":"integer","label":"Código"},
        {"name":"NOME","type":"string","size":50,"label":"Descrição"},{"name":"GRUPO","type":"string","size":20},
        {"name":"PRECO","type":"currency","label":"Preço"}],"records":[%1]})").arg(rows).toUtf8());
    TDataSource source;
    source.setDataSet(&ds);
    QWidget panel;
    panel.resize(712, 224);
    auto *grid = new TDBGrid(&panel);
    grid->setGeometry(0, 0, 731, 243);
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(21);
    f.setBold(true);
    grid->setFont(f);
    grid->setTitleFont(f);
    grid->setDataSource(&source);
    QVERIFY(grid->horizontalHeader()->length() > 712); // as the fields ask, before it is shown
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));

    const int last = grid->Columns().Count() - 1;
    const int right = grid->viewport()->x() + grid->columnViewportPosition(last) + grid->columnWidth(last);
    QVERIFY2(right <= 712, qPrintable(QString::number(right)));
    for (int row = 0; row < 2; ++row) // numbers are never cut
        QVERIFY(grid->columnWidth(last) >= grid->sizeHintForIndex(grid->model()->index(row, last)).width());
    QVERIFY(grid->columnWidth(1) >= QFontMetrics(f).horizontalAdvance(QStringLiteral("Descrição")));

    // A width the user dragged stays while the rows change.
    grid->setColumnWidth(1, 200);
    QVERIFY(grid->verticalScrollBar()->isVisible());
    ds.setFilter(QStringLiteral("CODIGO = 21"));
    ds.setFiltered(true);
    QTRY_VERIFY(!grid->verticalScrollBar()->isVisible());
    QCOMPARE(grid->columnWidth(1), 200);
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
