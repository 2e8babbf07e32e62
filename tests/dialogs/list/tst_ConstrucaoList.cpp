// The list builder end to end: ConstrucaoList driven by touches on the named
// components and real key events, checking what the host gets back and what
// happens to its dataset.
#include "dialogs/list/ListUnit.h"
#include "dialogs/list/TfrmConstrucaoLista.h"
#include "frame/Frame.h"
#include "platform/db/ClientDataSet.h"
#include "platform/grid/DBGrid.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/Exceptions.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QPointer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <algorithm>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;
namespace ls = TouchDialogs::list;

namespace {

// Sorted by name: 6 Agua, 8 Bolo, 7 Cachaca, 1 Cafe, 2 Cha, 5 Coxinha, 4 Pao, 3 Suco.
const char *productsJson = R"({"fields":[
    {"name":"CODIGO","type":"integer","label":"Código"},
    {"name":"NOME","type":"string","size":30,"label":"Produto"},
    {"name":"GRUPO","type":"string","size":15,"label":"Grupo"},
    {"name":"ATIVO","type":"string","size":1,"visible":false}],
  "records":[[1,"Cafe","Bebidas","S"],[2,"Cha mate","Bebidas","S"],[3,"Suco de laranja","Bebidas","N"],
             [4,"Pao de queijo","Lanches","S"],[5,"Coxinha","Lanches","S"],[6,"Agua mineral","Bebidas","S"],
             [7,"Cachaca","Bebidas","S"],[8,"Bolo de cenoura","Doces","S"]]})";

std::unique_ptr<TClientDataSet> products(const char *json = productsJson)
{
    auto ds = std::make_unique<TClientDataSet>();
    ds->fromJson(json);
    return ds;
}

QStringList codesOf(TClientDataSet &ds)
{
    QStringList out;
    if (!ds.Active())
        return out;
    ds.First();
    while (!ds.Eof()) {
        out << ds.Fields(0)->AsString();
        ds.Next();
    }
    return out;
}

QStringList packetCodes(const QVariant &packet)
{
    TClientDataSet ds;
    ds.setData(packet);
    return codesOf(ds);
}

// Every record of a dataset, filter or not, as text rows.
QStringList allRows(const TClientDataSet &ds)
{
    TClientDataSet copy;
    copy.setData(ds.Data());
    QStringList out;
    copy.First();
    while (!copy.Eof()) {
        QStringList row;
        for (int i = 0; i < copy.FieldCount(); ++i)
            row << copy.Fields(i)->AsString();
        out << row.join(u'|');
        copy.Next();
    }
    out.sort();
    return out;
}

TfrmConstrucaoLista *form(QWidget *dlg)
{
    return qobject_cast<TfrmConstrucaoLista *>(dlg);
}

template <class T = QWidget> T *child(QWidget *dlg, const char *name)
{
    return dlg->findChild<T *>(QString::fromLatin1(name));
}

bool enabled(QWidget *dlg, const char *name)
{
    return child(dlg, name)->isEnabled();
}

QString searchText(QWidget *dlg)
{
    return child<TEdit>(dlg, "edtFiltro")->Text();
}

// The shared steps (see TestSupport.h), and two of this dialog's own:
// "gridkey [Mods+]NAME" (a key with the upper grid focused), "title N" (a
// touch on column title N).
void act(QWidget *dlg, const QString &step)
{
    const QString verb = step.section(u' ', 0, 0);
    const QString arg = step.section(u' ', 1);
    if (verb == QLatin1String("gridkey")) {
        QWidget *grid = child(dlg, "dbgPesquisa");
        grid->setFocus();
        perform(grid, QStringLiteral("key ") + arg);
    } else if (verb == QLatin1String("title")) {
        touchTitle(dlg, arg.toInt());
    } else {
        perform(dlg, step);
    }
}

struct Outcome {
    QVariant packet;
    QStringList codes;   // of the returned list, in list order
    bool fired = false;
    bool stuck = false;  // the last step did not end the dialog
    bool globalWasForm = false;
};

// Runs the dialog over `source`: `inside` sees the open dialog, then the
// steps run; the last one should end it.
Outcome run(TClientDataSet &source, const QStringList &steps, const std::function<void(QWidget *)> &inside = {},
            const QString &description = QStringLiteral("Itens do combo"))
{
    Outcome out;
    auto fired = whenModal([&out, steps, inside](QWidget *dlg) {
        out.globalWasForm = dlg == ls::frmConstrucaoLista;
        // Keys go to the focused control once the window is active.
        QTRY_COMPARE(QApplication::activeWindow(), dlg);
        if (inside)
            inside(dlg);
        for (const QString &s : steps)
            act(dlg, s);
        whenLeftOpen(dlg, [dlg, &out] {
            out.stuck = true;
            form(dlg)->spbSairClick(dlg);
        });
    });
    out.packet = ls::ConstrucaoList(&source, description);
    out.fired = *fired;
    out.codes = packetCodes(out.packet);
    return out;
}

} // namespace

