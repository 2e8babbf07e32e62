// What the forms look like as drawn: a button with a colour of its own shows
// that colour on its face, whatever else its layout sets.
#include "dialogs/colour/TfrmCores.h"
#include "dialogs/keyboard/TFrmTecladoAlfas.h"
#include "dialogs/list/TfrmConstrucaoLista.h"
#include "dialogs/message/TfrmMessageDlg.h"
#include "dialogs/quantity/TfrmQuantidade.h"
#include "dialogs/search/TfrmPesquisa.h"
#include "frame/Frame.h"
#include "platform/forms/Controls.h"

#include <QTest>
#include <functional>
#include <memory>

using namespace TouchDialogs;

namespace {

using Factory = std::function<std::unique_ptr<TForm>()>;

const QList<std::pair<const char *, Factory>> &forms()
{
    static const QList<std::pair<const char *, Factory>> all{
        {"message", [] { return std::make_unique<TfrmMessageDlg>(nullptr); }},
        {"keyboard", [] { return std::make_unique<TFrmTecladoAlfas>(); }},
        {"search", [] { return std::make_unique<TfrmPesquisa>(); }},
        {"colour", [] { return std::make_unique<TfrmCores>(); }},
        {"quantity", [] { return std::make_unique<TfrmQuantidade>(nullptr); }},
        {"list", [] { return std::make_unique<TfrmConstrucaoLista>(); }},
    };
    return all;
}

// The mean colour of the face beside the glyph and caption: the strips
// inside the left and right edges, over the middle half of the height.
QColor faceColour(const QImage &image)
{
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = image.height() / 4; y < image.height() * 3 / 4; ++y)
        for (int x : {3, 4, 5, image.width() - 6, image.width() - 5, image.width() - 4}) {
            const QColor c = image.pixelColor(x, y);
            r += c.red();
            g += c.green();
            b += c.blue();
            ++n;
        }
    return QColor(int(r / n), int(g / n), int(b / n));
}

bool near(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

class tst_FormLooks : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }

    void buttonFacesShowTheirColour_data();
    void buttonFacesShowTheirColour();
};

// Every button of every form that has a colour of its own.
void tst_FormLooks::buttonFacesShowTheirColour_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("button");
    int rows = 0;
    for (int i = 0; i < forms().size(); ++i) {
        const auto form = forms()[i].second();
        for (auto *b : form->findChildren<TSpeedButton *>())
            if (b->Color().isValid()) {
                QTest::addRow("%s %s", forms()[i].first, qPrintable(b->objectName())) << i << b->objectName();
                ++rows;
            }
    }
    QCOMPARE(rows, 5); // the list builder's touch buttons
}

void tst_FormLooks::buttonFacesShowTheirColour()
{
    QFETCH(int, form);
    QFETCH(QString, button);
    const auto f = forms()[form].second();
    auto *b = f->findChild<TSpeedButton *>(button);
    const QColor face = faceColour(b->grab().toImage());
    QVERIFY2(near(face, b->Color(), 2),
             qPrintable(QStringLiteral("drawn %1, Color %2").arg(face.name(), b->Color().name())));
}

QTEST_MAIN(tst_FormLooks)
#include "tst_formlooks.moc"
