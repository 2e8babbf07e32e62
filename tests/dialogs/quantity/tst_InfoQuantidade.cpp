// The quantity keypad end to end: InfoQuantidade driven by real keys and
// touches on the named keys, as a user does it.
#include "dialogs/quantity/QuantityUnit.h"
#include "dialogs/quantity/TfrmQuantidade.h"
#include "frame/Frame.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "tests/common/TestSupport.h"

#include <QLocale>
#include <QPointer>
#include <QTest>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;
namespace qt = TouchDialogs::quantity;

namespace {


QString display(QWidget *dlg)
{
    return dlg->findChild<TLabel *>(QStringLiteral("lblInformacao"))->Caption();
}

struct Outcome {
    double result = -1;
    QString shownBeforeLast; // the display just before the last step
    bool fired = false;
    bool stuck = false;      // the steps left the keypad open
    bool globalWasForm = false;
    bool commaEnabled = false;
    QString title;
    QPointer<QWidget> form;
};

Outcome run(int tela, const QString &digits, const QStringList &steps,
            const QString &caption = QStringLiteral("Quantidade"))
{
    Outcome out;
    auto fired = whenModal([&out, steps](QWidget *dlg) {
        // The comma key is set when the keypad becomes the active window.
        QVERIFY(QTest::qWaitForWindowActive(dlg));
        out.form = dlg;
        out.globalWasForm = dlg == qt::frmQuantidade;
        out.title = dlg->windowTitle();
        out.commaEnabled = dlg->findChild<QWidget *>(QStringLiteral("stbVirgula"))->isEnabled();
        for (int i = 0; i < steps.size(); ++i) {
            if (i == steps.size() - 1)
                out.shownBeforeLast = display(dlg);
            perform(dlg, steps.at(i));
        }
        whenLeftOpen(dlg, [dlg, &out] {
            out.stuck = true;
            out.shownBeforeLast = display(dlg);
            perform(dlg, QStringLiteral("key Escape"));
        });
    });
    out.result = qt::InfoQuantidade(caption, tela, digits);
    out.fired = *fired;
    return out;
}

} // namespace

class tst_InfoQuantidade : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void entry_data();
    void entry();
    void emptyEntryShowsTheErrorBoxAndTheKeypadGoesOn();
    void closeBoxReturnsZeroNotTheEarlierQuantity();
    void loneCommaIsAConversionErrorAndTheKeypadStays();
    void limitThatIsNoNumberRefusesEveryCharacter();
    void captionCommaKeyAndGlobals_data();
    void captionCommaKeyAndGlobals();
    void modalRunThatRaisesStillFreesTheForm();
    void teardownClearsTheTexts();
};

void tst_InfoQuantidade::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Initialize();
}

void tst_InfoQuantidade::cleanupTestCase()
{
    Finalize();
}

void tst_InfoQuantidade::cleanup()
{
    QCOMPARE(qt::frmQuantidade, nullptr);
    QTRY_COMPARE(liveWidgets<TForm>(), 0);
}

