// Images named in a layout by their Qt resource path (":/...") must load:
// a glyph given that way once came out as "::/..." and showed nothing.
#include "platform/forms/Controls.h"
#include "platform/rtl/Modules.h"

#include <QTest>

using namespace TouchDialogs;

class tst_ResourcePaths : public QObject {
    Q_OBJECT

private slots:
    void resourcePath_data();
    void resourcePath();
    void glyphFromResourcePath_data();
    void glyphFromResourcePath();
};

void tst_ResourcePaths::resourcePath_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("path");
    QTest::newRow("relative") << "images/x.png" << ":/images/x.png";
    QTest::newRow("rooted") << "/images/x.png" << ":/images/x.png";
    QTest::newRow("resource path") << ":/images/x.png" << ":/images/x.png";
}

void tst_ResourcePaths::resourcePath()
{
    QFETCH(QString, given);
    QFETCH(QString, path);
    QCOMPARE(ResourcePath(given), path);
}

void tst_ResourcePaths::glyphFromResourcePath_data()
{
    QTest::addColumn<QString>("image");
    QTest::addColumn<QSize>("size");
    // An image Qt itself ships as a resource.
    QTest::newRow("resource path")
        << QStringLiteral(":/qt-project.org/styles/commonstyle/images/standardbutton-ok-16.png") << QSize(16, 16);
    // Read by its suffix first; what that cannot read is still recognised.
    QTest::newRow("a JPEG named .png") << QStringLiteral(":/probe/jpeg-named.png") << QSize(24, 12);
}

void tst_ResourcePaths::glyphFromResourcePath()
{
    QFETCH(QString, image);
    QFETCH(QSize, size);
    TSpeedButton key;
    key.setGlyph(image);
    QVERIFY(!key.icon().isNull());
    QCOMPARE(key.iconSize(), size);
    TImage picture;
    picture.setPicture(image);
    QCOMPARE(picture.pixmap().size(), size);
}

QTEST_MAIN(tst_ResourcePaths)
#include "tst_resourcepaths.moc"
