// touchdlg colour: the JSON answer and exit status scripts rely on.
#include "host/touchdlg/Command.h"
#include "frame/Frame.h"
#include "tests/support/TestSupport.h"

#include <QTest>
#include <QWindow>

using namespace TouchDialogs::testing;

class TestCmdColour : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }

    void answerAndExitStatus_data()
    {
        QTest::addColumn<bool>("chooseRed");
        QTest::addColumn<QString>("json");
        QTest::addColumn<int>("status");
        QTest::newRow("a colour") << true << QStringLiteral(R"({"colour":"255"})") << 0;
        QTest::newRow("Sair") << false << QStringLiteral(R"({"colour":"X"})") << 1;
    }
    void answerAndExitStatus()
    {
        QFETCH(bool, chooseRed);
        QFETCH(QString, json);
        QFETCH(int, status);
        const touchdlg::Command *colour = nullptr;
        for (const touchdlg::Command &c : touchdlg::commands())
            if (c.name == QLatin1String("colour"))
                colour = &c;
        QVERIFY(colour);
        QCommandLineParser parser;
        if (colour->addOptions)
            colour->addOptions(parser);
        QVERIFY(parser.parse({QStringLiteral("touchdlg")}));
        whenModal([chooseRed](QWidget *dlg) {
            if (chooseRed) // row 2, column 5
                QTest::mouseClick(dlg->windowHandle(), Qt::LeftButton, {}, QPoint(305 + 35, 32 + 68 + 30));
            else
                touch(dlg, QStringLiteral("tcbSair"));
        });
        touchdlg::JsonObjectWriter answer;
        QCOMPARE(colour->run(parser, answer), status);
        QCOMPARE(QString::fromUtf8(answer.toJson()), json);
    }
};

QTEST_MAIN(TestCmdColour)
#include "tst_cmd_colour.moc"
