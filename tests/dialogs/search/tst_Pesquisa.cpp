// The search dialog end to end through Pesquisa, driven as a user drives it:
// real keys on the open form and touches on its named keys. Each test checks
// what the host sees afterwards: the result, inNavegProd, the dataset's
// filter, order and current record.
#include "dialogs/search/SearchUnit.h"
#include "dialogs/search/TfrmPesquisa.h"
#include "frame/Frame.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "tests/common/TestSupport.h"

#include <QHeaderView>
#include <QApplication>
#include <QTest>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;

namespace {

// CODIGO, NOME (20), GRUPO (10) visible; ATIVO hidden.
struct Product {
    int code;
    const char *name, *group, *active;
};

const Product kProducts[] = {
    {1, "Caf\u00E9", "Bebidas", "S"},
    {2, "Cappuccino", "Bebidas", "S"},
    {3, "Coxinha", "Salgados", "N"},
    {4, "Bolo", "Doces", "S"},
    {5, "Caipirinha", "Drinks", "S"},
    {6, "\u00E7ucrilhos", "Doces", "S"},
    {7, "Brigadeiro", "Doces", "S"},
};

void fill(TClientDataSet &ds, int nameSize = 20)
{
    ds.FieldDefs().Add(QStringLiteral("CODIGO"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("NOME"), ftString, nameSize);
    ds.FieldDefs().Add(QStringLiteral("GRUPO"), ftString, 10);
    ds.FieldDefs().Add(QStringLiteral("ATIVO"), ftString, 1);
    ds.CreateDataSet();
    ds.FieldByName(QStringLiteral("ATIVO"))->setVisible(false);
    for (const Product &p : kProducts) {
        const QString name = QString::fromUtf8(p.name).left(nameSize);
        ds.Append();
        ds.FieldByName(QStringLiteral("CODIGO"))->setValue(p.code);
        ds.FieldByName(QStringLiteral("NOME"))->setValue(name);
        ds.FieldByName(QStringLiteral("GRUPO"))->setValue(QString::fromUtf8(p.group));
        ds.FieldByName(QStringLiteral("ATIVO"))->setValue(QString::fromUtf8(p.active));
        ds.Post();
    }
    ds.First();
}

// CODIGO, NOME, PRECO (currency), DATA, EAN (13) visible: what the grid
// shows of prices and dates is not how they are stored.
void fillShown(TClientDataSet &ds)
{
    ds.FieldDefs().Add(QStringLiteral("CODIGO"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("NOME"), ftString, 30);
    ds.FieldDefs().Add(QStringLiteral("PRECO"), ftCurrency);
    ds.FieldDefs().Add(QStringLiteral("DATA"), ftDate);
    ds.FieldDefs().Add(QStringLiteral("EAN"), ftString, 13);
    ds.CreateDataSet();
    const struct {
        int code;
        const char *name;
        double price;
        QDate date;
    } rows[] = {{1, "Açaí 300 ml", 4.5, QDate(2024, 1, 31)},
                {2, "Café", 14.5, QDate(2024, 12, 31)},
                {3, "Cafe com leite", 4, QDate(2024, 12, 3)},
                {4, "Çebola", 45, QDate(2023, 1, 31)},
                {5, "Água tônica", 4.55, QDate(2024, 3, 1)}};
    for (const auto &r : rows) {
        ds.Append();
        ds.Fields(0)->setValue(r.code);
        ds.Fields(1)->setValue(QString::fromUtf8(r.name));
        ds.Fields(2)->setValue(r.price);
        ds.Fields(3)->setValue(r.date);
        ds.Fields(4)->setValue(QStringLiteral("789100000002%1").arg(r.code));
        ds.Post();
    }
    ds.First();
}

// Keys as a device sends them, each with its time stamp: a press and a
// release of every character, then of Return.
void sendTimed(QWidget *to, const QString &text, quint64 start, quint64 gap)
{
    quint64 t = start;
    auto send = [&](int key, const QString &character) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::NoModifier, character);
            event.setTimestamp(t);
            QApplication::sendEvent(to, &event);
        }
        t += gap;
    };
    for (QChar c : text)
        send(c.toUpper().unicode(), QString(c));
    send(Qt::Key_Return, QStringLiteral("\r"));
}

// The codes of the visible rows, in view order.
QList<int> codes(const TClientDataSet &ds)
{
    QList<int> out;
    for (int row = 0; row < ds.RecordCount(); ++row)
        out << ds.viewValue(row, 0).toInt();
    return out;
}

int currentCode(const TClientDataSet &ds)
{
    return ds.IsEmpty() ? 0 : ds.FieldByName(QStringLiteral("CODIGO"))->Value().toInt();
}

struct Outcome {
    bool fired = false;
    bool result = false;
};

// Calls Pesquisa and runs act on the open form. Should act fail a check,
// the dialog is closed so the test ends instead of hanging.
Outcome runSearch(TClientDataSet &ds, const std::function<void(TfrmPesquisa *)> &act, const QString &stFilter = {},
               const QString &stObservacao = {}, bool boNavegador = false)
{
    Outcome out;
    // When Pesquisa raises before showing a form, the helper stays armed
    // for the next dialog; by then this call and act are gone.
    auto alive = std::make_shared<bool>(true);
    struct Disarm {
        std::shared_ptr<bool> alive;
        ~Disarm() { *alive = false; }
    } disarm{alive};
    auto fired = whenModal([&, alive](QWidget *dlg) {
        if (!*alive)
            return;
        auto *form = qobject_cast<TfrmPesquisa *>(dlg);
        if (!form) {
            dlg->close();
            return;
        }
        act(form);
        if (QTest::currentTestFailed())
            form->close();
        whenLeftOpen(form, [form] {
            QTest::qFail("the dialog was left open", __FILE__, __LINE__);
            form->close();
        });
    });
    out.result = search::Pesquisa(&ds, QStringLiteral("img"), stFilter, stObservacao, boNavegador);
    out.fired = *fired;
    return out;
}

TEdit *edit(TfrmPesquisa *f)
{
    return f->component<TEdit>(QStringLiteral("edtFiltro"));
}

TDBGrid *grid(TfrmPesquisa *f)
{
    return f->component<TDBGrid>(QStringLiteral("dbgPesquisa"));
}

TSpeedButton *button(TfrmPesquisa *f, const char *name)
{
    return f->component<TSpeedButton>(QString::fromLatin1(name));
}

