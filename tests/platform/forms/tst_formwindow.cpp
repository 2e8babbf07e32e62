// The form's window: border style and icons, screen-centred placement, and a
// release requested while the form runs modally.
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;

class TfrmWindowProbe : public TForm {
    Q_OBJECT
public:
    TfrmWindowProbe() { createFromLayout(); }
};

class TfrmNoIconsProbe : public TForm {
    Q_OBJECT
public:
    TfrmNoIconsProbe() { createFromLayout(); }
};

class TfrmEmptySetProbe : public TForm {
    Q_OBJECT
public:
    TfrmEmptySetProbe() { createFromLayout(); }
};

class TestFormWindow : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Screen::setSizeForTesting(0, 0); }

    void borderFromTheLayout()
    {
        TfrmWindowProbe form;
        QCOMPARE(form.BorderStyle(), TForm::bsSingle);
        QCOMPARE(form.BorderIcons(), TForm::TBorderIcons(TForm::biSystemMenu));
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(flags & Qt::FramelessWindowHint));
        form.setBorderStyle(TForm::bsNone);
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    }

    void noBorderIconsFromBiNone()
    {
        TfrmNoIconsProbe form;
        QCOMPARE(form.BorderIcons(), TForm::TBorderIcons());
        QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    }

    // Read as "no icons" by one Qt and as the default by the next: refused.
    void anEmptySetIsRefused()
    {
        try {
            TfrmEmptySetProbe form;
            QFAIL("the layout was loaded");
        } catch (const Exception &e) {
            QVERIFY2(e.Message().contains(QLatin1String("biNone")), qPrintable(e.Message()));
        }
    }

    void singleBorderFixesTheSizeWhileShown()
    {
        TfrmWindowProbe form;
        form.show();
        QCOMPARE(form.size(), QSize(380, 354));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        form.hide();
        form.resize(400, 300);
        QCOMPARE(form.size(), QSize(400, 300));
    }

    void screenCentred_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("larger screen") << QSize(1024, 768);
        // Truncated toward zero, so a smaller screen leaves equal overhangs.
        QTest::newRow("smaller screen") << QSize(301, 201);
    }
    void screenCentred()
    {
        QFETCH(QSize, screen);
        Screen::setSizeForTesting(screen.width(), screen.height());
        TfrmWindowProbe form;
        form.show();
        const QRect outer = form.frameGeometry();
        QCOMPARE(outer.topLeft(), QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2));
        QVERIFY(outer.left() != 206);
    }

    // Closing with a release (the usual OnClose of a dialog freed by its
    // caller) must leave the form alive until ShowModal has returned.
    void releaseDuringTheModalRunWaitsForItsEnd()
    {
        QPointer<TfrmWindowProbe> form = new TfrmWindowProbe;
        QSignalSpy destroyed(form.data(), &QObject::destroyed);
        whenModal([](QWidget *dlg) {
            auto *f = static_cast<TForm *>(dlg);
            f->Release();
            // Let the loop turn over before ending the run.
            QTimer::singleShot(0, f, [f] { QTimer::singleShot(0, f, [f] { f->setModalResult(4); }); });
        });
        QCOMPARE(form->ShowModal(), 4);
        QVERIFY(form);
        QCOMPARE(destroyed.count(), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form);
        QCOMPARE(destroyed.count(), 1);
    }

    // Two touches that arrive together: the first one ends the run, the
    // second reaches no handler.
    void inputAfterTheModalResultIsIgnored()
    {
        TfrmWindowProbe form;
        auto *button = new TSpeedButton(&form);
        button->setGeometry(10, 10, 80, 40);
        int clicks = 0;
        button->OnClick = [&](QObject *) { form.setModalResult(++clicks == 1 ? 3 : 5); };
        whenModal([](QWidget *dlg) {
            const QPoint at(50, 30);
            QTest::mouseClick(dlg->windowHandle(), Qt::LeftButton, {}, at);
            QTest::mouseClick(dlg->windowHandle(), Qt::LeftButton, {}, at);
        });
        QCOMPARE(form.ShowModal(), 3);
        QCOMPARE(clicks, 1);
    }

    void callerFreesFirstAfterARelease()
    {
        auto *form = new TfrmWindowProbe;
        QSignalSpy destroyed(form, &QObject::destroyed);
        whenModal([](QWidget *dlg) {
            auto *f = static_cast<TForm *>(dlg);
            f->Release();
            f->Close();
        });
        form->ShowModal();
        FreeAndNil(form);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        QCOMPARE(destroyed.count(), 1);
    }
};

QTEST_MAIN(TestFormWindow)
#include "tst_formwindow.moc"
