// touchdlg search: the JSON answer and exit status scripts rely on, over a
// JSON packet file and over the built-in products.
#include "frame/Frame.h"
#include "host/touchdlg/Command.h"
#include "tests/common/TestSupport.h"

#include <TouchDialogs/TouchDialogs.h>
#include <QApplication>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace TouchDialogs::testing;

namespace {

const char *kPacket = R"({"fields":[{"name":"CODIGO","type":"integer"},{"name":"NOME","type":"string","size":20,
    "label":"Nome"},{"name":"PRECO","type":"currency"},{"name":"ATIVO","type":"string","size":1,"visible":false}],
    "records":[[1,"Café",4.5,"S"],[2,"Cappuccino",7.9,"S"],[3,"Coxinha",6,"N"],[4,"Caipirinha",18,"S"]]})";

const touchdlg::Command &searchCommand()
{
    for (const touchdlg::Command &c : touchdlg::commands())
        if (c.name == QLatin1String("search"))
            return c;
    qFatal("no search command");
}

// Runs the command with the arguments; act drives the dialog.
int run(const QStringList &args, touchdlg::JsonObjectWriter &answer, std::function<void(QWidget *)> act = {})
{
    QCommandLineParser parser;
    searchCommand().addOptions(parser);
    if (!parser.parse(QStringList{QStringLiteral("touchdlg")} + args))
        qFatal("%s", qPrintable(parser.errorText()));
    if (act)
        whenModal(std::move(act));
    return searchCommand().run(parser, answer);
}

void typeAndPress(QWidget *dlg, const char *text, Qt::Key key)
{
    QWidget *edit = dlg->findChild<QWidget *>(QStringLiteral("edtFiltro"));
    QTest::keyClicks(edit, QString::fromLatin1(text));
    QTest::keyClick(edit, key);
}

} // namespace

class TestCmdSearch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Initialize();
        QVERIFY(dir.isValid());
        packet = dir.filePath(QStringLiteral("products.json"));
        QFile f(packet);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kPacket);
    }
    void cleanupTestCase() { Finalize(); }

    void answer_data();
    void answer();
    void emptyPick();
    void scanField();
    void sampleProducts();
    void usage_data();
    void usage();

private:
    QTemporaryDir dir;
    QString packet;
};

void TestCmdSearch::answer_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("touchKey"); // instead of Enter / Escape
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("json");

    QTest::newRow("Enter")
        << QStringList{"--filter", "ATIVO = 'S'"} << "cap" << "" << 0
        << R"({"confirmed":true,"navigation":1,"record":{"CODIGO":2,"NOME":"Cappuccino","PRECO":7.9,"ATIVO":"S"},)"
           R"("filter":"ATIVO = 'S' AND UPPER(NOME) LIKE 'CAP%'","filtered":true,"indexName":"NOME"})";
    QTest::newRow("right navigation key")
        << QStringList{"--navigator"} << "co" << "spdNavDir" << 0
        << R"({"confirmed":true,"navigation":2,"record":{"CODIGO":3,"NOME":"Coxinha","PRECO":6,"ATIVO":"N"},)"
           R"("filter":"UPPER(NOME) LIKE 'CO%'","filtered":true,"indexName":"NOME"})";
    QTest::newRow("accents ignored")
        << QStringList{"--ignore-accents"} << "cafe" << "" << 0
        << R"({"confirmed":true,"navigation":1,"record":{"CODIGO":1,"NOME":"Café","PRECO":4.5,"ATIVO":"S"},)"
           R"("filter":"UPPER(UNACCENT(NOME)) LIKE 'CAFE%'","filtered":true,"indexName":"NOME"})";
    QTest::newRow("dropped filter, Escape")
        << QStringList{"--filter", "ATIVO = 'S'", "--drop-filter", "--observation", "Produto"} << "x" << "" << 1
        << R"({"confirmed":false,"navigation":1,"record":{"CODIGO":1,"NOME":"Café","PRECO":4.5,"ATIVO":"S"},)"
           R"("filter":"","filtered":true,"indexName":"NOME"})";
}

void TestCmdSearch::answer()
{
    QFETCH(QStringList, args);
    QFETCH(QString, keys);
    QFETCH(QString, touchKey);
    QFETCH(int, status);
    QFETCH(QString, json);

    touchdlg::JsonObjectWriter answer;
    const int got = run(QStringList{QStringLiteral("--data"), packet} + args, answer, [&](QWidget *dlg) {
        if (!touchKey.isEmpty()) {
            QTest::keyClicks(dlg->findChild<QWidget *>(QStringLiteral("edtFiltro")), keys);
            touch(dlg, touchKey);
        } else {
            typeAndPress(dlg, qPrintable(keys), status == 0 ? Qt::Key_Return : Qt::Key_Escape);
        }
    });
    QCOMPARE(got, status);
    QCOMPARE(QString::fromUtf8(answer.toJson()), json);
}