class tst_ConstrucaoList : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void moves_data();
    void moves();
    void emptySource();
    void buttonStates();
    void sairReturnsTheStructureOnly();
    void sourceKeepsRecordsAndFilter();
    void hostFilterFromTheFirstCharacter();
    void search_data();
    void search();
    void typedTextMatchesTheGrid_data();
    void typedTextMatchesTheGrid();
    void titleTouch();
    void panelToggle();
    void caseTable_data();
    void caseTable();
    void randomUseLosesNothing_data();
    void randomUseLosesNothing();
    void refusedMoveChangesNeitherList();
    void comingBackKeepsTheList();
    void sourceRefused_data();
    void sourceRefused();
    void modalRunRaisingStillFreesTheForm();
    void layout();
};

void tst_ConstrucaoList::initTestCase()
{
    Initialize();
    setCapsLockStateForTesting(0);
}

void tst_ConstrucaoList::cleanupTestCase()
{
    ls::stlblDesc = QStringLiteral("left over");
    Finalize();
    QVERIFY(ls::stlblDesc.isEmpty());
    setCapsLockStateForTesting(-1);
}

void tst_ConstrucaoList::cleanup()
{
    Application::setExtensions({});
    QCOMPARE(ls::frmConstrucaoLista, nullptr);
    QTRY_COMPARE(liveWidgets<TfrmConstrucaoLista>(), 0);
}

void tst_ConstrucaoList::moves_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("codes");

    QTest::newRow("1 two moves in a row land in reverse order")
        << QStringList{"touch spbAdicionar", "touch spbAdicionar", "touch spbConfirma"} << QStringList{"8", "6"};
    QTest::newRow("2 Alt+A adds, Enter confirms")
        << QStringList{"key Alt+A", "key Return"} << QStringList{"6"};
    QTest::newRow("3 Ctrl+A and Shift+Alt+A do not add")
        << QStringList{"key Ctrl+A", "key Shift+Alt+A", "touch spbPesquisa", "touch spbConfirma"} << QStringList{};
    QTest::newRow("4 Alt+E moves back")
        << QStringList{"key Alt+A", "key Alt+A", "key Alt+E", "key Return"} << QStringList{"6"};
    QTest::newRow("5 Enter on the grid adds, the next adds and ends")
        << QStringList{"gridkey Return", "gridkey Return"} << QStringList{"8", "6"};
    QTest::newRow("6 navigation picks the record")
        << QStringList{"touch sbtUltimo", "touch spbAdicionar", "touch sbtPrimeiro", "touch sbtRolaBaixo",
                       "touch spbAdicionar", "touch sbtRolarCima", "touch spbAdicionar", "touch spbConfirma"}
        << QStringList{"6", "8", "3"};
    QTest::newRow("7 list navigation picks the record moved back")
        << QStringList{"touch spbAdicionar", "touch spbAdicionar", "touch spbAdicionar", "touch sbtUltimo1",
                       "touch sbtRolarCima1", "touch spbRetorna", "touch sbtPrimeiro1", "touch sbtRolaBaixo1",
                       "touch spbConfirma"}
        << QStringList{"7", "6"};
    QTest::newRow("8 Escape leaves with nothing")
        << QStringList{"touch spbAdicionar", "touch spbAdicionar", "key Escape"} << QStringList{};
    QTest::newRow("9a no close box: the window manager's close is not the user's")
        << QStringList{"touch spbAdicionar", "close", "touch spbConfirma"} << QStringList{"6"};
    QTest::newRow("9 Alt+F4 does not close")
        << QStringList{"touch spbAdicionar", "key Alt+F4", "touch spbConfirma"} << QStringList{"6"};
    QTest::newRow("10 typed search picks the record")
        << QStringList{"type cox", "touch spbAdicionar", "type x", "touch spbAdicionar", "touch spbConfirma"}
        << QStringList{"5"};
    QTest::newRow("11 Enter in the search box closes once Confirmar is on")
        << QStringList{"type bo", "touch spbAdicionar", "key Return"} << QStringList{"8"};
}

void tst_ConstrucaoList::moves()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, codes);
    auto source = products();
    const Outcome out = run(*source, steps);
    QVERIFY(out.fired);
    QVERIFY2(!out.stuck, "the dialog did not end at the last step");
    QVERIFY(out.globalWasForm);
    QCOMPARE(out.codes, codes);
}

