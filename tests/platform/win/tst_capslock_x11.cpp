// Caps Lock as a real X server holds it, read from the display the
// application is connected to even when $DISPLAY names another server.
#include "platform/win/Windows.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include "tests/common/TestSupport.h"

using namespace TouchDialogs;

class TestCapsLockX11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        m_qtDisplay = qgetenv("DISPLAY");
        // A second server; -displayfd 1 prints the number it took, -noreset
        // keeps its keyboard state when the last client leaves.
        m_other.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                              QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
        QVERIFY(m_other.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_other.canReadLine(), 10000);
        m_otherDisplay = ':' + m_other.readLine().trimmed();
    }

    void cleanupTestCase()
    {
        qputenv("DISPLAY", m_qtDisplay);
        m_other.terminate();
        m_other.waitForFinished();
    }

    void readsTheKeyboardOfQtsDisplay_data()
    {
        QTest::addColumn<bool>("onQtsDisplay");
        QTest::addColumn<bool>("onOtherDisplay");
        QTest::newRow("on here, off there") << true << false;
        QTest::newRow("off here, on there") << false << true;
        QTest::newRow("on on both") << true << true;
        QTest::newRow("off on both") << false << false;
    }
    void readsTheKeyboardOfQtsDisplay()
    {
        QFETCH(bool, onQtsDisplay);
        QFETCH(bool, onOtherDisplay);
        QVERIFY(setCaps(m_qtDisplay, m_qtCaps, onQtsDisplay));
        QVERIFY(setCaps(m_otherDisplay, m_otherCaps, onOtherDisplay));
        qputenv("DISPLAY", m_otherDisplay);
        QCOMPARE(GetKeyState(VK_CAPITAL) & 1, onQtsDisplay ? 1 : 0);
    }

private:
    // Presses Caps Lock on display (xdotool talks to $DISPLAY) until it is in
    // the wanted state; both servers start with it off.
    static bool setCaps(const QByteArray &display, bool &current, bool wanted)
    {
        if (current == wanted)
            return true;
        qputenv("DISPLAY", display);
        if (!testing::xdo({QStringLiteral("key"), QStringLiteral("Caps_Lock")}))
            return false;
        current = wanted;
        return true;
    }

    QProcess m_other;
    QByteArray m_qtDisplay;
    QByteArray m_otherDisplay;
    bool m_qtCaps = false;
    bool m_otherCaps = false;
};

QTEST_MAIN(TestCapsLockX11)
#include "tst_capslock_x11.moc"