void type(TfrmPesquisa *f, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(edit(f), char(c.unicode()));
        else // QTest's own table knows ASCII only
            QTest::sendKeyEvent(QTest::Click, edit(f), Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
    }
}

void press(TfrmPesquisa *f, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(edit(f), key, modifiers);
}

QList<TColor> titleColours(TfrmPesquisa *f)
{
    QList<TColor> out;
    TDBGridColumns &columns = grid(f)->Columns();
    for (int i = 0; i < columns.Count(); ++i)
        out << columns.Items(i).Title().Font().Color();
    return out;
}

} // namespace

class tst_Pesquisa : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }
    void cleanup();

    void opens_data();
    void opens();
    void typingNarrows_data();
    void typingNarrows();
    void typedTextMatchesTheGrid_data();
    void typedTextMatchesTheGrid();
    void scannerBurst_data();
    void scannerBurst();
    void leavingWithoutAChoice_data();
    void leavingWithoutAChoice();
    void enterPicksTheCurrentRecord();
    void enterNeedsAVisibleRecord_data();
    void enterNeedsAVisibleRecord();
    void doubleClickConfirms_data();
    void doubleClickConfirms();
    void navigationKeys_data();
    void navigationKeys();
    void paging();
    void titleTouchChangesOrderFromNextCharacter();
    void backspaceAndDelete_data();
    void backspaceAndDelete();
    void lengthLimit();
    void fieldWithoutSizeHasNoLimit();
    void caseRules_data();
    void caseRules();
    void altF4_data();
    void altF4();
    void screenPlacement_data();
    void screenPlacement();
    void needsTwoVisibleFields_data();
    void needsTwoVisibleFields();
    void formFreedWhenPreparationRaises();
    void formFreedWhenModalRunRaises();
    void handlerErrorKeepsTheDialogOpen();
    void unpreparedFormRaises();
    void oneKeyPaintsTheGridOnce();
};

void tst_Pesquisa::cleanup()
{
    Application::setExtensions({});
    Screen::setSizeForTesting(0, 0);
    setCapsLockStateForTesting(-1);
    QCOMPARE(search::frmPesquisa, nullptr);
    QTRY_COMPARE(liveWidgets<TfrmPesquisa>(), 0);
}

// The state the dialog opens in: ordered and searching by the second visible
// field, its title purple, the first record current, Enter enabled, focus
// in the search box, the observation shown when there is one.
void tst_Pesquisa::opens_data()
{
    QTest::addColumn<QString>("observation");
    QTest::newRow("no observation") << QString();
    QTest::newRow("observation") << QStringLiteral("Escolha o produto");
}

void tst_Pesquisa::opens()
{
    QFETCH(QString, observation);
    TClientDataSet ds;
    fill(ds);
    ds.IndexDefs().Add(QStringLiteral("BYCODE"), QStringLiteral("CODIGO"));
    ds.IndexDefs().Add(QStringLiteral("BYACTIVE"), QStringLiteral("ATIVO"));
    ds.setIndexName(QStringLiteral("BYCODE"));

    const Outcome out = runSearch(
        ds,
        [&](TfrmPesquisa *f) {
            QCOMPARE(search::frmPesquisa, f);
            QCOMPARE(search::inNavegProd, 1);
            QCOMPARE(search::stImg00500, QStringLiteral("img"));
            QCOMPARE(f->size(), QSize(800, 600));
            QCOMPARE(f->Caption(), Application::Title());
            QCOMPARE(f->focusWidget(), edit(f));
            QCOMPARE(ds.IndexName(), QStringLiteral("NOME"));
            QCOMPARE(ds.IndexDefs().Count(), 3);
            QCOMPARE(ds.IndexDefs().Items(0).Name(), QStringLiteral("CODIGO"));
            QCOMPARE(ds.IndexDefs().Items(1).Name(), QStringLiteral("NOME"));
            QCOMPARE(ds.IndexDefs().Items(2).Name(), QStringLiteral("GRUPO"));
            QCOMPARE(ds.RecNo(), 1);
            QCOMPARE(currentCode(ds), 4); // Bolo sorts first
            QCOMPARE(grid(f)->Columns().Count(), 3);
            QCOMPARE(titleColours(f), (QList<TColor>{clNavy, clPurple, clNavy}));
            QCOMPARE(f->inTamMaximo(), 20);
            QVERIFY(button(f, "spdEnter")->isEnabled());
            QCOMPARE(button(f, "spdEnter")->height(), 212);
            QCOMPARE(grid(f)->currentIndex().row(), 0);
            QVERIFY(!f->boCapsLock());
            QVERIFY(!f->boShift());
            auto *label = f->component<TLabel>(QStringLiteral("lblDesc"));
            QCOMPARE(label->isVisible(), !observation.isEmpty());
            QCOMPARE(label->Caption(), observation);
            QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(observation));
            press(f, Qt::Key_Escape);
        },
        {}, observation);
    QVERIFY(out.fired);
    QVERIFY(!out.result);
    QCOMPARE(search::stObservacao, observation);
}

