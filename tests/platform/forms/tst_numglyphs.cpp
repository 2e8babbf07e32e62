// A glyph image that holds several pictures side by side shows one share of
// it: the first while enabled, the second while disabled. Shown whole, a
// two-picture image overflowed its button.
#include "platform/forms/Controls.h"

#include <QImage>
#include <QTest>

using namespace TouchDialogs;

class tst_NumGlyphs : public QObject {
    Q_OBJECT

private slots:
    void share_data();
    void share();
    void disabledPicture();

private:
    const QString m_image = QStringLiteral(":/probe/twoglyphs.png"); // red | blue, 60×36
};

void tst_NumGlyphs::share_data()
{
    QTest::addColumn<int>("numGlyphs");
    QTest::addColumn<bool>("glyphFirst");
    QTest::addColumn<QSize>("iconSize");
    QTest::newRow("one, glyph first") << 1 << true << QSize(60, 36);
    QTest::newRow("two, glyph first") << 2 << true << QSize(30, 36);
    QTest::newRow("two, count first") << 2 << false << QSize(30, 36);
    QTest::newRow("four") << 4 << true << QSize(15, 36);
    QTest::newRow("zero counts as one") << 0 << true << QSize(60, 36);
}

void tst_NumGlyphs::share()
{
    QFETCH(int, numGlyphs);
    QFETCH(bool, glyphFirst);
    QFETCH(QSize, iconSize);
    TSpeedButton button;
    if (glyphFirst) {
        button.setGlyph(m_image);
        button.setNumGlyphs(numGlyphs);
    } else {
        button.setNumGlyphs(numGlyphs);
        button.setGlyph(m_image);
    }
    QCOMPARE(button.iconSize(), iconSize);
}

void tst_NumGlyphs::disabledPicture()
{
    TSpeedButton button;
    button.setProperty("NumGlyphs", 2);
    button.setProperty("Glyph", m_image);
    const QImage normal = button.icon().pixmap(QSize(30, 36), QIcon::Normal).toImage();
    const QImage disabled = button.icon().pixmap(QSize(30, 36), QIcon::Disabled).toImage();
    QCOMPARE(QColor(normal.pixel(15, 18)), QColor(Qt::red));
    QCOMPARE(QColor(disabled.pixel(15, 18)), QColor(Qt::blue));
    // Qt's pixmap cache keeps what an icon draws under its pixmaps' keys:
    // every form's button with this glyph shares them, and only them.
    TSpeedButton again, whole;
    again.setProperty("NumGlyphs", 2);
    again.setProperty("Glyph", m_image);
    whole.setProperty("Glyph", m_image);
    QCOMPARE(again.icon().cacheKey(), button.icon().cacheKey());
    QVERIFY(whole.icon().cacheKey() != button.icon().cacheKey());
}

QTEST_MAIN(tst_NumGlyphs)
#include "tst_numglyphs.moc"
