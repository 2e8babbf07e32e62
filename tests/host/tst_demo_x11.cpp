// touchpos-demo's till in a real window under a window manager, touched
// through the X server as a waiter does: a touch on a free table opens the
// guests keypad, which the X server shows drawn (not a black window that
// still takes keys); a product is found by its price on the search's keys.
#include "host/demo/Till.h"
#include "frame/Frame.h"
#include "platform/grid/DBGrid.h"
#include "tests/common/TestSupport.h"

#include <QGuiApplication>
#include <QHeaderView>
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

    // The price is the last of four columns, past the width the names ask
    // for: its title is touched, the price typed on the dialog's keys.
    void productFoundByPrice()
    {
        demo::Till till;
        till.show();
        QVERIFY(QTest::qWaitForWindowExposed(&till));
        whenModal([](QWidget *keypad) { perform(keypad, {"type 2", "key Return"}); });
        QVERIFY(till.openTable(3));

        QString typed;
        const auto find = [&](QWidget *search) {
            auto *grid = search->findChild<TDBGrid *>(QStringLiteral("dbgPesquisa"));
            QHeaderView *titles = grid->horizontalHeader();
            const int price = titles->count() - 1;
            QCOMPARE(titles->model()->headerData(price, Qt::Horizontal).toString(), QStringLiteral("Preço"));
            realClickAt(titles->mapToGlobal(QPoint(titles->sectionViewportPosition(price) + titles->sectionSize(price) / 2,
                                                   titles->height() / 2)));
            for (const char *key : {"spd4", "spdVirgula", "spd5"})
                realTouch(search, QString::fromLatin1(key));
            QTRY_COMPARE(grid->model()->rowCount(), 1);
            typed = search->findChild<QWidget *>(QStringLiteral("edtFiltro"))->property("text").toString();
            whenModal([](QWidget *quantity) { perform(quantity, {"type 1", "key Return"}); });
            realTouch(search, QStringLiteral("spdEnter"));
        };
        auto fired = whenModal([&](QWidget *search) {
            find(search);
            if (QTest::currentTestFailed())
                search->close();
        });
        QVERIFY(till.addProduct());
        QVERIFY(*fired);
        QCOMPARE(typed, QStringLiteral("4,5"));
        QCOMPARE(till.table(3).order.value(0).product, QStringLiteral("Água mineral sem gás 500 ml"));
    }
};

QTEST_MAIN(tst_demo_x11)
#include "tst_demo_x11.moc"