void tst_ConstrucaoList::emptySource()
{
    auto source = products(R"({"fields":[{"name":"CODIGO","type":"integer"},{"name":"NOME","type":"string","size":9}],
                               "records":[]})");
    bool retorna = false, confirma = false;
    const Outcome out = run(*source, {"touch spbAdicionar", "touch spbConfirma"}, [&](QWidget *dlg) {
        QVERIFY(form(dlg)->cdsItens->IsEmpty());
        QVERIFY(form(dlg)->cdsListaDest->IsEmpty());
        touch(dlg, QStringLiteral("spbAdicionar"));
        retorna = enabled(dlg, "spbRetorna");
        confirma = enabled(dlg, "spbConfirma");
    });
    QVERIFY(!out.stuck);
    QVERIFY(retorna);
    QVERIFY(confirma);
    QCOMPARE(out.codes, QStringList{});
    TClientDataSet result;
    result.setData(out.packet);
    QCOMPARE(result.FieldCount(), 2);
}

void tst_ConstrucaoList::buttonStates()
{
    auto source = products();
    QStringList seen;
    const auto state = [&seen](QWidget *dlg, const QString &after) {
        seen << QStringLiteral("%1: %2%3").arg(after).arg(enabled(dlg, "spbRetorna")).arg(enabled(dlg, "spbConfirma"));
    };
    run(*source, {"touch spbSair"}, [&](QWidget *dlg) {
        state(dlg, "open");
        touch(dlg, "spbAdicionar");
        state(dlg, "add");
        touch(dlg, "spbRetorna");
        state(dlg, "back the only one");
        touch(dlg, "spbRetorna");
        state(dlg, "back from empty");
        touch(dlg, "spbPesquisa");
        state(dlg, "search");
        touch(dlg, "spbRetorna");
        state(dlg, "back from empty again");
        touch(dlg, "spbAdicionar");
        touch(dlg, "spbAdicionar");
        touch(dlg, "spbRetorna");
        state(dlg, "back one of two");
    });
    QCOMPARE(seen, (QStringList{"open: 00", "add: 11", "back the only one: 00", "back from empty: 00",
                                "search: 11", "back from empty again: 11", "back one of two: 11"}));
}

void tst_ConstrucaoList::sairReturnsTheStructureOnly()
{
    auto source = products();
    const Outcome out = run(*source, {"touch spbAdicionar", "touch spbAdicionar", "touch spbAdicionar",
                                      "touch sbtPrimeiro1", "touch sbtRolaBaixo1", "touch spbSair"});
    QVERIFY(!out.stuck);
    TClientDataSet result;
    result.setData(out.packet);
    QVERIFY(result.IsEmpty());
    QCOMPARE(result.FieldCount(), source->FieldCount());
    for (int i = 0; i < source->FieldCount(); ++i) {
        QCOMPARE(result.Fields(i)->FieldName(), source->Fields(i)->FieldName());
        QCOMPARE(result.Fields(i)->DataType(), source->Fields(i)->DataType());
        QCOMPARE(result.Fields(i)->Size(), source->Fields(i)->Size());
        QCOMPARE(result.Fields(i)->Visible(), source->Fields(i)->Visible());
    }
}

void tst_ConstrucaoList::sourceKeepsRecordsAndFilter()
{
    auto source = products();
    source->IndexDefs().Add(QStringLiteral("OLD"), QStringLiteral("GRUPO;NOME"));
    source->setIndexName(QStringLiteral("OLD"));
    source->setFilter(QStringLiteral("ATIVO = 'S'"));
    source->setFiltered(true);
    const QStringList before = allRows(*source);
    const QStringList viewBefore = codesOf(*source);

    const Outcome out = run(*source, {"touch spbAdicionar", "type c", "touch spbAdicionar", "touch spbConfirma"});
    QCOMPARE(out.codes.size(), 2);
    QCOMPARE(allRows(*source), before);
    QCOMPARE(source->Filter(), QStringLiteral("ATIVO = 'S'"));
    QVERIFY(source->Filtered());
    QStringList names;
    for (int i = 0; i < source->IndexDefs().Count(); ++i) {
        QCOMPARE(source->IndexDefs()[i].Fields(), source->IndexDefs()[i].Name());
        names << source->IndexDefs()[i].Name();
    }
    QCOMPARE(names, (QStringList{"CODIGO", "NOME", "GRUPO"}));
    // Its old order is gone with its definition; the records it shows are the same.
    QStringList view = codesOf(*source);
    view.sort();
    QStringList expected = viewBefore;
    expected.sort();
    QCOMPARE(view, expected);
}

