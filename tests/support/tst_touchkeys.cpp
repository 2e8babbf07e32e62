// The dialogs as a finger meets them: the six driven through Qt's touch
// path (taps, double taps, a second finger, slides, swipes), Backspace
// (Correct) repeating while held, Shift and Caps Lock drawn latched, and the
// search keyboard drawn at a scale.
#include "dialogs/colour/ColourUnit.h"
#include "dialogs/keyboard/KeyboardUnit.h"
#include "dialogs/list/ListUnit.h"
#include "dialogs/message/MessageUnit.h"
#include "dialogs/quantity/QuantityUnit.h"
#include "dialogs/search/SearchUnit.h"
#include "frame/Frame.h"
#include "platform/db/ClientDataSet.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/rtl/SysUtils.h"
#include "tests/common/TestSupport.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;

namespace {

// Opens the dialog through its exported function, runs act on it, closes
// whatever act left open, and returns the dialog's answer as text: the box's
// modal result, the typed text, the quantity, the colour, the code of the
// record a search picked ("none"), the codes a list holds ("2,3").
QString withDialog(const QString &dialog, const std::function<void(TForm *)> &act)
{
    auto fired = whenModal([act](QWidget *dlg) {
        // The list builder shows its keyboard when asked to.
        if (auto *panel = dlg->findChild<QWidget *>(QStringLiteral("pnlTeclado")); panel && !panel->isVisible())
            perform(dlg, QStringLiteral("touch spbPesquisa"));
        QPointer<QWidget> open(dlg);
        act(static_cast<TForm *>(dlg));
        if (open && dlg->isVisible())
            dlg->close();
    });
    // Enough rows that a grid can scroll; in the order of their codes.
    TClientDataSet products;
    products.FieldDefs().Add(QStringLiteral("CODIGO"), ftInteger);
    products.FieldDefs().Add(QStringLiteral("NOME"), ftString, 40);
    products.CreateDataSet();
    for (int code = 1; code <= 60; ++code) {
        products.Append();
        products.FieldByName(QStringLiteral("CODIGO"))->setValue(code);
        const QString name = QStringLiteral("Item %1").arg(code, 2, 10, QLatin1Char('0'));
        products.FieldByName(QStringLiteral("NOME"))->setValue(name);
        products.Post();
    }
    QString answer;
    if (dialog == QLatin1String("message")) {
        answer = QString::number(message::TouchMessageDlg(QStringLiteral("Fechar a mesa?"), message::mtConfirmation,
                                                          {message::mbYes, message::mbNo, message::mbCancel}, 0, 0,
                                                          QString()));
    } else if (dialog == QLatin1String("keyboard")) {
        answer = keyboard::TecladoAlfanumerico(QString(), QStringLiteral("Nome da mesa"));
    } else if (dialog == QLatin1String("colour")) {
        answer = colour::EscolherCor();
    } else if (dialog == QLatin1String("search")) {
        const bool picked = search::Pesquisa(&products, QString(), QString(), QString(), false);
        answer = picked ? products.FieldByName(QStringLiteral("CODIGO"))->AsString() : QStringLiteral("none");
    } else if (dialog == QLatin1String("list")) {
        TClientDataSet chosen;
        chosen.setData(list::ConstrucaoList(&products, QStringLiteral("Combo")));
        QStringList codes;
        for (chosen.First(); !chosen.Eof(); chosen.Next())
            codes << chosen.FieldByName(QStringLiteral("CODIGO"))->AsString();
        answer = codes.join(u',');
    } else {
        answer = QString::number(quantity::InfoQuantidade(QStringLiteral("Quantidade"), 0, QString()));
    }
    if (!*fired)
        QTest::qFail(qPrintable(dialog + QStringLiteral(" was not shown")), __FILE__, __LINE__);
    return answer;
}

QString shownText(TForm *form, const QString &display)
{
    return form->FindComponent(display)->property("text").toString();
}

} // namespace

class tst_touchkeys : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }
    void cleanup() { Application::setExtensions({}); }

    void fingers_data();
    void fingers();
    void backspaceRepeatsWhileHeld_data();
    void backspaceRepeatsWhileHeld();
    void shiftAndCapsLockShowTheirState_data();
    void shiftAndCapsLockShowTheirState();
    void searchKeyboardAtAScale();
    void autoScaleFitsTheScreen_data();
    void autoScaleFitsTheScreen();
    void scaleOutOfRangeIsRefused();
};

