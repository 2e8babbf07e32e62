// Every control class of the support package can be named in a layout.
#include "platform/forms/Form.h"
#include "platform/forms/LayoutLoader.h"
#include "support/DBSortGrid.h"
#include "support/Messages.h"
#include "support/SupportUnit.h"
#include "support/Touch.h"

#include <QTest>

using namespace TouchDialogs;

class tst_LayoutClasses : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { support::registerControls(); }

    void created_data()
    {
        QTest::addColumn<QString>("className");
        QTest::newRow("TTouchButton") << "TTouchButton";
        QTest::newRow("TMessages") << "TMessages";
        QTest::newRow("TDBSortGrid") << "TDBSortGrid";
    }

    void created()
    {
        QFETCH(QString, className);
        TForm form;
        LayoutLoader loader(&form);
        loader.createWidget(QStringLiteral("QWidget"), nullptr, QStringLiteral("root")); // the form itself
        QWidget *w = loader.createWidget(className, &form, QStringLiteral("probe"));
        QVERIFY(w);
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()).section(u':', -1), className);
        QCOMPARE(w->objectName(), QStringLiteral("probe"));
    }
};

QTEST_MAIN(tst_LayoutClasses)
#include "tst_layoutclasses.moc"
