// The real touchdlg as a script runs it: usage, per-dialog help and every
// option mistake need no display, bad input ends in a clear error, exit 2,
// and the status follows the answer; what it writes (--out, the
// scale it draws at) as seen from outside. Dialogs are answered by the test
// driver, loaded first, from TDTEST_STEPS.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QString err;
};

struct Call {
    Call(const QStringList &a, const QString &s = {}, const QList<QPair<QString, QString>> &e = {})
        : args(a), steps(s), env(e) {}
    QString program = QStringLiteral(TD_TOUCHDLG);
    QStringList args;
    QString steps;                          // TDTEST_STEPS, for the dialog
    QList<QPair<QString, QString>> env;     // more variables
    QString input = QProcess::nullDevice(); // standard input
    QString output;                         // standard output to this file, not a pipe
    bool display = true;                    // false: no DISPLAY, WAYLAND_DISPLAY nor QT_QPA_PLATFORM
};

Run touchdlg(const QString &dir, const Call &call)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "TOUCHDIALOGS_SCALE"})
        e.remove(QString::fromLatin1(name));
    if (call.display)
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    e.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(TD_PRELOAD));
    e.insert(QStringLiteral("TDTEST_STEPS"), call.steps);
    for (const auto &[name, value] : call.env)
        e.insert(name, value);
    p.setProcessEnvironment(e);
    p.setStandardInputFile(QDir(dir).absoluteFilePath(call.input));
    if (!call.output.isEmpty())
        p.setStandardOutputFile(call.output);
    p.start(call.program, call.args);
    Run run;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = p.exitCode();
    run.out = p.readAllStandardOutput();
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

bool isCharDevice(const char *path)
{
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISCHR(st.st_mode);
}

// A whole packet: an SQLite image as long as its header says.
bool wholePacket(const QByteArray &bytes)
{
    if (!bytes.startsWith(QByteArrayLiteral("SQLite format 3\0")) || bytes.size() < 100)
        return false;
    auto be = [&](int at, int n) {
        quint32 v = 0;
        for (int i = 0; i < n; ++i)
            v = v << 8 | quint8(bytes[at + i]);
        return v;
    };
    return qsizetype(be(16, 2)) * be(28, 4) == bytes.size();
}

} // namespace

class TestTouchdlgProcess : public QObject {
    Q_OBJECT

private slots:
    void exitsClearly_data();
    void exitsClearly();
    void scale_data();
    void scale();
    void out_data();
    void out();
    void readmeScript_data();
    void readmeScript();
};

