// touchdlg's --data inputs beyond a packet file: JSON on standard input and
// CSV files with guessed or given types; and what the program refuses or
// answers before any dialog (--version, a bad --locale).
#include "host/touchdlg/Command.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <tuple>

using namespace TouchDialogs;

class TestCmdData : public QObject {
    Q_OBJECT
private slots:
    void data_data();
    void data();
    void versionStdinAndLocaleOfTheProgram();
};

void TestCmdData::data_data()
{
    QTest::addColumn<QString>("file"); // "-": the content comes on standard input
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("types");   // NAME:TYPE,... as loaded
    QTest::addColumn<QString>("records"); // as JSON, or the error's gist

    QTest::newRow("guessed types") << "a.csv" << QByteArray("CODIGO,NOME,PRECO\n1,Café,4.50\n2,Coxinha,6\n") << ""
                                   << "CODIGO:integer,NOME:string,PRECO:float" << R"([[1,"Café",4.5],[2,"Coxinha",6]])";
    QTest::newRow("quotes, CRLF, byte-order mark")
        << "a.CSV" << QByteArray("\xEF\xBB\xBFNOME, OBS\r\n\"Pão, francês\",\"diz \"\"oi\"\"\"\r\n\"duas\nlinhas\", x \r\n")
        << "" << "NOME:string,OBS:string" << R"([["Pão, francês","diz \"oi\""],["duas\nlinhas","x"]])";
    QTest::newRow("semicolons, decimal comma, blank first line")
        << "a.csv" << QByteArray("\r\n \nNOME;PRECO\nCafé;4,50\nChá;3\n") << ""
        << "NOME:string,PRECO:float" << R"([["Café",4.5],["Chá",3]])";
    QTest::newRow("leading zeros are codes") << "a.csv" << QByteArray("EAN,QTD\n07891000100103,1\n7891000100103,0\n")
                                             << "" << "EAN:string,QTD:integer"
                                             << R"([["07891000100103",1],["7891000100103",0]])";
    QTest::newRow("beyond 32 bits") << "a.csv" << QByteArray("ID\n5000000000\n1\n") << "" << "ID:largeint"
                                    << "[[5000000000],[1]]";
    // Numbers a column type would change stay text: digits past 64 bits or past a double's.
    QTest::newRow("44-digit keys")
        << "a.csv" << QByteArray("CHAVE,N\n35200714200166000187550010000000071000000074,1\n"
                                 "35200714200166000187550010000000071000000075,2\n")
        << "" << "CHAVE:string,N:integer"
        << R"([["35200714200166000187550010000000071000000074",1],["35200714200166000187550010000000071000000075",2]])";
    QTest::newRow("64-bit bounds") << "a.csv"
                                   << QByteArray("MAX,MIN,PAST,BELOW\n9223372036854775807,-9223372036854775808,"
                                                 "9223372036854775808,-9223372036854775809\n1,2,3,4\n")
                                   << "" << "MAX:largeint,MIN:largeint,PAST:string,BELOW:string"
                                   << R"([["9223372036854775807","-9223372036854775808","9223372036854775808",)"
                                      R"("-9223372036854775809"],[1,2,"3","4"]])";
    QTest::newRow("16, 17, 18 digits")
        << "a.csv"
        << QByteArray("W16,W17,D16,D17,D17B,D18,MIXED\n1234567890123456,12345678901234567,1234567890.123456,"
                      "0.30000000000000004,0.12345678901234567,0.123456789012345678,9007199254740993\n"
                      "1,2,0.1,0.5,0.5,0.5,1.5\n")
        << "" << "W16:largeint,W17:largeint,D16:float,D17:float,D17B:string,D18:string,MIXED:string"
        << R"([[1234567890123456,"12345678901234567",1234567890.123456,0.30000000000000004,"0.12345678901234567",)"
           R"("0.123456789012345678","9007199254740993"],[1,2,0.1,0.5,"0.5","0.5","1.5"]])";
    QTest::newRow("empty numbers null, blank lines skipped")
        << "a.csv" << QByteArray("A,B\n1,\n\n,x\n") << "" << "A:integer,B:string" << R"([[1,""],[null,"x"]])";
    QTest::newRow("--fields sets types") << "a.csv" << QByteArray("CODIGO,ATIVO,DIA\n1,true,2024-01-05\n2,0,\n")
                                         << "CODIGO:string,ATIVO:boolean,DIA:date"
                                         << "CODIGO:string,ATIVO:boolean,DIA:date"
                                         << R"([["1",true,"2024-01-05"],["2",false,null]])";
    QTest::newRow("header only") << "a.csv" << QByteArray("A,B") << "" << "A:string,B:string" << "[]";
    QTest::newRow("JSON on standard input")
        << "-" << QByteArray(R"({"fields":[{"name":"CODIGO","type":"integer"},{"name":"NOME","type":"string"}],"records":[[1,"Café"]]})")
        << "" << "CODIGO:integer,NOME:string" << R"([[1,"Café"]])";

    QTest::newRow("ragged row") << "a.csv" << QByteArray("A,B\n1,2\n3\n") << "" << "" << "line 3: 1 values, the header has 2";
    QTest::newRow("open quote") << "a.csv" << QByteArray("A\n\"x\n") << "" << "" << "line 2: a quote is not closed";
    QTest::newRow("text after a quote") << "a.csv" << QByteArray("A\n\"x\"y\n") << "" << "" << "text after a closing quote";
    QTest::newRow("name twice") << "a.csv" << QByteArray("A,A\n1,2\n") << "" << "" << "names A twice";
    QTest::newRow("nameless column") << "a.csv" << QByteArray("A,,C\n1,2,3\n") << "" << "" << "column 2 of the header has no name";
    QTest::newRow("empty file") << "a.csv" << QByteArray("\n") << "" << "" << "has no header row";
    QTest::newRow("unknown type") << "a.csv" << QByteArray("A\n1\n") << "A:money" << "" << "\"money\" is not a field type";
    QTest::newRow("unknown column") << "a.csv" << QByteArray("A\n1\n") << "B:integer" << "" << "has no column B";
    QTest::newRow("value not of the type") << "a.csv" << QByteArray("A\n1\nx\n") << "A:integer" << ""
                                           << "line 3, A: \"x\" is not a whole number";
    // Qt's conversion ends at a NUL: "03\0 9" was taken as 3.
    QTest::newRow("NUL inside a number") << "a.csv" << QByteArray("A,B\n03\0 9,1\0\n", 13) << "A:integer,B:float"
                                         << "" << "line 2, A: \"03";
    QTest::newRow("--fields without CSV") << "a.json" << QByteArray("{}") << "A:integer" << "" << "--fields goes with";
    // Bytes that are not UTF-8, refused at their line.
    for (const auto &[name, csv, line] : QList<std::tuple<const char *, QByteArray, int>>{
             {"Windows-1252", QByteArray("A\nok\nP\xC3O\n"), 3},
             {"in the header", QByteArray("PRE\xC7O\n1\n"), 1},
             {"UTF-16", QByteArray("\xFF\xFE" "A\0\n\0", 6), 1},
             {"overlong", QByteArray("A\n\xC0\xAF\n"), 2},
             {"surrogate", QByteArray("A\n\xED\xA0\x80\n"), 2},
             {"in a quoted value's second line", QByteArray("A\n\"x\ny\xFF\"\n"), 3},
             {"cut at the end", QByteArray("A\nx\xE2\x82"), 2}})
        QTest::addRow("not UTF-8: %s", name) << "a.csv" << csv << "" << ""
                                             << QStringLiteral("line %1: not UTF-8").arg(line);
    QTest::newRow("standard input is JSON") << "-" << QByteArray("A,B\n1,2\n") << "" << "" << "JSON data cannot be loaded";
}

