// The window title the X server holds for a form: exactly its caption.
#include "platform/forms/Application.h"
#include "platform/forms/Form.h"
#include "tests/common/TestSupport.h"

#include <QTest>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;

class TestWindowTitleX11 : public QObject {
    Q_OBJECT
private slots:
    // The application title stays the application's: the xcb platform adds
    // Qt's application display name to each window title.
    void captionOnly()
    {
        Application::setTitle(QStringLiteral("Caixa"));
        TForm form;
        form.setCaption(QStringLiteral("Pessoas"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(xdoOutput({QStringLiteral("getwindowname"), QString::number(form.winId())}),
                     QStringLiteral("Pessoas"));
        QCOMPARE(Application::Title(), QStringLiteral("Caixa"));
    }
};

QTEST_MAIN(TestWindowTitleX11)
#include "tst_windowtitle_x11.moc"
