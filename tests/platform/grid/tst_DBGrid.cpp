// The data grid: visible fields as columns titled by DisplayLabel, title
// colours, title click, the current row kept in step with the cursor, and
// cells drawn as Qt's styled delegate draws them.
#include "platform/grid/DBGrid.h"
#include "support/DBSortGrid.h"
#include "platform/rtl/Exceptions.h"
#include "tests/common/TestSupport.h"

#include <QHeaderView>
#include <QPointingDevice>
#include <QScroller>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace TouchDialogs;
using TouchDialogs::testing::PaintCount;

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
    void activationRepaintsWhatItChanges_data();
    void activationRepaintsWhatItChanges();
    void sortGridIsADataGrid();
    void fingerDragScrollsTheRows();
    void cellsDrawnAsTheStyledDelegate_data();
    void cellsDrawnAsTheStyledDelegate();
    void keptTextsOfTheLastScreensOnly();

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

// Activation and deactivation repaint the rows and titles only when they
// look different in an inactive window: otherwise a dialog would paint
// twice on opening, the second time the same.
void TestDBGrid::activationRepaintsWhatItChanges_data()
{
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("inactiveHighlight");
    QTest::newRow("selection always shown") << int(dgTitles | dgRowSelect | dgAlwaysShowSelection) << false;
    QTest::newRow("one palette") << int(dgTitles | dgRowSelect) << false;
    QTest::newRow("inactive selection differs") << int(dgTitles | dgRowSelect) << true;
}

void TestDBGrid::activationRepaintsWhatItChanges()
{
    QFETCH(int, options);
    QFETCH(bool, inactiveHighlight);
    grid->setOptions(TDBGridOptions(options));
    if (inactiveHighlight) {
        QPalette palette = grid->palette();
        palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::darkGray);
        grid->setPalette(palette);
    }
    // Focus would repaint the current row: in a dialog the edit has it.
    grid->setFocusPolicy(Qt::NoFocus);
    grid->clearFocus();
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTest::qWait(20);
    // The grid's window activated, then deactivated.
    for (QWidget *w : {static_cast<QWidget *>(grid), &other}) {
        PaintCount rows, titles;
        grid->viewport()->installEventFilter(&rows);
        grid->horizontalHeader()->viewport()->installEventFilter(&titles);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTest::qWait(20);
        QCOMPARE(rows.paints > 0, inactiveHighlight);
        QCOMPARE(titles.paints > 0, inactiveHighlight);
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

namespace {

QImage drawn(QWidget *w, qreal scale)
{
    QImage image(w->size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::black);
    w->render(&image);
    return image;
}

QString firstDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return QStringLiteral("sizes differ");
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QStringLiteral("(%1,%2): %3 against %4")
                    .arg(x)
                    .arg(y)
                    .arg(a.pixel(x, y), 8, 16)
                    .arg(b.pixel(x, y), 8, 16);
    return {};
}

} // namespace

void TestDBGrid::cellsDrawnAsTheStyledDelegate_data()
{
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("focus");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<Qt::LayoutDirection>("direction");
    QTest::addColumn<QString>("family");
    QTest::addColumn<qreal>("scale");
    const int rows = dgTitles | dgRowLines | dgRowSelect;
    const QString dejaVu = QStringLiteral("DejaVu Sans");
    const struct {
        const char *name;
        int options;
        bool focus, enabled;
        Qt::LayoutDirection direction;
        QString family;
    } states[] = {
        {"row lines, row selected, focus", rows, true, true, Qt::LeftToRight, dejaVu},
        {"row lines, row selected, no focus", rows, false, true, Qt::LeftToRight, dejaVu},
        {"search grid, no focus", rows | dgAlwaysShowSelection, false, true, Qt::LeftToRight, dejaVu},
        {"column lines, cell current, focus", dgTitles | dgColLines, true, true, Qt::LeftToRight, dejaVu},
        {"both lines, cell current, no focus", dgColLines | dgRowLines, false, true, Qt::LeftToRight, dejaVu},
        {"no lines, disabled", dgRowSelect, false, false, Qt::LeftToRight, dejaVu},
        {"right to left", rows, true, true, Qt::RightToLeft, dejaVu},
        // Fonts whose lines have leading: a fraction of a pixel, and four.
        {"leading 0.69", rows, false, true, Qt::LeftToRight, QStringLiteral("Liberation Sans")},
        {"leading 4.2", rows, false, true, Qt::LeftToRight, QStringLiteral("C059")},
    };
    for (const qreal scale : {1.0, 1.5})
        for (const auto &s : states)
            QTest::addRow("%s, scale %g", s.name, scale)
                << s.options << s.focus << s.enabled << s.direction << s.family << scale;
}

