#include "dialogs/message/MessageUnit.h"
#include "frame/Frame.h"
#include "platform/forms/FormsUnit.h"

#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include "tests/common/TestSupport.h"

using namespace TouchDialogs;

namespace {

// How much ink a word takes in the font, in fully covered pixels.
double ink(const QFont &font)
{
    const QString word = QString::fromUtf8("Descrição Affogato");
    const QFontMetrics metrics(font);
    QImage image(metrics.horizontalAdvance(word) + 8, metrics.height() + 8, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter painter(&image);
    painter.setFont(font);
    painter.drawText(4, 4 + metrics.ascent(), word);
    painter.end();
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += 255 - qGray(image.pixel(x, y));
    return sum / 255;
}

} // namespace

class TestFrame : public QObject {
    Q_OBJECT
private slots:
    void tableHoldsEveryUnitOnce()
    {
        const TPackageInfoTable *table = GetPackageInfoTable();
        QCOMPARE(table, TouchDialogs_GetPackageInfoTable());
        QCOMPARE(table->UnitCount, 12);
        for (int i = 0; i < table->UnitCount; ++i)
            QVERIFY(table->UnitInfo[i].Init && table->UnitInfo[i].FInit);
        // the dialogs come last, the message box first among them
        QVERIFY(table->UnitInfo[6].Init == &message::unitInit);
    }

    void captionsExistOnlyBetweenInitializeAndTheLastFinalize()
    {
        QVERIFY(message::ButtonCaptions[message::mbYes].isEmpty());
        Initialize();
        QCOMPARE(message::ButtonCaptions[message::mbYes], QStringLiteral("&Yes"));
        QCOMPARE(message::ButtonCaptions[message::mbHelp], QStringLiteral("&Help"));
        QCOMPARE(message::Captions[message::mtConfirmation], QStringLiteral("Confirm"));
        QVERIFY(message::Captions[message::mtCustom].isEmpty());
        QCOMPARE(message::ButtonNames[message::mbNoToAll], QStringLiteral("NoToAll"));

        TouchDialogs_Initialize(); // a second loader
        TouchDialogs_Finalize();
        QCOMPARE(message::ButtonCaptions[message::mbYes], QStringLiteral("&Yes"));

        Finalize();
        for (int i = 0; i < message::kButtonKinds; ++i) {
            QVERIFY(message::ButtonCaptions[i].isEmpty());
            QVERIFY(message::ButtonNames[i].isEmpty());
        }
        for (const QString &c : message::Captions)
            QVERIFY(c.isEmpty());
        QCOMPARE(message::frmMessageDlg, nullptr);
    }

    // The language a host picks before Initialize chooses the pack beside
    // the library, whatever the system's language.
    void captionsInTheLanguageTheHostPicks_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("pack");
        QTest::addColumn<QString>("yes");
        QTest::addColumn<QString>("error");
        QTest::newRow("pt_BR") << "pt_BR" << true << "&Sim" << "Erro";
        QTest::newRow("en") << "en" << true << "&Yes" << "Error";
        QTest::newRow("no pack for it") << "de_DE" << false << "&Yes" << "Error";
    }
    void captionsInTheLanguageTheHostPicks()
    {
        QFETCH(QString, locale);
        QFETCH(bool, pack);
        QFETCH(QString, yes);
        QFETCH(QString, error);
        frame::attach(testing::builtLibrary());
        QLocale::setDefault(QLocale(locale));
        Initialize();
        const bool used = frame::usesLanguagePack();
        const QString caption = message::ButtonCaptions[message::mbYes];
        const QString errorCaption = message::Captions[message::mtError];
        Finalize();
        frame::detach();
        QLocale::setDefault(QLocale::c());
        QCOMPARE(used, pack);
        QCOMPARE(caption, yes);
        QCOMPARE(errorCaption, error);
    }

