#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStyleOptionToolButton>
#include <QTest>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;

// A form whose handlers write what they saw into a log; tests choose what
// the handlers do next.
class TfrmProbe : public TForm {
    Q_OBJECT
public:
    explicit TfrmProbe(QObject *owner = nullptr, const QString &layout = QString(),
                       const std::function<void()> &compiled = {})
        : TForm(owner)
    {
        bind("FormCreate", &TfrmProbe::FormCreate);
        bind("FormKeyDown", &TfrmProbe::FormKeyDown);
        bind("FormKeyPress", &TfrmProbe::FormKeyPress);
        bind("FormClose", &TfrmProbe::FormClose);
        bind("edtProbeKeyDown", &TfrmProbe::edtProbeKeyDown);
        bind("edtProbeKeyPress", &TfrmProbe::edtProbeKeyPress);
        bind("spdOkClick", &TfrmProbe::spdOkClick);
        if (layout.isEmpty())
            createFromLayout();
        else
            createFromLayout(layout, compiled);
    }

    static inline std::function<void(TfrmProbe *)> onCreateHook;
    QStringList log;
    bool swallowKeyInForm = false;
    TCloseAction closeAction = caHide;
    std::function<void()> onClick;

    void FormCreate(QObject *)
    {
        log << QStringLiteral("create");
        if (onCreateHook)
            onCreateHook(this);
    }
    void FormKeyDown(QObject *, WORD &Key, TShiftState)
    {
        log << QStringLiteral("form down %1").arg(Key);
        if (swallowKeyInForm)
            Key = 0;
    }
    void FormKeyPress(QObject *, QChar &Key) { log << QStringLiteral("form press %1").arg(Key); }
    void FormClose(QObject *, TCloseAction &Action)
    {
        log << QStringLiteral("close");
        Action = closeAction;
    }
    void edtProbeKeyDown(QObject *, WORD &Key, TShiftState) { log << QStringLiteral("edit down %1").arg(Key); }
    void edtProbeKeyPress(QObject *, QChar &Key) { log << QStringLiteral("edit press %1").arg(Key); }
    void spdOkClick(QObject *)
    {
        log << QStringLiteral("click");
        if (onClick)
            onClick();
    }
};

// Its layout names a handler the form does not have; built as read at run
// time or as compiled by uic.
class TfrmBadProbe : public TfrmProbe {
    Q_OBJECT
public:
    explicit TfrmBadProbe(bool compiled);
};

#include "ui_TFRMBADPROBE.h"

TfrmBadProbe::TfrmBadProbe(bool compiled)
    : TfrmProbe(nullptr, QStringLiteral("TFRMBADPROBE"),
                compiled ? std::function<void()>([this] { Ui::frmBadProbe().setupUi(this); }) : nullptr)
{
}