void tst_InfoQuantidade::entry_data()
{
    QTest::addColumn<int>("tela");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("shown"); // before the last step
    QTest::addColumn<double>("result");

    const QString enter = QStringLiteral("key Return");
    QTest::newRow("whole number") << 1 << "" << QStringList{"type 12", enter} << "12" << 12.0;
    QTest::newRow("whole: comma and period refused") << 1 << "" << QStringList{"type 1,.2", enter} << "12" << 12.0;
    QTest::newRow("whole: greyed comma key does nothing")
        << 1 << "" << QStringList{"touch sbt1", "touch stbVirgula", "touch sbt2", "touch sbtEnter"} << "12" << 12.0;
    QTest::newRow("period shown as comma") << 0 << "" << QStringList{"type 1.5", enter} << "1,5" << 1.5;
    QTest::newRow("any other tela allows the comma") << 7 << "" << QStringList{"type 1.5", enter} << "1,5" << 1.5;
    QTest::newRow("keypad keys") << 0 << ""
                                 << QStringList{"touch sbt1", "touch stbVirgula", "touch sbt5", "touch sbtEnter"}
                                 << "1,5" << 1.5;
    QTest::newRow("every digit key") << 0 << ""
                                     << QStringList{"touch sbt1", "touch sbt2", "touch sbt3", "touch sbt4",
                                                    "touch sbt5", "touch sbt6", "touch sbt7", "touch sbt8",
                                                    "touch sbt9", "touch sbt0", "touch sbtEnter"}
                                     << "1234567890" << 1234567890.0;
    QTest::newRow("second comma refused") << 0 << "" << QStringList{"type 1,5,2", enter} << "1,52" << 1.52;
    QTest::newRow("second comma by period refused") << 0 << "" << QStringList{"type 1,5.2", enter} << "1,52" << 1.52;
    QTest::newRow("other characters ignored") << 0 << "" << QStringList{"type a-+ e3", enter} << "3" << 3.0;
    QTest::newRow("comma first") << 0 << "" << QStringList{"type ,5", enter} << ",5" << 0.5;
    QTest::newRow("comma last") << 0 << "" << QStringList{"type 12,", enter} << "12," << 12.0;
    QTest::newRow("limit 3 with comma") << 0 << "3" << QStringList{"type 1.55", enter} << "1,5" << 1.5;
    QTest::newRow("limit 3 digits") << 0 << "3" << QStringList{"type 1234", enter} << "123" << 123.0;
    QTest::newRow("limit 3: keypad keys too") << 0 << "3"
                                              << QStringList{"type 123", "touch sbt4", "touch sbtEnter"} << "123"
                                              << 123.0;
    QTest::newRow("limit 3: correct frees a place")
        << 0 << "3" << QStringList{"type 123", "touch sbtCorrigir", "type 45", enter} << "124" << 124.0;
    QTest::newRow("no limit: empty") << 0 << "" << QStringList{"type 123456789012", enter} << "123456789012"
                                     << 123456789012.0;
    QTest::newRow("no limit: 0") << 0 << "0" << QStringList{"type 123456789012", enter} << "123456789012"
                                 << 123456789012.0;
    QTest::newRow("no limit: -1 sorts below 0") << 0 << "-1" << QStringList{"type 12345", enter} << "12345"
                                                << 12345.0;
    QTest::newRow("limit 10") << 0 << "10" << QStringList{"type 123456789012", enter} << "1234567890"
                              << 1234567890.0;
    QTest::newRow("limit 00: nothing can be typed") << 0 << "00" << QStringList{"type 5,", "touch sbtCancelar"}
                                                    << "" << 0.0;
    QTest::newRow("backspace on comma last, comma again")
        << 0 << "" << QStringList{"type 12,", "key Backspace", "type ,5", enter} << "12,5" << 12.5;
    QTest::newRow("correct on empty stays empty")
        << 0 << "" << QStringList{"touch sbtCorrigir", "type 4", enter} << "4" << 4.0;
    QTest::newRow("delete empties") << 0 << "" << QStringList{"type 12", "key Delete", "type 3", enter} << "3"
                                    << 3.0;
    QTest::newRow("escape") << 0 << "" << QStringList{"type 7", "key Escape"} << "7" << 0.0;
    QTest::newRow("cancel key") << 0 << "" << QStringList{"type 7", "touch sbtCancelar"} << "7" << 0.0;
    QTest::newRow("Alt+F4 ignored") << 0 << "" << QStringList{"type 3", "key Alt+F4", enter} << "3" << 3.0;
    QTest::newRow("late close keeps the quantity") << 0 << "" << QStringList{"type 2,5", enter, "close"} << "2,5" << 2.5;
}