void tst_ConstrucaoList::hostFilterFromTheFirstCharacter()
{
    auto source = products();
    source->setFilter(QStringLiteral("GRUPO = 'Bebidas'"));
    QStringList atOpen, afterC, afterBackspace, afterDelete, afterExit;
    QString filterAfterC;
    run(*source, {"touch spbSair"}, [&](QWidget *dlg) {
        TClientDataSet *items = form(dlg)->cdsItens;
        QVERIFY(!items->Filtered());
        atOpen = codesOf(*items);
        act(dlg, "type c");
        filterAfterC = items->Filter();
        afterC = codesOf(*items);
        act(dlg, "key Backspace");
        afterBackspace = codesOf(*items);
        act(dlg, "type z");
        act(dlg, "touch spbPesquisa");
        act(dlg, "touch spdLimpar");
        afterDelete = codesOf(*items);
        act(dlg, "touch spdZ");
        QCOMPARE(searchText(dlg), QStringLiteral("z"));
        act(dlg, "touch spdSair");
        QCOMPARE(items->Filter(), QStringLiteral("GRUPO = 'Bebidas'"));
        afterExit = codesOf(*items);
        QCOMPARE(searchText(dlg), QString());
        QVERIFY(!child(dlg, "pnlTeclado")->isVisible());
    });
    QCOMPARE(atOpen, (QStringList{"6", "8", "7", "1", "2", "5", "4", "3"}));
    QCOMPARE(filterAfterC, QStringLiteral("GRUPO = 'Bebidas' AND UPPER(NOME) LIKE 'C%'"));
    QCOMPARE(afterC, (QStringList{"7", "1", "2"}));
    QCOMPARE(afterBackspace, (QStringList{"6", "7", "1", "2", "3"}));
    QCOMPARE(afterDelete, afterBackspace);
    QCOMPARE(afterExit, afterBackspace);
}

void tst_ConstrucaoList::search_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("filtered");
    QTest::addColumn<bool>("enterKey");

    QTest::newRow("1 two letters") << "" << QStringList{"type ab"} << "ab" << "UPPER(NOME) LIKE 'AB%'" << true << false;
    QTest::newRow("2 letters in any case") << "" << QStringList{"type CaF"} << "caf" << "UPPER(NOME) LIKE 'CAF%'" << true << true;
    QTest::newRow("3 keys on screen") << "" << QStringList{"touch spbPesquisa", "touch spdC", "touch spdH"} << "ch"
                                     << "UPPER(NOME) LIKE 'CH%'" << true << true;
    QTest::newRow("4 outside the set") << "" << QStringList{"type c-'\u00e9"} << "c" << "UPPER(NOME) LIKE 'C%'" << true << true;
    QTest::newRow("5 c-cedilla as typed") << "" << QStringList{"type \u00e7\u00c7"} << "\u00e7\u00c7"
                                         << "UPPER(NOME) LIKE '\u00e7\u00c7%'" << true << false;
    QTest::newRow("6 punctuation and digits") << "" << QStringList{"type 1/2, x."} << "1/2, x."
                                              << "UPPER(NOME) LIKE '1/2, X.%'" << true << false;
    QTest::newRow("7 Delete without base") << "" << QStringList{"type ca", "key Delete"} << "" << "" << false << true;
    QTest::newRow("8 Delete with base") << "ATIVO = 'S'" << QStringList{"type ca", "key Delete"} << "" << "ATIVO = 'S'"
                                        << true << true;
    QTest::newRow("9 Backspace on empty") << "ATIVO = 'N'" << QStringList{"key Backspace"} << "" << "ATIVO = 'N'"
                                          << true << true;
    QTest::newRow("10 Backspace key on screen") << "" << QStringList{"type cax", "touch spbPesquisa", "touch spdBackSpace"}
                                               << "ca" << "UPPER(NOME) LIKE 'CA%'" << true << true;
    QTest::newRow("11 OR base in parentheses") << "GRUPO = 'Doces' OR GRUPO = 'Lanches'" << QStringList{"type c"} << "c"
                                              << "(GRUPO = 'Doces' OR GRUPO = 'Lanches') AND UPPER(NOME) LIKE 'C%'"
                                              << true << true;
    QTest::newRow("12 Escape in the box") << "ATIVO = 'S'" << QStringList{"type ca", "touch spbAdicionar", "key Escape"}
                                          << "" << "ATIVO = 'S'" << true << true;
}