// Keys and touches narrow the rows; the expression text is exact.
void tst_Pesquisa::typingNarrows_data()
{
    QTest::addColumn<QString>("hostFilter");
    QTest::addColumn<QString>("stFilter");
    QTest::addColumn<QString>("keys");    // typed on the physical keyboard
    QTest::addColumn<QStringList>("touches"); // then touched on the screen
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QList<int>>("rows");

    QTest::newRow("no base filter")
        << "" << "" << "ca" << QStringList() << "ca" << "UPPER(NOME) LIKE 'CA%'" << QList<int>{1, 5, 2};
    QTest::newRow("base filter")
        << "ATIVO = 'S'" << "" << "c" << QStringList() << "c" << "ATIVO = 'S' AND UPPER(NOME) LIKE 'C%'"
        << QList<int>{1, 5, 2};
    QTest::newRow("base filter hides all")
        << "ATIVO = 'S'" << "" << "co" << QStringList() << "co" << "ATIVO = 'S' AND UPPER(NOME) LIKE 'CO%'"
        << QList<int>{};
    QTest::newRow("S drops the base filter")
        << "ATIVO = 'S'" << "S" << "co" << QStringList() << "co" << "UPPER(NOME) LIKE 'CO%'" << QList<int>{3};
    QTest::newRow("s keeps the base filter")
        << "ATIVO = 'S'" << "s" << "co" << QStringList() << "co" << "ATIVO = 'S' AND UPPER(NOME) LIKE 'CO%'"
        << QList<int>{};
    QTest::newRow("other text keeps the base filter")
        << "ATIVO = 'S'" << "N" << "b" << QStringList() << "b" << "ATIVO = 'S' AND UPPER(NOME) LIKE 'B%'"
        << QList<int>{4, 7};
    QTest::newRow("OR base filter stays whole")
        << "GRUPO = 'Doces' OR GRUPO = 'Drinks'" << "" << "c" << QStringList() << "c"
        << "(GRUPO = 'Doces' OR GRUPO = 'Drinks') AND UPPER(NOME) LIKE 'C%'" << QList<int>{5};
    QTest::newRow("on-screen keys")
        << "" << "" << "" << QStringList{"spdC", "spdA", "spdP"} << "cap" << "UPPER(NOME) LIKE 'CAP%'"
        << QList<int>{2};
    QTest::newRow("keys and touches")
        << "" << "" << "br" << QStringList{"spdI"} << "bri" << "UPPER(NOME) LIKE 'BRI%'" << QList<int>{7};
    QTest::newRow("cedilla key") << "" << "" << "" << QStringList{"spdCCdil"} << "\u00E7"
                                 << "UPPER(NOME) LIKE '\u00E7%'" << QList<int>{6};
    QTest::newRow("space key") << "" << "" << "" << QStringList{"spdEspaco"} << " "
                               << "UPPER(NOME) LIKE ' %'" << QList<int>{};
    QTest::newRow("refused characters")
        << "" << "" << "-'%_b" << QStringList() << "b" << "UPPER(NOME) LIKE 'B%'" << QList<int>{4, 7};
}

void tst_Pesquisa::typingNarrows()
{
    QFETCH(QString, hostFilter);
    QFETCH(QString, stFilter);
    QFETCH(QString, keys);
    QFETCH(QStringList, touches);
    QFETCH(QString, text);
    QFETCH(QString, filter);
    QFETCH(QList<int>, rows);

    TClientDataSet ds;
    fill(ds);
    if (!hostFilter.isEmpty()) {
        ds.setFilter(hostFilter);
        ds.setFiltered(true);
    }
    const QString base = stFilter == QLatin1String("S") ? QString() : hostFilter;

    const Outcome out = runSearch(
        ds,
        [&](TfrmPesquisa *f) {
            QCOMPARE(f->stFiltroBase(), base);
            type(f, keys);
            for (const QString &key : touches)
                touch(f, key);
            QCOMPARE(edit(f)->text(), text);
            QCOMPARE(ds.Filter(), filter);
            QVERIFY(ds.Filtered());
            QCOMPARE(codes(ds), rows);
            QCOMPARE(grid(f)->model()->rowCount(), rows.size());
            QCOMPARE(button(f, "spdEnter")->isEnabled(), !rows.isEmpty());
            touch(f, "spdSair");
        },
        stFilter);
    QVERIFY(out.fired);
    QVERIFY(!out.result);
    QCOMPARE(ds.Filter(), base);
}

// The typed text is compared with what the grid shows of the order column:
// decimal comma, dd/mm/yyyy. With the accents ignored (a host's choice),
// letters match whatever their accents and case.
void tst_Pesquisa::typedTextMatchesTheGrid_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("ignoreAccents");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QList<int>>("rows");

    QTest::newRow("price 4,5") << 2 << false << "4,5" << "UPPER(ASSTRING(PRECO, 'currency')) LIKE '4,5%'"
                               << QList<int>{1, 5};
    QTest::newRow("price 4") << 2 << false << "4" << "UPPER(ASSTRING(PRECO, 'currency')) LIKE '4%'"
                             << QList<int>{3, 1, 5, 4};
    QTest::newRow("price as stored") << 2 << false << "4.5" << "UPPER(ASSTRING(PRECO, 'currency')) LIKE '4.5%'"
                                     << QList<int>{};
    QTest::newRow("date 31/12") << 3 << false << "31/12" << "UPPER(ASSTRING(DATA, 'date')) LIKE '31/12%'"
                                << QList<int>{2};
    QTest::newRow("date 31/") << 3 << false << "31/" << "UPPER(ASSTRING(DATA, 'date')) LIKE '31/%'"
                              << QList<int>{4, 1, 2};
    QTest::newRow("date as stored") << 3 << false << "2024" << "UPPER(ASSTRING(DATA, 'date')) LIKE '2024%'"
                                    << QList<int>{};
    QTest::newRow("accents count") << 1 << false << "cafe" << "UPPER(NOME) LIKE 'CAFE%'" << QList<int>{3};
    QTest::newRow("accents ignored") << 1 << true << "cafe" << "UPPER(UNACCENT(NOME)) LIKE 'CAFE%'"
                                     << QList<int>{2, 3};
    QTest::newRow("acai") << 1 << true << "acai" << "UPPER(UNACCENT(NOME)) LIKE 'ACAI%'" << QList<int>{1};
    QTest::newRow("c, accents count") << 1 << false << "c" << "UPPER(NOME) LIKE 'C%'" << QList<int>{2, 3};
    QTest::newRow("c finds Ç") << 1 << true << "c" << "UPPER(UNACCENT(NOME)) LIKE 'C%'" << QList<int>{2, 3, 4};
    QTest::newRow("ç, accents count") << 1 << false << "ç" << "UPPER(NOME) LIKE 'ç%'" << QList<int>{};
    QTest::newRow("ç is c") << 1 << true << "ç" << "UPPER(UNACCENT(NOME)) LIKE 'C%'" << QList<int>{2, 3, 4};
    QTest::newRow("prices keep their shown text") << 2 << true << "4,5"
                                                  << "UPPER(ASSTRING(PRECO, 'currency')) LIKE '4,5%'" << QList<int>{1, 5};
}

void tst_Pesquisa::typedTextMatchesTheGrid()
{
    QFETCH(int, column);
    QFETCH(bool, ignoreAccents);
    QFETCH(QString, keys);
    QFETCH(QString, filter);
    QFETCH(QList<int>, rows);

    Extensions on;
    on.ignoreAccents = ignoreAccents;
    Application::setExtensions(on);
    TClientDataSet ds;
    fillShown(ds);
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        if (column != 1)
            touchTitle(f, column);
        type(f, keys);
        QCOMPARE(ds.Filter(), filter);
        QCOMPARE(codes(ds), rows);
        for (int row = 0; row < ds.RecordCount(); ++row)
            if (!ignoreAccents)
                QVERIFY(UpperCase(ds.viewText(row, column)).startsWith(UpperCase(keys)));
        touch(f, "spdSair");
    });
    QVERIFY(out.fired);
}

