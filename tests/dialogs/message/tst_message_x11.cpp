// A box from TouchMessage shown while a modal dialog runs, driven with real
// pointer and keys through an X server: QTest's own events pass window
// modality and would prove nothing here.
#include "dialogs/keyboard/KeyboardUnit.h"
#include "dialogs/message/MessageUnit.h"
#include "dialogs/message/TfrmMessageDlg.h"
#include "frame/Frame.h"
#include "platform/forms/Application.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QLocale>
#include <QPointer>
#include <QTest>
#include <functional>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;
using namespace TouchDialogs::message;

using ModalRun = std::function<QString()>;
Q_DECLARE_METATYPE(ModalRun)

namespace {

// The box TouchMessage showed last.
TfrmMessageDlg *shownBox()
{
    TfrmMessageDlg *found = nullptr;
    for (TForm *f : ownedForms())
        if (auto *box = qobject_cast<TfrmMessageDlg *>(f); box && box->isVisible() && !box->isModalRunning())
            found = box;
    return found;
}

// Shows a box with TouchMessage and answers it as a user would.
void showAndAnswerBox(const QString &answer)
{
    TouchMessage(QStringLiteral("Pedido enviado à cozinha."), mtInformation, {mbOK}, 0, 0, QString());
    QPointer<TfrmMessageDlg> top = shownBox();
    QVERIFY(top);
    QVERIFY(QTest::qWaitForWindowExposed(top));
    if (answer == QLatin1String("touch"))
        realTouch(top, QStringLiteral("OK"));
    else
        realKey(answer);
    QTRY_VERIFY(top.isNull());
}

// Runs the modal dialog with steps done on it once it is up; closes it when
// a step failed, so a fault cannot hang the test.
QString runModal(const ModalRun &run, const std::function<void(TForm *)> &steps)
{
    auto fired = whenModal([&](QWidget *modal) {
        steps(static_cast<TForm *>(modal));
        if (QTest::currentTestFailed())
            modal->close();
    });
    const QString result = run();
    if (!*fired)
        QTest::qFail("the modal dialog never came up", __FILE__, __LINE__);
    return result;
}

} // namespace

class tst_message_x11 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Initialize();
    }
    void cleanupTestCase() { Finalize(); }

    void boxOverAModalDialogTakesTouchesAndKeys_data();
    void boxOverAModalDialogTakesTouchesAndKeys();
    void boxOutlivesTheModalRunItWasShownOver();
};

void tst_message_x11::boxOverAModalDialogTakesTouchesAndKeys_data()
{
    QTest::addColumn<ModalRun>("run");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("thenKeys");
    QTest::addColumn<QString>("expected");

    const ModalRun messageBox = [] {
        return QString::number(
            TouchMessageDlg(QStringLiteral("Fechar a mesa 12?"), mtConfirmation, {mbYes, mbNo}, 0, 0, QString()));
    };
    const ModalRun keyboard = [] { return keyboard::TecladoAlfanumerico(QString(), QStringLiteral("Mesa")); };
    // Return on the hidden box would answer Yes (6); on the keyboard, confirm it empty ("@").
    QTest::newRow("message box, touch") << messageBox << "touch" << QStringList{"n"} << "7";
    QTest::newRow("message box, Return") << messageBox << "Return" << QStringList{"n"} << "7";
    QTest::newRow("keyboard, Return") << keyboard << "Return" << QStringList{"7", "Return"} << "7";
}

void tst_message_x11::boxOverAModalDialogTakesTouchesAndKeys()
{
    QFETCH(ModalRun, run);
    QFETCH(QString, answer);
    QFETCH(QStringList, thenKeys);
    QFETCH(QString, expected);

    const QString result = runModal(run, [&](TForm *under) {
        showAndAnswerBox(answer);
        // The dialog underneath saw nothing of it.
        QVERIFY(under->isVisible());
        QCOMPARE(under->ModalResult(), 0);
        // With the box gone, keys reach the dialog again.
        QTRY_VERIFY(under->isActiveWindow());
        for (const QString &key : thenKeys)
            realKey(key);
    });
    QCOMPARE(result, expected);
}

void tst_message_x11::boxOutlivesTheModalRunItWasShownOver()
{
    // A box shown over an inner modal box that then ends by its timer stays
    // up, and works over the outer one.
    QPointer<TfrmMessageDlg> top;
    const QString result = runModal(
        [] {
            return QString::number(TouchMessageDlg(QStringLiteral("Fechar a mesa 12?"), mtConfirmation,
                                                   {mbYes, mbNo}, 0, 0, QString()));
        },
        [&](TForm *) {
            auto innerFired = whenModal([&](QWidget *) {
                TouchMessage(QStringLiteral("Pedido enviado à cozinha."), mtInformation, {mbOK}, 0, 0, QString());
                top = shownBox();
            });
            QCOMPARE(TouchMessageDlg(QStringLiteral("Imprimindo..."), mtInformation, {mbOK}, 0, 1, QString()), 1);
            QVERIFY(*innerFired);
            QVERIFY(top);
            QVERIFY(top->isVisible());
            realTouch(top, QStringLiteral("OK"));
            QTRY_VERIFY(top.isNull());
            realKey(QStringLiteral("n"));
        });
    QCOMPARE(result, QStringLiteral("7"));
}

QTEST_MAIN(tst_message_x11)
#include "tst_message_x11.moc"