// Each dialog as fingers on a touch screen drive it. A key acts when the
// finger that touched it lifts on it, as a mouse button released on it: a
// finger that slides off a key before lifting cancels it, and the key it
// lifts on was never touched, so none acts. Keys that act at the touch
// itself keep doing so: Backspace (it repeats while held) and a colour
// swatch (the first touch on one decides). While one finger is down no
// other finger acts.
void tst_touchkeys::fingers_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QStringList>("steps"); // "scrolled GRID": its rows have moved up by now
    QTest::addColumn<QString>("answer");
    const QString green = QString::number(0x008000);

    QTest::newRow("message, tap") << "message" << QStringList{"tap No"} << "7";
    QTest::newRow("keyboard, taps")
        << "keyboard" << QStringList{"tap spdShift", "tap spdC", "tap spdA", "tap spd1", "tap spdEnter"} << "Ca1";
    QTest::newRow("quantity, taps") << "quantity" << QStringList{"tap sbt1", "tap sbt2", "tap sbtEnter"} << "12";
    QTest::newRow("quantity, a key tapped twice") << "quantity" << QStringList{"tap sbt7", "tap sbt7", "tap sbtEnter"}
                                                  << "77";
    QTest::newRow("colour, tap") << "colour" << QStringList{"tap shpCor03"} << green;
    QTest::newRow("search, taps") << "search" << QStringList{"tap dbgPesquisa:2", "tap spdEnter"} << "3";
    QTest::newRow("search, paging key") << "search" << QStringList{"tap sbtUltimo", "tap spdEnter"} << "60";
    QTest::newRow("list, taps") << "list" << QStringList{"tap dbgPesquisa:1", "tap spbAdicionar", "tap spbConfirma"}
                                << "2";
    QTest::newRow("keyboard, Backspace tapped twice")
        << "keyboard" << QStringList{"type abcd", "tap spdBackSpace", "tap spdBackSpace", "tap spdEnter"} << "ab";
    QTest::newRow("quantity, Correct tapped twice")
        << "quantity" << QStringList{"type 1234", "tap sbtCorrigir", "tap sbtCorrigir", "tap sbtEnter"} << "12";

    QTest::newRow("search, double tap on a row") << "search" << QStringList{"tap dbgPesquisa:2", "tap dbgPesquisa:2"}
                                                 << "3";
    QTest::newRow("search, double tap a little apart")
        << "search" << QStringList{"tap dbgPesquisa:2-6,-3", "tap dbgPesquisa:2+6,3"} << "3";
    QTest::newRow("search, quick taps on two rows")
        << "search" << QStringList{"tap dbgPesquisa:2", "tap dbgPesquisa:3", "tap spdEnter"} << "4";
    QTest::newRow("list, double tap on a row moves nothing")
        << "list" << QStringList{"tap dbgPesquisa:2", "tap dbgPesquisa:2", "tap spbConfirma"} << "";
    QTest::newRow("list, double tap on a chosen row")
        << "list"
        << QStringList{"tap dbgPesquisa:0", "tap spbAdicionar", "tap dbgPesquisa:0", "tap spbAdicionar",
                       "tap dbgListDest:1", "tap dbgListDest:1", "tap spbRetorna", "tap spbConfirma"}
        << "2"; // each record moved in goes before the current one

    QTest::newRow("message, second finger") << "message" << QStringList{"down 0 Yes", "down 1 No", "up 1", "up 0"}
                                            << "6";
    QTest::newRow("keyboard, second finger")
        << "keyboard" << QStringList{"down 0 spdA", "down 1 spdB", "up 1", "up 0", "tap spdEnter"} << "a";
    QTest::newRow("keyboard, second finger lifts last")
        << "keyboard" << QStringList{"down 0 spdA", "down 1 spdB", "up 0", "up 1", "tap spdEnter"} << "a";
    QTest::newRow("quantity, second finger on OK")
        << "quantity" << QStringList{"tap sbt5", "down 0 sbt7", "down 1 sbtEnter", "up 1", "up 0", "tap sbtEnter"}
        << "57";
    QTest::newRow("colour, second finger")
        << "colour" << QStringList{"down 0 shpCor03", "down 1 shpCor07", "up 1", "up 0"} << green;
    QTest::newRow("search, second finger on Enter")
        << "search" << QStringList{"down 0 dbgPesquisa:1", "down 1 spdEnter", "up 1", "up 0", "tap spdEnter"} << "2";
    QTest::newRow("search, second finger on the rows")
        << "search" << QStringList{"down 0 spdEnter", "down 1 dbgPesquisa:4", "up 1", "up 0"} << "1";
    QTest::newRow("search, two fingers on the rows")
        << "search" << QStringList{"down 0 dbgPesquisa:1", "down 1 dbgPesquisa:4", "up 1", "up 0", "tap spdEnter"}
        << "2";
    QTest::newRow("list, second finger")
        << "list"
        << QStringList{"tap dbgPesquisa:1", "down 0 spbAdicionar", "down 1 spbSair", "up 1", "up 0", "tap spbConfirma"}
        << "2";

    QTest::newRow("message, slide to another button")
        << "message" << QStringList{"down 0 Yes", "slide 0 No", "up 0", "tap Cancel"} << "2";
    QTest::newRow("keyboard, slide to another key")
        << "keyboard" << QStringList{"down 0 spdA", "slide 0 spdS", "up 0", "tap spdEnter"} << "@"; // blank
    QTest::newRow("keyboard, slide off and back")
        << "keyboard" << QStringList{"down 0 spdA", "slide 0 spdS", "slide 0 spdA", "up 0", "tap spdEnter"} << "a";
    QTest::newRow("quantity, slide onto OK")
        << "quantity" << QStringList{"tap sbt1", "down 0 sbt2", "slide 0 sbtEnter", "up 0", "tap sbtEnter"} << "1";
    QTest::newRow("colour, slide") << "colour" << QStringList{"down 0 shpCor03", "slide 0 shpCor07", "up 0"}
                                   << green;
    QTest::newRow("search, slide from a key onto the rows")
        << "search" << QStringList{"down 0 spdEnter", "slide 0 dbgPesquisa:3", "up 0", "tap spdEnter"} << "1";
    QTest::newRow("list, slide from a key onto the rows")
        << "list" << QStringList{"tap dbgPesquisa:1", "down 0 spbAdicionar", "slide 0 dbgListDest", "up 0",
                                 "tap spbConfirma"}
        << "";
    QTest::newRow("keyboard, slide off Backspace")
        << "keyboard" << QStringList{"type abc", "down 0 spdBackSpace", "slide 0 spdA", "up 0", "tap spdEnter"} << "ab";

    QTest::newRow("search, swipe") << "search"
                                   << QStringList{"swipe dbgPesquisa", "scrolled dbgPesquisa", "tap spdEnter"} << "1";
    QTest::newRow("search, a tap that stops a flick")
        << "search" << QStringList{"swipe dbgPesquisa", "scrolled dbgPesquisa", "tap dbgPesquisa", "tap spdEnter"}
        << "1";
    QTest::newRow("list, swipe") << "list"
                                 << QStringList{"swipe dbgPesquisa", "scrolled dbgPesquisa", "tap spbAdicionar",
                                                "tap spbConfirma"}
                                 << "1";
}