    // Each face of the layouts at its pixel height; bold must look bold, so a
    // word in it takes clearly more ink than in the regular face.
    void layoutFacesResolveAtTheirPixelHeight_data()
    {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("bold");
        QTest::newRow("MS Sans Serif 11") << "MS Sans Serif" << 11 << false;
        QTest::newRow("MS Sans Serif 16 bold") << "MS Sans Serif" << 16 << true;
        QTest::newRow("MS Sans Serif 19 bold") << "MS Sans Serif" << 19 << true;
        QTest::newRow("Tahoma 12 bold") << "Tahoma" << 12 << true;
        QTest::newRow("Tahoma 21 bold") << "Tahoma" << 21 << true;
        QTest::newRow("Tahoma 29 bold") << "Tahoma" << 29 << true;
        QTest::newRow("Comic Sans MS 35 bold") << "Comic Sans MS" << 35 << true;
        QTest::newRow("Times New Roman 21") << "Times New Roman" << 21 << false;
    }
    void layoutFacesResolveAtTheirPixelHeight()
    {
        QFETCH(QString, face);
        QFETCH(int, height);
        QFETCH(bool, bold);
        Initialize();
        QFont font(face);
        font.setPixelSize(height);
        font.setBold(bold);
        const QFontInfo info(font);
        QFont regular = font;
        regular.setBold(false);
        const double heavier = ink(font) / ink(regular);
        Finalize();
        QCOMPARE(info.pixelSize(), height);
        QCOMPARE(info.bold(), bold);
        if (bold)
            QVERIFY2(heavier >= 1.3, qPrintable(QStringLiteral("bold has %1 times the ink").arg(heavier)));
    }

    void withoutALanguagePackTheModuleServesItself()
    {
        QTemporaryDir dir;
        frame::attach(dir.filePath(QStringLiteral("libTouchDialogs.so")));
        QVERIFY(!frame::usesLanguagePack());
        QCOMPARE(frame::moduleRecord().ResInstance, frame::moduleRecord().Instance);
        QCOMPARE(LibModuleList(), &frame::moduleRecord());
        frame::detach();
        QVERIFY(LibModuleList() != &frame::moduleRecord());
    }

    void aLanguagePackBesideTheLibraryIsUsedAndReleased()
    {
        QTemporaryDir dir;
        const QString library = dir.filePath(QStringLiteral("libTouchDialogs.so"));
        QVERIFY(testing::writeLanguagePack(library + u'.' + QLocale::system().name() + QStringLiteral(".rcc"), "pack"));
        frame::attach(library);
        QVERIFY(frame::usesLanguagePack());
        QCOMPARE(ResourcePath(QStringLiteral("layouts/PROBE")), QStringLiteral(":/lang/layouts/PROBE"));
        frame::detach();
        QCOMPARE(ResourcePath(QStringLiteral("layouts/PROBE")), QStringLiteral(":/layouts/PROBE"));
    }

    // The pack keeps the documented name, however the host names the library.
    void aPackNamedAsDocumentedIsFoundWhicheverNameLoadedTheLibrary_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("loadedAs");
        QTest::newRow("linked, by soname") << TD_PACK_HOST_LINKED << "";
        QTest::newRow("dlopen of the real file") << TD_PACK_HOST_DLOPEN << QFileInfo(TD_LIBRARY).fileName();
        QTest::newRow("dlopen of the soname") << TD_PACK_HOST_DLOPEN << TD_LIBRARY_SONAME;
        QTest::newRow("dlopen of the development link") << TD_PACK_HOST_DLOPEN << TD_LIBRARY_LINK_NAME;
    }
    void aPackNamedAsDocumentedIsFoundWhicheverNameLoadedTheLibrary()
    {
        QFETCH(QString, host);
        QFETCH(QString, loadedAs);
        // A copy of the library under its three names, the pack beside it.
        if (!m_libraryCopy) {
            m_libraryCopy = std::make_unique<QTemporaryDir>();
            const QString real = QFileInfo(TD_LIBRARY).fileName();
            QVERIFY(QFile::copy(TD_LIBRARY, m_libraryCopy->filePath(real)));
            QVERIFY(QFile::link(real, m_libraryCopy->filePath(TD_LIBRARY_SONAME)));
            QVERIFY(QFile::link(TD_LIBRARY_SONAME, m_libraryCopy->filePath(TD_LIBRARY_LINK_NAME)));
            QVERIFY(testing::writeLanguagePack(m_libraryCopy->filePath(QStringLiteral("libTouchDialogs.so.pt_BR.rcc")),
                                               "from the pack"));
        }
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), m_libraryCopy->path());
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("pt_BR.UTF-8"));
        process.setProcessEnvironment(env);
        process.start(host, loadedAs.isEmpty() ? QStringList() : QStringList{m_libraryCopy->filePath(loadedAs)});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.readAllStandardOutput(), QByteArray("from the pack"));
        // the host exits cleanly, the pack released on the way out
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
    }

private:
    std::unique_ptr<QTemporaryDir> m_libraryCopy;
};

QTEST_MAIN(TestFrame)
#include "tst_frame.moc"
