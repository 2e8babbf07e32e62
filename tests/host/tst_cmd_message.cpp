// touchdlg message: the JSON answer and exit status scripts rely on, with the
// box answered by real keys and touches on its buttons.
#include "frame/Frame.h"
#include "tests/host/CommandRun.h"
#include "tests/common/TestSupport.h"

#include <QTest>
#include <tuple>

using namespace TouchDialogs::testing;

class TestCmdMessage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }

    void answer_data();
    void answer();
    void usage_data();
    void usage();
};

void TestCmdMessage::answer_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("steps"); // none: the box must answer by itself
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("json");

    const QStringList yesNo{"--type", "confirmation", "--buttons", "yes,no"};
    QTest::newRow("Yes by its accelerator") << yesNo << QStringList{"key Y"} << 0 << R"({"modalResult":6})";
    QTest::newRow("Yes by Enter") << yesNo << QStringList{"key Return"} << 0 << R"({"modalResult":6})";
    QTest::newRow("Yes touched") << yesNo << QStringList{"touch Yes"} << 0 << R"({"modalResult":6})";
    QTest::newRow("No by Escape") << yesNo << QStringList{"key Escape"} << 1 << R"({"modalResult":7})";
    QTest::newRow("No by its accelerator") << yesNo << QStringList{"key N"} << 1 << R"({"modalResult":7})";
    QTest::newRow("Escape presses Cancel over No")
        << QStringList{"--buttons", "yes,no,cancel"} << QStringList{"key Escape"} << 1 << R"({"modalResult":2})";
    QTest::newRow("Cancel touched")
        << QStringList{"--buttons", "ok,cancel"} << QStringList{"touch Cancel"} << 1 << R"({"modalResult":2})";
    QTest::newRow("close box") << yesNo << QStringList{"close"} << 1 << R"({"modalResult":2})";
    QTest::newRow("default OK by Enter") << QStringList{} << QStringList{"key Return"} << 0 << R"({"modalResult":1})";
    QTest::newRow("Retry") << QStringList{"--type", "Error", "--buttons", "abort, Retry,ignore"}
                           << QStringList{"key R"} << 0 << R"({"modalResult":4})";
    // The status says whether the script goes on: only No, No to all, Cancel and Abort stop it.
    for (const auto &[button, status, result] : QList<std::tuple<const char *, int, int>>{
             {"Abort", 1, 3}, {"Ignore", 0, 5}, {"All", 0, 8}, {"NoToAll", 1, 9}, {"YesToAll", 0, 10}})
        QTest::addRow("%s touched", button) << QStringList{"--buttons", "abort,ignore,all,notoall,yestoall"}
                                            << QStringList{QStringLiteral("touch ") + button} << status
                                            << QStringLiteral(R"({"modalResult":%1})").arg(result);
    QTest::newRow("extra button") << QStringList{"--buttons", "ok", "--extra", "Depois"}
                                  << QStringList{"touch btnExtra"} << 0 << R"({"modalResult":100})";
    QTest::newRow("seconds press the default") << QStringList{"--buttons", "yes,no", "--seconds", "1"}
                                               << QStringList{} << 0 << R"({"modalResult":6})";
    QTest::newRow("countdown: the accelerator still answers")
        << QStringList{"--buttons", "yes,no", "--seconds", "5", "--countdown"} << QStringList{"key Y"} << 0
        << R"({"modalResult":6})";
    QTest::newRow("seconds end a box without buttons") << QStringList{"--buttons", "", "--seconds", "1"}
                                                       << QStringList{} << 1 << R"({"modalResult":2})";
}

void TestCmdMessage::answer()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, steps);
    QFETCH(int, status);
    QFETCH(QString, json);

    const auto run = touchdlg::testing::runCommand(QStringLiteral("message"),
                                                   QStringList{"--text", "Fechar a mesa 12?"} + args, steps);
    QCOMPARE(run.json, json);
    QCOMPARE(run.status, status);
}

void TestCmdMessage::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no text") << QStringList{"--buttons", "ok"};
    QTest::newRow("unknown type") << QStringList{"--text", "x", "--type", "question"};
    QTest::newRow("unknown button") << QStringList{"--text", "x", "--buttons", "yes,maybe"};
    QTest::newRow("seconds not a number") << QStringList{"--text", "x", "--seconds", "soon"};
    QTest::newRow("seconds with a fraction") << QStringList{"--text", "x", "--seconds", "1.5"};
    // A box that no touch can end.
    QTest::newRow("no buttons") << QStringList{"--text", "x", "--buttons", ""};
    QTest::newRow("only Help") << QStringList{"--text", "x", "--buttons", "help", "--seconds", "0"};
    QTest::newRow("countdown without seconds") << QStringList{"--text", "x", "--countdown"};
}

// A usage error comes before any box is shown, and leaves no answer.
void TestCmdMessage::usage()
{
    QFETCH(QStringList, args);
    QVERIFY(touchdlg::testing::refusesUsage(QStringLiteral("message"), args));
}

QTEST_MAIN(TestCmdMessage)
#include "tst_cmd_message.moc"