// A barcode scanner types its code in a burst ending with Enter. With a scan
// field set, the burst picks the record whose field equals the code, or
// leaves the dialog open on the usual filter when none does; slow typing,
// a short burst and a host without a scan field get the usual Enter.
void tst_Pesquisa::scannerBurst_data()
{
    QTest::addColumn<QString>("scanField");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("gap"); // ms between keys
    QTest::addColumn<bool>("picked");
    QTest::addColumn<QString>("filter");

    QTest::newRow("burst picks") << "EAN" << "7891000000022" << 4 << true
                                 << "EAN = '7891000000022'";
    QTest::newRow("code field as shown") << "CODIGO" << "000003" << 4 << false
                                         << "UPPER(NOME) LIKE '000003%'";
    QTest::newRow("unknown code stays open") << "EAN" << "7891000000099" << 4 << false
                                             << "UPPER(NOME) LIKE '7891000000099%'";
    QTest::newRow("a person types slowly") << "EAN" << "7891000000022" << 150 << false
                                           << "UPPER(NOME) LIKE '7891000000022%'";
    QTest::newRow("gap at the limit") << "EAN" << "7891000000022" << 30 << false
                                      << "UPPER(NOME) LIKE '7891000000022%'";
    QTest::newRow("too short") << "EAN" << "78910" << 4 << false << "UPPER(NOME) LIKE '78910%'";
    QTest::newRow("no scan field") << "" << "7891000000022" << 4 << false
                                   << "UPPER(NOME) LIKE '7891000000022%'";
}

void tst_Pesquisa::scannerBurst()
{
    QFETCH(QString, scanField);
    QFETCH(QString, keys);
    QFETCH(int, gap);
    QFETCH(bool, picked);
    QFETCH(QString, filter);

    Extensions on;
    on.scanField = scanField;
    Application::setExtensions(on);
    TClientDataSet ds;
    fillShown(ds);
    bool stillOpen = false;
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        type(f, QStringLiteral("a")); // a person first: the burst starts after a pause
        press(f, Qt::Key_Backspace);
        sendTimed(edit(f), keys, 1000000, quint64(gap));
        if ((stillOpen = staysOpen(f))) {
            QCOMPARE(edit(f)->text(), keys);
            QCOMPARE(ds.Filter(), filter);
            touch(f, "spdSair");
        }
    });
    QVERIFY(out.fired);
    QCOMPARE(out.result, picked);
    QCOMPARE(stillOpen, !picked);
    if (picked) {
        QCOMPARE(ds.Filter(), filter);
        QCOMPARE(currentCode(ds), 2);
    }
}

// Escape (or Exit) puts the base filter back, the close box keeps the search
// in force; Filtered stays as the last filter step left it. None is an error.
void tst_Pesquisa::leavingWithoutAChoice_data()
{
    QTest::addColumn<QString>("hostFilter");
    QTest::addColumn<QString>("stFilter");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("filterAfter");
    QTest::addColumn<QList<int>>("rowsAfter");

    QTest::newRow("Escape, base filter") << "ATIVO = 'S'" << "" << "Escape" << "ATIVO = 'S'" << QList<int>{4, 7, 1, 5, 2, 6};
    QTest::newRow("Exit key, base filter") << "ATIVO = 'S'" << "" << "spdSair" << "ATIVO = 'S'" << QList<int>{4, 7, 1, 5, 2, 6};
    // The dropped host filter is not restored: the base filter is empty.
    QTest::newRow("Escape, dropped filter") << "ATIVO = 'S'" << "S" << "Escape" << ""
                                            << QList<int>{4, 7, 1, 5, 2, 3, 6};
    QTest::newRow("Escape, no filter") << "" << "" << "Escape" << "" << QList<int>{4, 7, 1, 5, 2, 3, 6};
    QTest::newRow("close box keeps the search") << "ATIVO = 'S'" << "" << "close"
                                                << "ATIVO = 'S' AND UPPER(NOME) LIKE 'CA%'" << QList<int>{1, 5, 2};
}

void tst_Pesquisa::leavingWithoutAChoice()
{
    QFETCH(QString, hostFilter);
    QFETCH(QString, stFilter);
    QFETCH(QString, how);
    QFETCH(QString, filterAfter);
    QFETCH(QList<int>, rowsAfter);

    TClientDataSet ds;
    fill(ds);
    ds.setFilter(hostFilter);
    ds.setFiltered(!hostFilter.isEmpty());
    const Outcome out = runSearch(
        ds,
        [&](TfrmPesquisa *f) {
            type(f, QStringLiteral("ca"));
            if (how == QLatin1String("close"))
                f->close();
            else if (how == QLatin1String("spdSair"))
                touch(f, how);
            else
                press(f, Qt::Key_Escape); // the edit box has the focus: handled twice
        },
        stFilter);
    QVERIFY(out.fired);
    QVERIFY(!out.result);
    QCOMPARE(search::inNavegProd, 1);
    QCOMPARE(ds.Filter(), filterAfter);
    QVERIFY(ds.Filtered()); // the last step applied a search expression
    QCOMPARE(codes(ds), rowsAfter);
}

void tst_Pesquisa::enterPicksTheCurrentRecord()
{
    TClientDataSet ds;
    fill(ds);
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        type(f, QStringLiteral("c"));
        touch(f, "sbtRolaBaixo");
        QCOMPARE(currentCode(ds), 5);
        QCOMPARE(grid(f)->currentIndex().row(), 1);
        press(f, Qt::Key_Return);
    });
    QVERIFY(out.fired);
    QVERIFY(out.result);
    QCOMPARE(search::inNavegProd, 1);
    QCOMPARE(currentCode(ds), 5);
    QCOMPARE(ds.Filter(), QStringLiteral("UPPER(NOME) LIKE 'C%'"));
    QVERIFY(ds.Filtered());
    QCOMPARE(ds.IndexName(), QStringLiteral("NOME"));
}

