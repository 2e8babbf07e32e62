// The filter both search dialogs build, without a form: the exact text for
// each base filter and field, run against the search's and the list's
// builder alike (each with its unit's Condicao), and the length limit a field
// sets. The expressions are also run against a dataset, so a text that reads
// right but selects the wrong rows fails too.
#include "dialogs/list/ListFilter.h"
#include "dialogs/search/SearchUnit.h"
#include "dialogs/search/TfrmPesquisa.h"
#include "frame/Frame.h"

#include <QTest>

using namespace TouchDialogs;

namespace {

// The two dialogs' filter builders: every case runs against both.
using Builder = QString (*)(const QString &, const QString &, const QString &);
const struct {
    const char *name;
    Builder build;
} builders[] = {{"search", searchExpression}, {"list", list::MontaFiltro}};

void addBuilderColumn()
{
    QTest::addColumn<Builder>("build");
}

} // namespace

Q_DECLARE_METATYPE(Builder)

class tst_SearchFilter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }

    void expression_data();
    void expression();
    void expressionNarrowsTheBase_data();
    void expressionNarrowsTheBase();
    void lengthLimit_data();
    void lengthLimit();
};

void tst_SearchFilter::expression_data()
{
    addBuilderColumn();
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const struct {
        const char *name, *base, *field, *text, *expected;
    } cases[] = {
        {"no base", "", "NOME", "caf", "UPPER(NOME) LIKE 'CAF%'"},
        {"base", "ATIVO = 'S'", "NOME", "caf", "ATIVO = 'S' AND UPPER(NOME) LIKE 'CAF%'"},
        // Only a to z change case; the rest of the character set passes as it is.
        {"mixed set", "", "NOME", "p\u00E3o 1,5/x.", "UPPER(NOME) LIKE 'P\u00E3O 1,5/X.%'"},
        {"cedilla kept", "", "NOME", "\u00E7\u00C7a", "UPPER(NOME) LIKE '\u00E7\u00C7A%'"},
        {"other field", "", "GRUPO", "b", "UPPER(GRUPO) LIKE 'B%'"},
        {"OR", "GRUPO = 1 OR GRUPO = 2", "NOME", "c", "(GRUPO = 1 OR GRUPO = 2) AND UPPER(NOME) LIKE 'C%'"},
        {"lower-case or", "a = 1 or b = 2", "NOME", "c", "(a = 1 or b = 2) AND UPPER(NOME) LIKE 'C%'"},
        {"or without spaces", "A=1 OR(B=2)", "N", "c", "(A=1 OR(B=2)) AND UPPER(N) LIKE 'C%'"},
        {"or between parentheses", "(A=1)OR(B=2)", "N", "c", "((A=1)OR(B=2)) AND UPPER(N) LIKE 'C%'"},
        {"unbalanced close", "A = 1) OR (B = 2", "N", "c", "(A = 1) OR (B = 2) AND UPPER(N) LIKE 'C%'"},
        {"doubled quote then OR", "NOME = 'D''OR' OR A = 1", "N", "c",
         "(NOME = 'D''OR' OR A = 1) AND UPPER(N) LIKE 'C%'"},
        // Parentheses once: an OR already enclosed needs none.
        {"OR already enclosed", "(A = 1 OR B = 2)", "NOME", "c", "(A = 1 OR B = 2) AND UPPER(NOME) LIKE 'C%'"},
        {"OR inside parentheses", "(A = 1 OR B = 2) AND C = 3", "N", "c",
         "(A = 1 OR B = 2) AND C = 3 AND UPPER(N) LIKE 'C%'"},
        {"OR inside CASE", "CASE WHEN A = 1 OR B = 2 THEN 1 END = 1", "N", "c",
         "CASE WHEN A = 1 OR B = 2 THEN 1 END = 1 AND UPPER(N) LIKE 'C%'"},
        {"OR in a literal", "NOME <> 'OR'", "NOME", "c", "NOME <> 'OR' AND UPPER(NOME) LIKE 'C%'"},
        {"OR as a quoted name", "\"OR\" = 1", "N", "c", "\"OR\" = 1 AND UPPER(N) LIKE 'C%'"},
        {"OR inside words", "ORDEM = 1 AND COR = 2 AND FORMA = 3", "N", "c",
         "ORDEM = 1 AND COR = 2 AND FORMA = 3 AND UPPER(N) LIKE 'C%'"},
        {"OR after $", "X$OR = 1", "N", "c", "X$OR = 1 AND UPPER(N) LIKE 'C%'"},
        {"concatenation", "A || B = 'x'", "N", "c", "A || B = 'x' AND UPPER(N) LIKE 'C%'"},
        {"blank base", "  \t ", "NOME", "c", "UPPER(NOME) LIKE 'C%'"},
        {"comment only", "-- nothing", "NOME", "c", "UPPER(NOME) LIKE 'C%'"},
        {"line comment at the end", "ATIVO = 'S' -- active", "NOME", "c",
         "ATIVO = 'S' -- active\n AND UPPER(NOME) LIKE 'C%'"},
        {"open block comment", "ATIVO = 'S' /* active", "NOME", "c",
         "ATIVO = 'S' /* active*/ AND UPPER(NOME) LIKE 'C%'"},
        {"closed comment", "ATIVO = 'S' /* active */", "NOME", "c",
         "ATIVO = 'S' /* active */ AND UPPER(NOME) LIKE 'C%'"},
        {"name with a space", "", "NOME PRODUTO", "c", "UPPER(\"NOME PRODUTO\") LIKE 'C%'"},
        {"name with a quote", "", "A\"B", "c", "UPPER(\"A\"\"B\") LIKE 'C%'"},
        {"keyword as name", "", "NULL", "c", "UPPER(\"NULL\") LIKE 'C%'"},
        {"name with $ and digits", "", "_X$1", "c", "UPPER(_X$1) LIKE 'C%'"},
    };
    for (const auto &b : builders)
        for (const auto &c : cases)
            QTest::addRow("%s: %s", b.name, c.name)
                << b.build << QString::fromUtf8(c.base) << QString::fromUtf8(c.field) << QString::fromUtf8(c.text)
                << QString::fromUtf8(c.expected);
}

