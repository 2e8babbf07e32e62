#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

#include <QTest>

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

    void strToFloat_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "12" << true << 12.0;
        QTest::newRow("comma") << "1,5" << true << 1.5;
        QTest::newRow("leading comma") << ",5" << true << 0.5;
        QTest::newRow("trailing comma") << "12," << true << 12.0;
        QTest::newRow("negative") << "-2,25" << true << -2.25;
        QTest::newRow("blanks around") << " 3,0 " << true << 3.0;
        QTest::newRow("lone comma") << "," << false << 0.0;
        QTest::newRow("point is no separator") << "1.5" << false << 0.0;
        QTest::newRow("two commas") << "1,2,3" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("infinity") << "1e999" << false << 0.0;
    }
    void strToFloat()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        if (valid)
            QCOMPARE(StrToFloat(text), value);
        else
            QVERIFY_THROWS_EXCEPTION(EConvertError, StrToFloat(text));
    }

    void strToInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "42" << true << 42;
        QTest::newRow("signed") << "-7" << true << -7;
        QTest::newRow("zeros") << "007" << true << 7;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("decimal") << "1,5" << false << 0;
        QTest::newRow("hex is not decimal") << "0x10" << false << 0;
        QTest::newRow("overflow") << "99999999999" << false << 0;
    }
    void strToInt()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        if (valid)
            QCOMPARE(StrToInt(text), value);
        else
            QVERIFY_THROWS_EXCEPTION(EConvertError, StrToInt(text));
    }

    void conversionErrorNamesTheText()
    {
        try {
            StrToFloat(QStringLiteral("x,y"));
            QFAIL("no exception");
        } catch (const EConvertError &e) {
            QVERIFY(e.Message().contains(QStringLiteral("'x,y'")));
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