void tst_ConstrucaoList::search()
{
    QFETCH(QString, base);
    QFETCH(QStringList, steps);
    QFETCH(QString, text);
    QFETCH(QString, filter);
    QFETCH(bool, filtered);
    QFETCH(bool, enterKey);

    auto source = products();
    source->setFilter(base);
    QString seenText, seenFilter;
    bool seenFiltered = false, seenEnter = false;
    const bool endsItself = steps.last() == QLatin1String("key Escape");
    Outcome out = run(*source, {}, [&](QWidget *dlg) {
        for (const QString &s : steps)
            act(dlg, s);
        seenText = searchText(dlg);
        seenFilter = form(dlg)->cdsItens->Filter();
        seenFiltered = form(dlg)->cdsItens->Filtered();
        seenEnter = enabled(dlg, "spdEnter");
        if (!endsItself)
            touch(dlg, QStringLiteral("spbSair"));
    });
    QVERIFY(!out.stuck);
    QCOMPARE(seenText, text);
    QCOMPARE(seenFilter, filter);
    QCOMPARE(seenFiltered, filtered);
    QCOMPARE(seenEnter, enterKey);
    QCOMPARE(out.codes, QStringList{});
}

// Prices are typed as the grid shows them; accents are ignored only when
// the host asks.
void tst_ConstrucaoList::typedTextMatchesTheGrid_data()
{
    QTest::addColumn<bool>("ignoreAccents");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("codes");

    QTest::newRow("price 4,5") << false << QStringList{"title 2", "type 4,5"}
                               << "UPPER(ASSTRING(PRECO, 'currency')) LIKE '4,5%'" << QStringList{"1"};
    QTest::newRow("accents count") << false << QStringList{"type cafe"} << "UPPER(NOME) LIKE 'CAFE%'"
                                   << QStringList{"2"};
    QTest::newRow("accents ignored") << true << QStringList{"type cafe"} << "UPPER(UNACCENT(NOME)) LIKE 'CAFE%'"
                                     << QStringList{"1", "2"};
    QTest::newRow("c finds Ç") << true << QStringList{"type c"} << "UPPER(UNACCENT(NOME)) LIKE 'C%'"
                                    << QStringList{"1", "2", "3"};
    QTest::newRow("Backspace keeps the view") << true << QStringList{"type cx", "key Backspace"}
                                              << "UPPER(UNACCENT(NOME)) LIKE 'C%'" << QStringList{"1", "2", "3"};
}

void tst_ConstrucaoList::typedTextMatchesTheGrid()
{
    QFETCH(bool, ignoreAccents);
    QFETCH(QStringList, steps);
    QFETCH(QString, filter);
    QFETCH(QStringList, codes);

    Extensions on;
    on.ignoreAccents = ignoreAccents;
    Application::setExtensions(on);
    auto source = products(R"({"fields":[{"name":"CODIGO","type":"integer"},{"name":"NOME","type":"string","size":30},
        {"name":"PRECO","type":"currency"}],
        "records":[[1,"Caf\u00e9",4.5],[2,"Cafe com leite",14.5],[3,"\u00c7ebola",45]]})");
    QString seenFilter;
    QStringList seenCodes;
    run(*source, {"touch spbSair"}, [&](QWidget *dlg) {
        for (const QString &s : steps)
            act(dlg, s);
        seenFilter = form(dlg)->cdsItens->Filter();
        seenCodes = codesOf(*form(dlg)->cdsItens);
    });
    QCOMPARE(seenFilter, filter);
    QCOMPARE(seenCodes, codes);
}

void tst_ConstrucaoList::titleTouch()
{
    auto source = products();
    run(*source, {"touch spbSair"}, [&](QWidget *dlg) {
        TfrmConstrucaoLista *f = form(dlg);
        TDBGridColumns &columns = child<TDBGrid>(dlg, "dbgPesquisa")->Columns();
        QCOMPARE(columns.Count(), 3);
        QCOMPARE(columns[0].Title().Caption(), QStringLiteral("Código"));
        QCOMPARE(columns[1].Title().Caption(), QStringLiteral("Produto"));
        QCOMPARE(columns[0].Title().Font().Color(), clWindowText);
        QCOMPARE(columns[1].Title().Font().Color(), clPurple);
        QCOMPARE(f->cdsItens->IndexName(), QStringLiteral("NOME"));
        QCOMPARE(f->campoFiltro(), QStringLiteral("NOME"));

        act(dlg, "type c");
        act(dlg, "title 2");
        QCOMPARE(searchText(dlg), QString());
        QCOMPARE(columns[0].Title().Font().Color(), clNavy);
        QCOMPARE(columns[1].Title().Font().Color(), clNavy);
        QCOMPARE(columns[2].Title().Font().Color(), clPurple);
        QCOMPARE(f->cdsItens->IndexName(), QStringLiteral("GRUPO"));
        QCOMPARE(f->campoFiltro(), QStringLiteral("GRUPO"));
        // The old filter still narrows the list until the next key.
        QCOMPARE(f->cdsItens->Filter(), QStringLiteral("UPPER(NOME) LIKE 'C%'"));
        QCOMPARE(codesOf(*f->cdsItens), (QStringList{"1", "2", "7", "5"}));

        act(dlg, "type l");
        QCOMPARE(f->cdsItens->Filter(), QStringLiteral("UPPER(GRUPO) LIKE 'L%'"));
        QCOMPARE(codesOf(*f->cdsItens), (QStringList{"4", "5"}));
        act(dlg, "title 0");
        act(dlg, "type 1");
        QCOMPARE(f->cdsItens->Filter(), QStringLiteral("UPPER(CODIGO) LIKE '1%'"));
        QCOMPARE(codesOf(*f->cdsItens), QStringList{"1"});
    });
}

