// The keys of the four dialogs that take text by touch, as a finger meets
// them: Backspace (Correct) repeating while held, Shift and Caps Lock drawn
// latched, and the search keyboard drawn at a scale.
#include "dialogs/keyboard/KeyboardUnit.h"
#include "dialogs/list/ListUnit.h"
#include "dialogs/quantity/QuantityUnit.h"
#include "dialogs/search/SearchUnit.h"
#include "frame/Frame.h"
#include "platform/db/ClientDataSet.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/TestSupport.h"

#include <QHash>
#include <QTest>
#include <QTimer>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;

namespace {

// Opens the dialog through its exported function, runs act on it, and closes
// whatever act left open.
void withDialog(const QString &dialog, const std::function<void(TForm *)> &act)
{
    auto fired = whenModal([act](QWidget *dlg) {
        // The list builder shows its keyboard when asked to.
        if (auto *panel = dlg->findChild<QWidget *>(QStringLiteral("pnlTeclado")); panel && !panel->isVisible())
            perform(dlg, QStringLiteral("touch spbPesquisa"));
        act(static_cast<TForm *>(dlg));
        if (dlg->isVisible())
            dlg->close();
    });
    TClientDataSet products;
    products.FieldDefs().Add(QStringLiteral("CODIGO"), ftInteger);
    products.FieldDefs().Add(QStringLiteral("NOME"), ftString, 40);
    products.CreateDataSet();
    for (const char *name : {"Cafe", "Suco", "Agua"}) {
        products.Append();
        products.FieldByName(QStringLiteral("CODIGO"))->setValue(products.RecordCount() + 1);
        products.FieldByName(QStringLiteral("NOME"))->setValue(QString::fromLatin1(name));
        products.Post();
    }
    if (dialog == QLatin1String("keyboard"))
        keyboard::TecladoAlfanumerico(QString(), QStringLiteral("Nome da mesa"));
    else if (dialog == QLatin1String("search"))
        search::Pesquisa(&products, QString(), QString(), QString(), false);
    else if (dialog == QLatin1String("list"))
        list::ConstrucaoList(&products, QStringLiteral("Combo"));
    else
        quantity::InfoQuantidade(QStringLiteral("Quantidade"), 0, QString());
    QVERIFY2(*fired, qPrintable(dialog));
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

    void backspaceRepeatsWhileHeld_data();
    void backspaceRepeatsWhileHeld();
    void shiftAndCapsLockShowTheirState_data();
    void shiftAndCapsLockShowTheirState();
    void searchKeyboardAtAScale();
    void autoScaleFitsTheScreen_data();
    void autoScaleFitsTheScreen();
    void scaleOutOfRangeIsRefused();
};

void tst_touchkeys::backspaceRepeatsWhileHeld_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("display");
    QTest::addColumn<int>("ticks"); // of the repeat timer while held; -1: a quick touch
    QTest::addColumn<QStringList>("texts"); // after the touch, after each tick
    QTest::newRow("keyboard, quick touch") << "keyboard" << "spdBackSpace" << "lblDescricao" << -1
                                           << QStringList{"1234"};
    QTest::newRow("keyboard, held") << "keyboard" << "spdBackSpace" << "lblDescricao" << 2
                                    << QStringList{"1234", "123", "12"};
    QTest::newRow("search, held") << "search" << "spdBackSpace" << "edtFiltro" << 2
                                  << QStringList{"1234", "123", "12"};
    QTest::newRow("list, held") << "list" << "spdBackSpace" << "edtFiltro" << 1 << QStringList{"1234", "123"};
    QTest::newRow("quantity Correct, held to empty")
        << "quantity" << "sbtCorrigir" << "lblInformacao" << 5 << QStringList{"1234", "123", "12", "1", "", ""};
}

void tst_touchkeys::backspaceRepeatsWhileHeld()
{
    QFETCH(QString, dialog);
    QFETCH(QString, key);
    QFETCH(QString, display);
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
        if (ticks < 0) {
            QTest::mouseClick(button, Qt::LeftButton);
            seen << shownText(form, display);
            QVERIFY(!timer->isActive());
            return;
        }
        QTest::mousePress(button, Qt::LeftButton);
        seen << shownText(form, display);
        QCOMPARE(timer->interval(), TSpeedButton::kRepeatDelay);
        for (int i = 0; i < ticks; ++i) {
            QVERIFY(timer->isActive());
            QMetaObject::invokeMethod(timer, "timeout");
            QCOMPARE(timer->interval(), TSpeedButton::kRepeatInterval);
            seen << shownText(form, display);
        }
        QTest::mouseRelease(button, Qt::LeftButton);
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
