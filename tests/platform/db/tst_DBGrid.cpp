// The data grid: visible fields as columns titled by DisplayLabel, title
// colours, title click, and the current row kept in step with the cursor.
#include "platform/db/DBGrid.h"
#include "support/DBSortGrid.h"
#include "platform/rtl/Exceptions.h"
#include "tests/support/TestSupport.h"

#include <QHeaderView>
#include <QPointingDevice>
#include <QScroller>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace TouchDialogs;

class TestDBGrid : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void columnsAreVisibleFields();
    void titleColours();
    void followsTheCursorBothWays();
    void titleClickNamesTheColumn();
    void options_data();
    void options();
    void sortGridIsADataGrid();
    void fingerDragScrollsTheRows();

private:
    TClientDataSet *ds = nullptr;
    TDataSource *source = nullptr;
    TDBGrid *grid = nullptr;
};

void TestDBGrid::init()
{
    ds = new TClientDataSet;
    ds->fromJson(R"({"fields":[{"name":"CODIGO","type":"integer"},{"name":"NOME","type":"string","size":40,
        "label":"Descrição"},{"name":"ATIVO","type":"string","size":1,"visible":false},
        {"name":"PRECO","type":"currency","label":"Preço"}],
        "records":[[1,"Café",  "S",6.5],[2,"Bolo","N",9],[3,"Chá","S",5],[4,"Caldo","S",12]]})");
    source = new TDataSource;
    source->setDataSet(ds);
    grid = new TDBGrid;
    grid->setDataSource(source);
    grid->resize(400, 200);
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid));
}

void TestDBGrid::cleanup()
{
    delete grid;
    delete source;
    delete ds;
}

void TestDBGrid::columnsAreVisibleFields()
{
    QCOMPARE(grid->Columns().Count(), 3);
    QCOMPARE(grid->Columns()[1].FieldName(), QStringLiteral("NOME"));
    QCOMPARE(grid->Columns()[2].Field(), ds->FieldByName(QStringLiteral("PRECO")));
    QAbstractItemModel *m = grid->model();
    QCOMPARE(m->columnCount(), 3);
    QCOMPARE(m->rowCount(), 4);
    QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Descrição"));
    QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Preço"));
    QCOMPARE(m->index(0, 2).data().toString(), QStringLiteral("6,50"));
    // A field shown again becomes a column; a new label retitles it.
    ds->FieldByName(QStringLiteral("ATIVO"))->setVisible(true);
    QCOMPARE(grid->Columns().Count(), 4);
    ds->FieldByName(QStringLiteral("CODIGO"))->setDisplayLabel(QStringLiteral("Código"));
    QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Código"));
    // The filter narrows the rows.
    ds->setFilter(QStringLiteral("ATIVO = 'S'"));
    ds->setFiltered(true);
    QCOMPARE(m->rowCount(), 3);
    QVERIFY_THROWS_EXCEPTION(EListError, grid->Columns()[7]);
}

void TestDBGrid::titleColours()
{
    grid->Columns()[1].Title().Font().setColor(clPurple);
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal, Qt::ForegroundRole).value<QBrush>().color(), QColor(128, 0, 128));
    // Labels copied after the colour was set keep the colour.
    ds->FieldByName(QStringLiteral("NOME"))->setDisplayLabel(QStringLiteral("Nome"));
    QCOMPARE(grid->Columns()[1].Title().Font().Color(), clPurple);
    QCOMPARE(grid->Columns()[0].Title().Font().Color(), clWindowText);
}

