#include "platform/rtl/Modules.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include "tests/support/TestSupport.h"

using namespace TouchDialogs;

namespace {
QStringList g_calls;
template <int N> void init() { g_calls << QStringLiteral("init%1").arg(N); }
template <int N> void fini() { g_calls << QStringLiteral("fini%1").arg(N); }

UnitCounter g_counter;
int g_setups = 0;
int g_teardowns = 0;
void countedInit()
{
    if (g_counter.enter())
        ++g_setups;
}
void countedFini()
{
    if (g_counter.leave())
        ++g_teardowns;
}
} // namespace

class TestModules : public QObject {
    Q_OBJECT
private slots:
    void packageLoadRunsInOrderAndUnloadInReverse()
    {
        const TPackageUnitEntry units[] = {{init<1>, fini<1>}, {init<2>, nullptr}, {init<3>, fini<3>}};
        const TPackageInfoTable table{3, units};
        g_calls.clear();
        PackageLoad(&table);
        PackageUnload(&table);
        QCOMPARE(g_calls, (QStringList{"init1", "init2", "init3", "fini3", "fini1"}));
    }

    void runOnceCounterWorksOnFirstLoadAndLastUnload()
    {
        const TPackageUnitEntry units[] = {{countedInit, countedFini}};
        const TPackageInfoTable table{1, units};
        PackageLoad(&table);
        PackageLoad(&table);
        QCOMPARE(g_setups, 1);
        PackageUnload(&table);
        QCOMPARE(g_teardowns, 0);
        PackageUnload(&table);
        QCOMPARE(g_teardowns, 1);
        PackageLoad(&table);
        QCOMPARE(g_setups, 2);
        PackageUnload(&table);
    }

    void registry()
    {
        TLibModule a, b;
        RegisterModule(&a);
        RegisterModule(&b);
        QCOMPARE(LibModuleList(), &b);
        QCOMPARE(b.Next, &a);
        UnregisterModule(&b);
        QCOMPARE(LibModuleList(), &a);
        UnregisterModule(&a);
        QCOMPARE(LibModuleList(), nullptr);
    }

    void languagePack_data()
    {
        QTest::addColumn<QString>("loadedAs");
        QTest::addColumn<QString>("packSuffix");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("found");
        QTest::newRow("full locale") << "libTouchDialogs.so" << ".pt_BR.rcc" << "pt_BR" << true;
        QTest::newRow("language alone") << "libTouchDialogs.so" << ".pt.rcc" << "pt_BR" << true;
        QTest::newRow("other language") << "libTouchDialogs.so" << ".de.rcc" << "pt_BR" << false;
        QTest::newRow("none") << "libTouchDialogs.so" << "" << "pt_BR" << false;
        // the pack keeps the unversioned name whichever name loaded the library
        QTest::newRow("by soname") << "libTouchDialogs.so.1" << ".pt_BR.rcc" << "pt_BR" << true;
        QTest::newRow("by real file") << "libTouchDialogs.so.1.0" << ".pt.rcc" << "pt_BR" << true;
    }
    void languagePack()
    {
        QFETCH(QString, loadedAs);
        QFETCH(QString, packSuffix);
        QFETCH(QString, locale);
        QFETCH(bool, found);

        QTemporaryDir dir;
        const QString library = dir.filePath(loadedAs);
        if (!packSuffix.isEmpty())
            QVERIFY(testing::writeLanguagePack(dir.filePath(QStringLiteral("libTouchDialogs.so")) + packSuffix, "from the pack"));

        HINSTANCE pack = LoadResourceModule(library, locale);
        QCOMPARE(pack != nullptr, found);
        if (found) {
            QCOMPARE(ResourcePath(QStringLiteral("layouts/PROBE")), QStringLiteral(":/lang/layouts/PROBE"));
            QFile probe(ResourcePath(QStringLiteral("layouts/PROBE")));
            QVERIFY(probe.open(QIODevice::ReadOnly));
            QCOMPARE(probe.readAll(), QByteArray("from the pack"));
            QVERIFY(FreeResourceModule(pack));
        }
        QCOMPARE(ResourcePath(QStringLiteral("layouts/PROBE")), QStringLiteral(":/layouts/PROBE"));
    }

    void freeingNothingIsRefused() { QVERIFY(!FreeResourceModule(nullptr)); }

};

QTEST_GUILESS_MAIN(TestModules)
#include "tst_modules.moc"