// Enter is enabled when the dialog opens, whatever the dataset holds; any
// key then sets it from what is visible, and with no record shown neither
// Enter nor its key ends the dialog.
void tst_Pesquisa::enterNeedsAVisibleRecord_data()
{
    QTest::addColumn<bool>("empty");
    QTest::addColumn<QString>("keys"); // typed first; "Right" for that key
    QTest::addColumn<bool>("confirms");
    QTest::newRow("typed text hides every row") << false << "zz" << false;
    QTest::newRow("empty dataset: Enter at once confirms") << true << "" << true;
    QTest::newRow("empty dataset: after a key Enter is off") << true << "Right" << false;
}

void tst_Pesquisa::enterNeedsAVisibleRecord()
{
    QFETCH(bool, empty);
    QFETCH(QString, keys);
    QFETCH(bool, confirms);
    TClientDataSet ds;
    fill(ds);
    if (empty)
        ds.EmptyDataSet();
    bool stillOpen = false;
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        QVERIFY(button(f, "spdEnter")->isEnabled());
        if (!keys.isEmpty()) {
            if (keys == QLatin1String("Right"))
                press(f, Qt::Key_Right);
            else
                type(f, keys);
            QVERIFY(!button(f, "spdEnter")->isEnabled());
        }
        press(f, Qt::Key_Return);
        if (staysOpen(f)) {
            touch(f, "spdEnter");
            if ((stillOpen = staysOpen(f)))
                touch(f, "spdSair");
        }
    });
    QVERIFY(out.fired);
    QCOMPARE(out.result, confirms);
    QCOMPARE(stillOpen, !confirms);
}

void tst_Pesquisa::doubleClickConfirms_data()
{
    QTest::addColumn<bool>("empty");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("code"); // 0: the search is left with nothing chosen
    QTest::newRow("on a row") << false << "" << 2 << 1;
    QTest::newRow("typed text hides every row") << false << "zz" << -1 << 0;
    QTest::newRow("empty dataset") << true << "" << -1 << 0;
}

void tst_Pesquisa::doubleClickConfirms()
{
    QFETCH(bool, empty);
    QFETCH(QString, keys);
    QFETCH(int, row);
    QFETCH(int, code);
    TClientDataSet ds;
    fill(ds);
    if (empty)
        ds.EmptyDataSet();
    bool stillOpen = false;
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        type(f, keys);
        TDBGrid *g = grid(f);
        const QPoint at = row >= 0 ? g->visualRect(g->model()->index(row, 1)).center() : QPoint(20, 20);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, at);
        if ((stillOpen = staysOpen(f)))
            touch(f, "spdSair");
    });
    QVERIFY(out.fired);
    QCOMPARE(out.result, code != 0);
    QCOMPARE(stillOpen, code == 0);
    if (code) {
        QCOMPARE(search::inNavegProd, 1);
        QCOMPARE(currentCode(ds), code);
    }
}

// The navigation keys lie under the lower end of the Enter key: reachable
// only when the host asks for them.
void tst_Pesquisa::navigationKeys_data()
{
    QTest::addColumn<bool>("navigator");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("enterHeight");
    QTest::addColumn<int>("navigation");

    QTest::newRow("right") << true << "spdNavDir" << 168 << 2;
    QTest::newRow("left") << true << "spdNavEsq" << 168 << 3;
    QTest::newRow("Enter above them") << true << "spdEnter" << 168 << 1;
    QTest::newRow("hidden right hits Enter") << false << "spdNavDir" << 212 << 1;
    QTest::newRow("hidden left hits Enter") << false << "spdNavEsq" << 212 << 1;
}

void tst_Pesquisa::navigationKeys()
{
    QFETCH(bool, navigator);
    QFETCH(QString, key);
    QFETCH(int, enterHeight);
    QFETCH(int, navigation);
    TClientDataSet ds;
    fill(ds);
    const Outcome out = runSearch(
        ds,
        [&](TfrmPesquisa *f) {
            type(f, QStringLiteral("b"));
            touch(f, "sbtUltimo");
            QCOMPARE(button(f, "spdEnter")->height(), enterHeight);
            // A touch where the key lies, on whatever is on top there.
            QWidget *target = button(f, qPrintable(key));
            QWidget *panel = target->parentWidget();
            const QPoint at = target->geometry().center();
            QWidget *hit = panel->childAt(at);
            QVERIFY(hit);
            QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(panel, at));
        },
        {}, {}, navigator);
    QVERIFY(out.fired);
    QVERIFY(out.result);
    QCOMPARE(search::inNavegProd, navigation);
    QCOMPARE(search::boNavegador, navigator);
    QCOMPARE(currentCode(ds), 7);
}

void tst_Pesquisa::paging()
{
    TClientDataSet ds;
    fill(ds);
    QList<int> seen;
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        for (const char *key : {"sbtUltimo", "sbtRolarCima", "sbtPrimeiro", "sbtRolaBaixo", "sbtRolaBaixo",
                                "sbtPrimeiro", "sbtRolarCima"}) {
            touch(f, key);
            seen << currentCode(ds);
            QCOMPARE(grid(f)->currentIndex().row(), ds.RecNo() - 1);
        }
        press(f, Qt::Key_Escape);
    });
    QVERIFY(out.fired);
    // Order by name: Bolo 4, Brigadeiro 7, Café 1, Caipirinha 5, Cappuccino 2, Coxinha 3, çucrilhos 6.
    QCOMPARE(seen, (QList<int>{6, 3, 4, 7, 1, 4, 4}));
}

// A title touch orders by that column at once; the filter keeps naming the
// previous field until the search text next changes.
void tst_Pesquisa::titleTouchChangesOrderFromNextCharacter()
{
    TClientDataSet ds;
    fill(ds);
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        type(f, QStringLiteral("b"));
        QCOMPARE(codes(ds), (QList<int>{4, 7}));
        touchTitle(f, 2);
        QCOMPARE(ds.IndexName(), QStringLiteral("GRUPO"));
        QCOMPARE(ds.Filter(), QStringLiteral("UPPER(NOME) LIKE 'B%'"));
        QCOMPARE(codes(ds), (QList<int>{4, 7}));
        QCOMPARE(f->inTamMaximo(), 10);
        QCOMPARE(titleColours(f), (QList<TColor>{clBtnHighlight, clBtnHighlight, clFuchsia}));

        type(f, QStringLiteral("e"));
        QCOMPARE(ds.Filter(), QStringLiteral("UPPER(GRUPO) LIKE 'BE%'"));
        QCOMPARE(codes(ds), (QList<int>{1, 2})); // Bebidas, ties in natural order

        // The same title again: only the colours change.
        touchTitle(f, 2);
        QCOMPARE(ds.IndexName(), QStringLiteral("GRUPO"));
        QCOMPARE(titleColours(f), (QList<TColor>{clBtnHighlight, clBtnHighlight, clFuchsia}));
        touchTitle(f, 0);
        QCOMPARE(titleColours(f), (QList<TColor>{clFuchsia, clBtnHighlight, clBtnHighlight}));
        QCOMPARE(ds.IndexName(), QStringLiteral("CODIGO"));
        QCOMPARE(f->inTamMaximo(), -1);
        press(f, Qt::Key_Return);
    });
    QVERIFY(out.fired);
    QVERIFY(out.result);
    QCOMPARE(ds.IndexName(), QStringLiteral("CODIGO"));
    QCOMPARE(currentCode(ds), 1);
}