void TestTouchdlgProcess::exitsClearly_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("env"); // NAME=VALUE; no display unless one is given
    QTest::addColumn<QString>("input"); // standard input
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says"); // on stdout for an answer, on stderr for status 2
    const QString none = QProcess::nullDevice();
    const QStringList noDisplay;
    const QStringList offscreen{"QT_QPA_PLATFORM=offscreen"};
    auto answered = [&](const char *steps) { return offscreen + QStringList{QStringLiteral("TDTEST_STEPS=") + steps}; };
    QTest::newRow("help, no display") << QStringList{"--help"} << noDisplay << none << 0
                                      << "Exit status: 0 an affirmative answer, 1 a negative or cancelled one";
    for (const char *dialog : {"colour", "keyboard", "list", "message", "quantity", "search"})
        QTest::addRow("%s --help, no display", dialog)
            << QStringList{dialog, "--help"} << noDisplay << none << 0
            << QStringLiteral("Usage: touchdlg [global options] %1 [options]").arg(dialog);
    QTest::newRow("-h after an option") << QStringList{"--title", "T", "message", "--text", "x", "-h"} << noDisplay
                                        << none << 0 << "1 No, No to all, Cancel, Abort, closed;";
    QTest::newRow("unknown dialog, no display") << QStringList{"nosuch"} << noDisplay << none << 2 << "unknown dialog 'nosuch'";
    QTest::newRow("no dialog, no display") << QStringList{} << noDisplay << none << 2 << "no dialog named";
    // Every mistake in our options is said before a display is looked for.
    for (const auto &[args, says] : QList<QPair<QStringList, const char *>>{
             {{"message", "--txt", "x"}, "message: Unknown option 'txt'. (touchdlg message --help lists its options)"},
             {{"keyboard", "extra"}, "keyboard: unexpected argument 'extra'"},
             {{"--scale", "9", "colour"}, "--scale wants auto or a factor"},
             {{"--locale", "xx", "colour"}, "--locale wants a language"},
             {{"message", "--text", "x", "--type", "question"}, "--type: 'question' is no kind of box"},
             {{"message", "--text", "x", "--buttons", "help"}, "no button would close the box"},
             {{"message", "--buttons", "ok"}, "message: --text is required"},
             {{"quantity", "--digits", "-1"}, "--digits wants 0 or more"},
             {{"search", "--data", "-", "--sample", "products"}, "search wants exactly one of --data FILE and --sample"},
             {{"list", "--sample", "products", "--fields", "A:integer"}, "--fields goes with --data"},
             {{"list", "--sample", "products", "--out", "nosuch/x.packet"}, "--out 'nosuch/x.packet': no such folder"}})
        QTest::addRow("no display: %s", qPrintable(args.join(u' '))) << args << noDisplay << none << 2 << says;
    QTest::newRow("a dialog, no display") << QStringList{"message", "--text", "x"} << noDisplay << none << 2
                                      << "no display to show the dialog on; tried xcb";
    QTest::newRow("a dialog, a compositor that is gone")
        << QStringList{"keyboard"} << QStringList{"WAYLAND_DISPLAY=gone"} << none << 2 << "tried wayland";
    QTest::newRow("Qt's share holds a misspelt dialog")
        << QStringList{"mesage", "-platform", "offscreen", "message", "--text", "x"} << noDisplay << none << 2 << "unknown dialog 'mesage'";
    QTest::newRow("NUL in a field name") << QStringList{"list", "--data", "nul.json"} << offscreen << none << 2
                                         << "control character";
    // Every input stops at the one bound, quickly, whatever keeps coming.
    for (const char *name : {"/dev/zero", "zero.csv", "sparse.csv", "sparse.json"})
        QTest::addRow("endless %s", name) << QStringList{"list", "--data", name} << offscreen << none << 2
                                          << "larger than 256 MiB";
    QTest::newRow("endless standard input") << QStringList{"list", "--data", "-"} << offscreen << "/dev/zero" << 2
                                            << "standard input: it is larger than 256 MiB";
    QTest::newRow("empty standard input") << QStringList{"search", "--data", "-"} << offscreen << none << 2
                                          << "no data on standard input";
    QTest::newRow("blank standard input") << QStringList{"search", "--data", "-"} << offscreen << "blank.txt" << 2
                                          << "no data on standard input";
    QTest::newRow("a folder as CSV") << QStringList{"search", "--data", "folder.csv"} << offscreen << none << 2
                                     << "cannot read folder.csv: file to open is a directory";

    // The status follows the answer's sense; the answer is printed either way.
    const QStringList yesNo{"message", "--text", "Fechar a mesa 12?", "--buttons", "yes,no"};
    QTest::newRow("message Yes") << yesNo << answered("key Y") << none << 0 << R"({"modalResult":6})";
    QTest::newRow("message No") << yesNo << answered("key Escape") << none << 1 << R"({"modalResult":7})";
    QTest::newRow("keyboard cancelled") << QStringList{"keyboard"} << answered("key Escape") << none << 1
                                        << R"({"text":""})";
    QTest::newRow("colour closed") << QStringList{"colour"} << answered("close") << none << 1 << R"({"colour":"X"})";
    QTest::newRow("JSON Lines piped in, a record confirmed")
        << QStringList{"search", "--data", "-"} << answered("type Ch|key Return") << "menu.jsonl" << 0
        << R"("record":{"CODIGO":2,"NOME":"Chá","PRECO":3})";
}

void TestTouchdlgProcess::exitsClearly()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, env);
    QFETCH(QString, input);
    QFETCH(int, status);
    QFETCH(QString, says);
    QTemporaryDir dir;
    QFile nul(dir.filePath("nul.json"));
    QVERIFY(nul.open(QIODevice::WriteOnly));
    nul.write(R"({"fields":[{"name":"A\u0000B","type":"integer"},{"name":"C","type":"string"}],"records":[]})");
    nul.close();
    QFile menu(dir.filePath("menu.jsonl"));
    QVERIFY(menu.open(QIODevice::WriteOnly));
    menu.write("{\"CODIGO\":1,\"NOME\":\"Café\",\"PRECO\":4.5}\n{\"CODIGO\":2,\"NOME\":\"Chá\",\"PRECO\":3}\n");
    menu.close();
    QVERIFY(QFile::link("/dev/zero", dir.filePath("zero.csv")));
    for (const char *name : {"sparse.csv", "sparse.json"}) {
        QFile sparse(dir.filePath(name));
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(2) << 30));
    }
    QVERIFY(QDir(dir.path()).mkdir("folder.csv"));
    QFile blank(dir.filePath("blank.txt"));
    QVERIFY(blank.open(QIODevice::WriteOnly) && blank.write(" \n\t\n") == 4);
    blank.close();

    Call call{args};
    call.input = input;
    call.display = false;
    for (const QString &setting : env) {
        if (setting.startsWith(QLatin1String("TDTEST_STEPS=")))
            call.steps = setting.section(u'=', 1);
        else
            call.env.append({setting.section(u'=', 0, 0), setting.section(u'=', 1)});
    }
    const Run run = touchdlg(dir.path(), call);
    QVERIFY2(run.status == status, qPrintable(QStringLiteral("exit %1: %2").arg(run.status).arg(run.err)));
    QVERIFY2((status == 2 ? run.err : QString::fromUtf8(run.out)).contains(says), qPrintable(run.out + run.err));
    if (status == 2)
        QVERIFY(run.out.isEmpty());
}

