#include "platform/win/Windows.h"

#include <QKeyEvent>
#include <QTest>

using namespace TouchDialogs;

class TestKeys : public QObject {
    Q_OBJECT
private slots:
    void table_data()
    {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("vk");
        QTest::addColumn<int>("shift");
        QTest::addColumn<int>("character");

        const int none = Qt::NoModifier;
        QTest::newRow("a") << int(Qt::Key_A) << none << "a" << 65 << 0 << int('a');
        QTest::newRow("shift A") << int(Qt::Key_A) << int(Qt::ShiftModifier) << "A" << 65 << int(ssShift) << int('A');
        QTest::newRow("z") << int(Qt::Key_Z) << none << "z" << 90 << 0 << int('z');
        QTest::newRow("0") << int(Qt::Key_0) << none << "0" << 48 << 0 << int('0');
        QTest::newRow("9") << int(Qt::Key_9) << none << "9" << 57 << 0 << int('9');
        QTest::newRow("keypad 7") << int(Qt::Key_7) << int(Qt::KeypadModifier) << "7" << 103 << 0 << int('7');
        QTest::newRow("keypad comma") << int(Qt::Key_Comma) << int(Qt::KeypadModifier) << "," << 110 << 0 << int(',');
        QTest::newRow("enter") << int(Qt::Key_Return) << none << "\r" << 13 << 0 << 13;
        QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "\r" << 13 << 0 << 13;
        QTest::newRow("enter without text") << int(Qt::Key_Return) << none << "" << 13 << 0 << 13;
        QTest::newRow("backspace") << int(Qt::Key_Backspace) << none << "" << 8 << 0 << 8;
        QTest::newRow("escape") << int(Qt::Key_Escape) << none << "\x1b" << 27 << 0 << 27;
        QTest::newRow("delete") << int(Qt::Key_Delete) << none << "" << 46 << 0 << 0;
        QTest::newRow("shift") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << "" << 16 << int(ssShift) << 0;
        QTest::newRow("caps lock") << int(Qt::Key_CapsLock) << none << "" << 20 << 0 << 0;
        QTest::newRow("space") << int(Qt::Key_Space) << none << " " << 32 << 0 << 32;
        QTest::newRow("f4") << int(Qt::Key_F4) << none << "" << 115 << 0 << 0;
        QTest::newRow("alt f4") << int(Qt::Key_F4) << int(Qt::AltModifier) << "" << 115 << int(ssAlt) << 0;
        QTest::newRow("alt shift f4") << int(Qt::Key_F4) << int(Qt::AltModifier | Qt::ShiftModifier) << ""
                                      << 115 << int(ssAlt | ssShift) << 0;
        QTest::newRow("alt a types nothing") << int(Qt::Key_A) << int(Qt::AltModifier) << "a" << 65 << int(ssAlt) << 0;
        QTest::newRow("ctrl") << int(Qt::Key_C) << int(Qt::ControlModifier) << "\x03" << 67 << int(ssCtrl) << 3;
        QTest::newRow("arrows") << int(Qt::Key_Down) << none << "" << 40 << 0 << 0;
        QTest::newRow("page down") << int(Qt::Key_PageDown) << none << "" << 34 << 0 << 0;
        QTest::newRow("minus") << int(Qt::Key_Minus) << none << "-" << 189 << 0 << int('-');
        QTest::newRow("period") << int(Qt::Key_Period) << none << "." << 190 << 0 << int('.');
        QTest::newRow("c cedilla") << int(Qt::Key_Ccedilla) << none << QString(QChar(0xE7)) << 186 << 0 << 0xE7;
        QTest::newRow("unknown key") << int(Qt::Key_LaunchMail) << none << "" << 0 << 0 << 0;
    }
    void table()
    {
        QFETCH(int, qtKey);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(int, vk);
        QFETCH(int, shift);
        QFETCH(int, character);
        const QKeyEvent event(QEvent::KeyPress, qtKey, Qt::KeyboardModifiers(modifiers), text);
        const KeyInfo info = keyFromQt(event);
        QCOMPARE(int(info.key), vk);
        QCOMPARE(int(info.shift.toInt()), shift);
        QCOMPARE(int(info.character.unicode()), character);
    }

    // Off X11 the window system tells Caps Lock only with keys: the Lock bit
    // of the last key's modifier mask, whatever else is held or locked.
    void capsLockFromTheLastKey_data()
    {
        QTest::addColumn<quint32>("nativeModifiers");
        QTest::addColumn<int>("capsLock");
        QTest::newRow("lock") << 0x2u << 1;
        QTest::newRow("lock, num lock and shift") << 0x13u << 1;
        QTest::newRow("shift only") << 0x1u << 0;
        QTest::newRow("num lock only") << 0x10u << 0;
        QTest::newRow("nothing") << 0x0u << 0;
    }
    void capsLockFromTheLastKey()
    {
        QFETCH(quint32, nativeModifiers);
        QFETCH(int, capsLock);
        // The opposite state first, so a key that changed nothing shows.
        noteKeyboardState(QKeyEvent(QEvent::KeyRelease, Qt::Key_A, {}, 0, 0, capsLock ? 0 : 0x2));
        noteKeyboardState(QKeyEvent(QEvent::KeyPress, Qt::Key_A, {}, 0, 0, nativeModifiers));
        QCOMPARE(GetKeyState(VK_CAPITAL) & 1, capsLock);
    }

    void messagesToSomethingElseAreIgnored()
    {
        QCOMPARE(SendMessageA(nullptr, WM_CHAR, 'a', 0), LRESULT(0));
        QVERIFY(!PostMessageA(nullptr, WM_CLOSE, 0, 0));
    }
};

QTEST_MAIN(TestKeys)
#include "tst_keys.moc"
