// The order of texts as the user reads them: the direct comparison, the
// sort keys and their part without case agree with each other, with ICU's
// own comparison under the same settings, and with the order a till expects.
#include "platform/db/Collation.h"

#include <QTest>
#include <QThread>
#include <unicode/ucol.h>

using namespace TouchDialogs::db;

namespace {

int sign(int c)
{
    return (c > 0) - (c < 0);
}

// ICU's comparison in the locale, numbers in numeric order; at secondary
// strength (accents count, case does not) when case is ignored.
int icuCompare(const QString &locale, const std::string &a, const std::string &b, bool ignoreCase)
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator *c = ucol_open(locale.toLatin1().constData(), &status);
    ucol_setAttribute(c, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    if (ignoreCase)
        ucol_setStrength(c, UCOL_SECONDARY);
    const UCollationResult r = ucol_strcollUTF8(c, a.data(), int32_t(a.size()), b.data(), int32_t(b.size()), &status);
    ucol_close(c);
    return U_SUCCESS(status) ? int(r) : 2;
}

std::string keyOf(std::string_view text)
{
    std::string key;
    Collation::instance().sortKey(text, key);
    return key;
}

} // namespace

class tst_Collation : public QObject {
    Q_OBJECT
private slots:
    void portugueseWhenTheSystemNamesNone();
    void order_data();
    void order();
    void sortKeys_data();
    void sortKeys();
};

void tst_Collation::portugueseWhenTheSystemNamesNone()
{
    QCOMPARE(Collation::instance().localeName(), QStringLiteral("pt_BR"));
}

void tst_Collation::order_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("ignoringCase");
    QTest::newRow("numbers in numeric order") << QByteArray("Mesa 2") << QByteArray("Mesa 10") << -1 << -1;
    QTest::newRow("numbers, longer first") << QByteArray("Mesa 10") << QByteArray("Mesa 9") << 1 << 1;
    QTest::newRow("digits before letters") << QByteArray("9") << QByteArray("a") << -1 << -1;
    QTest::newRow("punctuation before letters") << QByteArray("a-b") << QByteArray("ab") << -1 << -1;
    QTest::newRow("letters, not bytes") << QByteArray("Zebra") << QByteArray("ábaco") << 1 << 1;
    QTest::newRow("b after an accented a") << QByteArray("b") << QByteArray("Á") << 1 << 1;
    QTest::newRow("an accent breaks a tie") << QByteArray("cafe") << QByteArray("café") << -1 << -1;
    QTest::newRow("an accent only breaks a tie") << QByteArray("café") << QByteArray("cafes") << -1 << -1;
    QTest::newRow("cedilla") << QByteArray("ÇA") << QByteArray("ca") << 1 << 1;
    QTest::newRow("accents before case") << QByteArray("á") << QByteArray("A") << 1 << 1;
    QTest::newRow("accents and case") << QByteArray("Ação") << QByteArray("acao") << 1 << 1;
    QTest::newRow("lower case first") << QByteArray("a") << QByteArray("A") << -1 << 0;
    QTest::newRow("case only") << QByteArray("ABC") << QByteArray("abc") << 1 << 0;
    QTest::newRow("equal") << QByteArray("Pão de queijo") << QByteArray("Pão de queijo") << 0 << 0;
    QTest::newRow("empty first") << QByteArray("") << QByteArray("a") << -1 << -1;
    QTest::newRow("both empty") << QByteArray("") << QByteArray("") << 0 << 0;
    QTest::newRow("invalid UTF-8 reads as U+FFFD") << QByteArray("x\xff") << QByteArray("x\xef\xbf\xbd") << 0 << 0;
}

void tst_Collation::order()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(int, expected);
    QFETCH(int, ignoringCase);

    const Collation &c = Collation::instance();
    const std::string x = a.toStdString(), y = b.toStdString();
    QCOMPARE(icuCompare(c.localeName(), x, y, false), expected);
    QCOMPARE(icuCompare(c.localeName(), x, y, true), ignoringCase);
    QCOMPARE(c.compare(x, y, false), expected);
    QCOMPARE(c.compare(y, x, false), -expected);
    QCOMPARE(c.compare(x, y, true), ignoringCase);
    // The keys compare as bytes.
    const std::string kx = keyOf(x), ky = keyOf(y);
    QCOMPARE(sign(kx.compare(ky)), expected);
    QCOMPARE(sign(Collation::withoutCase(kx).compare(Collation::withoutCase(ky))), ignoringCase);
}

// Many texts are keyed on two threads, each with its own collator, from
// 20 000 on; every key must reach its own index, once, on the caller's thread.
void tst_Collation::sortKeys_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("alone");
    for (int count : {0, 1, 19999, 20000, 20001}) {
        QTest::addRow("%d", count) << count << false;
        QTest::addRow("%d alone", count) << count << true;
    }
}

void tst_Collation::sortKeys()
{
    QFETCH(int, count);
    QFETCH(bool, alone);

    std::vector<std::string> owned;
    owned.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        owned.push_back((i % 3 ? "Açaí " : "acai ") + std::to_string(count - i));
    const std::vector<std::string_view> texts(owned.begin(), owned.end());
    std::vector<std::string> keys(texts.size());
    std::vector<int> stored(texts.size());
    bool otherThread = false;
    Collation::instance().sortKeys(
        texts.size(), [&](size_t i) { return texts[i]; },
        [&](size_t i, std::string_view key) {
            keys[i] = key;
            ++stored[i];
            otherThread = otherThread || QThread::currentThread() != thread();
        },
        alone);
    QVERIFY(!otherThread);
    for (size_t i = 0; i < texts.size(); ++i) {
        if (stored[i] != 1 || keys[i] != keyOf(texts[i]))
            QFAIL(qPrintable(QStringLiteral("key %1 stored %2 times, %3").arg(i).arg(stored[i])
                                 .arg(keys[i] == keyOf(texts[i]) ? "right" : "wrong")));
    }
}

int main(int argc, char **argv)
{
    // The system names no locale: the order is Portuguese (Brazil).
    qputenv("LC_ALL", "C");
    tst_Collation test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Collation.moc"
