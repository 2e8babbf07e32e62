// The real touchdlg as a script runs it, where no dialog is shown: usage and
// errors need no display, and bad data ends in a clear error, exit 2.
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestTouchdlgProcess : public QObject {
    Q_OBJECT

private slots:
    void exitsClearly_data();
    void exitsClearly();
};

void TestTouchdlgProcess::exitsClearly_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("display"); // false: no DISPLAY, WAYLAND_DISPLAY nor QT_QPA_PLATFORM
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says"); // on stdout for status 0, else on stderr
    QTest::newRow("help, no display") << QStringList{"--help"} << false << 0 << "Usage: touchdlg";
    QTest::newRow("unknown dialog, no display") << QStringList{"nosuch"} << false << 2 << "unknown dialog 'nosuch'";
    QTest::newRow("no dialog, no display") << QStringList{} << false << 2 << "no dialog named";
    QTest::newRow("a dialog, no display") << QStringList{"message", "--text", "x"} << false << 2 << "no display";
    QTest::newRow("endless data") << QStringList{"list", "--data", "/dev/zero"} << true << 2 << "larger than";
    QTest::newRow("NUL in a field name") << QStringList{"list", "--data", "nul.json"} << true << 2 << "control character";
}

void TestTouchdlgProcess::exitsClearly()
{
    QFETCH(QStringList, args);
    QFETCH(bool, display);
    QFETCH(int, status);
    QFETCH(QString, says);
    QTemporaryDir dir;
    QFile nul(dir.filePath("nul.json"));
    QVERIFY(nul.open(QIODevice::WriteOnly));
    nul.write(R"({"fields":[{"name":"A\u0000B","type":"integer"},{"name":"C","type":"string"}],"records":[]})");
    nul.close();
    QProcess p;
    p.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    if (display)
        env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TD_TOUCHDLG), args);
    QVERIFY(p.waitForFinished(60000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput()), err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY2(p.exitCode() == status, qPrintable(QStringLiteral("exit %1: %2").arg(p.exitCode()).arg(err)));
    QVERIFY2((status == 0 ? out : err).contains(says), qPrintable(out + err));
}

QTEST_GUILESS_MAIN(TestTouchdlgProcess)
#include "tst_touchdlg_process.moc"