void tst_SearchFilter::expression()
{
    QFETCH(Builder, build);
    QFETCH(QString, base);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(build(base, field, text), expected);
}

// Every row the search lets through passes the base filter too, and the
// typed text always narrows.
void tst_SearchFilter::expressionNarrowsTheBase_data()
{
    addBuilderColumn();
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("codes");

    const struct {
        const char *name, *base, *field, *text;
        QList<int> codes;
    } cases[] = {
        {"no base", "", "NOME", "c", {1, 2, 5}},
        {"AND base", "ATIVO = 'S'", "NOME", "c", {1, 5}},
        {"OR base", "GRUPO = 'Doces' OR GRUPO = 'Drinks'", "NOME", "c", {5}},
        {"OR base, no text match", "GRUPO = 'Doces' OR GRUPO = 'Drinks'", "NOME", "x", {}},
        {"blank base", "   ", "NOME", "c", {1, 2, 5}},
        {"line comment at the end", "ATIVO = 'S' -- active", "NOME", "caf", {1}},
        {"open block comment", "ATIVO = 'S' /* active", "NOME", "caf", {1}},
        {"name with a space", "", "NOME PRODUTO", "b", {3}},
        {"keyword as name", "", "NULL", "s", {2}},
        {"keyword as name, with a base", "ATIVO = 'N'", "NULL", "d", {4}},
    };
    for (const auto &b : builders)
        for (const auto &c : cases)
            QTest::addRow("%s: %s", b.name, c.name) << b.build << QString::fromUtf8(c.base)
                                                    << QString::fromUtf8(c.field) << QString::fromUtf8(c.text)
                                                    << c.codes;
    // A host that picks a few hundred products by code.
    QStringList codes;
    for (int n = 1; n <= 400; ++n)
        codes << QStringLiteral("CODIGO = %1").arg(n);
    for (const auto &b : builders)
        for (qsizetype count : {99, 400})
            QTest::addRow("%s: %d OR'ed codes", b.name, int(count))
                << b.build << QStringList(codes.mid(0, count)).join(QLatin1String(" OR ")) << QStringLiteral("NOME")
                << QStringLiteral("c") << QList<int>{1, 2, 5};
}

void tst_SearchFilter::expressionNarrowsTheBase()
{
    QFETCH(Builder, build);
    QFETCH(QString, base);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QList<int>, codes);

    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("CODIGO"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("NOME"), ftString, 20);
    ds.FieldDefs().Add(QStringLiteral("GRUPO"), ftString, 10);
    ds.FieldDefs().Add(QStringLiteral("ATIVO"), ftString, 1);
    ds.FieldDefs().Add(QStringLiteral("NOME PRODUTO"), ftString, 10);
    ds.FieldDefs().Add(QStringLiteral("NULL"), ftString, 10);
    ds.CreateDataSet();
    const struct {
        int code;
        const char *name, *group, *active, *product, *null;
    } rows[] = {{1, "Caf\u00E9", "Bebidas", "S", "cafe", "bebida"},
                {2, "Coxinha", "Salgados", "N", "coxinha", "salgado"},
                {3, "Bolo", "Doces", "S", "bolo", "doce"},
                {4, "Pudim", "Doces", "N", "pudim", "doce"},
                {5, "Caipirinha", "Drinks", "S", "caipirinha", "drink"}};
    for (const auto &r : rows) {
        ds.Append();
        ds.Fields(0)->setValue(r.code);
        ds.Fields(1)->setValue(QString::fromUtf8(r.name));
        ds.Fields(2)->setValue(QString::fromUtf8(r.group));
        ds.Fields(3)->setValue(QString::fromUtf8(r.active));
        ds.Fields(4)->setValue(QString::fromUtf8(r.product));
        ds.Fields(5)->setValue(QString::fromUtf8(r.null));
        ds.Post();
    }
    ds.setFilter(build(base, field, text));
    ds.setFiltered(true);
    QList<int> seen;
    for (int row = 0; row < ds.RecordCount(); ++row)
        seen << ds.viewValue(row, 0).toInt();
    QCOMPARE(seen, codes);
}

void tst_SearchFilter::lengthLimit_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("limit");

    QTest::newRow("string 30") << int(ftString) << 30 << 30;
    QTest::newRow("string 1") << int(ftString) << 1 << 1;
    QTest::newRow("string without size") << int(ftString) << 0 << -1;
    QTest::newRow("integer") << int(ftInteger) << 0 << -1;
    QTest::newRow("currency") << int(ftCurrency) << 0 << -1;
    QTest::newRow("date") << int(ftDate) << 0 << -1;
    QTest::newRow("memo") << int(ftMemo) << 0 << -1;
}

void tst_SearchFilter::lengthLimit()
{
    QFETCH(int, type);
    QFETCH(int, size);
    QFETCH(int, limit);

    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("F"), TFieldType(type), size);
    ds.CreateDataSet();
    QCOMPARE(searchLengthOf(ds.Fields(0)), limit);
    QCOMPARE(searchLengthOf(nullptr), -1);
}

QTEST_MAIN(tst_SearchFilter)
#include "tst_SearchFilter.moc"