void tst_ConstrucaoList::panelToggle()
{
    auto source = products();
    QStringList seen;
    run(*source, {"touch spbSair"}, [&](QWidget *dlg) {
        auto *panel = child(dlg, "pnlTeclado");
        const auto note = [&](const QString &after) {
            seen << QStringLiteral("%1: %2 %3").arg(after, panel->isVisible() ? "shown" : "hidden",
                                                    form(dlg)->modoTeclado());
        };
        note("open");
        for (const char *step : {"touch spbPesquisa", "touch spbPesquisa", "touch spbPesquisa", "touch spdEnter",
                                 "touch spbPesquisa", "touch spbPesquisa", "touch spdSair", "key Alt+P",
                                 "key Alt+P", "touch spbAdicionar", "touch spbPesquisa", "touch spbPesquisa"}) {
            act(dlg, QString::fromLatin1(step));
            note(QString::fromLatin1(step));
        }
    });
    QCOMPARE(seen, (QStringList{"open: hidden ", "touch spbPesquisa: shown 1", "touch spbPesquisa: hidden 2",
                                "touch spbPesquisa: shown 1", "touch spdEnter: hidden 1",
                                "touch spbPesquisa: hidden 2", "touch spbPesquisa: shown 1",
                                "touch spdSair: hidden 1", "key Alt+P: hidden 2", "key Alt+P: shown 1",
                                "touch spbAdicionar: hidden 1", "touch spbPesquisa: hidden 2",
                                "touch spbPesquisa: shown 1"}));
}

void tst_ConstrucaoList::caseTable_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("captions");

    QTest::newRow("1 lower") << QStringList{"touch spdA", "touch spdCCdil"} << "a\u00e7" << kLowerLetters;
    QTest::newRow("2 shift: one capital") << QStringList{"touch spdShift", "touch spdA", "touch spdB"} << "Ab" << kLowerLetters;
    QTest::newRow("3 shift twice") << QStringList{"touch spdShift", "touch spdShift", "touch spdA"} << "a" << kLowerLetters;
    QTest::newRow("4 caps") << QStringList{"touch spdCapsLock", "touch spdA", "touch spdCCdil"} << "A\u00c7" << kUpperLetters;
    QTest::newRow("5 caps+shift: one small letter") << QStringList{"touch spdCapsLock", "touch spdShift", "touch spdA", "touch spdB"}
                                                    << "aB" << kUpperLetters;
    QTest::newRow("6 caps+shift c-cedilla") << QStringList{"touch spdCapsLock", "touch spdShift", "touch spdCCdil"}
                                            << "\u00e7" << kUpperLetters;
    QTest::newRow("7 shift c-cedilla") << QStringList{"touch spdShift", "touch spdCCdil", "touch spdCCdil"}
                                       << "\u00c7\u00e7" << kLowerLetters;
    QTest::newRow("8 caps+shift, shift again") << QStringList{"touch spdCapsLock", "touch spdShift", "touch spdShift", "touch spdA"}
                                               << "A" << kUpperLetters;
    QTest::newRow("9 caps clears shift") << QStringList{"touch spdShift", "touch spdCapsLock", "touch spdA"} << "A" << kUpperLetters;
    QTest::newRow("10 caps off") << QStringList{"touch spdCapsLock", "touch spdCapsLock", "touch spdA"} << "a" << kLowerLetters;
    QTest::newRow("11 digit uses the shift up") << QStringList{"touch spdShift", "touch spd1", "touch spdA"} << "1a" << kLowerLetters;
    QTest::newRow("12 physical Shift alone arms it") << QStringList{"key Shift", "type ab"} << "Ab" << kLowerLetters;
    QTest::newRow("13 physical Shift under caps") << QStringList{"touch spdCapsLock", "key Shift", "type ab"} << "aB" << kUpperLetters;
    QTest::newRow("14 physical Caps Lock") << QStringList{"key CapsLock", "type ab"} << "AB" << kUpperLetters;
    QTest::newRow("15 space and punctuation") << QStringList{"touch spdEspaco", "touch spdVirgula", "touch spdPonto", "touch spdBarra"}
                                              << " ,./" << kLowerLetters;
}

