// touchdlg list: the JSON answer in list order, the exit status, and the
// packet --out writes (an SQLite database any tool can open).
#include "frame/Frame.h"
#include "host/touchdlg/Command.h"
#include "tests/common/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using namespace TouchDialogs::testing;

namespace {

const touchdlg::Command *listCommand()
{
    for (const touchdlg::Command &c : touchdlg::commands())
        if (c.name == QLatin1String("list"))
            return &c;
    return nullptr;
}

} // namespace

class TestCmdList : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }

    void answerAndExitStatus_data()
    {
        QTest::addColumn<QStringList>("touches");
        QTest::addColumn<QString>("json");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("packetRecords");
        QTest::newRow("two records, list order, fields in field order")
            << QStringList{"spbAdicionar", "spbAdicionar", "spbConfirma"}
            << QStringLiteral(R"({"records":[{"PRECO":null,"NOME":"Cha \\ mate","CODIGO":3},)"
                              R"({"PRECO":4.5,"NOME":"Cafe","CODIGO":1}]})")
            << 0 << 2;
        QTest::newRow("Sair") << QStringList{"spbAdicionar", "spbSair"} << QStringLiteral(R"({"records":[]})") << 1 << 0;
    }
    void answerAndExitStatus()
    {
        QFETCH(QStringList, touches);
        QFETCH(QString, json);
        QFETCH(int, status);
        QFETCH(int, packetRecords);

        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("products.json"));
        QFile f(data);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // Ordered by NOME, the base filter leaves Cafe and Cha. The list
        // searches its second field.
        f.write(R"({"fields":[{"name":"PRECO","type":"float"},{"name":"NOME","type":"string","size":20},
                              {"name":"CODIGO","type":"integer"}],
                    "records":[[4.5,"Cafe",1],[7,"Bolo",2],[null,"Cha \\ mate",3]]})");
        f.close();
        const QString out = dir.filePath(QStringLiteral("list.packet"));

        const touchdlg::Command *list = listCommand();
        QVERIFY(list);
        QCommandLineParser parser;
        list->addOptions(parser);
        QVERIFY(parser.parse({"touchdlg", "--data", data, "--filter", "CODIGO <> 2", "--description", "Combo",
                              "--out", out}));
        whenModal([touches](QWidget *dlg) {
            // The host's filter applies from the first typed character.
            QTest::keyClick(dlg, 'c');
            for (const QString &name : touches)
                touch(dlg, name);
        });
        touchdlg::JsonObjectWriter answer;
        QCOMPARE(list->run(parser, answer), status);
        QCOMPARE(QString::fromUtf8(answer.toJson()), json);

        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open_v2(out.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt *st = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db, "SELECT count(*) FROM records", -1, &st, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_step(st), SQLITE_ROW);
        const int count = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
        QCOMPARE(count, packetRecords);
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no data") << QStringList{"touchdlg"};
        QTest::newRow("both sources") << QStringList{"touchdlg", "--data", "x.json", "--sample", "products"};
    }
    void usage()
    {
        QFETCH(QStringList, args);
        const touchdlg::Command *list = listCommand();
        QCommandLineParser parser;
        list->addOptions(parser);
        QVERIFY(parser.parse(args));
        touchdlg::JsonObjectWriter answer;
        QVERIFY_THROWS_EXCEPTION(touchdlg::UsageError, list->run(parser, answer));
    }
};

QTEST_MAIN(TestCmdList)
#include "tst_cmd_list.moc"