void TestTouchdlgProcess::scale_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<double>("factor"); // the dialog's size against scale 1; 0: not a scale
    // auto fits the offscreen screen, 800 x 600: the reference size.
    for (const auto &[value, factor] : QList<QPair<const char *, double>>{
             {"2", 2}, {"0.5", 0.5}, {"4", 4}, {".75", 0.75}, {" 1.5 ", 1.5}, {"AUTO", 1}, {"nan", 0}, {"inf", 0},
             {"abc", 0}, {"", 0}, {"0x2", 0}, {"2,5", 0}, {"1e0", 0}, {"0", 0}, {"4.01", 0}, {"-1", 0}})
        QTest::addRow("'%s'", value) << QString::fromLatin1(value) << factor;
}

// A value given to --scale and the same in TOUCHDIALOGS_SCALE: a factor
// draws the dialog at it; anything else is a usage error for the option, and
// for the variable a warning and no scaling.
void TestTouchdlgProcess::scale()
{
    QFETCH(QString, value);
    QFETCH(double, factor);
    QTemporaryDir dir;
    const QStringList shot{QStringLiteral("--screenshot"), QStringLiteral("shot.png")};
    const QString steps = QStringLiteral("close");
    auto width = [&] { return QImage(dir.filePath("shot.png")).width(); };

    static int unscaled = 0;
    if (!unscaled) {
        QCOMPARE(touchdlg(dir.path(), {shot + QStringList{"colour"}, steps}).status, 1);
        unscaled = width();
        QVERIFY(unscaled > 100);
        QFile::remove(dir.filePath("shot.png"));
    }
    auto near = [](int a, double b) { return std::abs(a - b) <= 3; };
    const Run option = touchdlg(dir.path(), {QStringList{"--scale", value} + shot + QStringList{"colour"}, steps});
    if (factor == 0) {
        QCOMPARE(option.status, 2);
        QVERIFY2(option.err.contains("--scale wants auto or a factor from 0.5 to 4"), qPrintable(option.err));
        QVERIFY(option.out.isEmpty());
        QVERIFY(!QFile::exists(dir.filePath("shot.png")));
    } else {
        QVERIFY2(option.status == 1, qPrintable(option.err));
        QVERIFY2(near(width(), unscaled * factor), qPrintable(QString::number(width())));
    }

    const Run env = touchdlg(dir.path(), {shot + QStringList{"colour"}, steps, {{"TOUCHDIALOGS_SCALE", value}}});
    QVERIFY2(env.status == 1, qPrintable(env.err));
    // Empty is unset, and says nothing.
    const bool warns = factor == 0 && !value.isEmpty();
    QVERIFY2(env.err.contains("drawn unscaled") == warns, qPrintable(env.err));
    QVERIFY2(near(width(), unscaled * (factor == 0 ? 1 : factor)), qPrintable(QString::number(width())));
}

void TestTouchdlgProcess::out_data()
{
    QTest::addColumn<QString>("out");      // --out, in a folder that holds old.packet, fifo and folder/
    QTest::addColumn<bool>("stdoutFile"); // standard output to a file, not a pipe
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says"); // on stderr when the status is 2
    QTest::newRow("regular file, replaced") << "old.packet" << false << 0 << "";
    QTest::newRow("new file") << "new.packet" << false << 0 << "";
    QTest::newRow("FIFO") << "fifo" << false << 0 << "";
    QTest::newRow("/dev/null") << "/dev/null" << false << 0 << "";
    QTest::newRow("/dev/stdout, a pipe") << "/dev/stdout" << false << 0 << "";
    QTest::newRow("/dev/stdout, a file") << "/dev/stdout" << true << 0 << "";
    QTest::newRow("/dev/full") << "/dev/full" << false << 2 << "Cannot write /dev/full: No space left on device";
    QTest::newRow("a folder") << "folder" << false << 2 << "--out 'folder': a folder, not a file";
    QTest::newRow("missing folder") << "nosuch/x.packet" << false << 2 << "--out 'nosuch/x.packet': no such folder";
    QTest::newRow("no name") << "" << false << 2 << "--out '': no file name";
}