// A double touch with no record visible confirms nothing: the dialog stays
// until it is left.
void TestCmdSearch::emptyPick()
{
    touchdlg::JsonObjectWriter written;
    const int got = run({QStringLiteral("--data"), packet}, written, [](QWidget *dlg) {
        QTest::keyClicks(dlg->findChild<QWidget *>(QStringLiteral("edtFiltro")), QStringLiteral("zz"));
        QWidget *grid = dlg->findChild<QWidget *>(QStringLiteral("dbgPesquisa"));
        auto *viewport = grid->findChild<QWidget *>(QStringLiteral("qt_scrollarea_viewport"));
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(30, 30));
        QVERIFY(staysOpen(dlg));
        QTest::keyClick(dlg, Qt::Key_Escape);
    });
    QCOMPARE(got, 1);
    const QJsonObject answer = QJsonDocument::fromJson(written.toJson()).object();
    QCOMPARE(answer.value(QStringLiteral("confirmed")).toBool(), false);
}

// --scan-field: a burst of keys a few milliseconds apart, ended by Enter,
// picks the record whose field equals it.
void TestCmdSearch::scanField()
{
    touchdlg::JsonObjectWriter written;
    const int got = run({QStringLiteral("--data"), packet, QStringLiteral("--scan-field"), QStringLiteral("NOME")},
                        written, [](QWidget *dlg) {
                            QWidget *edit = dlg->findChild<QWidget *>(QStringLiteral("edtFiltro"));
                            quint64 t = 5000;
                            for (const QString &key : QStringList{"C", "a", "p", "p", "u", "c", "c", "i", "n", "o", "\r"}) {
                                QKeyEvent press(QEvent::KeyPress, key == u'\r' ? int(Qt::Key_Return) : int(key.toUpper()[0].unicode()),
                                                Qt::NoModifier, key);
                                press.setTimestamp(t += 3);
                                QApplication::sendEvent(edit, &press);
                            }
                        });
    QCOMPARE(got, 0);
    const QJsonObject answer = QJsonDocument::fromJson(written.toJson()).object();
    QCOMPARE(answer.value(QStringLiteral("record")).toObject().value(QStringLiteral("CODIGO")).toInt(), 2);
    QCOMPARE(answer.value(QStringLiteral("filter")).toString(), QStringLiteral("NOME = 'Cappuccino'"));
}

void TestCmdSearch::sampleProducts()
{
    touchdlg::JsonObjectWriter written;
    const int got = run({QStringLiteral("--sample"), QStringLiteral("products"), QStringLiteral("--filter"),
                         QStringLiteral("ATIVO = 'S'")},
                        written, [](QWidget *dlg) { typeAndPress(dlg, "caf", Qt::Key_Return); });
    QCOMPARE(got, 0);
    const QJsonObject answer = QJsonDocument::fromJson(written.toJson()).object();
    const QJsonObject record = answer.value(QStringLiteral("record")).toObject();
    QVERIFY(record.value(QStringLiteral("NOME")).toString().startsWith(QLatin1String("Caf")));
    QCOMPARE(record.value(QStringLiteral("ATIVO")).toString(), QStringLiteral("S"));
    QCOMPARE(answer.value(QStringLiteral("indexName")).toString(), QStringLiteral("NOME"));
}

void TestCmdSearch::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("usageError"); // else a data error
    QTest::newRow("no source") << QStringList{} << true;
    QTest::newRow("two sources") << QStringList{"--data", "x.json", "--sample", "products"} << true;
    QTest::newRow("unknown sample") << QStringList{"--sample", "drinks"} << false;
    QTest::newRow("missing file") << QStringList{"--data", "/nonexistent/x.json"} << true;
    QTest::newRow("bad filter") << QStringList{"--sample", "products", "--filter", "NOME ="} << false;
    QTest::newRow("unknown scan field") << QStringList{"--sample", "products", "--scan-field", "EAN"} << false;
}

void TestCmdSearch::usage()
{
    QFETCH(QStringList, args);
    QFETCH(bool, usageError);
    touchdlg::JsonObjectWriter answer;
    bool usage = false, data = false;
    try {
        run(args, answer);
    } catch (const touchdlg::UsageError &) {
        usage = true;
    } catch (const std::exception &) {
        data = true;
    }
    QCOMPARE(usage, usageError);
    QCOMPARE(data, !usageError);
    QVERIFY(answer.isEmpty());
}

QTEST_MAIN(TestCmdSearch)
#include "tst_cmd_search.moc"