void tst_touchkeys::fingers()
{
    QFETCH(QString, dialog);
    QFETCH(QStringList, steps);
    QFETCH(QString, answer);
    const QString given = withDialog(dialog, [&](TForm *form) {
        QPointer<TForm> open(form);
        for (const QString &step : steps) {
            if (!open)
                break;
            if (step.startsWith(QLatin1String("scrolled "))) {
                auto *grid = form->findChild<QAbstractScrollArea *>(step.mid(9));
                QTRY_VERIFY(grid->verticalScrollBar()->value() > 0);
            } else {
                perform(form, step);
            }
        }
    });
    QCOMPARE(given, answer);
}

void tst_touchkeys::backspaceRepeatsWhileHeld_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("display");
    QTest::addColumn<bool>("finger"); // a finger on a touch screen, or the mouse
    QTest::addColumn<int>("ticks"); // of the repeat timer while held; -1: a quick touch
    QTest::addColumn<QStringList>("texts"); // after the touch, after each tick
    QTest::newRow("keyboard, quick touch") << "keyboard" << "spdBackSpace" << "lblDescricao" << false << -1
                                           << QStringList{"1234"};
    QTest::newRow("keyboard, held") << "keyboard" << "spdBackSpace" << "lblDescricao" << false << 2
                                    << QStringList{"1234", "123", "12"};
    QTest::newRow("search, held") << "search" << "spdBackSpace" << "edtFiltro" << false << 2
                                  << QStringList{"1234", "123", "12"};
    QTest::newRow("list, held") << "list" << "spdBackSpace" << "edtFiltro" << false << 1
                                << QStringList{"1234", "123"};
    QTest::newRow("quantity Correct, held to empty") << "quantity" << "sbtCorrigir" << "lblInformacao" << false << 5
                                                     << QStringList{"1234", "123", "12", "1", "", ""};
    QTest::newRow("keyboard, a finger's quick touch") << "keyboard" << "spdBackSpace" << "lblDescricao" << true << -1
                                                      << QStringList{"1234"};
    QTest::newRow("search, held by a finger") << "search" << "spdBackSpace" << "edtFiltro" << true << 2
                                              << QStringList{"1234", "123", "12"};
    QTest::newRow("quantity Correct, held by a finger") << "quantity" << "sbtCorrigir" << "lblInformacao" << true << 1
                                                        << QStringList{"1234", "123"};
}