void tst_ConstrucaoList::caseTable()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, text);
    QFETCH(QString, captions);
    auto source = products();
    QString seenText, seenCaptions;
    run(*source, {"touch spbSair"}, [&](QWidget *dlg) {
        act(dlg, "touch spbPesquisa");
        for (const QString &s : steps)
            act(dlg, s);
        seenText = searchText(dlg);
        seenCaptions = letterCaptions(dlg);
    });
    QCOMPARE(seenText, text);
    QCOMPARE(seenCaptions, captions);
}

void tst_ConstrucaoList::randomUseLosesNothing_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 7u, 42u, 2024u})
        QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
}

// Whatever the user does, every record of the source is in exactly one of
// the two lists.
void tst_ConstrucaoList::randomUseLosesNothing()
{
    QFETCH(quint32, seed);
    auto source = products();
    const QStringList sourceRows = allRows(*source);
    QString failure;
    QStringList finalList;
    run(*source, {}, [&](QWidget *dlg) {
        QRandomGenerator random(seed);
        TfrmConstrucaoLista *f = form(dlg);
        static const QStringList actions{"touch spbAdicionar", "touch spbAdicionar", "touch spbRetorna",
                                         "touch sbtPrimeiro",  "touch sbtRolaBaixo",  "touch sbtUltimo",
                                         "touch sbtRolarCima1", "touch sbtRolaBaixo1", "type c",
                                         "type a",             "type o",             "key Backspace",
                                         "key Delete",         "title 0",            "title 1",
                                         "title 2",            "key Alt+A",          "key Alt+E"};
        for (int i = 0; i < 120 && failure.isEmpty(); ++i) {
            const QString step = actions.at(int(random.bounded(quint32(actions.size()))));
            act(dlg, step);
            QStringList together = allRows(*f->cdsItens) + allRows(*f->cdsListaDest);
            together.sort();
            if (together != sourceRows)
                failure = QStringLiteral("after step %1 (%2): %3").arg(i).arg(step, together.join(u' '));
        }
        finalList = codesOf(*f->cdsListaDest);
        touch(dlg, QStringLiteral("spbPesquisa"));
        touch(dlg, QStringLiteral("spbConfirma"));
    });
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(allRows(*source), sourceRows);
}

void tst_ConstrucaoList::refusedMoveChangesNeitherList()
{
    auto source = products(R"({"fields":[{"name":"CODIGO","type":"integer"},{"name":"NOME","type":"string","size":9},
                                         {"name":"PRECO","type":"float"}],
                               "records":[[1,"Bolo",null],[2,"Cafe",4.5]]})");
    ExceptionRecorder errors;
    QStringList items, list;
    const Outcome out = run(*source, {}, [&](QWidget *dlg) {
        TfrmConstrucaoLista *f = form(dlg);
        f->cdsListaDest->Fields(2)->setRequired(true);
        act(dlg, "touch spbAdicionar"); // Bolo has no price
        items = codesOf(*f->cdsItens);
        list = codesOf(*f->cdsListaDest);
        act(dlg, "touch sbtUltimo");
        act(dlg, "touch spbAdicionar");
        act(dlg, "touch spbConfirma");
    });
    QCOMPARE(errors.messages.size(), 1);
    QVERIFY2(errors.messages.first().contains(QLatin1String("PRECO")), qPrintable(errors.messages.first()));
    QCOMPARE(items, (QStringList{"1", "2"}));
    QCOMPARE(list, QStringList{});
    QCOMPARE(out.codes, QStringList{"2"});
}

void tst_ConstrucaoList::comingBackKeepsTheList()
{
    auto source = products();
    QStringList kept;
    const Outcome out = run(*source, {}, [&](QWidget *dlg) {
        act(dlg, "touch spbAdicionar");
        QWidget other;
        other.setWindowTitle(QStringLiteral("another window"));
        QSignalSpy focus(qApp, &QGuiApplication::focusWindowChanged);
        other.show();
        other.activateWindow();
        const auto otherHadThem = [&] {
            return std::any_of(focus.cbegin(), focus.cend(),
                               [&](const QVariantList &args) { return args.value(0).value<QWindow *>() == other.windowHandle(); });
        };
        QTRY_VERIFY(otherHadThem());
        // A window the run blocks does not keep the keys: the form takes them back.
        QTRY_COMPARE(QApplication::activeWindow(), dlg);
        kept = codesOf(*form(dlg)->cdsListaDest);
        act(dlg, "touch spbConfirma");
    });
    QCOMPARE(kept, QStringList{"6"});
    QCOMPARE(out.codes, QStringList{"6"});
}

