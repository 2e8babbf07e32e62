#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

#include <QTest>
#include <QVariant>

using namespace TouchDialogs;

class TestSysUtils : public QObject {
    Q_OBJECT
private slots:
    void caseIsAsciiOnly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("upper");
        QTest::addColumn<QString>("lower");
        QTest::newRow("letters") << "abcXYZ" << "ABCXYZ" << "abcxyz";
        QTest::newRow("cedilla untouched") << QString::fromUtf8("çÇa") << QString::fromUtf8("çÇA")
                                           << QString::fromUtf8("çÇa");
        QTest::newRow("accents untouched") << QString::fromUtf8("ãéÕ") << QString::fromUtf8("ãéÕ")
                                           << QString::fromUtf8("ãéÕ");
        QTest::newRow("neighbours of the ranges") << "@[`{" << "@[`{" << "@[`{";
        QTest::newRow("german sharp s stays one char") << QString::fromUtf8("ß") << QString::fromUtf8("ß")
                                                       << QString::fromUtf8("ß");
        QTest::newRow("empty") << "" << "" << "";
    }
    void caseIsAsciiOnly()
    {
        QFETCH(QString, text);
        QFETCH(QString, upper);
        QFETCH(QString, lower);
        QCOMPARE(UpperCase(text), upper);
        QCOMPARE(LowerCase(text), lower);
    }

    // A text that is no number raises EConvertError naming the text.
    void conversion_data()
    {
        QTest::addColumn<bool>("isFloat");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("value"); // invalid: refused
        const auto add = [](bool isFloat, const char *tag, const char *text, const QVariant &value) {
            QTest::addRow("%s %s", isFloat ? "StrToFloat" : "StrToInt", tag) << isFloat << QString::fromUtf8(text) << value;
        };
        add(true, "whole", "12", 12.0);
        add(true, "comma", "1,5", 1.5);
        add(true, "leading comma", ",5", 0.5);
        add(true, "trailing comma", "12,", 12.0);
        add(true, "negative", "-2,25", -2.25);
        add(true, "blanks around", " 3,0 ", 3.0);
        add(true, "lone comma", ",", {});
        add(true, "point is no separator", "1.5", {});
        add(true, "two commas", "1,2,3", {});
        add(true, "empty", "", {});
        add(true, "letters", "x,y", {});
        add(true, "infinity", "1e999", {});
        add(false, "plain", "42", 42);
        add(false, "signed", "-7", -7);
        add(false, "zeros", "007", 7);
        add(false, "empty", "", {});
        add(false, "decimal", "1,5", {});
        add(false, "hex is not decimal", "0x10", {});
        add(false, "overflow", "99999999999", {});
    }
    void conversion()
    {
        QFETCH(bool, isFloat);
        QFETCH(QString, text);
        QFETCH(QVariant, value);
        try {
            const QVariant got = isFloat ? QVariant(StrToFloat(text)) : QVariant(StrToInt(text));
            QVERIFY2(value.isValid(), "the text was accepted");
            QCOMPARE(got, value);
        } catch (const EConvertError &e) {
            QVERIFY2(!value.isValid(), qPrintable(e.Message()));
            QVERIFY2(e.Message().contains(u'\'' + text + u'\''), qPrintable(e.Message()));
        }
    }

    void abortIsSilentKind()
    {
        QVERIFY_THROWS_EXCEPTION(EAbort, Abort());
        try {
            Abort();
        } catch (const Exception &e) {
            QVERIFY(dynamic_cast<const EAbort *>(&e));
        }
    }
};

QTEST_GUILESS_MAIN(TestSysUtils)
#include "tst_sysutils.moc"