void tst_Pesquisa::backspaceAndDelete_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("how"); // a physical key or an on-screen key
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("filtered");

    for (const QString &base : {QString(), QStringLiteral("ATIVO = 'S'")}) {
        const QString prefix = base.isEmpty() ? QString() : base + QStringLiteral(" AND ");
        const char *tag = base.isEmpty() ? "no base" : "base";
        for (const char *how : {"Backspace", "spdBackSpace"}) {
            QTest::addRow("%s, %s, one of two", tag, how)
                << base << "ca" << how << "c" << prefix + "UPPER(NOME) LIKE 'C%'" << true;
            QTest::addRow("%s, %s, last", tag, how) << base << "c" << how << "" << base << !base.isEmpty();
            QTest::addRow("%s, %s, empty", tag, how) << base << "" << how << "" << base << !base.isEmpty();
        }
        for (const char *how : {"Delete", "spdLimpar"})
            QTest::addRow("%s, %s", tag, how) << base << "cap" << how << "" << base << !base.isEmpty();
    }
}

void tst_Pesquisa::backspaceAndDelete()
{
    QFETCH(QString, base);
    QFETCH(QString, typed);
    QFETCH(QString, how);
    QFETCH(QString, text);
    QFETCH(QString, filter);
    QFETCH(bool, filtered);

    TClientDataSet ds;
    fill(ds);
    ds.setFilter(base);
    ds.setFiltered(!base.isEmpty());
    QList<int> expectedRows;
    {
        // What the filter alone lets through, in name order.
        TClientDataSet reference;
        fill(reference);
        reference.IndexDefs().Add(QStringLiteral("NOME"), QStringLiteral("NOME"));
        reference.setIndexName(QStringLiteral("NOME"));
        reference.setFilter(filter);
        reference.setFiltered(filtered);
        expectedRows = codes(reference);
    }
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        type(f, typed);
        if (how == QLatin1String("Backspace"))
            press(f, Qt::Key_Backspace);
        else if (how == QLatin1String("Delete"))
            press(f, Qt::Key_Delete);
        else
            touch(f, how);
        QCOMPARE(edit(f)->text(), text);
        QCOMPARE(ds.Filter(), filter);
        QCOMPARE(ds.Filtered(), filtered);
        QCOMPARE(codes(ds), expectedRows);
        QVERIFY(button(f, "spdEnter")->isEnabled());
        press(f, Qt::Key_Return);
    });
    QVERIFY(out.fired);
    QVERIFY(out.result);
}

void tst_Pesquisa::lengthLimit()
{
    TClientDataSet ds;
    fill(ds, 4);
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        QCOMPARE(f->inTamMaximo(), 4);
        type(f, QStringLiteral("brig"));
        QCOMPARE(codes(ds), (QList<int>{7}));
        // Refused at the limit, but the Enter key still follows the rows.
        type(f, QStringLiteral("a"));
        touch(f, "spdA");
        QCOMPARE(edit(f)->text(), QStringLiteral("brig"));
        QCOMPARE(ds.Filter(), QStringLiteral("UPPER(NOME) LIKE 'BRIG%'"));
        press(f, Qt::Key_Backspace);
        type(f, QStringLiteral("x"));
        QCOMPARE(edit(f)->text(), QStringLiteral("brix"));
        QVERIFY(!button(f, "spdEnter")->isEnabled());
        press(f, Qt::Key_Delete);
        QCOMPARE(edit(f)->text(), QString());
        QVERIFY(button(f, "spdEnter")->isEnabled());
        press(f, Qt::Key_Escape);
    });
    QVERIFY(out.fired);
}

// A number column has no declared size: the search text is not limited.
void tst_Pesquisa::fieldWithoutSizeHasNoLimit()
{
    TClientDataSet ds;
    fill(ds, 4);
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        touchTitle(f, 0);
        const QString digits = QStringLiteral("1234567890123456789012345");
        type(f, digits);
        QCOMPARE(edit(f)->text(), digits);
        press(f, Qt::Key_Delete);
        type(f, QStringLiteral("5"));
        QCOMPARE(ds.Filter(), QStringLiteral("UPPER(CODIGO) LIKE '5%'"));
        QCOMPARE(codes(ds), QList<int>{5});
        press(f, Qt::Key_Return);
    });
    QVERIFY(out.fired);
    QVERIFY(out.result);
    QCOMPARE(currentCode(ds), 5);
}

// Each row: a sequence of steps, then the search text, the case state and
// the letter captions.  Steps: "key:X" a physical character, "press:Shift"
// or "press:CapsLock" a physical key, anything else a touch on that key.
void tst_Pesquisa::caseRules_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("caps");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QString>("captionOfA");

    QTest::newRow("lower") << QStringList{"key:A", "key:b"} << "ab" << false << false << "a";
    QTest::newRow("Caps Lock key, physical a") << QStringList{"spdCapsLock", "key:a"} << "A" << true << false << "A";
    QTest::newRow("physical Caps Lock") << QStringList{"press:CapsLock", "key:a", "spdB"} << "AB" << true << false
                                        << "A";
    QTest::newRow("Caps Lock twice") << QStringList{"spdCapsLock", "press:CapsLock", "key:a"} << "a" << false
                                     << false << "a";
    QTest::newRow("Shift, physical b") << QStringList{"spdShift", "key:b", "key:c"} << "Bc" << false << false << "a";
    QTest::newRow("Shift armed shows upper") << QStringList{"spdShift"} << "" << false << true << "A";
    QTest::newRow("Shift released by a digit") << QStringList{"spdShift", "key:1", "key:c"} << "1c" << false
                                               << false << "a";
    QTest::newRow("physical Shift toggles") << QStringList{"press:Shift", "press:Shift", "key:d"} << "d" << false
                                            << false << "a";
    QTest::newRow("physical Shift arms") << QStringList{"press:Shift", "key:d"} << "D" << false << false << "a";
    QTest::newRow("Shift under Caps Lock ignored") << QStringList{"spdCapsLock", "spdShift", "key:e"} << "E" << true
                                                   << false << "A";
    QTest::newRow("c-cedilla with Caps Lock") << QStringList{"spdCapsLock", "key:\u00E7"} << "\u00E7" << true
                                              << false << "A";
    QTest::newRow("c-cedilla key with Caps Lock") << QStringList{"spdCapsLock", "spdCCdil"} << "\u00C7" << true
                                                  << false << "A";
    QTest::newRow("c-cedilla key with Shift") << QStringList{"spdShift", "spdCCdil", "spdCCdil"} << "\u00C7\u00E7"
                                              << false << false << "a";
    QTest::newRow("upper cedilla lowered") << QStringList{"key:\u00C7"} << "\u00C7" << false << false << "a";
}

