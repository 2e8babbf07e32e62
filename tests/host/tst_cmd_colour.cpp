// touchdlg colour: the JSON answer and exit status scripts rely on.
#include "host/touchdlg/Command.h"
#include "frame/Frame.h"
#include "tests/common/TestSupport.h"

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
        QTest::addColumn<QString>("swatch"); // touched; "" leaves with Sair
        QTest::addColumn<QString>("json");
        QTest::addColumn<int>("status");
        // The library's 00BBGGRR, and the same colour written #RRGGBB.
        QTest::newRow("red") << "shpCor10" << R"({"colour":"255","rgb":"#FF0000"})" << 0;
        QTest::newRow("black") << "shpCor01" << R"({"colour":"0","rgb":"#000000"})" << 0;
        QTest::newRow("white") << "shpCor16" << R"({"colour":"16777215","rgb":"#FFFFFF"})" << 0;
        QTest::newRow("three channels") << "shpCor20" << R"({"colour":"16744576","rgb":"#8080FF"})" << 0;
        QTest::newRow("Sair") << "" << R"({"colour":"X"})" << 1;
    }
    void answerAndExitStatus()
    {
        QFETCH(QString, swatch);
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
        whenModal([swatch](QWidget *dlg) {
            if (auto *shape = swatch.isEmpty() ? nullptr : dlg->findChild<QWidget *>(swatch))
                QTest::mouseClick(dlg->windowHandle(), Qt::LeftButton, {}, shape->mapTo(dlg, shape->rect().center()));
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