void tst_InfoQuantidade::entry()
{
    QFETCH(int, tela);
    QFETCH(QString, digits);
    QFETCH(QStringList, steps);
    QFETCH(QString, shown);
    QFETCH(double, result);

    ExceptionRecorder errors;
    const Outcome out = run(tela, digits, steps);
    QVERIFY(out.fired);
    QVERIFY(!out.stuck);
    QCOMPARE(out.shownBeforeLast, shown);
    QCOMPARE(out.result, result);
    QCOMPARE(qt::doQtdeInfo, result);
    QVERIFY(errors.messages.isEmpty());
    // Freed as InfoQuantidade returns, once; the deferred release finds it gone.
    QVERIFY(out.form.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void tst_InfoQuantidade::emptyEntryShowsTheErrorBoxAndTheKeypadGoesOn()
{
    QString boxText;
    bool boxHadErrorIcon = false;
    bool keypadOpenAfterBox = false;
    QString shownAfterBox;
    auto fired = whenModal([&](QWidget *keypad) {
        auto boxFired = whenModal([&](QWidget *box) {
            boxText = box->findChild<TLabel *>(QStringLiteral("lblMessage"))->Caption();
            boxHadErrorIcon = box->findChild<QWidget *>(QStringLiteral("imgMessage1"))->isVisible();
            QVERIFY(box->findChild<QWidget *>(QStringLiteral("OK")));
            QVERIFY(!box->findChild<QWidget *>(QStringLiteral("btnExtra")));
            touch(box, QStringLiteral("OK"));
        });
        perform(keypad, QStringLiteral("key Delete"));
        perform(keypad, QStringLiteral("key Return")); // the box runs inside this
        QVERIFY(*boxFired);
        keypadOpenAfterBox = keypad->isVisible();
        shownAfterBox = display(keypad);
        perform(keypad, QStringLiteral("type 8"));
        perform(keypad, QStringLiteral("key Return"));
    });
    const double result = qt::InfoQuantidade(QStringLiteral("Quantidade"), 0, QString());
    QVERIFY(*fired);
    QCOMPARE(boxText, QStringLiteral("\r\nQuantidade deve ser informada."));
    QVERIFY(boxHadErrorIcon);
    QVERIFY(keypadOpenAfterBox);
    QCOMPARE(shownAfterBox, QString());
    QCOMPARE(result, 8.0);
}

void tst_InfoQuantidade::closeBoxReturnsZeroNotTheEarlierQuantity()
{
    QCOMPARE(run(0, QString(), {"type 7.5", "key Return"}).result, 7.5);
    QCOMPARE(qt::doQtdeInfo, 7.5);

    const Outcome out = run(0, QString(), {"type 3", "close"});
    QVERIFY(out.fired);
    QVERIFY(!out.stuck);
    QCOMPARE(out.result, 0.0);
    QCOMPARE(qt::doQtdeInfo, 0.0);
}

void tst_InfoQuantidade::loneCommaIsAConversionErrorAndTheKeypadStays()
{
    qt::doQtdeInfo = 4.0;
    ExceptionRecorder errors;
    QStringList errorsWhileOpen;
    bool openAfterError = false;
    QString shownAfterError;
    auto fired = whenModal([&](QWidget *dlg) {
        QVERIFY(QTest::qWaitForWindowActive(dlg));
        perform(dlg, QStringLiteral("type ,"));
        perform(dlg, QStringLiteral("key Return"));
        errorsWhileOpen = errors.messages;
        openAfterError = dlg->isVisible() && !static_cast<TForm *>(dlg)->isModalEnding();
        shownAfterError = display(dlg);
        perform(dlg, QStringLiteral("key Backspace"));
        perform(dlg, QStringLiteral("type 2"));
        perform(dlg, QStringLiteral("key Return"));
    });
    const double result = qt::InfoQuantidade(QStringLiteral("Quantidade"), 0, QString());
    QVERIFY(*fired);
    QCOMPARE(errorsWhileOpen.size(), 1);
    QVERIFY2(errorsWhileOpen.first().contains(QLatin1String("','")), qPrintable(errorsWhileOpen.first()));
    QVERIFY(openAfterError);
    QCOMPARE(shownAfterError, QStringLiteral(","));
    QCOMPARE(result, 2.0);
}

void tst_InfoQuantidade::limitThatIsNoNumberRefusesEveryCharacter()
{
    ExceptionRecorder errors;
    const Outcome out = run(0, QStringLiteral("x"), {"type 1", "touch sbt2", "type a", "key Escape"});
    QVERIFY(out.fired);
    QCOMPARE(out.shownBeforeLast, QString());
    QCOMPARE(out.result, 0.0);
    // The typed 1 and the touched 2 each fail the limit's conversion; "a" is
    // no character the keypad considers.
    QCOMPARE(errors.messages.size(), 2);
    QVERIFY2(errors.messages.first().contains(QLatin1String("'x'")), qPrintable(errors.messages.first()));
}

void tst_InfoQuantidade::captionCommaKeyAndGlobals_data()
{
    QTest::addColumn<int>("tela");
    QTest::addColumn<bool>("commaEnabled");
    QTest::newRow("whole numbers") << 1 << false;
    QTest::newRow("decimals") << 0 << true;
    QTest::newRow("other value") << 2 << true;
}

void tst_InfoQuantidade::captionCommaKeyAndGlobals()
{
    QFETCH(int, tela);
    QFETCH(bool, commaEnabled);
    const Outcome out = run(tela, QStringLiteral("4"), {"type 9", "key Return"}, QStringLiteral("Pessoas na mesa"));
    QVERIFY(out.fired);
    QVERIFY(out.globalWasForm);
    QCOMPARE(out.title, QStringLiteral("Pessoas na mesa"));
    QCOMPARE(out.commaEnabled, commaEnabled);
    QCOMPARE(out.result, 9.0);
    QCOMPARE(qt::stMensPadrao, QStringLiteral("Pessoas na mesa"));
    QCOMPARE(qt::inTela, tela);
    QCOMPARE(qt::stQtDigitos, QStringLiteral("4"));
}

void tst_InfoQuantidade::modalRunThatRaisesStillFreesTheForm()
{
    // A host whose error handler lets errors through: the keypad's run ends
    // with the error, and the form is freed all the same.
    Application::OnException = [](QObject *, const std::exception &e) {
        throw Exception(QString::fromUtf8(e.what()));
    };
    QPointer<QWidget> form;
    auto fired = whenModal([&](QWidget *dlg) {
        form = dlg;
        perform(dlg, QStringLiteral("type 1"));
    });
    bool raised = false;
    try {
        qt::InfoQuantidade(QStringLiteral("Quantidade"), 0, QStringLiteral("x"));
    } catch (const Exception &) {
        raised = true;
    }
    Application::OnException = nullptr;
    QVERIFY(*fired);
    QVERIFY(raised);
    QCOMPARE(qt::frmQuantidade, nullptr);
    QVERIFY(form.isNull());
}

void tst_InfoQuantidade::teardownClearsTheTexts()
{
    run(0, QStringLiteral("5"), {"key Escape"}, QStringLiteral("Quantidade"));
    Initialize();
    Finalize(); // not the last one: nothing cleared yet
    QCOMPARE(qt::stMensPadrao, QStringLiteral("Quantidade"));
    QCOMPARE(qt::stQtDigitos, QStringLiteral("5"));
    Finalize();
    QVERIFY(qt::stMensPadrao.isEmpty());
    QVERIFY(qt::stQtDigitos.isEmpty());
    Initialize();
}

QTEST_MAIN(tst_InfoQuantidade)
#include "tst_InfoQuantidade.moc"