void tst_Pesquisa::caseRules()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, text);
    QFETCH(bool, caps);
    QFETCH(bool, shift);
    QFETCH(QString, captionOfA);

    // The system's Caps Lock plays no part in this form.
    setCapsLockStateForTesting(1);
    TClientDataSet ds;
    fill(ds);
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        for (const QString &step : steps) {
            if (step.startsWith(QLatin1String("key:")))
                type(f, step.mid(4));
            else if (step == QLatin1String("press:Shift"))
                press(f, Qt::Key_Shift); // with the modifier QTest would press Shift twice
            else if (step == QLatin1String("press:CapsLock"))
                press(f, Qt::Key_CapsLock);
            else
                touch(f, step);
        }
        QCOMPARE(edit(f)->text(), text);
        QCOMPARE(f->boCapsLock(), caps);
        QCOMPARE(f->boShift(), shift);
        QCOMPARE(button(f, "spdA")->Caption(), captionOfA);
        QCOMPARE(button(f, "spdCCdil")->Caption(), captionOfA == QLatin1String("A") ? QStringLiteral("\u00C7")
                                                                                   : QStringLiteral("\u00E7"));
        if (!text.isEmpty())
            QCOMPARE(ds.Filter(), QStringLiteral("UPPER(NOME) LIKE '%1%'").arg(UpperCase(text)));
        press(f, Qt::Key_Escape);
    });
    QVERIFY(out.fired);
}

// Alt+F4 is swallowed by the form and by both controls; any other shift
// state with F4 is not.
void tst_Pesquisa::altF4_data()
{
    QTest::addColumn<QString>("handler");
    QTest::addColumn<int>("shift");
    QTest::addColumn<int>("keyAfter");

    for (const char *handler : {"FormKeyDown", "edtFiltroKeyDown", "dbgPesquisaKeyDown"}) {
        QTest::addRow("%s Alt+F4", handler) << handler << int(ssAlt) << 0;
        QTest::addRow("%s F4", handler) << handler << 0 << int(VK_F4);
        QTest::addRow("%s Ctrl+Alt+F4", handler) << handler << int(ssAlt | ssCtrl) << int(VK_F4);
        QTest::addRow("%s Alt+Shift+F4", handler) << handler << int(ssAlt | ssShift) << int(VK_F4);
        QTest::addRow("%s Alt+F4 with a mouse button", handler) << handler << int(ssAlt | ssLeft) << int(VK_F4);
    }
}

void tst_Pesquisa::altF4()
{
    QFETCH(QString, handler);
    QFETCH(int, shift);
    QFETCH(int, keyAfter);
    TClientDataSet ds;
    fill(ds);
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        WORD key = VK_F4;
        const TShiftState state = TShiftState::fromInt(shift);
        if (handler == QLatin1String("FormKeyDown"))
            f->FormKeyDown(f, key, state);
        else if (handler == QLatin1String("edtFiltroKeyDown"))
            f->edtFiltroKeyDown(edit(f), key, state);
        else
            f->dbgPesquisaKeyDown(grid(f), key, state);
        QCOMPARE(int(key), keyAfter);
        // Through the real key the dialog stays open.
        press(f, Qt::Key_F4, Qt::AltModifier);
        QVERIFY(staysOpen(f));
        press(f, Qt::Key_Escape);
    });
    QVERIFY(out.fired);
    QVERIFY(!out.result);
}

// The form keeps its 800 x 600 and is centred, overhanging a small screen.
void tst_Pesquisa::screenPlacement_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("640x480") << QSize(640, 480) << QPoint(-80, -60);
    QTest::newRow("800x480") << QSize(800, 480) << QPoint(0, -60);
    QTest::newRow("odd 639x479") << QSize(639, 479) << QPoint(-80, -60); // truncated toward zero
}

void tst_Pesquisa::screenPlacement()
{
    QFETCH(QSize, screen);
    QFETCH(QPoint, topLeft);
    Screen::setSizeForTesting(screen.width(), screen.height());
    TClientDataSet ds;
    fill(ds);
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        QCOMPARE(f->size(), QSize(800, 600));
        // The edges the form computes for itself; a window frame, once the
        // platform reports one, may shift the centred window by its width.
        const QSize outer = f->frameGeometry().size();
        const QPoint withFrame((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2);
        QVERIFY2(f->x() <= topLeft.x() && f->x() >= withFrame.x(), qPrintable(QString::number(f->x())));
        QVERIFY2(f->y() <= topLeft.y() && f->y() >= withFrame.y(), qPrintable(QString::number(f->y())));
        press(f, Qt::Key_Escape);
    });
    QVERIFY(out.fired);
}

void tst_Pesquisa::needsTwoVisibleFields_data()
{
    QTest::addColumn<int>("visible");
    QTest::addColumn<bool>("opens");
    QTest::newRow("none") << 0 << false;
    QTest::newRow("one") << 1 << false;
    QTest::newRow("two") << 2 << true;
}