void TestTouchdlgProcess::out()
{
    QFETCH(QString, out);
    QFETCH(bool, stdoutFile);
    QFETCH(int, status);
    QFETCH(QString, says);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    QFile old(dir.filePath("old.packet"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    // A second name of the old file: a replaced file leaves it as it was.
    QVERIFY(::link(qPrintable(old.fileName()), qPrintable(dir.filePath("old.link"))) == 0);
    const QByteArray fifo = QFile::encodeName(dir.filePath("fifo"));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    // Open for reading first, so that touchdlg's open for writing does not
    // wait; the packet fits the pipe's buffer until it is read.
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    const QString captured = dir.filePath("stdout");

    Call call{{"list", "--sample", "products", "--out", out}, "touch spbAdicionar|touch spbConfirma"};
    call.output = stdoutFile ? captured : QString();
    const Run run = touchdlg(dir.path(), call);
    QByteArray fromFifo(1 << 20, '\0');
    fromFifo.truncate(std::max<qsizetype>(0, ::read(reader, fromFifo.data(), fromFifo.size())));
    ::close(reader);
    QVERIFY(isCharDevice("/dev/null") && isCharDevice("/dev/full"));
    struct stat st;
    QVERIFY(::stat(fifo.constData(), &st) == 0 && S_ISFIFO(st.st_mode));

    QVERIFY2(run.status == status, qPrintable(QStringLiteral("exit %1: %2").arg(run.status).arg(run.err)));
    QByteArray stdoutBytes = run.out;
    if (stdoutFile) {
        QFile f(captured);
        QVERIFY(f.open(QIODevice::ReadOnly));
        stdoutBytes = f.readAll();
    }
    if (status != 0) {
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QVERIFY(stdoutBytes.isEmpty());
        return;
    }
    // The answer is the last line of standard output, whatever came before it.
    const QByteArray answer = stdoutBytes.mid(stdoutBytes.lastIndexOf("{\"records\":"));
    QVERIFY2(answer.startsWith("{\"records\":[{\"CODIGO\":") && answer.endsWith("}]}\n"), answer.constData());
    const QByteArray before = stdoutBytes.left(stdoutBytes.size() - answer.size());
    QByteArray packet;
    if (out == QLatin1String("/dev/stdout")) {
        packet = before;
    } else {
        QVERIFY(before.isEmpty());
        if (out == QLatin1String("fifo")) {
            packet = fromFifo;
        } else if (out.endsWith(QLatin1String(".packet"))) {
            QFile f(dir.filePath(out));
            QVERIFY(f.open(QIODevice::ReadOnly));
            packet = f.readAll();
        }
    }
    if (out != QLatin1String("/dev/null"))
        QVERIFY(wholePacket(packet));
    QFile link(dir.filePath("old.link"));
    QVERIFY(link.open(QIODevice::ReadOnly));
    QCOMPARE(link.readAll(), QByteArray("old"));
}

// The README's script, as it stands there, run by sh with touchdlg on the PATH.
const char *const kReadmeScript = R"(rows='{"code":1,"name":"Café","price":4.5}
{"code":2,"name":"Chá","price":3}'
choice=$(printf '%s\n' "$rows" | touchdlg search --data -) || { echo "nothing chosen"; exit 1; }
if touchdlg message --type confirmation --buttons yes,no --text "Add it to table 4?" > /dev/null; then
    echo "added: $choice"
else
    echo "not added"
fi
)";

void TestTouchdlgProcess::readmeScript_data()
{
    QTest::addColumn<QString>("steps"); // for each dialog
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::newRow("typed, then Yes") << "type Ch|key Return" << 0
                                     << R"(added: {"confirmed":true,"navigation":1,"record":{"code":2,"name":"Chá","price":3},)";
    QTest::newRow("search cancelled") << "key Escape" << 1 << "nothing chosen\n";
}

void TestTouchdlgProcess::readmeScript()
{
    QFETCH(QString, steps);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFile readme(QStringLiteral(TD_README));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    QVERIFY2(readme.readAll().contains(QByteArray("```sh\n") + kReadmeScript + "```\n"),
             "README.md does not show the tested script");
    QTemporaryDir dir;
    Call call{{QStringLiteral("-c"), QString::fromUtf8(kReadmeScript)}, steps};
    call.program = QStringLiteral("/bin/sh");
    call.display = true;
    call.env.append({QStringLiteral("PATH"), QFileInfo(QStringLiteral(TD_TOUCHDLG)).absolutePath() + u':'
                                                 + qEnvironmentVariable("PATH")});
    const Run run = touchdlg(dir.path(), call);
    QVERIFY2(run.status == status, qPrintable(QStringLiteral("exit %1: %2").arg(run.status).arg(run.err)));
    QVERIFY2(QString::fromUtf8(run.out).startsWith(out), run.out.constData());
}

QTEST_GUILESS_MAIN(TestTouchdlgProcess)
#include "tst_touchdlg_process.moc"
