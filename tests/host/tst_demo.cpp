// touchpos-demo's till: one table served through every dialog, and the tour
// that writes each dialog and the till with an order to PNG files.
#include "host/demo/Till.h"
#include "frame/Frame.h"
#include "platform/forms/Application.h"
#include "tests/common/TestSupport.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;

class tst_demo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }
    void oneTableThroughTheFlow();
    void tourWritesEveryDialogAndTheTill();
};

namespace {

// Answers the next dialogs in turn, each with its steps; inspect sees each
// dialog first. Returns how many were answered through *answered.
struct Answers {
    QList<QStringList> dialogs;
    std::function<void(int, QWidget *)> inspect;
    int answered = 0;

    void arm()
    {
        if (answered >= dialogs.size())
            return;
        whenModal([this](QWidget *dlg) {
            const int n = answered++;
            if (inspect)
                inspect(n, dlg);
            arm();
            perform(dlg, dialogs[n]);
        });
    }
};

bool run(const QList<QStringList> &dialogs, const std::function<bool()> &step,
         const std::function<void(int, QWidget *)> &inspect = {})
{
    Answers answers{dialogs, inspect};
    answers.arm();
    const bool done = step();
    if (answers.answered != dialogs.size())
        QTest::qFail(qPrintable(QStringLiteral("%1 of %2 dialogs came").arg(answers.answered).arg(dialogs.size())),
                     __FILE__, __LINE__);
    return done;
}

} // namespace

void tst_demo::oneTableThroughTheFlow()
{
    Extensions e = Application::extensions();
    e.countdown = true;
    Application::setExtensions(e);
    demo::Till till;
    const demo::Table &t = till.table(7);

    QVERIFY(!till.tableButton(12)->isEnabled()); // out of use in the sample
    QVERIFY(run({{"type 4", "key Return"}}, [&] { return till.openTable(7); }));
    QCOMPARE(till.current(), 7);
    QCOMPARE(t.guests, 4);

    QVERIFY(run({{"type cappuccino c", "key Return"}, {"type 2", "key Return"}}, [&] { return till.addProduct(); }));
    QCOMPARE(t.order.size(), 1);
    QCOMPARE(t.order[0].product, QStringLiteral("Cappuccino com chantilly"));
    QCOMPARE(t.order[0].quantity, 2.0);

    QVERIFY(run({{"key Alt+A", "key Return"}}, [&] { return till.addCombo(); }));
    QCOMPARE(t.order.size(), 2);
    QCOMPARE(t.order[1].note, QStringLiteral("combo"));

    QVERIFY(run({{"type mesa da janela", "key Return"}}, [&] { return till.nameTable(); }));
    QCOMPARE(t.name, QStringLiteral("mesa da janela"));
    QVERIFY(till.tableButton(7)->text().contains(QStringLiteral("mesa da janela")));

    QVERIFY(run({{"touch shpCor04"}}, [&] { return till.colourTable(); }));
    QVERIFY(t.colour.isValid());
    const QStringList pane = till.paneLines();
    QCOMPARE(pane.size(), 2);
    QVERIFY2(pane[0].startsWith(QStringLiteral("2 × Cappuccino com chantilly")), qPrintable(pane[0]));
    QVERIFY(till.table(7).total() > 13.0);

    // Cancelled steps change nothing.
    QVERIFY(!run({{"key Escape"}}, [&] { return till.addProduct(); }));
    QCOMPARE(t.order.size(), 2);

    // The closing box counts its seconds down on Yes and closes the table.
    QString caption;
    QVERIFY(run({{"key Return"}}, [&] { return till.closeTable(); },
                [&](int, QWidget *box) {
                    for (auto *b : box->findChildren<QAbstractButton *>())
                        if (b->objectName() == QLatin1String("Yes"))
                            caption = b->text();
                }));
    QVERIFY2(caption.endsWith(QStringLiteral("(%1)").arg(demo::Till::kCloseSeconds)), qPrintable(caption));
    QCOMPARE(till.current(), 0);
    QCOMPARE(t.guests, 0);
    QVERIFY(t.order.isEmpty());
    Application::setExtensions({});
}

void tst_demo::tourWritesEveryDialogAndTheTill()
{
    QTemporaryDir dir;
    QProcess demo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    demo.setProcessEnvironment(env);
    demo.start(QStringLiteral(TD_DEMO), {QStringLiteral("--tour"), dir.path()});
    QVERIFY(demo.waitForFinished(60000));
    QCOMPARE(demo.exitCode(), 0);
    const QStringList expected{"00-till.png",    "01-guests.png",   "02-search.png",
                               "03-quantity.png", "04-list.png",     "05-keyboard.png",
                               "06-colour.png",   "07-message.png",  "08-till-with-order.png"};
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name), expected);
    QCOMPARE(QString::fromLocal8Bit(demo.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts).size(),
             expected.size());
    for (const QString &file : expected)
        QVERIFY2(!QImage(QDir(dir.path()).filePath(file)).isNull(), qPrintable(file));
    // The till with the order is not the empty till.
    QVERIFY(QImage(QDir(dir.path()).filePath(expected.first()))
            != QImage(QDir(dir.path()).filePath(expected.last())));
}

QTEST_MAIN(tst_demo)
#include "tst_demo.moc"