class TestForms : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        TfrmProbe::onCreateHook = nullptr;
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty() || allHidden());
    }

    void layoutIsLoadedIntoTheForm()
    {
        TfrmProbe form;
        QCOMPARE(form.objectName(), QStringLiteral("frmProbe"));
        QCOMPARE(form.log, QStringList{"create"});
        QVERIFY(form.KeyPreview());
        QCOMPARE(form.geometry().size(), QSize(300, 200));
        auto *ok = form.component<TSpeedButton>(QStringLiteral("spdOk"));
        QVERIFY(ok);
        QCOMPARE(ok->Tag(), 7);
        QCOMPARE(ok->Caption(), QStringLiteral("&OK"));
        QCOMPARE(ok->parentWidget()->objectName(), QStringLiteral("pnlProbe"));
        QCOMPARE(form.component<TLabel>(QStringLiteral("lblProbe"))->font().pixelSize(), 21);
        QStringList names;
        for (QObject *c : form.Components())
            names << c->objectName();
        QCOMPARE(names, (QStringList{"lblProbe", "edtProbe", "pnlProbe", "spdOk", "timProbe"}));
        QCOMPARE(form.ComponentCount(), 5);
        QVERIFY(!form.FindComponent(QStringLiteral("nothing")));
    }

    void unknownHandlerFailsLoudly_data()
    {
        QTest::addColumn<bool>("compiled");
        QTest::newRow("read at run time") << false;
        QTest::newRow("compiled") << true;
    }
    void unknownHandlerFailsLoudly()
    {
        QFETCH(bool, compiled);
        try {
            TfrmBadProbe bad(compiled);
            QFAIL("built a form with an unknown handler");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("TfrmProbe has no handler named spdMissingClick"));
        }
    }

    void exceptionWhileBuildingReachesCaller()
    {
        TfrmProbe::onCreateHook = [](TfrmProbe *) { throw EDatabaseError(QStringLiteral("no data")); };
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, TfrmProbe form);
    }

    void keyDispatchOrder_data()
    {
        QTest::addColumn<bool>("preview");
        QTest::addColumn<bool>("swallow");
        QTest::addColumn<bool>("focusEdit");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("preview, then control, then character")
            << true << false << true
            << QStringList{"form down 65", "edit down 65", "form press a", "edit press a"};
        QTest::newRow("key set to 0 stops at the form")
            << true << true << true << QStringList{"form down 65", "form press a", "edit press a"};
        QTest::newRow("no preview: the control only")
            << false << false << true << QStringList{"edit down 65", "edit press a"};
        QTest::newRow("no focused control: the form")
            << false << false << false << QStringList{"form down 65", "form press a"};
    }
    void keyDispatchOrder()
    {
        QFETCH(bool, preview);
        QFETCH(bool, swallow);
        QFETCH(bool, focusEdit);
        QFETCH(QStringList, expected);
        TfrmProbe form;
        form.setKeyPreview(preview);
        form.swallowKeyInForm = swallow;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto *edit = form.component<TEdit>(QStringLiteral("edtProbe"));
        if (focusEdit)
            edit->setFocus();
        else
            edit->setEnabled(false);
        form.log.clear();
        QTest::keyClick(focusEdit ? static_cast<QWidget *>(edit) : &form, Qt::Key_A);
        QCOMPARE(form.log, expected);
    }

    void escapeAndEnterDoNothingByThemselves()
    {
        TfrmProbe form;
        auto fired = whenModal([](QWidget *dlg) {
            QTest::keyClick(dlg, Qt::Key_Escape);
            QTest::keyClick(dlg, Qt::Key_Return);
            QTimer::singleShot(0, dlg, [dlg] { static_cast<TForm *>(dlg)->setModalResult(9); });
        });
        QCOMPARE(form.ShowModal(), 9);
        QVERIFY(*fired);
        QVERIFY(form.log.contains(QStringLiteral("form down 27")));
    }

    void sendMessageReachesTheFormOnly()
    {
        TfrmProbe form;
        form.show();
        form.component<TEdit>(QStringLiteral("edtProbe"))->setFocus();
        form.log.clear();
        SendMessageA(&form, WM_CHAR, 'x', 0);
        SendMessageA(&form, WM_KEYDOWN, VK_DELETE, 0);
        SendMessageA(&form, WM_CHAR, 0xE7, 0);
        QCOMPARE(form.log, (QStringList{"form press x", "form down 46", QString::fromUtf8("form press ç")}));
    }

    void queuedCloseEndsTheRunAfterTheHandler()
    {
        TfrmProbe form;
        form.onClick = [&form] {
            PostMessageA(&form, WM_CLOSE, 0, 0);
            PostMessageA(&form, WM_CLOSE, 0, 0);
            form.log << QStringLiteral("handler done");
        };
        whenModal([](QWidget *dlg) { touch(dlg, QStringLiteral("spdOk")); });
        QCOMPARE(form.ShowModal(), 2);
        QCOMPARE(form.log, (QStringList{"create", "click", "handler done", "close"}));
        QVERIFY(!form.isVisible());
        QCoreApplication::processEvents(); // the second close finds no modal run: harmless
    }

    // The window system learns which window a dialog belongs over: the
    // host's window with the keys, the dialog under it, or (opt-in, with
    // no window to go over) a backdrop covering the screen while it runs.
    void modalFormsKnowWhatTheyOpenOver_data()
    {
        QTest::addColumn<QString>("under");
        QTest::addColumn<bool>("backdrop");
        QTest::newRow("nothing") << "" << false;
        QTest::newRow("the host's window") << "host" << false;
        QTest::newRow("the host's window, backdrop on") << "host" << true;
        QTest::newRow("another dialog") << "dialog" << false;
        QTest::newRow("the backdrop") << "" << true;
    }
    void modalFormsKnowWhatTheyOpenOver()
    {
        QFETCH(QString, under);
        QFETCH(bool, backdrop);
        Extensions extensions = Application::extensions();
        extensions.backdrop = backdrop;
        Application::setExtensions(extensions);
        const auto restore = qScopeGuard([] { Application::setExtensions(Extensions{}); });
        QWidget host;
        if (under == QLatin1String("host")) {
            host.show();
            host.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&host));
        }
        TfrmProbe outer, inner;
        QWindow *expected = under == QLatin1String("host") ? host.windowHandle() : nullptr;
        QWindow *seen = nullptr;
        QSize backdropSize;
        auto checkInner = [&](QWidget *dlg) {
            seen = dlg->windowHandle()->transientParent();
            if (seen && !expected)
                backdropSize = seen->geometry().size();
            static_cast<TForm *>(dlg)->setModalResult(1);
        };
        if (under == QLatin1String("dialog")) {
            expected = nullptr;
            whenModal([&](QWidget *dlg) {
                expected = dlg->windowHandle();
                whenModal(checkInner);
                inner.ShowModal();
                outer.setModalResult(1);
            });
            outer.ShowModal();
        } else {
            whenModal(checkInner);
            inner.ShowModal();
        }
        if (backdrop && under.isEmpty()) {
            QVERIFY(seen);
            QCOMPARE(backdropSize, QSize(Screen::Width(), Screen::Height()));
            // Gone with the run: the host, the two forms and nothing else.
            QTRY_COMPARE(QApplication::topLevelWidgets().size(), 3);
        } else {
            QCOMPARE(seen, expected);
        }
    }

    void postedCloseAfterTheFormIsGoneIsHarmless()
    {
        auto *form = new TfrmProbe;
        PostMessageA(form, WM_CLOSE, 0, 0);
        delete form;
        QCoreApplication::processEvents();
    }

    void modalResult_data()
    {
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<int>("expected");
        QTest::newRow("zero keeps the form open, a later value ends it") << QList<int>{0, 5} << 5;
        QTest::newRow("the last value of one handler wins") << QList<int>{6, 7} << 7;
        QTest::newRow("set back to zero in the same handler") << QList<int>{6, 0, 4} << 4;
    }
    void modalResult()
    {
        QFETCH(QList<int>, results);
        QFETCH(int, expected);
        TfrmProbe form;
        // Each touch sets the next value; all but the last are in one handler
        // when they are non-zero, so only the final value counts.
        int step = 0;
        form.onClick = [&] {
            if (results.at(step) == 0) {
                form.setModalResult(0);
                ++step;
                return;
            }
            for (; step < results.size(); ++step)
                form.setModalResult(results.at(step));
        };
        std::function<void(QWidget *)> touchAgain;
        touchAgain = [&](QWidget *dlg) {
            touch(dlg, QStringLiteral("spdOk"));
            if (step < results.size())
                QTimer::singleShot(0, dlg, [&, dlg] { touchAgain(dlg); });
        };
        whenModal(touchAgain);
        QCOMPARE(form.ShowModal(), expected);
    }

    // Close() or the window system's close runs OnClose; its action decides:
    // hide ends the run with Cancel, none keeps the form open, free releases
    // it once the run is over.
    void closing_data()
    {
        QTest::addColumn<bool>("bySystem");
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("result");
        QTest::newRow("Close on a modal form returns Cancel") << false << int(caHide) << 2;
        QTest::newRow("a system close is a Close") << true << int(caHide) << 2;
        QTest::newRow("none keeps the form open") << false << int(caNone) << 3;
        QTest::newRow("free releases after the modal run") << false << int(caFree) << 2;
    }
    void closing()
    {
        QFETCH(bool, bySystem);
        QFETCH(int, action);
        QFETCH(int, result);
        QPointer<TfrmProbe> form = new TfrmProbe;
        form->closeAction = TCloseAction(action);
        bool openAfter = false;
        whenModal([&](QWidget *dlg) {
            bySystem ? void(dlg->close()) : static_cast<TForm *>(dlg)->Close();
            QTimer::singleShot(0, dlg, [&] {
                if ((openAfter = form->isVisible() && !form->isModalEnding())) {
                    form->closeAction = caHide;
                    form->setModalResult(3);
                }
            });
        });
        QCOMPARE(form->ShowModal(), result);
        QCOMPARE(openAfter, action == caNone);
        QCOMPARE(form->log.last(), QStringLiteral("close"));
        QVERIFY(form);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(form.isNull(), action == caFree);
        delete form;
    }

    void releaseThenFreeDestroysOnce()
    {
        auto *form = new TfrmProbe;
        QSignalSpy destroyed(form, &QObject::destroyed);
        form->Release();
        delete form;
        QCOMPARE(destroyed.count(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        QCOMPARE(destroyed.count(), 1);
    }

    void handlerExceptionsGoToTheErrorHandler_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::newRow("error") << false;
        QTest::newRow("silent abort") << true;
    }
    void handlerExceptionsGoToTheErrorHandler()
    {
        QFETCH(bool, silent);
        ExceptionRecorder recorder;
        TfrmProbe form;
        form.onClick = [silent] {
            if (silent)
                Abort();
            throw EConvertError(QStringLiteral("'x' is not a valid number"));
        };
        bool openAfter = false;
        whenModal([&](QWidget *dlg) {
            touch(dlg, QStringLiteral("spdOk"));
            QTimer::singleShot(20, dlg, [&, dlg] {
                openAfter = dlg->isVisible();
                static_cast<TForm *>(dlg)->setModalResult(1);
            });
        });
        QCOMPARE(form.ShowModal(), 1);
        QVERIFY(openAfter);
        QCOMPARE(recorder.messages, silent ? QStringList{} : QStringList{"'x' is not a valid number"});
    }

    void programmaticClickPropagates()
    {
        TfrmProbe form;
        form.onClick = [] { throw Exception(QStringLiteral("boom")); };
        QVERIFY_THROWS_EXCEPTION(Exception, form.component<TSpeedButton>(QStringLiteral("spdOk"))->Click());
    }

    // The style caches a button's look under its palette's key: buttons of
    // the same colours, each given its own palette as a layout does, must
    // share one, or every new form adds its buttons to Qt's cache again.
    void sameColouredButtonsDrawUnderOneKey()
    {
        struct Probe : TSpeedButton {
            QPalette drawn() const
            {
                QStyleOptionToolButton option;
                initStyleOption(&option);
                return option.palette;
            }
        };
        auto coloured = [](Qt::GlobalColor colour) {
            QPalette pal;
            pal.setColor(QPalette::ButtonText, colour);
            return pal;
        };
        Probe first, second, other;
        first.setPalette(coloured(Qt::darkBlue));
        second.setPalette(coloured(Qt::darkBlue));
        other.setPalette(coloured(Qt::red));
        QCOMPARE(second.drawn().cacheKey(), first.drawn().cacheKey());
        QVERIFY(other.drawn().cacheKey() != first.drawn().cacheKey());
        QCOMPARE(other.drawn().color(QPalette::ButtonText), QColor(Qt::red));
    }

    // A Wayland kiosk sizes a fixed-size form's window to the screen: the
    // controls keep their places in the middle, the rest is seen through,
    // and hidden the form is its own size again.
    void contentStaysCentredInALargerWindow()
    {
        TfrmProbe form;
        form.setAttribute(Qt::WA_TranslucentBackground); // as every form has on Wayland
        form.setFixedSize(300, 200);
        auto *panel = form.component<QWidget>(QStringLiteral("pnlProbe"));
        const QPoint at = panel->pos();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.windowHandle()->resize(701, 400);
        QTRY_COMPARE(form.size(), QSize(701, 400));
        QCOMPARE(panel->pos(), at + QPoint(200, 100));
        const QImage shot = form.grab().toImage();
        QCOMPARE(shot.pixelColor(199, 99).alpha(), 128);
        QCOMPARE(shot.pixelColor(200, 100), form.palette().window().color());
        QCOMPARE(shot.pixelColor(500, 150).alpha(), 128); // just past the form's right edge
        form.hide();
        QCOMPARE(form.size(), QSize(300, 200));
        QCOMPARE(panel->pos(), at);
    }

    void showModalTwiceIsRefused()
    {
        TfrmProbe form;
        form.show();
        QVERIFY_THROWS_EXCEPTION(Exception, form.ShowModal());
    }

    void applicationFreesWhatItOwns()
    {
        QPointer<TfrmProbe> owned = new TfrmProbe(Application::instance());
        QPointer<TfrmProbe> free = new TfrmProbe(nullptr);
        QVERIFY(ownedForms().contains(owned.data()));
        freeOwnedForms();
        QVERIFY(!owned);
        QVERIFY(free);
        delete free;
    }

private:
    static bool allHidden()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible())
                return false;
        return true;
    }
};

QTEST_MAIN(TestForms)
#include "tst_forms.moc"
