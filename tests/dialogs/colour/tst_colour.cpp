// The colour chooser as a host sees it: EscolherCor's answer for each swatch
// touched where it sits on the palette, "X" for every way out without a
// choice, the caption, and a form global that is nil afterwards.
#include "dialogs/colour/ColourUnit.h"
#include "dialogs/colour/TfrmCores.h"
#include "frame/Frame.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QTest>
#include <QWindow>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;
using TouchDialogs::colour::EscolherCor;
using TouchDialogs::colour::frmCores;

namespace {

// Where a swatch sits in the form: its palette panel starts 32 pixels down;
// swatches are 70 x 61, one pixel inside their 72 x 62 bevels.
QPoint swatchCentre(int row, int column)
{
    static const int lefts[] = {5, 80, 155, 230, 305};
    static const int tops[] = {4, 68, 132, 196};
    return QPoint(lefts[column - 1] + 35, 32 + tops[row - 1] + 30);
}

// A real press and release at a point of the form's window, routed by Qt to
// whatever control is there.
void touchAt(QWidget *dlg, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(dlg->windowHandle(), button, {}, at);
}

} // namespace

class TestColour : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }
    void cleanup()
    {
        Application::setTitle(QString());
        QVERIFY(!frmCores);
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void swatchReturnsItsValue_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("swatch");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<Qt::MouseButton>("button");
        const char *values[] = {"0",        "128",      "32768",    "32896",    "8388608",
                                "8388736",  "8421376",  "11571344", "12632256", "255",
                                "65280",    "65535",    "16711680", "16711935", "16776960",
                                "16777215", "8421631",  "8388863",  "33023",    "16744576"};
        for (int i = 0; i < 20; ++i) {
            const QString name = QStringLiteral("shpCor%1").arg(i + 1, 2, 10, QLatin1Char('0'));
            QTest::addRow("%s", qPrintable(name)) << i / 5 + 1 << i % 5 + 1 << name << QString::fromLatin1(values[i])
                                                  << Qt::LeftButton;
        }
        // Any mouse button chooses.
        QTest::newRow("right button") << 2 << 5 << "shpCor10" << "255" << Qt::RightButton;
        QTest::newRow("middle button") << 2 << 5 << "shpCor10" << "255" << Qt::MiddleButton;
    }
    void swatchReturnsItsValue()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, swatch);
        QFETCH(QString, expected);
        QFETCH(Qt::MouseButton, button);
        QString touched;
        auto fired = whenModal([&](QWidget *dlg) {
            const QPoint at = swatchCentre(row, column);
            if (QWidget *w = dlg->childAt(at))
                touched = w->objectName();
            touchAt(dlg, at, button);
        });
        QCOMPARE(EscolherCor(), expected);
        QVERIFY(*fired);
        QCOMPARE(touched, swatch);
    }

    // (The close box is in caption().)
    void leavingWithoutAChoiceReturnsX_data()
    {
        QTest::addColumn<bool>("touchBetween");
        QTest::newRow("Sair") << false;
        QTest::newRow("touch between the swatches, then Sair") << true;
    }
    void leavingWithoutAChoiceReturnsX()
    {
        QFETCH(bool, touchBetween);
        auto fired = whenModal([touchBetween](QWidget *dlg) {
            if (touchBetween) {
                // The bevel frame around a swatch is no swatch.
                touchAt(dlg, QPoint(4, 32 + 3 + 30));
                touchAt(dlg, QPoint(79 + 71, 32 + 67 + 61));
                QVERIFY(dlg->isVisible());
            }
            touch(dlg, QStringLiteral("tcbSair"));
        });
        QCOMPARE(EscolherCor(), QStringLiteral("X"));
        QVERIFY(*fired);
    }

    void firstTouchEndsTheDialog()
    {
        bool openAfterFirst = true;
        whenModal([&](QWidget *dlg) {
            touchAt(dlg, swatchCentre(4, 1));
            openAfterFirst = dlg->isVisible();
            touchAt(dlg, swatchCentre(1, 1));
            touch(dlg, QStringLiteral("tcbSair"));
        });
        QCOMPARE(EscolherCor(), QStringLiteral("16777215"));
        QVERIFY(!openAfterFirst);
    }

    void caption_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("caption");
        QTest::newRow("titled") << QStringLiteral("Caixa 1") << QStringLiteral("Caixa 1 - Configuração de cores");
        QTest::newRow("untitled") << QString() << QStringLiteral(" - Configuração de cores");
    }
    void caption()
    {
        QFETCH(QString, title);
        QFETCH(QString, caption);
        Application::setTitle(title);
        QString seen;
        bool globalIsTheForm = false;
        whenModal([&](QWidget *dlg) {
            seen = dlg->windowTitle();
            globalIsTheForm = dlg == frmCores;
            dlg->close();
        });
        QCOMPARE(EscolherCor(), QStringLiteral("X"));
        QCOMPARE(seen, caption);
        QVERIFY(globalIsTheForm);
    }

    void layoutAsPlaced()
    {
        TfrmCores form;
        QCOMPARE(form.size(), QSize(380, 354));
        QCOMPARE(form.chosenColour(), QStringLiteral("X"));
        auto *panColor = form.component<TPanel>(QStringLiteral("panColor"));
        QCOMPARE(panColor->geometry(), QRect(0, 32, 380, 261));
        for (int i = 1; i <= 20; ++i) {
            const QString n = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
            auto *shape = form.component<TShape>(QStringLiteral("shpCor") + n);
            auto *bevel = form.component<TBevel>(QStringLiteral("bvlCor") + n);
            QVERIFY(shape && bevel);
            QCOMPARE(shape->parentWidget(), panColor);
            QCOMPARE(bevel->geometry().adjusted(1, 1, -1, 0), shape->geometry());
            QCOMPARE(shape->PenWidth(), 0);
        }
        auto *sair = form.component<TSpeedButton>(QStringLiteral("tcbSair"));
        QCOMPARE(sair->geometry(), QRect(3, 294, 144, 58));
        QCOMPARE(sair->Caption(), QStringLiteral("&Sair"));
        QCOMPARE(sair->Tag(), 1);
        QVERIFY(!sair->icon().isNull());
        QCOMPARE(form.BorderStyle(), TForm::bsSingle);
        QCOMPARE(form.Position(), TForm::poScreenCenter);
    }

    // Something showed the form before its modal run, so ShowModal refuses:
    // the error reaches the caller, and the form is gone all the same.
    void globalIsNilWhenTheModalRunRaises()
    {
        struct ShowEarly : QObject {
            QPointer<QWidget> form;
            bool eventFilter(QObject *o, QEvent *e) override
            {
                if (!form && e->type() == QEvent::WindowTitleChange && qobject_cast<TfrmCores *>(o)) {
                    form = static_cast<QWidget *>(o);
                    form->show();
                }
                return false;
            }
        } showEarly;
        qApp->installEventFilter(&showEarly);
        QVERIFY_THROWS_EXCEPTION(Exception, EscolherCor());
        qApp->removeEventFilter(&showEarly);
        QVERIFY(showEarly.form.isNull());
        QVERIFY(!frmCores);
    }
};

QTEST_MAIN(TestColour)
#include "tst_colour.moc"
