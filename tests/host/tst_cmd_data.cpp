// touchdlg's --data inputs, told by their content: packets, JSON packets,
// JSON records (arrays, JSON Lines) and CSV with guessed or given types, from
// files or standard input; and what the program refuses or answers before
// any dialog (--version, bad records piped in, a bad --locale).
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

    // The form is told by the content, whatever the file is called.
    QTest::newRow("guessed types, CSV named .txt") << "menu.txt" << QByteArray("CODIGO,NOME,PRECO\n1,Café,4.50\n2,Coxinha,6\n") << ""
                                   << "CODIGO:integer,NOME:string,PRECO:float" << R"([[1,"Café",4.5],[2,"Coxinha",6]])";
    QTest::newRow("quotes, CRLF, byte-order mark")
        << "a.CSV" << QByteArray("\xEF\xBB\xBFNOME, OBS\r\n\"Pão, francês\",\"diz \"\"oi\"\"\"\r\n\"duas\nlinhas\", x \r\n")
        << "" << "NOME:string,OBS:string" << R"([["Pão, francês","diz \"oi\""],["duas\nlinhas","x"]])";
    QTest::newRow("semicolons, decimal comma, blank first line, standard input")
        << "-" << QByteArray("\r\n \nNOME;PRECO\nCafé;4,50\nChá;3\n") << ""
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
    QTest::newRow("blank file") << "a.csv" << QByteArray(" \n\t") << "" << "" << "no data on";
    QTest::newRow("unknown type") << "a.csv" << QByteArray("A\n1\n") << "A:money" << "" << "\"money\" is not a field type";
    QTest::newRow("unknown column") << "a.csv" << QByteArray("A\n1\n") << "B:integer" << "" << "has no column B";
    QTest::newRow("value not of the type") << "a.csv" << QByteArray("A\n1\nx\n") << "A:integer" << ""
                                           << "line 3, A: \"x\" is not a whole number";
    // Qt's conversion ends at a NUL: "03\0 9" was taken as 3.
    QTest::newRow("NUL inside a number") << "a.csv" << QByteArray("A,B\n03\0 9,1\0\n", 13) << "A:integer,B:float"
                                         << "" << "line 2, A: \"03";
    // A JSON packet in a file is read in pieces, straight into the records.
    QTest::newRow("JSON packet, byte-order mark") << "p.json"
                                                  << QByteArray("\xEF\xBB\xBF {\"records\":[[2],[1]],\"fields\":[{\"name\":\"A\",\"type\":\"integer\"}]}")
                                                  << "" << "A:integer" << "[[2],[1]]";
    QTest::newRow("JSON packet, a wrong value") << "p.json" << QByteArray(R"({"fields":[{"name":"A","type":"integer"}],"records":[["x"]]})")
                                                << "" << "" << "record 1, field \"A\": \"x\" is not an integer value";
    QTest::newRow("--fields on a JSON packet")
        << "a.json" << QByteArray(R"({"fields":[{"name":"A","type":"integer"}],"records":[]})") << "A:string" << ""
        << "--fields goes with CSV or JSON records";
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

    // Records as JSON tools write them: the same guesses as CSV, fields in the
    // order their names first appear, a name a record lacks null there.
    QTest::newRow("array of objects") << "rows.json" << QByteArray(R"([{"code":1,"name":"Café","price":4.5},)"
                                                                 R"({"code":2,"name":"Chá","price":3}])")
                                      << "" << "code:integer,name:string,price:float"
                                      << R"([[1,"Café",4.5],[2,"Chá",3]])";
    QTest::newRow("JSON Lines, names missing, null, booleans")
        << "-" << QByteArray("{\"b\":1,\"a\":\"x\"}\r\n\n{\"c\":true,\"a\":\"y\"}\n{\"b\":null,\"c\":false,\"a\":null}\n")
        << "" << "b:integer,a:string,c:boolean" << R"([[1,"x",null],[null,"y",true],[null,null,false]])";
    // A number keeps its digits as written; JSON text that reads as a number counts as one, as in CSV.
    QTest::newRow("JSON numbers as written")
        << "-" << QByteArray(R"([{"e":1e2,"big":123456789012345678901234,"d":0.30000000000000004,)"
                             R"("long":0.123456789012345678,"mixed":1.5,"code":"07"},)"
                             R"({"e":2.5E-1,"big":1,"d":1,"long":1,"mixed":"2","code":7}])")
        << "" << "e:float,big:string,d:float,long:string,mixed:float,code:string"
        << R"([[100,"123456789012345678901234",0.30000000000000004,"0.123456789012345678",1.5,"07"],)"
           R"([0.25,"1",1,"1",2,"7"]])";
    QTest::newRow("escapes, byte-order marks, objects over several lines")
        << "x.dat" << QByteArray("\xEF\xBB\xBF{\n  \"na\\u006De\": \"a\\\"b\\u0000c\",\n  \"k\": \"\xEF\xBB\xBFx\"\n}\n"
                                 "{\"name\":\"\xF0\x9F\x98\x80\\ud83d\\ude00\",\"k\":\"\"}")
        << "" << "name:string,k:string"
        << QString::fromUtf8("[[\"a\\\"b\\u0000c\",\"\xEF\xBB\xBFx\"],[\"\xF0\x9F\x98\x80\xF0\x9F\x98\x80\",\"\"]]");
    QTest::newRow("--fields on JSON records") << "-" << QByteArray(R"([{"day":"2024-01-05","ok":1},{"day":null,"ok":false}])")
                                              << "day:date,ok:boolean" << "day:date,ok:boolean"
                                              << R"([["2024-01-05",true],[null,false]])";
    TClientDataSet made;
    made.fromJson(R"({"fields":[{"name":"A","type":"integer"},{"name":"B","type":"string"}],"records":[[1,"x"]]})");
    QTest::newRow("data packet named .csv") << "a.csv" << made.Data().toByteArray() << "" << "A:integer,B:string"
                                            << R"([[1,"x"]])";

    // JSON that is not records, said with its line and record.
    for (const auto &[name, json, says] : QList<std::tuple<const char *, QByteArray, const char *>>{
             {"empty array", " [ ]", "line 1: an empty array"},
             {"array of arrays", "[[1,2]]", "line 1: record 1 is an array, not an object"},
             {"a number among objects", "[{\"a\":1},\n2]", "line 2: record 2 is a number, not an object"},
             {"nested object", "{\"a\":1,\"b\":{\"c\":2}}", "record 1, field \"b\" holds an object"},
             {"nested array", "{\"a\":1}\n{\"a\":[1]}", "line 2: record 2, field \"a\" holds an array"},
             {"name twice", "{\"a\":1,\"a\":2}", "record 1 names \"a\" twice"},
             {"nameless field", "[{\"\":1}]", "record 1 has a field without a name"},
             {"no field at all", "{}\n{}", "the records name no field"},
             {"trailing comma", "{\"a\":1}\n{\"a\":2}\n{\"a\":3,}", "line 3: record 3 is not valid JSON"},
             {"string not closed", "{\"a\":1}\n{\"a\":\"x", "line 2: record 2 is not valid JSON"},
             {"not UTF-8", "[{\"a\":\"P\xC3O\"}]", "record 1 is not valid JSON"},
             {"array not closed", "[{\"a\":1},\n", "line 1: the array is not closed"},
             {"objects without a comma", "[{\"a\":1} {\"a\":2}]", "\",\" or \"]\" expected after record 1"},
             {"more after the array", "[{\"a\":1}]\n{\"a\":2}", "line 2: more after the array"},
             {"CSV after JSON Lines", "{\"a\":1}\na,b\n1,2\n", "line 2: record 2 is not JSON"},
             {"deep nesting", QByteArray("[") + QByteArray(100000, '['), "record 1 is an array, not an object"},
             {"deep nesting in a field", QByteArray("{\"a\":") + QByteArray(100000, '['), "record 1 is not valid JSON"},
             {"names differing only in case", "[{\"a\":1,\"A\":2}]", "standard input: Duplicate field name 'A'"},
             {"packet header only", QByteArray("SQLite format 3\0 and then nothing", 34), "packet"}})
        QTest::addRow("%s", name) << "-" << json << "" << "" << QString::fromUtf8(says);
    QTest::newRow("JSON value not of the --fields type")
        << "-" << QByteArray(R"([{"a":1},{"a":"x"}])") << "a:integer" << "" << "line 1, record 2, a: \"x\" is not a whole number";
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
    const QByteArray json = data->toJson();
    QStringList loaded;
    for (const QJsonValue &field : QJsonDocument::fromJson(json).object().value(QStringLiteral("fields")).toArray())
        loaded << field[QStringLiteral("name")].toString() + u':' + field[QStringLiteral("type")].toString();
    QCOMPARE(loaded.join(u','), types);
    // As written: Qt's reader would drop a byte-order mark that starts a text.
    QCOMPARE(json.mid(json.indexOf("\"records\":") + 10).chopped(1), records.toUtf8());
}

