// A grid's title font is given in a layout like any font: face and weight in
// the font, the character height in pixels beside it ("titleFontHeight").
#include "platform/forms/Form.h"
#include "platform/forms/LayoutLoader.h"

#include <QTest>

using namespace TouchDialogs;

class TTitledProbe : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QFont TitleFont READ TitleFont WRITE setTitleFont)
public:
    using QWidget::QWidget;
    QFont TitleFont() const { return m_titleFont; }
    void setTitleFont(const QFont &font) { m_titleFont = font; }

private:
    QFont m_titleFont;
};

class TfrmTitleFontProbe : public TForm {
    Q_OBJECT
public:
    TfrmTitleFontProbe() { createFromLayout(); }
};

class tst_TitleFont : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        LayoutLoader::registerClass(QStringLiteral("TTitledProbe"), [](QWidget *p) { return new TTitledProbe(p); });
    }

    void pixelHeight()
    {
        TfrmTitleFontProbe form;
        auto *grid = form.component<TTitledProbe>(QStringLiteral("grdProbe"));
        QVERIFY(grid);
        QCOMPARE(grid->TitleFont().pixelSize(), 19);
        QCOMPARE(grid->TitleFont().family(), QStringLiteral("MS Sans Serif"));
        QVERIFY(grid->TitleFont().bold());
        // The widget's own font keeps its own height.
        QCOMPARE(grid->font().pixelSize(), 16);
    }

    void withoutHeightUnchanged()
    {
        TfrmTitleFontProbe form;
        auto *grid = form.component<TTitledProbe>(QStringLiteral("grdPlain"));
        QVERIFY(grid);
        QCOMPARE(grid->TitleFont().pointSize(), 9);
        QCOMPARE(grid->TitleFont().pixelSize(), -1);
    }
};

QTEST_MAIN(tst_TitleFont)
#include "tst_titlefont.moc"
