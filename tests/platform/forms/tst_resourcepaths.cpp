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

void tst_ResourcePaths::glyphFromResourcePath()
{
    // An image Qt itself ships as a resource.
    const QString image = QStringLiteral(":/qt-project.org/styles/commonstyle/images/standardbutton-ok-16.png");
    QVERIFY(!QPixmap(image).isNull());
    TSpeedButton key;
    key.setGlyph(image);
    QVERIFY(!key.icon().isNull());
    QCOMPARE(key.iconSize(), QSize(16, 16));
    TImage picture;
    picture.setPicture(image);
    QVERIFY(!picture.pixmap().isNull());
}

QTEST_MAIN(tst_ResourcePaths)
#include "tst_resourcepaths.moc"
