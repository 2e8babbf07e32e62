// touchdlg message: the JSON answer and exit status scripts rely on, with the
// box answered by real keys and touches on its buttons.
#include "frame/Frame.h"
#include "host/touchdlg/Command.h"
#include "tests/support/TestSupport.h"

#include <QJsonDocument>
#include <QTest>

using namespace TouchDialogs::testing;

namespace {

const touchdlg::Command &messageCommand()
{
    const touchdlg::Command *c = touchdlg::findCommand(QStringLiteral("message"));
    if (!c)
        qFatal("no message command");
    return *c;
}

// One thing a user does: "key Y", "key Return", "key Escape", "touch Yes",
// "close" (the window's close box).
void perform(QWidget *box, const QString &step)
{
    const QString verb = step.section(u' ', 0, 0);
    const QString arg = step.section(u' ', 1);
    if (verb == QLatin1String("touch")) {
        touch(box, arg);
    } else if (verb == QLatin1String("key")) {
        if (arg == QLatin1String("Return"))
            QTest::keyClick(box, Qt::Key_Return);
        else if (arg == QLatin1String("Escape"))
            QTest::keyClick(box, Qt::Key_Escape);
        else
            QTest::keyClick(box, Qt::Key(arg.at(0).toUpper().unicode()));
    } else if (verb == QLatin1String("close")) {
        box->close();
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }
}

// Parses the arguments and runs the command; steps (if any) answer the box.
int run(const QStringList &args, QJsonObject &answer, const QStringList &steps = {})
{
    QCommandLineParser parser;
    messageCommand().addOptions(parser);
    if (!parser.parse(QStringList{QStringLiteral("touchdlg")} + args))
        qFatal("%s", qPrintable(parser.errorText()));
    if (!steps.isEmpty())
        whenModal([steps](QWidget *box) {
            for (const QString &step : steps)
                perform(box, step);
        });
    return messageCommand().run(parser, answer);
}

QString compact(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

} // namespace

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
    QTest::newRow("No by Escape") << yesNo << QStringList{"key Escape"} << 0 << R"({"modalResult":7})";
    QTest::newRow("No by its accelerator") << yesNo << QStringList{"key N"} << 0 << R"({"modalResult":7})";
    QTest::newRow("Escape presses Cancel over No")
        << QStringList{"--buttons", "yes,no,cancel"} << QStringList{"key Escape"} << 1 << R"({"modalResult":2})";
    QTest::newRow("Cancel touched")
        << QStringList{"--buttons", "ok,cancel"} << QStringList{"touch Cancel"} << 1 << R"({"modalResult":2})";
    QTest::newRow("close box") << yesNo << QStringList{"close"} << 1 << R"({"modalResult":2})";
    QTest::newRow("default OK by Enter") << QStringList{} << QStringList{"key Return"} << 0 << R"({"modalResult":1})";
    QTest::newRow("Retry") << QStringList{"--type", "error", "--buttons", "abort, Retry,ignore"}
                           << QStringList{"key R"} << 0 << R"({"modalResult":4})";
    QTest::newRow("extra button") << QStringList{"--buttons", "ok", "--extra", "Depois"}
                                  << QStringList{"touch btnExtra"} << 0 << R"({"modalResult":100})";
    QTest::newRow("seconds press the default") << QStringList{"--buttons", "yes,no", "--seconds", "1"}
                                               << QStringList{} << 0 << R"({"modalResult":6})";
}

void TestCmdMessage::answer()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, steps);
    QFETCH(int, status);
    QFETCH(QString, json);

    QJsonObject answer;
    const int got = run(QStringList{"--text", "Fechar a mesa 12?"} + args, answer, steps);
    QCOMPARE(compact(answer), json);
    QCOMPARE(got, status);
}

void TestCmdMessage::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no text") << QStringList{"--buttons", "ok"};
    QTest::newRow("unknown type") << QStringList{"--text", "x", "--type", "question"};
    QTest::newRow("unknown button") << QStringList{"--text", "x", "--buttons", "yes,maybe"};
    QTest::newRow("seconds not a number") << QStringList{"--text", "x", "--seconds", "soon"};
    QTest::newRow("seconds with a fraction") << QStringList{"--text", "x", "--seconds", "1.5"};
}

// A usage error comes before any box is shown, and leaves no answer.
void TestCmdMessage::usage()
{
    QFETCH(QStringList, args);
    QJsonObject answer;
    // Should a box open after all, it is closed so that the test fails
    // instead of waiting.
    auto opened = whenModal([](QWidget *box) { box->close(); });
    bool usageError = false;
    try {
        run(args, answer);
    } catch (const touchdlg::UsageError &e) {
        usageError = !e.message.isEmpty();
    }
    QVERIFY(usageError);
    QVERIFY(answer.isEmpty());
    QVERIFY(!*opened);
}

QTEST_MAIN(TestCmdMessage)
#include "tst_cmd_message.moc"