void TestDBGrid::followsTheCursorBothWays()
{
    ds->Last();
    QCOMPARE(grid->currentIndex().row(), 3);
    ds->Prior();
    QCOMPARE(grid->currentIndex().row(), 2);
    // A click on a row moves the dataset.
    const QRect cell = grid->visualRect(grid->model()->index(1, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(ds->RecNo(), 2);
    QCOMPARE(ds->FieldByName(QStringLiteral("NOME"))->AsString(), QStringLiteral("Bolo"));
    // Keys move the grid, and so the dataset.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(ds->RecNo(), 3);
    // Post and Delete move the grid with the cursor.
    ds->Insert();
    ds->FieldByName(QStringLiteral("NOME"))->setValue(QStringLiteral("Água"));
    ds->Post();
    QCOMPARE(grid->model()->rowCount(), 5);
    QCOMPARE(grid->currentIndex().row(), 2);
    QCOMPARE(grid->model()->index(2, 1).data().toString(), QStringLiteral("Água"));
    ds->Delete();
    QCOMPARE(grid->currentIndex().row(), 2);
    QCOMPARE(grid->model()->index(2, 1).data().toString(), QStringLiteral("Chá"));
}

void TestDBGrid::titleClickNamesTheColumn()
{
    QString clicked;
    grid->OnTitleClick = [&](TColumn *column) { clicked = column->FieldName(); };
    testing::touchTitle(grid, 2);
    QCOMPARE(clicked, QStringLiteral("PRECO"));
}

void TestDBGrid::options_data()
{
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("titles");
    QTest::addColumn<bool>("indicator");
    QTest::addColumn<bool>("rows");
    QTest::addColumn<bool>("editable");
    QTest::newRow("search grid") << int(dgTitles | dgRowLines | dgRowSelect | dgAlwaysShowSelection | dgColumnResize) << true << false << true << false;
    QTest::newRow("list grid") << int(dgRowSelect) << false << false << true << false;
    QTest::newRow("editing") << int(dgTitles | dgIndicator | dgEditing) << true << true << false << true;
}

void TestDBGrid::options()
{
    QFETCH(int, options);
    QFETCH(bool, titles);
    QFETCH(bool, indicator);
    QFETCH(bool, rows);
    QFETCH(bool, editable);
    grid->setOptions(TDBGridOptions(options));
    QCOMPARE(grid->horizontalHeader()->isVisible(), titles);
    QCOMPARE(grid->verticalHeader()->isVisible(), indicator);
    QCOMPARE(grid->selectionBehavior() == QAbstractItemView::SelectRows, rows);
    QCOMPARE(grid->model()->flags(grid->model()->index(0, 0)).testFlag(Qt::ItemIsEditable), editable);
    if (editable) {
        QVERIFY(grid->model()->setData(grid->model()->index(1, 1), QStringLiteral("Bolo de milho"), Qt::EditRole));
        ds->setRecNo(2);
        QCOMPARE(ds->FieldByName(QStringLiteral("NOME"))->AsString(), QStringLiteral("Bolo de milho"));
    }
}

void TestDBGrid::sortGridIsADataGrid()
{
    TDBSortGrid sortGrid;
    sortGrid.setDataSource(source);
    QCOMPARE(sortGrid.Columns().Count(), 3);
    ds->setRecNo(3);
    QCOMPARE(sortGrid.currentIndex().row(), 2);
}

void TestDBGrid::fingerDragScrollsTheRows()
{
    for (int code = 5; code <= 60; ++code) {
        ds->Append();
        ds->FieldByName(QStringLiteral("CODIGO"))->setValue(code);
        ds->Post();
    }
    ds->First();
    static QPointingDevice *const finger = QTest::createTouchDevice();
    QWidget *viewport = grid->viewport();
    QPoint at(100, 150);
    QTest::touchEvent(viewport, finger).press(0, at);
    for (int step = 0; step < 10; ++step) {
        at.ry() -= 12;
        QTest::touchEvent(viewport, finger).move(0, at);
    }
    QTest::touchEvent(viewport, finger).release(0, at);
    QTRY_VERIFY(grid->verticalScrollBar()->value() > 0);
    QCOMPARE(ds->RecNo(), 1); // a drag picks no row
    // A tap still does.
    QTRY_VERIFY(QScroller::scroller(viewport)->state() == QScroller::Inactive);
    const QRect cell = grid->visualRect(grid->model()->index(grid->rowAt(50), 1));
    QTest::touchEvent(viewport, finger).press(0, cell.center());
    QTest::touchEvent(viewport, finger).release(0, cell.center());
    QTRY_COMPARE(ds->RecNo(), grid->rowAt(50) + 1);
}

QTEST_MAIN(TestDBGrid)
#include "tst_DBGrid.moc"
