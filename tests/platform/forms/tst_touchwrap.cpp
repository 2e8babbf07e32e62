// A touch button's caption that is wider than the button is drawn on two
// lines inside it instead of being cut off at both edges.
#include "support/Touch.h"

#include <QImage>
#include <QTest>

using namespace TouchDialogs;

namespace {

bool isCaptionPixel(QRgb p)
{
    return qRed(p) > 160 && qGreen(p) < 90 && qBlue(p) < 90;
}

struct Ink {
    bool atEdges = false;
    bool above = false; // caption pixels above the middle line
    bool below = false;
    bool onMiddleLine = false;
};

Ink inkOf(TTouchButton &b)
{
    const QImage img = b.grab().toImage();
    Ink ink;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            if (!isCaptionPixel(img.pixel(x, y)))
                continue;
            if (x < 2 || x >= img.width() - 2)
                ink.atEdges = true;
            if (y < img.height() / 2 - 3)
                ink.above = true;
            else if (y > img.height() / 2 + 3)
                ink.below = true;
            else
                ink.onMiddleLine = true;
        }
    return ink;
}

} // namespace

class TestTouchWrap : public QObject {
    Q_OBJECT
private slots:
    void longCaptionWrapsInside_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("wraps");
        QTest::newRow("short") << "&Sim" << false;
        QTest::newRow("long") << "N&\u00E3o para todos" << true;
    }

    void longCaptionWrapsInside()
    {
        QFETCH(QString, caption);
        QFETCH(bool, wraps);
        TTouchButton b;
        QFont f(QStringLiteral("DejaVu Serif"));
        f.setPixelSize(21);
        b.setFont(f);
        QPalette pal = b.palette();
        pal.setColor(QPalette::ButtonText, Qt::red);
        b.setPalette(pal);
        b.setCaption(caption);
        b.SetBounds(0, 0, 120, 60);
        QCOMPARE(b.captionNeedsWrap(), wraps);
        QCOMPARE(b.Caption(), caption);
        const Ink ink = inkOf(b);
        QVERIFY(!ink.atEdges);
        if (wraps) {
            QVERIFY(ink.above);
            QVERIFY(ink.below);
        } else {
            QVERIFY(ink.onMiddleLine);
        }
    }
};

QTEST_MAIN(TestTouchWrap)
#include "tst_touchwrap.moc"
