// The search expression and its helpers, without a form: the exact text for
// each base filter, when a base filter needs parentheses, the length limit a
// field sets, and Condicao. The expressions are also run against a dataset,
// so a text that reads right but selects the wrong rows fails too.
#include "dialogs/search/SearchUnit.h"
#include "dialogs/search/TfrmPesquisa.h"
#include "frame/Frame.h"

#include <QTest>

using namespace TouchDialogs;

class tst_SearchFilter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }

    void expression_data();
    void expression();
    void topLevelOr_data();
    void topLevelOr();
    void expressionNarrowsTheBase_data();
    void expressionNarrowsTheBase();
    void lengthLimit_data();
    void lengthLimit();
    void condicao_data();
    void condicao();
};

void tst_SearchFilter::expression_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no base") << "" << "NOME" << "caf" << "UPPER(NOME) LIKE 'CAF%'";
    QTest::newRow("base") << "ATIVO = 'S'" << "NOME" << "caf" << "ATIVO = 'S' AND UPPER(NOME) LIKE 'CAF%'";
    // Only a to z change case; the rest of the character set passes as it is.
    QTest::newRow("mixed set") << "" << "NOME" << "p\u00E3o 1,5/x." << "UPPER(NOME) LIKE 'P\u00E3O 1,5/X.%'";
    QTest::newRow("cedilla kept") << "" << "NOME" << "\u00E7\u00C7a" << "UPPER(NOME) LIKE '\u00E7\u00C7A%'";
    QTest::newRow("other field") << "" << "GRUPO" << "b" << "UPPER(GRUPO) LIKE 'B%'";
    QTest::newRow("OR base in parentheses")
        << "GRUPO = 1 OR GRUPO = 2" << "NOME" << "c" << "(GRUPO = 1 OR GRUPO = 2) AND UPPER(NOME) LIKE 'C%'";
    QTest::newRow("lower-case or") << "a = 1 or b = 2" << "NOME" << "c" << "(a = 1 or b = 2) AND UPPER(NOME) LIKE 'C%'";
    QTest::newRow("OR already enclosed")
        << "(A = 1 OR B = 2)" << "NOME" << "c" << "(A = 1 OR B = 2) AND UPPER(NOME) LIKE 'C%'";
    QTest::newRow("OR in a literal") << "NOME <> 'OR'" << "NOME" << "c" << "NOME <> 'OR' AND UPPER(NOME) LIKE 'C%'";
}

void tst_SearchFilter::expression()
{
    QFETCH(QString, base);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(searchExpression(base, field, text), expected);
}

void tst_SearchFilter::topLevelOr_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<bool>("hasOr");

    QTest::newRow("empty") << "" << false;
    QTest::newRow("AND only") << "A = 1 AND B = 2" << false;
    QTest::newRow("OR") << "A = 1 OR B = 2" << true;
    QTest::newRow("or without spaces") << "A=1 OR(B=2)" << true;
    QTest::newRow("inside parentheses") << "(A = 1 OR B = 2) AND C = 3" << false;
    QTest::newRow("after parentheses") << "(A = 1) OR B = 2" << true;
    QTest::newRow("in a string") << "NOME = 'CAFE OR CHA'" << false;
    QTest::newRow("in a quoted name") << "\"OR\" = 1" << false;
    QTest::newRow("doubled quote") << "NOME = 'D''OR' OR A = 1" << true;
    QTest::newRow("part of a word") << "ORDEM = 1 AND COR = 2 AND FORMA = 3" << false;
    QTest::newRow("unbalanced close") << "A = 1) OR (B = 2" << true;
}

void tst_SearchFilter::topLevelOr()
{
    QFETCH(QString, expression);
    QFETCH(bool, hasOr);
    QCOMPARE(hasTopLevelOr(expression), hasOr);
}

// Every row the search lets through passes the base filter too.
void tst_SearchFilter::expressionNarrowsTheBase_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("codes");

    QTest::newRow("no base") << "" << "c" << QList<int>{1, 2, 5};
    QTest::newRow("AND base") << "ATIVO = 'S'" << "c" << QList<int>{1, 5};
    QTest::newRow("OR base") << "GRUPO = 'Doces' OR GRUPO = 'Drinks'" << "c" << QList<int>{5};
    QTest::newRow("OR base, no text match") << "GRUPO = 'Doces' OR GRUPO = 'Drinks'" << "x" << QList<int>{};
}

void tst_SearchFilter::expressionNarrowsTheBase()
{
    QFETCH(QString, base);
    QFETCH(QString, text);
    QFETCH(QList<int>, codes);

    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("CODIGO"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("NOME"), ftString, 20);
    ds.FieldDefs().Add(QStringLiteral("GRUPO"), ftString, 10);
    ds.FieldDefs().Add(QStringLiteral("ATIVO"), ftString, 1);
    ds.CreateDataSet();
    const struct {
        int code;
        const char *name, *group, *active;
    } rows[] = {{1, "Caf\u00E9", "Bebidas", "S"},
                {2, "Coxinha", "Salgados", "N"},
                {3, "Bolo", "Doces", "S"},
                {4, "Pudim", "Doces", "N"},
                {5, "Caipirinha", "Drinks", "S"}};
    for (const auto &r : rows) {
        ds.Append();
        ds.FieldByName(QStringLiteral("CODIGO"))->setValue(r.code);
        ds.FieldByName(QStringLiteral("NOME"))->setValue(QString::fromUtf8(r.name));
        ds.FieldByName(QStringLiteral("GRUPO"))->setValue(QString::fromUtf8(r.group));
        ds.FieldByName(QStringLiteral("ATIVO"))->setValue(QString::fromUtf8(r.active));
        ds.Post();
    }
    ds.setFilter(searchExpression(base, QStringLiteral("NOME"), text));
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

void tst_SearchFilter::condicao_data()
{
    QTest::addColumn<bool>("flag");
    QTest::addColumn<QString>("expected");
    QTest::newRow("true") << true << "a";
    QTest::newRow("false") << false << "b";
}

void tst_SearchFilter::condicao()
{
    QFETCH(bool, flag);
    QFETCH(QString, expected);
    QCOMPARE(search::Condicao(flag, QStringLiteral("a"), QStringLiteral("b")), expected);
}

QTEST_MAIN(tst_SearchFilter)
#include "tst_SearchFilter.moc"