void tst_Pesquisa::needsTwoVisibleFields()
{
    QFETCH(int, visible);
    QFETCH(bool, opens);
    TClientDataSet ds;
    fill(ds);
    for (int i = visible; i < ds.FieldCount(); ++i)
        ds.Fields(i)->setVisible(false);
    search::frmPesquisa = nullptr;
    search::stObservacao = QStringLiteral("before");

    bool raised = false;
    Outcome out;
    try {
        out = runSearch(ds, [&](TfrmPesquisa *f) {
            QCOMPARE(ds.IndexName(), QStringLiteral("NOME"));
            press(f, Qt::Key_Escape);
        });
    } catch (const EDatabaseError &e) {
        raised = true;
        QVERIFY(QString::fromUtf8(e.what()).contains(QLatin1String("two visible fields")));
    }
    QCOMPARE(raised, !opens);
    QCOMPARE(out.fired, opens);
    if (!opens) {
        // Nothing was touched: no form, no globals, the host's dataset as it was.
        QCOMPARE(search::stObservacao, QStringLiteral("before"));
        QCOMPARE(ds.IndexDefs().Count(), 0);
        const auto owned = ownedForms();
        QVERIFY(std::none_of(owned.cbegin(), owned.cend(), [](TForm *f) { return qobject_cast<TfrmPesquisa *>(f); }));
    }

    bool nullRaised = false;
    try {
        search::Pesquisa(nullptr, {}, {}, {}, false);
    } catch (const EDatabaseError &) {
        nullRaised = true;
    }
    QVERIFY(nullRaised);
}

// A host whose dataset refuses a step while the search is being prepared:
// the error reaches the caller and the form is gone with it.
void tst_Pesquisa::formFreedWhenPreparationRaises()
{
    TClientDataSet ds;
    fill(ds);
    QMetaObject::Connection refuse = connect(&ds, &TClientDataSet::viewReset, &ds, [&ds] {
        if (ds.IndexName() == QLatin1String("NOME"))
            throw EDatabaseError(QStringLiteral("refused by the host"));
    });
    QPointer<TfrmPesquisa> seen;
    bool raised = false;
    try {
        search::Pesquisa(&ds, {}, {}, {}, false);
    } catch (const EDatabaseError &e) {
        raised = QString::fromUtf8(e.what()) == QLatin1String("refused by the host");
    }
    disconnect(refuse);
    QVERIFY(raised);
    QCOMPARE(search::frmPesquisa, nullptr);
    const auto owned = ownedForms();
    QVERIFY(std::none_of(owned.cbegin(), owned.cend(), [](TForm *f) { return qobject_cast<TfrmPesquisa *>(f); }));

    // The next call works as usual.
    const Outcome out = runSearch(ds, [](TfrmPesquisa *f) { press(f, Qt::Key_Escape); });
    QVERIFY(out.fired);
}

// A host whose error handler lets an error through: the modal run ends and
// raises, and Pesquisa still frees its form and clears the global.
void tst_Pesquisa::formFreedWhenModalRunRaises()
{
    TClientDataSet ds;
    fill(ds);
    bool armed = false;
    connect(&ds, &TClientDataSet::viewReset, &ds, [&armed] {
        if (armed)
            throw EDatabaseError(QStringLiteral("disk gone"));
    });
    Application::OnException = [](QObject *, const std::exception &e) {
        throw Exception(QString::fromUtf8(e.what()));
    };
    QPointer<TfrmPesquisa> form;
    QString raised;
    try {
        runSearch(ds, [&](TfrmPesquisa *f) {
            form = f;
            armed = true;
            type(f, QStringLiteral("c"));
        });
    } catch (const Exception &e) {
        raised = QString::fromUtf8(e.what());
    }
    Application::OnException = nullptr;
    QCOMPARE(raised, QStringLiteral("disk gone"));
    QCOMPARE(search::frmPesquisa, nullptr);
    QVERIFY(form.isNull());
}

// An error in a handler goes to the general error handler; the dialog stays
// open and what the handler did before the error remains.
void tst_Pesquisa::handlerErrorKeepsTheDialogOpen()
{
    TClientDataSet ds;
    fill(ds);
    ExceptionRecorder errors;
    bool armed = false;
    connect(&ds, &TClientDataSet::viewReset, &ds, [&armed] {
        if (armed)
            throw EDatabaseError(QStringLiteral("disk gone"));
    });
    const Outcome out = runSearch(ds, [&](TfrmPesquisa *f) {
        armed = true;
        type(f, QStringLiteral("c"));
        armed = false;
        QCOMPARE(errors.messages, QStringList{QStringLiteral("disk gone")});
        QCOMPARE(edit(f)->text(), QStringLiteral("c"));
        QVERIFY(staysOpen(f));
        type(f, QStringLiteral("a"));
        QCOMPARE(ds.Filter(), QStringLiteral("UPPER(NOME) LIKE 'CA%'"));
        press(f, Qt::Key_Return);
    });
    QVERIFY(out.fired);
    QVERIFY(out.result);
    QCOMPARE(currentCode(ds), 1);
}

// Used without PreparaPesquisa the form reports the mistake instead of
// dereferencing a missing dataset.
void tst_Pesquisa::unpreparedFormRaises()
{
    TfrmPesquisa form(nullptr);
    QChar key = u'a';
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, form.FormKeyPress(&form, key));
    WORD back = VK_BACK;
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, form.FormKeyDown(&form, back, {}));
    // What needs no dataset still works.
    WORD f4 = VK_F4;
    form.edtFiltroKeyDown(&form, f4, ssAlt);
    QCOMPARE(int(f4), 0);
}

QTEST_MAIN(tst_Pesquisa)
#include "tst_Pesquisa.moc"

// Qt lays a view out in timers after a reset: unless the grid settles
// before it paints, every key paints it twice, the second time the same.
// The titles stay as they are.
void tst_Pesquisa::oneKeyPaintsTheGridOnce()
{
    TClientDataSet ds;
    fill(ds);
    runSearch(ds, [&](TfrmPesquisa *f) {
        QTest::qWait(100);
        PaintCount count, titles;
        grid(f)->viewport()->installEventFilter(&count);
        grid(f)->horizontalHeader()->viewport()->installEventFilter(&titles);
        for (const char *key : {"c", "a", "spdP", "\b", "\b", "\b"}) {
            count.paints = titles.paints = 0;
            if (key[0] == '\b')
                press(f, Qt::Key_Backspace);
            else if (key[1] == 0)
                type(f, QString::fromLatin1(key));
            else
                touch(f, key);
            QTest::qWait(100);
            QVERIFY2(count.paints == 1 && titles.paints == 0,
                     qPrintable(QStringLiteral("%1 paints, %2 of the titles after %3").arg(count.paints).arg(titles.paints).arg(key)));
        }
        touch(f, "spdSair");
    });
}