void TestDBGrid::cellsDrawnAsTheStyledDelegate()
{
    QFETCH(int, options);
    QFETCH(bool, focus);
    QFETCH(bool, enabled);
    QFETCH(Qt::LayoutDirection, direction);
    QFETCH(QString, family);
    QFETCH(qreal, scale);
    // The current row has a text and a number too long for their columns
    // and an empty cell; another row too, unselected.
    TClientDataSet data;
    data.fromJson(R"({"fields":[{"name":"CODIGO","type":"integer"},{"name":"NOME","type":"string","size":40},
        {"name":"PRECO","type":"currency"},{"name":"OBS","type":"string","size":10}],
        "records":[[1,"Café",6.5,"Quente"],[2,"Pão de queijo com requeijão e goiabada",1234567.89,null],
        [3,"Çñø 中文",5,""],[4,"Bolo de milho com erva-doce e canela",null,"Fatia"],[null,"Chá",0.5,"Gelado"]]})");
    data.setRecNo(2);
    TDataSource dataSource;
    dataSource.setDataSet(&data);
    TDBGrid g;
    g.setStyledCells(true);
    QFont f(family);
    f.setBold(true);
    f.setPixelSize(21);
    g.setFont(f);
    g.setColor(QColor(255, 255, 225));
    g.setOptions(TDBGridOptions(options));
    g.setLayoutDirection(direction);
    g.setEnabled(enabled);
    g.setDataSource(&dataSource);
    g.resize(500, 200);
    g.show();
    QVERIFY(QTest::qWaitForWindowActive(&g));
    g.setColumnWidth(1, 150);
    g.setColumnWidth(2, 80);
    if (focus)
        g.setFocus();
    else
        g.clearFocus();
    QCOMPARE(g.hasFocus(), focus);

    const QImage styled = drawn(&g, scale);
    QCOMPARE(g.keptCellTexts(), 0);
    g.setStyledCells(false);
    const QImage own = drawn(&g, scale);
    QVERIFY(g.keptCellTexts() > 0);
    QCOMPARE(firstDifference(own, styled), QString());
}

void TestDBGrid::keptTextsOfTheLastScreensOnly()
{
    QStringList records;
    for (int code = 1; code <= 1500; ++code)
        records << QStringLiteral("[%1,\"Produto %1\",\"S\",%1]").arg(code);
    ds->fromJson(QStringLiteral(R"({"fields":[{"name":"CODIGO","type":"integer"},{"name":"NOME","type":"string","size":40},
        {"name":"ATIVO","type":"string","size":1,"visible":false},{"name":"PRECO","type":"currency"}],"records":[%1]})")
                     .arg(records.join(u','))
                     .toUtf8());
    grid->resize(400, 2000);
    QScrollBar *rows = grid->verticalScrollBar();
    for (int top = 0; top <= rows->maximum(); top += grid->viewport()->height()) {
        rows->setValue(top);
        drawn(grid, 1);
    }
    // 4 500 texts were drawn; a few screens of them are kept.
    QVERIFY(grid->keptCellTexts() > 0);
    QVERIFY(grid->keptCellTexts() < 1500);
}

QTEST_MAIN(TestDBGrid)
#include "tst_DBGrid.moc"
