// Filter texts read token by token as SQLite reads them, checked against
// SQLite itself where it can tell: a text refused as an unrecognized token
// is exactly one our tokenizer refuses, an expression we accept compiles as
// one condition, a name written for a filter names that column.
#include "platform/db/FilterText.h"

#include <QTest>
#include <sqlite3.h>

using namespace TouchDialogs;
using namespace TouchDialogs::db;

namespace {

QString kindName(Token::Kind k)
{
    static const char *const names[] = {"W", "Q", "S", "B", "N", "V", "(", ")", ";", ",", "O"};
    return QString::fromLatin1(names[k]);
}

// "W:NOME", "S:it's", "(": each token's kind, then its value.
QStringList described(const Tokenized &tk)
{
    QStringList out;
    for (const Token &t : tk.tokens) {
        const bool bare = t.kind >= Token::LParen && t.kind <= Token::Comma;
        out << (bare ? kindName(t.kind) : kindName(t.kind) + u':' + t.value);
    }
    return out;
}

// A private database with tables t(a, b, NOME, "select", printf) and u(x) to
// compile texts against.
class Sqlite {
public:
    Sqlite()
    {
        sqlite3_open(":memory:", &m_db);
        sqlite3_exec(m_db, "CREATE TABLE t(a, b, NOME, \"select\", printf); CREATE TABLE u(x)", nullptr, nullptr,
                     nullptr);
    }
    ~Sqlite() { sqlite3_close(m_db); }
    // SQLite's error compiling sql; empty when it compiles.
    QString error(const QString &sql) const
    {
        sqlite3_stmt *st = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        const int rc = sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &st, nullptr);
        sqlite3_finalize(st);
        return rc == SQLITE_OK ? QString() : QString::fromUtf8(sqlite3_errmsg(m_db));
    }
    bool exec(const QString &sql) const
    {
        return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }

private:
    sqlite3 *m_db = nullptr;
};

} // namespace

class tst_FilterText : public QObject {
    Q_OBJECT
private slots:
    void tokenize_data();
    void tokenize();
    void checkExpression_data();
    void checkExpression();
    void hasTopLevelOr_data();
    void hasTopLevelOr();
    void filterName_data();
    void filterName();
    void prefixCondition_data();
    void prefixCondition();
    void splitPrefixSearch_data();
    void splitPrefixSearch();
};