void tst_touchkeys::backspaceRepeatsWhileHeld()
{
    QFETCH(QString, dialog);
    QFETCH(QString, key);
    QFETCH(QString, display);
    QFETCH(bool, finger);
    QFETCH(int, ticks);
    QFETCH(QStringList, texts);
    QStringList seen;
    bool stoppedOnRelease = false;
    withDialog(dialog, [&](TForm *form) {
        perform(form, QStringLiteral("type 12345"));
        QCOMPARE(shownText(form, display), QStringLiteral("12345"));
        auto *button = form->component<TSpeedButton>(key);
        auto *timer = button->findChild<QTimer *>(QStringLiteral("repeatTimer"));
        QVERIFY(timer);
        const auto press = [&] { finger ? perform(form, "down 0 " + key) : QTest::mousePress(button, Qt::LeftButton); };
        const auto release = [&] { finger ? perform(form, "up 0") : QTest::mouseRelease(button, Qt::LeftButton); };
        press();
        seen << shownText(form, display);
        if (ticks < 0) {
            release();
            QVERIFY(!timer->isActive());
            return;
        }
        QCOMPARE(timer->interval(), TSpeedButton::kRepeatDelay);
        for (int i = 0; i < ticks; ++i) {
            QVERIFY(timer->isActive());
            QMetaObject::invokeMethod(timer, "timeout");
            QCOMPARE(timer->interval(), TSpeedButton::kRepeatInterval);
            seen << shownText(form, display);
        }
        release();
        stoppedOnRelease = !timer->isActive();
        // A tick already queued when the finger lifted does nothing.
        const QString released = shownText(form, display);
        QMetaObject::invokeMethod(timer, "timeout");
        QCOMPARE(shownText(form, display), released);
    });
    QCOMPARE(seen, texts);
    QVERIFY(ticks < 0 || stoppedOnRelease);
}

void tst_touchkeys::shiftAndCapsLockShowTheirState_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QStringList>("latched"); // Shift and Caps Lock after each step, 1 = latched
    // The alphanumeric and search keyboards ignore Shift under Caps Lock; the
    // list builder's Shift inverts it for one letter.
    QTest::newRow("keyboard") << "keyboard" << QStringList{"10", "00", "10", "00", "01", "01", "01", "00"};
    QTest::newRow("search") << "search" << QStringList{"10", "00", "10", "00", "01", "01", "01", "00"};
    QTest::newRow("list") << "list" << QStringList{"10", "00", "10", "00", "01", "11", "01", "00"};
}

void tst_touchkeys::shiftAndCapsLockShowTheirState()
{
    QFETCH(QString, dialog);
    QFETCH(QStringList, latched);
    const QStringList steps{"key Shift",         "touch spdA",     "touch spdShift", "touch spdShift",
                            "touch spdCapsLock", "touch spdShift", "touch spdA",     "touch spdCapsLock"};
    QStringList seen;
    withDialog(dialog, [&](TForm *form) {
        auto *shift = form->component<TSpeedButton>(QStringLiteral("spdShift"));
        auto *caps = form->component<TSpeedButton>(QStringLiteral("spdCapsLock"));
        QVERIFY(!shift->property("Latched").toBool() && !caps->property("Latched").toBool());
        for (const QString &step : steps) {
            perform(form, step);
            seen << QStringLiteral("%1%2").arg(int(shift->property("Latched").toBool()))
                        .arg(int(caps->property("Latched").toBool()));
        }
    });
    QCOMPARE(seen, latched);
}

