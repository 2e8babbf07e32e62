// An error that the general error handler lets through (a host whose
// OnException throws) ends the innermost modal run and comes out of its
// ShowModal; the form can then be freed safely.
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "tests/common/TestSupport.h"

#include <QPointer>
#include <QTest>
#include <QTimer>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;

namespace {

// A form with one button whose handler fails.
class FailingForm : public TForm {
public:
    FailingForm()
    {
        resize(200, 100);
        button = new TSpeedButton(this);
        button->setObjectName(QStringLiteral("spdFail"));
        button->setGeometry(10, 10, 80, 40);
        button->OnClick = [](QObject *) { throw EConvertError(QStringLiteral("'x' is not a number")); };
    }
    TSpeedButton *button;
};

struct RethrowingHandler {
    RethrowingHandler()
    {
        Application::OnException = [](QObject *, const std::exception &e) {
            throw Exception(QString::fromUtf8(e.what()));
        };
    }
    ~RethrowingHandler() { Application::OnException = nullptr; }
};

} // namespace

class TestModalRaise : public QObject {
    Q_OBJECT
private slots:
    void errorLetThroughEndsTheRunAndIsRaised()
    {
        RethrowingHandler handler;
        auto *form = new FailingForm;
        QPointer<FailingForm> guard(form);
        auto fired = whenModal([](QWidget *dlg) { touch(dlg, QStringLiteral("spdFail")); });
        QString raised;
        try {
            form->ShowModal();
        } catch (const Exception &e) {
            raised = e.Message();
        }
        QVERIFY(*fired);
        QCOMPARE(raised, QStringLiteral("'x' is not a number"));
        QVERIFY(!form->isModalRunning());
        QVERIFY(!form->isVisible());
        delete form; // used to crash: the dialog's loop state was left dangling
        QVERIFY(guard.isNull());
    }

    void onlyTheInnermostRunEnds()
    {
        RethrowingHandler handler;
        FailingForm outer;
        bool outerOpenAfterInner = false;
        QString innerRaised;
        auto fired = whenModal([&](QWidget *dlg) {
            FailingForm inner;
            auto innerFired = whenModal([](QWidget *d) { touch(d, QStringLiteral("spdFail")); });
            try {
                inner.ShowModal();
            } catch (const Exception &e) {
                innerRaised = e.Message();
            }
            QVERIFY(*innerFired);
            outerOpenAfterInner = dlg->isVisible() && outer.isModalRunning();
            outer.setModalResult(1);
        });
        QCOMPARE(outer.ShowModal(), 1);
        QVERIFY(*fired);
        QCOMPARE(innerRaised, QStringLiteral("'x' is not a number"));
        QVERIFY(outerOpenAfterInner);
    }

    void handledErrorLeavesTheRunGoing()
    {
        ExceptionRecorder recorder;
        FailingForm form;
        auto fired = whenModal([&](QWidget *dlg) {
            touch(dlg, QStringLiteral("spdFail"));
            QTimer::singleShot(0, dlg, [&] { form.setModalResult(7); });
        });
        QCOMPARE(form.ShowModal(), 7);
        QVERIFY(*fired);
        QCOMPARE(recorder.messages, QStringList{QStringLiteral("'x' is not a number")});
    }
};

QTEST_MAIN(TestModalRaise)
#include "tst_modalraise.moc"