void TestCmdData::data()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, fields);
    QFETCH(QString, types);
    QFETCH(QString, records);

    QTemporaryDir dir;
    const QString path = dir.filePath(file == QLatin1String("-") ? QStringLiteral("stdin") : file);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    if (file == QLatin1String("-"))
        QVERIFY(std::freopen(qPrintable(path), "r", stdin));

    QCommandLineParser parser;
    touchdlg::addDataOptions(parser);
    QStringList args{QStringLiteral("touchdlg"), QStringLiteral("--data"), file == QLatin1String("-") ? file : path};
    if (!fields.isEmpty())
        args << QStringLiteral("--fields") << fields;
    QVERIFY(parser.parse(args));

    QString error;
    std::unique_ptr<TClientDataSet> data;
    try {
        data = touchdlg::openData(parser, QStringLiteral("search"));
    } catch (const touchdlg::UsageError &e) {
        error = e.message;
    } catch (const Exception &e) {
        error = e.Message();
    }
    if (types.isEmpty()) {
        QVERIFY2(error.contains(records), qPrintable(error));
        return;
    }
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QJsonObject packet = QJsonDocument::fromJson(data->toJson()).object();
    QStringList loaded;
    for (const QJsonValue &field : packet.value(QStringLiteral("fields")).toArray())
        loaded << field[QStringLiteral("name")].toString() + u':' + field[QStringLiteral("type")].toString();
    QCOMPARE(loaded.join(u','), types);
    QCOMPARE(QJsonDocument(packet.value(QStringLiteral("records")).toArray()).toJson(QJsonDocument::Compact),
             records.toUtf8());
}

void TestCmdData::versionStdinAndLocaleOfTheProgram()
{
    QProcess touchdlg;
    touchdlg.start(QStringLiteral(TD_TOUCHDLG), {QStringLiteral("--version")});
    QVERIFY(touchdlg.waitForFinished(60000));
    QCOMPARE(touchdlg.exitCode(), 0);
    QCOMPARE(touchdlg.readAllStandardOutput(), QByteArray("touchdlg " TD_VERSION "\n"));

    // A packet that is not JSON, piped in: refused before any dialog.
    touchdlg.start(QStringLiteral(TD_TOUCHDLG), {QStringLiteral("search"), QStringLiteral("--data"), QStringLiteral("-")});
    QVERIFY(touchdlg.waitForStarted());
    touchdlg.write("CODIGO,NOME\n1,Café\n");
    touchdlg.closeWriteChannel();
    QVERIFY(touchdlg.waitForFinished(60000));
    QCOMPARE(touchdlg.exitCode(), 2);
    QVERIFY(touchdlg.readAllStandardOutput().isEmpty());
    QVERIFY(touchdlg.readAllStandardError().contains("JSON"));

    // A language name that is none, refused before any dialog.
    touchdlg.start(QStringLiteral(TD_TOUCHDLG), {QStringLiteral("--locale"), QStringLiteral("xx"), QStringLiteral("colour")});
    QVERIFY(touchdlg.waitForFinished(60000));
    QCOMPARE(touchdlg.exitCode(), 2);
    QVERIFY(touchdlg.readAllStandardError().contains("--locale"));
}

QTEST_MAIN(TestCmdData)
#include "tst_cmd_data.moc"