void tst_touchkeys::searchKeyboardAtAScale()
{
    struct Key {
        QRect rect;
        int fontPixels;
    };
    auto keysOf = [](TForm *form) {
        QHash<QString, Key> keys;
        auto *panel = form->FindComponent(QStringLiteral("pnlTeclado"));
        for (auto *key : panel->findChildren<TSpeedButton *>())
            keys.insert(key->objectName(), {key->geometry(), key->font().pixelSize()});
        keys.insert(QStringLiteral("pnlTeclado"), {static_cast<QWidget *>(panel)->geometry(), 0});
        return keys;
    };
    QHash<QString, Key> designed;
    withDialog(QStringLiteral("search"), [&](TForm *form) { designed = keysOf(form); });
    QVERIFY(designed.size() > 40);

    Extensions scaled = Application::extensions();
    scaled.scale = 1.5;
    Application::setExtensions(scaled);
    int typed = 0;
    withDialog(QStringLiteral("search"), [&](TForm *form) {
        QCOMPARE(form->scale(), 1.5);
        const QHash<QString, Key> keys = keysOf(form);
        for (auto it = designed.cbegin(); it != designed.cend(); ++it) {
            const QRect r = it->rect;
            const QRect expected(qRound(r.x() * 1.5), qRound(r.y() * 1.5), qRound(r.width() * 1.5),
                                 qRound(r.height() * 1.5));
            QCOMPARE(keys.value(it.key()).rect, expected);
            QCOMPARE(keys.value(it.key()).fontPixels, qRound(it->fontPixels * 1.5));
        }
        // A click where the factor puts a character key types its character.
        auto *panel = static_cast<QWidget *>(form->FindComponent(QStringLiteral("pnlTeclado")));
        auto *filter = form->FindComponent(QStringLiteral("edtFiltro"));
        for (auto *key : panel->findChildren<TSpeedButton *>()) {
            const QChar character = LowCase(QChar(char16_t(key->Tag() & 0xFF)));
            if (key->Tag() == 0)
                continue;
            const QRect r = designed.value(key->objectName()).rect;
            const QPoint place = panel->mapTo(form, QPoint(qRound((r.x() + r.width() / 2.0) * 1.5),
                                                           qRound((r.y() + r.height() / 2.0) * 1.5)));
            QWidget *hit = form->childAt(place);
            QCOMPARE(hit, key);
            perform(form, QStringLiteral("touch spdLimpar"));
            QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(form, place));
            QCOMPARE(filter->property("text").toString(), QString(character));
            ++typed;
        }
    });
    QCOMPARE(typed, 40);
}

void tst_touchkeys::autoScaleFitsTheScreen_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<double>("factor");
    QTest::newRow("1280 x 1024") << QSize(1280, 1024) << 1.6;
    QTest::newRow("1024 x 768") << QSize(1024, 768) << 1.28;
    QTest::newRow("1920 x 1080: the height decides") << QSize(1920, 1080) << 1.8;
    QTest::newRow("800 x 600") << QSize(800, 600) << 1.0;
    QTest::newRow("640 x 480: never smaller") << QSize(640, 480) << 1.0;
}

void tst_touchkeys::autoScaleFitsTheScreen()
{
    QFETCH(QSize, screen);
    QFETCH(double, factor);
    Extensions e = Application::extensions();
    e.scale = 0;
    Application::setExtensions(e);
    Screen::setSizeForTesting(screen.width(), screen.height());
    const double resolved = formScale();
    Screen::setSizeForTesting(0, 0);
    QCOMPARE(resolved, factor);
}

void tst_touchkeys::scaleOutOfRangeIsRefused()
{
    for (double bad : {-1.0, 0.1, 9.0, qQNaN()}) {
        Extensions e;
        e.scale = bad;
        QVERIFY_THROWS_EXCEPTION(Exception, Application::setExtensions(e));
        QCOMPARE(Application::extensions().scale, 1.0);
    }
}

QTEST_MAIN(tst_touchkeys)
#include "tst_touchkeys.moc"
