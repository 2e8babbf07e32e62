#include "platform/rtl/Modules.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include "tests/common/TestSupport.h"

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

    // Packs are written under a temporary folder that holds the library;
    // each holds its own path, so the one registered is known.
    void languagePack_data()
    {
        QTest::addColumn<QString>("loadedAs");
        QTest::addColumn<QStringList>("packs");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("used");
        const QString ptBR = QStringLiteral("libTouchDialogs.so.pt_BR.rcc"), pt = QStringLiteral("libTouchDialogs.so.pt.rcc");
        const QString installedPtBR = QStringLiteral("touchdialogs/") + ptBR, installedPt = QStringLiteral("touchdialogs/") + pt;
        QTest::newRow("full locale") << "libTouchDialogs.so" << QStringList{ptBR} << "pt_BR" << ptBR;
        QTest::newRow("language alone") << "libTouchDialogs.so" << QStringList{pt} << "pt_BR" << pt;
        QTest::newRow("other language") << "libTouchDialogs.so" << QStringList{"libTouchDialogs.so.de.rcc"} << "pt_BR" << "";
        QTest::newRow("none") << "libTouchDialogs.so" << QStringList{} << "pt_BR" << "";
        // the pack keeps the unversioned name whichever name loaded the library
        QTest::newRow("by soname") << "libTouchDialogs.so.1" << QStringList{ptBR} << "pt_BR" << ptBR;
        QTest::newRow("by real file") << "libTouchDialogs.so.1.0" << QStringList{pt} << "pt_BR" << pt;
        // installed: in a folder of their own beside the library
        QTest::newRow("installed") << "libTouchDialogs.so.1" << QStringList{installedPtBR} << "pt_BR" << installedPtBR;
        QTest::newRow("installed, language alone") << "libTouchDialogs.so.1.0" << QStringList{installedPt} << "pt_BR" << installedPt;
        QTest::newRow("installed before beside") << "libTouchDialogs.so.1" << QStringList{ptBR, installedPtBR} << "pt_BR" << installedPtBR;
        QTest::newRow("full locale beside before language installed")
            << "libTouchDialogs.so.1" << QStringList{installedPt, ptBR} << "pt_BR" << ptBR;
        QTest::newRow("folder of another name") << "libTouchDialogs.so.1" << QStringList{QStringLiteral("TouchDialogs/") + ptBR, QStringLiteral("lang/") + ptBR}
                                                << "pt_BR" << "";
    }
    void languagePack()
    {
        QFETCH(QString, loadedAs);
        QFETCH(QStringList, packs);
        QFETCH(QString, locale);
        QFETCH(QString, used);

        QTemporaryDir dir;
        for (const QString &pack : packs) {
            QVERIFY(QDir(dir.path()).mkpath(QFileInfo(pack).path()));
            QVERIFY(testing::writeLanguagePack(dir.filePath(pack), pack.toUtf8()));
        }

        HINSTANCE pack = LoadResourceModule(dir.filePath(loadedAs), locale);
        QCOMPARE(pack != nullptr, !used.isEmpty());
        if (pack) {
            QCOMPARE(ResourcePath(QStringLiteral("layouts/PROBE")), QStringLiteral(":/lang/layouts/PROBE"));
            QFile probe(ResourcePath(QStringLiteral("layouts/PROBE")));
            QVERIFY(probe.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(probe.readAll()), used);
            QVERIFY(FreeResourceModule(pack));
        }
        QCOMPARE(ResourcePath(QStringLiteral("layouts/PROBE")), QStringLiteral(":/layouts/PROBE"));
    }

    void freeingNothingIsRefused() { QVERIFY(!FreeResourceModule(nullptr)); }

};

QTEST_GUILESS_MAIN(TestModules)
#include "tst_modules.moc"
