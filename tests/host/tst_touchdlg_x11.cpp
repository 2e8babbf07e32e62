// touchdlg's window as the X server has it: Qt's xcb platform takes -title and
// --title (and -name, -geometry, ...) out of a command line for itself, wherever
// they stand, so the options must reach touchdlg first.
#include "tests/support/TestSupport.h"

#include <QProcess>
#include <QTest>

using namespace TouchDialogs::testing;

class TestTouchdlgX11 : public QObject {
    Q_OBJECT
private slots:
    void windowTitle_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("name");
        QTest::newRow("application title") << QStringList{"--title", "Caixa 1", "colour"}
                                           << QStringLiteral("Caixa 1 - Configuração de cores");
        QTest::newRow("caption like one of Qt's options")
            << QStringList{"--title", "Caixa 1", "quantity", "--caption", "-title"} << QStringLiteral("-title");
    }
    void windowTitle()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, name);
        QProcess touchdlg;
        touchdlg.start(QStringLiteral(TD_TOUCHDLG), args);
        QVERIFY(touchdlg.waitForStarted());
        const QString window = xdoOutput({QStringLiteral("search"), QStringLiteral("--sync"),
                                          QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                          QString::number(touchdlg.processId())});
        if (window.isEmpty()) {
            touchdlg.waitForFinished();
            QFAIL(qPrintable(QStringLiteral("no window: ") + QString::fromLocal8Bit(touchdlg.readAllStandardError())));
        }
        QTRY_COMPARE(xdoOutput({QStringLiteral("getwindowname"), window}), name);

        // Closed as a person would, through the window manager.
        QVERIFY(xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}));
        realKey(QStringLiteral("alt+F4"));
        QVERIFY(touchdlg.waitForFinished());
        QCOMPARE(touchdlg.exitStatus(), QProcess::NormalExit);
    }
};

QTEST_MAIN(TestTouchdlgX11)
#include "tst_touchdlg_x11.moc"
