// touchdlg keyboard: the JSON answer, the exit status and the caption, with
// the keyboard driven by real keys and touches on its named keys.
#include "frame/Frame.h"
#include "tests/host/CommandRun.h"
#include "platform/win/Windows.h"
#include "tests/common/TestSupport.h"

#include <QTest>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;


class TestCmdKeyboard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The keyboard starts in the system's Caps Lock state.
        setCapsLockStateForTesting(0);
        Initialize();
    }
    void cleanupTestCase()
    {
        Finalize();
        setCapsLockStateForTesting(-1);
    }

    void answer_data();
    void answer();
};

void TestCmdKeyboard::answer_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("caption");

    QTest::newRow("typed, Enter") << QStringList{} << QStringList{"type mesa 4", "key Return"} << 0
                                  << R"({"text":"mesa 4"})" << "";
    QTest::newRow("touched keys, Enter key")
        << QStringList{"--caption", "Observação"}
        << QStringList{"touch spdShift", "touch spdC", "touch spdA", "touch spdF", "touch spdE", "touch spdEnter"} << 0
        << R"({"text":"Cafe"})" << "Observação";
    QTest::newRow("start text kept") << QStringList{"--text", "Sem gelo", "--caption", "Pedido"}
                                     << QStringList{"touch spdEnter"} << 0 << R"({"text":"Sem gelo"})" << "Pedido";
    QTest::newRow("start text corrected")
        << QStringList{"--text", "Mesa 12"} << QStringList{"touch spdBackSpace", "type 3", "key Return"} << 0
        << R"({"text":"Mesa 13"})" << "";
    QTest::newRow("c-cedilla, non-ASCII in the answer")
        << QStringList{} << QStringList{"type a", "touch spdCCdil", "type ai", "key Return"} << 0
        << QStringLiteral(R"({"text":"a%1ai"})").arg(QChar(0xE7)) << "";
    QTest::newRow("empty, Enter") << QStringList{} << QStringList{"key Return"} << 0 << R"({"text":"@"})" << "";
    QTest::newRow("blanks, Enter") << QStringList{} << QStringList{"touch spdEspaco", "touch spdEnter"} << 0
                                   << R"({"text":"@"})" << "";
    QTest::newRow("cleared start text, Enter") << QStringList{"--text", "abc"}
                                               << QStringList{"touch spdLimpar", "touch spdEnter"} << 0
                                               << R"({"text":"@"})" << "";
    QTest::newRow("Exit") << QStringList{"--text", "Mesa"} << QStringList{"type abc", "touch spdSair"} << 1
                          << R"({"text":""})" << "";
    QTest::newRow("Escape") << QStringList{} << QStringList{"type abc", "key Escape"} << 1 << R"({"text":""})" << "";
    QTest::newRow("close box") << QStringList{"--caption", "Nome"} << QStringList{"type abc", "close"} << 1
                               << R"({"text":""})" << "Nome";
}

void TestCmdKeyboard::answer()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, steps);
    QFETCH(int, status);
    QFETCH(QString, json);
    QFETCH(QString, caption);

    const auto run = touchdlg::testing::runCommand(QStringLiteral("keyboard"), args, steps);
    QVERIFY(run.shown);
    QCOMPARE(run.json, json);
    QCOMPARE(run.status, status);
    QCOMPARE(run.caption, caption);
}

QTEST_MAIN(TestCmdKeyboard)
#include "tst_cmd_keyboard.moc"
