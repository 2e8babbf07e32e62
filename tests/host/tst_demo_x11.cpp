// touchpos-demo's till in a real window under a window manager: a real touch
// on a free table opens the guests keypad, which the X server shows drawn
// (not a black window that still takes keys), and real keys answer it.
#include "host/demo/Till.h"
#include "frame/Frame.h"
#include "tests/support/TestSupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;

namespace {

// Pixels of the window as the X server holds them (not as the widget would
// paint itself) in the keys' caption ink, navy.
int inkPixels(QWidget *window)
{
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(window->winId()).toImage();
    int ink = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            ink += c.red() < 40 && c.green() < 40 && c.blue() > 100;
        }
    return ink;
}

} // namespace

class tst_demo_x11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }

    void guestsKeypadIsDrawn()
    {
        demo::Till till;
        till.show();
        QVERIFY(QTest::qWaitForWindowExposed(&till));
        bool drawn = false;
        auto fired = whenModal([&](QWidget *keypad) {
            // The ten navy digits leave about a thousand; a black or blank window none.
            drawn = QTest::qWaitFor([&] { return inkPixels(keypad) > 300; });
            realKey(QStringLiteral("4"));
            realKey(QStringLiteral("Return"));
        });
        realTouch(&till, QStringLiteral("table7"));
        QTRY_VERIFY(*fired);
        QTRY_COMPARE(till.table(7).guests, 4);
        QVERIFY2(drawn, "the keypad is not drawn on the screen");
    }
};

QTEST_MAIN(tst_demo_x11)
#include "tst_demo_x11.moc"
