// Under a window manager, on a real X server: the search and list forms fill
// an 800 x 600 till screen exactly, the manager's frame included, and their
// contents fit what the frame leaves of it.
#include "dialogs/list/ListUnit.h"
#include "dialogs/search/SearchUnit.h"
#include "frame/Frame.h"
#include "platform/db/ClientDataSet.h"
#include "platform/forms/Application.h"
#include "tests/common/TestSupport.h"

#include <QTest>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;

class tst_OuterSizeX11 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }
    void cleanup() { Screen::setSizeForTesting(0, 0); }

    void outerSizeWithTheFrame_data()
    {
        QTest::addColumn<bool>("list");
        QTest::addColumn<QString>("leave");
        QTest::newRow("search") << false << "key Escape";
        QTest::newRow("list") << true << "touch spbSair";
    }

    void outerSizeWithTheFrame()
    {
        QFETCH(bool, list);
        QFETCH(QString, leave);
        Screen::setSizeForTesting(800, 600); // the till's screen, in a corner of the larger X screen
        TClientDataSet ds;
        ds.fromJson(R"({"fields":[{"name":"CODIGO","type":"integer"},{"name":"NOME","type":"string","size":30}],
                        "records":[[1,"Cafe"],[2,"Cha"]]})");
        const auto check = [](QWidget *dlg) {
            // The frame is reported some time after the window is mapped.
            QTRY_VERIFY(dlg->frameGeometry().height() > dlg->height());
            QTRY_COMPARE(dlg->frameGeometry(), QRect(0, 0, 800, 600));
            for (auto *child : dlg->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                if (child->isVisible())
                    QVERIFY2(dlg->rect().contains(child->geometry()), qPrintable(child->objectName()));
        };
        auto fired = whenModal([&](QWidget *dlg) {
            check(dlg);
            perform(dlg, leave);
        });
        if (list)
            list::ConstrucaoList(&ds, QStringLiteral("Itens"));
        else
            search::Pesquisa(&ds, QString(), QString(), QStringLiteral("Produtos"), false);
        QVERIFY(*fired);
    }
};

QTEST_MAIN(tst_OuterSizeX11)
#include "tst_outersize_x11.moc"