void tst_ConstrucaoList::sourceRefused_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<bool>("open");
    QTest::newRow("one field") << R"({"fields":[{"name":"NOME","type":"string","size":9}],"records":[["a"]]})" << true;
    QTest::newRow("one visible field")
        << R"({"fields":[{"name":"CODIGO","type":"integer","visible":false},{"name":"NOME","type":"string","size":9}],
              "records":[[1,"a"]]})"
        << true;
    QTest::newRow("closed") << QString(productsJson) << false;
}

void tst_ConstrucaoList::sourceRefused()
{
    QFETCH(QString, json);
    QFETCH(bool, open);
    auto source = products(json.toUtf8().constData());
    if (!open)
        source->Close();
    source->IndexDefs().Add(QStringLiteral("KEEP"), QStringLiteral("NOME"));
    // Counts the list forms made while the call runs.
    struct Watch : QObject {
        int forms = 0;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (e->type() == QEvent::ChildAdded && qobject_cast<TfrmConstrucaoLista *>(o))
                ++forms;
            return false;
        }
    } watch;
    qApp->installEventFilter(&watch);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ls::ConstrucaoList(source.get(), QStringLiteral("x")));
    qApp->removeEventFilter(&watch);
    QCOMPARE(watch.forms, 0);
    QCOMPARE(ls::frmConstrucaoLista, nullptr);
    // Nothing was changed on the way out.
    QCOMPARE(source->IndexDefs().Count(), 1);
    QCOMPARE(ls::stlblDesc, QStringLiteral("x"));
}

void tst_ConstrucaoList::modalRunRaisingStillFreesTheForm()
{
    // Removing the index the source is ordered by recomputes its view while
    // the form is being prepared; showing the form right then makes the
    // modal run raise.
    auto source = products();
    source->IndexDefs().Add(QStringLiteral("BYGROUP"), QStringLiteral("GRUPO"));
    source->setIndexName(QStringLiteral("BYGROUP"));
    QPointer<QWidget> shown;
    bool wasShown = false;
    QObject::connect(source.get(), &TClientDataSet::viewReset, source.get(), [&] {
        if (ls::frmConstrucaoLista && !wasShown) {
            wasShown = true;
            shown = ls::frmConstrucaoLista;
            shown->show();
        }
    });
    QVERIFY_THROWS_EXCEPTION(Exception, ls::ConstrucaoList(source.get(), QString()));
    QVERIFY(wasShown);
    QVERIFY(shown.isNull()); // freed, not merely hidden
    QCOMPARE(ls::frmConstrucaoLista, nullptr);

    // The next call is not confused by the failed one.
    QObject::disconnect(source.get(), &TClientDataSet::viewReset, source.get(), nullptr);
    const Outcome next = run(*source, {"touch spbAdicionar", "touch spbConfirma"});
    QVERIFY(next.fired);
    QVERIFY(!next.stuck);
    QCOMPARE(next.codes, QStringList{"6"});
}

void tst_ConstrucaoList::layout()
{
    auto source = products();
    run(*source, {"touch spbSair"}, [&](QWidget *dlg) {
        QCOMPARE(dlg->size(), QSize(800, 600));
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Construção de lista"));
        QVERIFY(!(dlg->windowFlags() & Qt::WindowCloseButtonHint));
        auto *label = child<TLabel>(dlg, "lblDesc");
        QCOMPARE(label->Caption(), QStringLiteral("Itens do combo"));
        QVERIFY(label->isVisible());
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->Caption()));
        QVERIFY(child(dlg, "edtFiltro")->hasFocus());
        for (const char *name : {"spbAdicionar", "spbRetorna", "spbPesquisa", "spbConfirma", "spbSair"}) {
            auto *button = child<TSpeedButton>(dlg, name);
            QVERIFY2(!button->icon().isNull(), name);
            QCOMPARE(button->Color(), QColor(0x90, 0x90, 0xb0)); // $B09090 is blue-green-red
            QVERIFY2(button->iconSize().width() <= button->width(), name);
            const int textWidth = button->fontMetrics().horizontalAdvance(QString(button->Caption()).remove(u'&'));
            QVERIFY2(textWidth <= button->width() - 2, name);
        }
    });
    // Empty description: no label.
    run(*source, {"touch spbSair"}, [&](QWidget *dlg) { QVERIFY(!child(dlg, "lblDesc")->isVisible()); }, QString());
    QCOMPARE(ls::stlblDesc, QString());
}

QTEST_MAIN(tst_ConstrucaoList)
#include "tst_ConstrucaoList.moc"