void tst_FilterText::tokenize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("tokens");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("openComment");

    QTest::newRow("empty") << "" << QStringList{} << false << "";
    QTest::newRow("blanks, byte-order mark, comments")
        << QStringLiteral("\uFEFF \t\r\n\f/* c */ -- x\n") << QStringList{} << false << "";
    QTest::newRow("a vertical tab within blanks") << " \va" << QStringList{"W:a"} << false << "";
    QTest::newRow("line comment open at the end") << "a -- b" << QStringList{"W:a"} << false << "\n";
    QTest::newRow("block comment open at the end") << "a /* b" << QStringList{"W:a"} << false << "*/";
    QTest::newRow("text with a doubled quote") << "NOME = 'it''s'" << QStringList{"W:NOME", "O:=", "S:it's"}
                                                << false << "";
    QTest::newRow("quoted names") << R"("a""b" [x"y] `c``d`)" << QStringList{R"(Q:a"b)", R"(Q:x"y)", "Q:c`d"}
                                  << false << "";
    QTest::newRow("names with letters past ASCII and $")
        << QStringLiteral("Preço ção_1 a$b") << QStringList{QStringLiteral("W:Preço"), QStringLiteral("W:ção_1"), "W:a$b"}
        << false << "";
    QTest::newRow("numbers") << "12 1.5 .5 3. 1e3 2E-7 0x1F"
                             << QStringList{"N:12", "N:1.5", "N:.5", "N:3.", "N:1e3", "N:2E-7", "N:0x1F"} << false << "";
    QTest::newRow("blobs") << "X'0aFF' x''" << QStringList{"B:X'0aFF'", "B:x''"} << false << "";
    QTest::newRow("parameters") << "? ?12 :a @b $c::d $e(f) #h"
                                << QStringList{"V:?", "V:?12", "V::a", "V:@b", "V:$c::d", "V:$e(f)", "V:#h"} << false
                                << "";
    QTest::newRow("operators") << "a->b->>c<=d<>e<<f>=g>>h==i||j!=k"
                               << QStringList{"W:a", "O:->", "W:b", "O:->>", "W:c", "O:<=", "W:d", "O:<>", "W:e",
                                              "O:<<", "W:f", "O:>=", "W:g", "O:>>", "W:h", "O:==", "W:i", "O:||",
                                              "W:j", "O:!=", "W:k"}
                               << false << "";
    QTest::newRow("punctuation") << "f(a, b); ~x % 2 & 3 | t.c * -1"
                                 << QStringList{"W:f", "(", "W:a", ",", "W:b", ")", ";", "O:~", "W:x", "O:%", "N:2",
                                                "O:&", "N:3", "O:|", "W:t", "O:.", "W:c", "O:*", "O:-", "N:1"}
                                 << false << "";
    // Refused, as SQLite refuses them.
    const std::pair<const char *, const char *> refused[] = {
        {"text not closed", "NOME = 'abc"}, {"quoted name not closed", "\"abc"}, {"bracket not closed", "[abc"},
        {"stray bracket", "a]"},            {"number run into a name", "12abc"}, {"exponent without digits", "1e"},
        {"0x without digits", "0x"},        {"odd blob", "x'abc'"},              {"blob not hex", "X'zz'"},
        {"bare $", "$"},                    {"bare :", ":"},                     {"@ without a name", "a @ b"},
        {"$a( not closed", "$e(f g)"},      {"! alone", "a ! b"},                {"backslash", "a \\ b"},
        {"caret", "^"},                     {"brace", "{"},                      {"control character", "\x01"},
        {"vertical tab starting a token", "\va"}};
    for (const auto &[tag, text] : refused)
        QTest::newRow(tag) << QString::fromLatin1(text) << QStringList{} << true << "";
}

void tst_FilterText::tokenize()
{
    QFETCH(QString, text);
    QFETCH(QStringList, tokens);
    QFETCH(bool, refused);
    QFETCH(QString, openComment);

    const Tokenized tk = db::tokenize(text);
    QCOMPARE(!tk.error.isEmpty(), refused);
    if (!refused) {
        QCOMPARE(described(tk), tokens);
        QCOMPARE(tk.openComment, openComment);
        QCOMPARE(isBlank(tk), tokens.isEmpty());
    }
    // As the dataset compiles a filter, but with the text starting a token.
    const QString sqlite = Sqlite().error(QStringLiteral("SELECT (") + text + QStringLiteral("\n)"));
    QVERIFY2(sqlite.startsWith(QLatin1String("unrecognized token")) == refused, qPrintable(sqlite));
}

// Accepted texts compile in SQLite as one condition of a WHERE clause.
void tst_FilterText::checkExpression_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("invalid");    // a word of the reason; empty: valid
    QTest::addColumn<QString>("notAllowed"); // a word of the reason; empty: allowed

    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("a comparison") << "a = 1 AND NOME LIKE 'x%'" << "" << "";
    QTest::newRow("line comment at the end") << "a = 1 -- and more" << "" << "";
    QTest::newRow("block comment open") << "a = 1 /* and more" << "comment" << "";
    QTest::newRow("refused token") << "a = 'x" << "quotes" << "";
    QTest::newRow("second statement") << "a = 1; DROP TABLE t" << "statement" << "";
    QTest::newRow("parameter") << "a = :v" << "parameter" << "";
    QTest::newRow("parenthesis not closed") << "(a = 1" << "not closed" << "";
    QTest::newRow("closing one it did not open") << "a = 1) OR (1" << "no opening" << "";
    QTest::newRow("closed before opened") << ")a(" << "no opening" << "";
    const QString deepest = QString(kMaxFilterDepth, u'(') + u'1' + QString(kMaxFilterDepth, u')');
    QTest::newRow("nested to the limit") << deepest << "" << "";
    QTest::newRow("nested past the limit") << u'(' + deepest + u')' << "deep" << "";
    QTest::newRow("IN a list") << "a IN (1, 2)" << "" << "";
    QTest::newRow("IN a table") << "a IN u" << "" << "sub-query";
    QTest::newRow("sub-query") << "a = (select 1)" << "" << "sub-query";
    QTest::newRow("VALUES") << "a IN (VALUES (1))" << "" << "sub-query";
    QTest::newRow("SELECT as a text or a quoted name") << R"('SELECT' = "select")" << "" << "";
    QTest::newRow("printf within bounds") << "printf('%-1000.1000d|%s', a, b) = ''" << "" << "";
    QTest::newRow("format within bounds") << "FORMAT('%5s', a) = ''" << "" << "";
    QTest::newRow("printf too wide") << "printf('%1001d', a) = ''" << "" << "printf";
    QTest::newRow("printf too precise") << "printf('%.1001f', a) = ''" << "" << "printf";
    QTest::newRow("printf width overflowing") << "printf('%99999999999999999999d', a) = ''" << "" << "printf";
    QTest::newRow("printf width from an argument") << "printf('%*d', 5, a) = ''" << "" << "printf";
    QTest::newRow("printf format from a column") << "printf(NOME, a) = ''" << "" << "printf";
    QTest::newRow("printf format joined") << "printf('%d' || 'x', a) = ''" << "" << "printf";
    QTest::newRow("printf by a quoted name") << R"("printf"('%2000d', a) = '')" << "" << "printf";
    QTest::newRow("a column named printf") << "printf = 1" << "" << "";
}

void tst_FilterText::checkExpression()
{
    QFETCH(QString, text);
    QFETCH(QString, invalid);
    QFETCH(QString, notAllowed);

    const ExpressionCheck check = db::checkExpression(db::tokenize(text));
    QVERIFY2(invalid.isEmpty() ? check.invalid.isEmpty() : check.invalid.contains(invalid), qPrintable(check.invalid));
    QVERIFY2(notAllowed.isEmpty() ? check.notAllowed.isEmpty() : check.notAllowed.contains(notAllowed),
             qPrintable(check.notAllowed));
    if (invalid.isEmpty() && !text.isEmpty()) {
        const QString sqlite = Sqlite().error(QStringLiteral("SELECT * FROM t WHERE (") + text + QStringLiteral("\n)"));
        QVERIFY2(sqlite.isEmpty(), qPrintable(sqlite));
    }
}

void tst_FilterText::hasTopLevelOr_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("topLevel");
    QTest::newRow("none") << "a = 1 AND b = 2" << false;
    QTest::newRow("OR") << "a = 1 OR b = 2" << true;
    QTest::newRow("or in lower case") << "a = 1 or b = 2" << true;
    QTest::newRow("in parentheses") << "(a = 1 OR b = 2) AND c" << false;
    QTest::newRow("in CASE ... END") << "CASE WHEN a OR b THEN 1 END = 1" << false;
    QTest::newRow("after CASE ... END") << "CASE WHEN a THEN 1 END OR b" << true;
    QTest::newRow("after a stray closing parenthesis") << "a) OR (b" << true;
    QTest::newRow("a text and a quoted name") << R"('OR' = "OR")" << false;
}

void tst_FilterText::hasTopLevelOr()
{
    QFETCH(QString, text);
    QFETCH(bool, topLevel);
    QCOMPARE(db::hasTopLevelOr(db::tokenize(text).tokens), topLevel);
}

// A field's name as a filter writes it reads back as that one name, and
// SQLite finds the column by it.
void tst_FilterText::filterName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");
    QTest::newRow("plain") << "NOME" << "NOME";
    QTest::newRow("letters past ASCII") << QStringLiteral("Preço") << QStringLiteral("Preço");
    QTest::newRow("underscore and $") << "_x$1" << "_x$1";
    QTest::newRow("blanks") << "nome do produto" << R"("nome do produto")";
    QTest::newRow("keyword") << "ORDER" << R"("ORDER")";
    QTest::newRow("keyword in lower case") << "null" << R"("null")";
    QTest::newRow("double quote") << R"(a"b)" << R"("a""b")";
    QTest::newRow("brackets") << "[x]" << R"("[x]")";
    QTest::newRow("starting with a digit") << "1abc" << R"("1abc")";
    QTest::newRow("starting with $") << "$x" << R"("$x")";
    QTest::newRow("a leading blank") << " NOME" << R"(" NOME")";
    QTest::newRow("a comment after") << "NOME--" << R"("NOME--")";
}

void tst_FilterText::filterName()
{
    QFETCH(QString, name);
    QFETCH(QString, written);

    QCOMPARE(db::filterName(name), written);
    QCOMPARE(isPlainIdentifier(name), written == name);
    const Tokenized tk = db::tokenize(written);
    QCOMPARE(tk.tokens.size(), size_t(1));
    QCOMPARE(tk.tokens[0].value, name);
    Sqlite db;
    QVERIFY(db.exec(QStringLiteral("CREATE TABLE n(\"") + QString(name).replace(u'"', QLatin1String("\"\""))
                    + QStringLiteral("\")")));
    QCOMPARE(db.error(QStringLiteral("SELECT ") + written + QStringLiteral(" FROM n")), QString());
}

// The condition a search writes is the one splitPrefixSearch finds again.
void tst_FilterText::prefixCondition_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("prefix"); // as written in the condition
    QTest::addColumn<int>("view");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("readPrefix"); // the pattern's text, unquoted
    QTest::newRow("value") << "NOME" << "CAF" << int(PrefixView::Value) << int(ftUnknown)
                           << "UPPER(NOME) LIKE 'CAF%'" << "CAF";
    QTest::newRow("without accents, quoted name")
        << "Nome do produto" << "ACAI" << int(PrefixView::Unaccented) << int(ftUnknown)
        << R"(UPPER(UNACCENT("Nome do produto")) LIKE 'ACAI%')" << "ACAI";
    QTest::newRow("as shown, currency") << "PRECO" << "4,5" << int(PrefixView::Shown) << int(ftCurrency)
                                        << "UPPER(ASSTRING(PRECO, 'currency')) LIKE '4,5%'" << "4,5";
    QTest::newRow("as shown, date, name with a quote")
        << R"(a"b)" << "31/12" << int(PrefixView::Shown) << int(ftDate)
        << R"(UPPER(ASSTRING("a""b", 'date')) LIKE '31/12%')" << "31/12";
    QTest::newRow("a quote doubled in the prefix") << "NOME" << "D''AVILA" << int(PrefixView::Value) << int(ftUnknown)
                                                   << "UPPER(NOME) LIKE 'D''AVILA%'" << "D'AVILA";
    QTest::newRow("empty prefix") << "NOME" << "" << int(PrefixView::Value) << int(ftUnknown)
                                  << "UPPER(NOME) LIKE '%'" << "";
}

void tst_FilterText::prefixCondition()
{
    QFETCH(QString, field);
    QFETCH(QString, prefix);
    QFETCH(int, view);
    QFETCH(int, type);
    QFETCH(QString, condition);
    QFETCH(QString, readPrefix);

    const PrefixView v{PrefixView::Kind(view), TFieldType(type)};
    QCOMPARE(db::prefixCondition(field, prefix, v), condition);
    for (const QString &base : {QString(), QStringLiteral("ATIVO = 'S'")}) {
        const PrefixSplit split =
            db::splitPrefixSearch(base.isEmpty() ? condition : base + QStringLiteral(" AND ") + condition);
        QVERIFY(split.matched);
        QCOMPARE(split.base, base);
        QCOMPARE(split.field, field);
        QCOMPARE(split.fieldText, db::filterName(field));
        QCOMPARE(split.prefix, readPrefix);
        QVERIFY(split.view == v);
    }
}

void tst_FilterText::splitPrefixSearch_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matched");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("fieldText");
    QTest::addColumn<QString>("prefix");

    QTest::newRow("keywords in lower case") << "upper(nome) like 'a%'" << true << "" << "nome" << "a";
    QTest::newRow("blanks and comments around")
        << "/* c */ ATIVO = 'S' /* d */ AND UPPER( \"Nome\" ) LIKE 'CA%' -- e" << true << "ATIVO = 'S'" << R"( "Nome" )"
        << "CA";
    QTest::newRow("OR within parentheses") << "(a = 1 OR b = 2) AND UPPER(NOME) LIKE 'A%'" << true
                                           << "(a = 1 OR b = 2)" << "NOME" << "A";
    QTest::newRow("OR within CASE") << "CASE WHEN a OR b THEN 1 END = 1 AND UPPER(NOME) LIKE 'A%'" << true
                                    << "CASE WHEN a OR b THEN 1 END = 1" << "NOME" << "A";
    QTest::newRow("OR in the base") << "a = 1 OR UPPER(NOME) LIKE 'A%'" << false << "" << "" << "";
    QTest::newRow("OR in the base, then AND") << "a = 1 OR b = 2 AND UPPER(NOME) LIKE 'A%'" << false << "" << "" << "";
    QTest::newRow("BETWEEN in the base") << "a BETWEEN 1 AND 2 AND UPPER(NOME) LIKE 'A%'" << false << "" << "" << "";
    QTest::newRow("base not joined by AND") << "a = 1 UPPER(NOME) LIKE 'A%'" << false << "" << "" << "";
    QTest::newRow("base with a stray parenthesis") << "a) AND (b AND UPPER(NOME) LIKE 'A%'" << false << "" << "" << "";
    QTest::newRow("without UPPER") << "NOME LIKE 'A%'" << false << "" << "" << "";
    QTest::newRow("without the final %") << "UPPER(NOME) LIKE 'A'" << false << "" << "" << "";
    QTest::newRow("a wildcard within") << "UPPER(NOME) LIKE 'A_B%'" << false << "" << "" << "";
    QTest::newRow("with ESCAPE") << "UPPER(NOME) LIKE 'A%' ESCAPE '!'" << false << "" << "" << "";
    QTest::newRow("a % within") << "UPPER(NOME) LIKE 'A%B%'" << false << "" << "" << "";
    QTest::newRow("an unknown type shown") << "UPPER(ASSTRING(PRECO, 'money')) LIKE '4%'" << false << "" << ""
                                           << "";
    QTest::newRow("an expression, not a field") << "UPPER(NOME || 'x') LIKE 'A%'" << false << "" << "" << "";
    QTest::newRow("not one expression") << "a = 1; UPPER(NOME) LIKE 'A%'" << false << "" << "" << "";
    QTest::newRow("a comment left open") << "UPPER(NOME) LIKE 'A%' /*" << false << "" << "" << "";
}

void tst_FilterText::splitPrefixSearch()
{
    QFETCH(QString, text);
    QFETCH(bool, matched);
    QFETCH(QString, base);
    QFETCH(QString, fieldText);
    QFETCH(QString, prefix);

    const PrefixSplit split = db::splitPrefixSearch(text);
    QCOMPARE(split.matched, matched);
    if (matched) {
        QCOMPARE(split.base, base);
        QCOMPARE(split.fieldText, fieldText);
        QCOMPARE(split.prefix, prefix);
    }
}

QTEST_APPLESS_MAIN(tst_FilterText)
#include "tst_FilterText.moc"