void TestCmdData::versionStdinAndLocaleOfTheProgram()
{
    QProcess touchdlg;
    touchdlg.start(QStringLiteral(TD_TOUCHDLG), {QStringLiteral("--version")});
    QVERIFY(touchdlg.waitForFinished(60000));
    QCOMPARE(touchdlg.exitCode(), 0);
    QCOMPARE(touchdlg.readAllStandardOutput(), QByteArray("touchdlg " TD_VERSION "\n"));

    // Records that cannot be a table, piped in: refused before any dialog.
    touchdlg.start(QStringLiteral(TD_TOUCHDLG), {QStringLiteral("search"), QStringLiteral("--data"), QStringLiteral("-")});
    QVERIFY(touchdlg.waitForStarted());
    touchdlg.write("{\"CODIGO\":1,\"NOME\":\"Café\"}\n{\"CODIGO\":2,\"NOME\":[\"Chá\"]}\n");
    touchdlg.closeWriteChannel();
    QVERIFY(touchdlg.waitForFinished(60000));
    QCOMPARE(touchdlg.exitCode(), 2);
    QVERIFY(touchdlg.readAllStandardOutput().isEmpty());
    QVERIFY(touchdlg.readAllStandardError().contains("standard input line 2: record 2, field \"NOME\" holds an array"));

    // A language name that is none, refused before any dialog.
    touchdlg.start(QStringLiteral(TD_TOUCHDLG), {QStringLiteral("--locale"), QStringLiteral("xx"), QStringLiteral("colour")});
    QVERIFY(touchdlg.waitForFinished(60000));
    QCOMPARE(touchdlg.exitCode(), 2);
    QVERIFY(touchdlg.readAllStandardError().contains("--locale"));
}

QTEST_MAIN(TestCmdData)
#include "tst_cmd_data.moc"
