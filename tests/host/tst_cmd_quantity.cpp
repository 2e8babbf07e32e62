// touchdlg quantity: the JSON answer and exit status scripts rely on, with
// the keypad driven by real keys and touches on its named keys.
#include "frame/Frame.h"
#include "tests/host/CommandRun.h"
#include "tests/common/TestSupport.h"

#include <QTest>

using namespace TouchDialogs::testing;

class TestCmdQuantity : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }

    void answer_data();
    void answer();
    void usage_data();
    void usage();
};

void TestCmdQuantity::answer_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("caption");

    QTest::newRow("typed digits and comma") << QStringList{} << QStringList{"type 12,5", "key Return"}
                                            << R"({"quantity":12.5})" << "Quantidade";
    QTest::newRow("touched keys") << QStringList{"--caption", "Chopp (litros)"}
                                  << QStringList{"touch sbt1", "touch sbt2", "touch stbVirgula", "touch sbt5",
                                                 "touch sbtEnter"}
                                  << R"({"quantity":12.5})" << "Chopp (litros)";
    QTest::newRow("point typed as comma") << QStringList{} << QStringList{"type 0.25", "key Return"}
                                          << R"({"quantity":0.25})" << "Quantidade";
    QTest::newRow("corrected") << QStringList{} << QStringList{"type 37", "touch sbtCorrigir", "type 4", "key Return"}
                               << R"({"quantity":34})" << "Quantidade";
    QTest::newRow("whole refuses the comma") << QStringList{"--whole"} << QStringList{"type 12,5", "touch sbtEnter"}
                                             << R"({"quantity":125})" << "Quantidade";
    QTest::newRow("whole refuses the comma key")
        << QStringList{"--whole"} << QStringList{"touch sbt3", "touch stbVirgula", "touch sbt2", "touch sbtEnter"}
        << R"({"quantity":32})" << "Quantidade";
    QTest::newRow("digits limit the entry") << QStringList{"--digits", "3"} << QStringList{"type 1,25", "key Return"}
                                            << R"({"quantity":1.2})" << "Quantidade";
    QTest::newRow("digits 0 is no limit") << QStringList{"--digits", "0"} << QStringList{"type 123456", "key Return"}
                                          << R"({"quantity":123456})" << "Quantidade";
    QTest::newRow("Cancel") << QStringList{} << QStringList{"type 12", "touch sbtCancelar"} << R"({"quantity":0})"
                            << "Quantidade";
    QTest::newRow("Escape") << QStringList{} << QStringList{"type 12", "key Escape"} << R"({"quantity":0})"
                            << "Quantidade";
    QTest::newRow("close box") << QStringList{} << QStringList{"type 12", "close"} << R"({"quantity":0})"
                               << "Quantidade";
}

// Cancelled or not, the exit status is 0: the answer 0 says cancelled.
void TestCmdQuantity::answer()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, steps);
    QFETCH(QString, json);
    QFETCH(QString, caption);

    const auto run = touchdlg::testing::runCommand(QStringLiteral("quantity"), args, steps);
    QVERIFY(run.shown);
    QCOMPARE(run.json, json);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.caption, caption);
}

void TestCmdQuantity::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("digits not a number") << QStringList{"--digits", "three"};
    QTest::newRow("digits negative") << QStringList{"--digits", "-1"};
    QTest::newRow("digits empty") << QStringList{"--digits", ""};
}

// A usage error comes before the keypad is shown, and leaves no answer.
void TestCmdQuantity::usage()
{
    QFETCH(QStringList, args);
    QVERIFY(touchdlg::testing::refusesUsage(QStringLiteral("quantity"), args));
}

QTEST_MAIN(TestCmdQuantity)
#include "tst_cmd_quantity.moc"
