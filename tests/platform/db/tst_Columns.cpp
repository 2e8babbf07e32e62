// The record store's column storage against plain models: a bitmap against
// std::vector<bool> (std::copy_if for the rows it keeps), a column against
// the values last written to each row.
#include "platform/db/Columns.h"

#include <QTest>
#include <algorithm>
#include <limits>
#include <numeric>
#include <optional>
#include <random>
#include <sqlite3.h>

using namespace TouchDialogs::db;

namespace {

struct Write {
    int row;
    QVariant value; // null clears; qint64, double or QByteArray sets
};
using Writes = QList<Write>;

Cell toCell(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::LongLong:
        return Cell::ofInt(v.toLongLong());
    case QMetaType::Double:
        return Cell::ofReal(v.toDouble());
    case QMetaType::QByteArray:
        return Cell::ofText(v.toByteArray());
    default:
        return {};
    }
}

QVariant toVariant(const Cell &c)
{
    switch (c.kind) {
    case Cell::Int:
        return c.i;
    case Cell::Real:
        return c.r;
    case Cell::Text:
        return c.text;
    case Cell::Null:
        break;
    }
    return {};
}

QVariantList values(const Column &c, int rows)
{
    QVariantList out;
    for (int r = 0; r < rows; ++r)
        out << toVariant(c.cell(r));
    return out;
}

// The first index where the bitmap and the model differ, or -1.
qsizetype firstDifference(const Bitmap &b, const std::vector<bool> &model)
{
    for (size_t i = 0; i < model.size(); ++i)
        if (b.test(i) != model[i])
            return qsizetype(i);
    return -1;
}

} // namespace

Q_DECLARE_METATYPE(Writes)

class tst_Columns : public QObject {
    Q_OBJECT
private slots:
    void bitmap_data();
    void bitmap();
    void kept_data();
    void kept();
    void cells_data();
    void cells();
    void copiesShareUntilChanged_data();
    void copiesShareUntilChanged();
    void overwrittenTextIsCompacted_data();
    void overwrittenTextIsCompacted();
    void caseFoldingIsSqlites();
};

// Sizes round up to whole words; bits past the size read as clear; growing
// keeps what is set; an intersection clears what the other bitmap lacks.
void tst_Columns::bitmap_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<QList<int>>("on");
    QTest::addColumn<QList<int>>("off"); // may lie past the size
    QTest::addColumn<int>("grownTo");
    QTest::addColumn<int>("otherBits"); // -1: no intersection
    QTest::newRow("empty") << 0 << QList<int>{} << QList<int>{0, 64} << 0 << -1;
    QTest::newRow("one bit") << 1 << QList<int>{0} << QList<int>{} << 0 << -1;
    QTest::newRow("63: the last bit of the word") << 63 << QList<int>{0, 62, 63} << QList<int>{0} << 0 << -1;
    QTest::newRow("64: one whole word") << 64 << QList<int>{63} << QList<int>{64, 1000} << 0 << -1;
    QTest::newRow("65: a second word") << 65 << QList<int>{63, 64} << QList<int>{63} << 0 << -1;
    QTest::newRow("129, grown to 1000") << 129 << QList<int>{0, 64, 127, 128} << QList<int>{} << 1000 << -1;
    QTest::newRow("intersection with a shorter one") << 200 << QList<int>{1, 2, 70, 130, 199} << QList<int>{} << 0 << 65;
    QTest::newRow("intersection with a longer one") << 100 << QList<int>{3, 64, 99} << QList<int>{} << 0 << 1000;
    QTest::newRow("intersection with an empty one") << 100 << QList<int>{3, 64, 99} << QList<int>{} << 0 << 0;
}

void tst_Columns::bitmap()
{
    QFETCH(int, bits);
    QFETCH(QList<int>, on);
    QFETCH(QList<int>, off);
    QFETCH(int, grownTo);
    QFETCH(int, otherBits);

    Bitmap b;
    b.resize(size_t(bits));
    QCOMPARE(b.size(), size_t((bits + 63) / 64 * 64));
    std::vector<bool> model(2048); // past every size and index below
    for (int i : on) {
        b.assign(size_t(i), true);
        model[size_t(i)] = true;
    }
    for (int i : off) {
        b.reset(size_t(i));
        model[size_t(i)] = false;
    }
    QCOMPARE(firstDifference(b, model), -1);
    if (grownTo) {
        b.resize(size_t(grownTo));
        QCOMPARE(b.size(), size_t((grownTo + 63) / 64 * 64));
        QCOMPARE(firstDifference(b, model), -1);
    }
    if (otherBits >= 0) {
        // The other bitmap has every third bit of its size.
        Bitmap other;
        other.resize(size_t(otherBits));
        for (size_t i = 0; i < model.size(); ++i) {
            const bool there = i < other.size() && i % 3 == 0;
            if (there)
                other.set(i);
            model[i] = model[i] && there;
        }
        b.intersect(other);
        QCOMPARE(b.size(), size_t((bits + 63) / 64 * 64));
        QCOMPARE(firstDifference(b, model), -1);
    }
}

// kept() takes one of two ways, by how many bits are set against the rows
// asked about (fewer than an eighth: a branch per row); each must keep
// exactly the rows std::copy_if keeps, in order.
void tst_Columns::kept_data()
{
    QTest::addColumn<int>("rows");     // bitmap size
    QTest::addColumn<int>("ordered");  // rows in the order asked about, shuffled
    QTest::addColumn<int>("set");      // bits set, anywhere in the bitmap
    QTest::newRow("empty order") << 64 << 0 << 10;
    QTest::newRow("nothing set") << 100 << 100 << 0;
    QTest::newRow("all of 100 set") << 100 << 100 << 100;
    QTest::newRow("one row, set") << 1 << 1 << 1;
    QTest::newRow("one row, clear") << 1 << 1 << 0;
    QTest::newRow("7 of 64: few") << 64 << 64 << 7;
    QTest::newRow("8 of 64: many") << 64 << 64 << 8;
    QTest::newRow("50 of 10000: few") << 10000 << 10000 << 50;
    QTest::newRow("half of 4097") << 4097 << 4097 << 2048;
    QTest::newRow("set bits mostly outside the order") << 1000 << 10 << 1000;
    QTest::newRow("127 of 130, order of 70") << 130 << 70 << 127;
}

void tst_Columns::kept()
{
    QFETCH(int, rows);
    QFETCH(int, ordered);
    QFETCH(int, set);

    std::mt19937 random(uint32_t(rows * 31 + set));
    std::vector<int> all(static_cast<size_t>(rows));
    std::iota(all.begin(), all.end(), 0);
    std::shuffle(all.begin(), all.end(), random);
    const std::vector<int> order(all.begin(), all.begin() + ordered);
    std::shuffle(all.begin(), all.end(), random);
    Bitmap b;
    b.resize(size_t(rows));
    for (int i = 0; i < set; ++i)
        b.set(size_t(all[size_t(i)]));

    std::vector<int> expected;
    std::copy_if(order.begin(), order.end(), std::back_inserter(expected), [&](int r) { return b.test(size_t(r)); });
    QCOMPARE(b.kept(order), expected);
}

void tst_Columns::cells_data()
{
    QTest::addColumn<int>("storage");
    QTest::addColumn<Writes>("writes");
    QTest::addColumn<QVariantList>("expected"); // by row
    const QVariant null;
    const qint64 min = std::numeric_limits<qint64>::min(), max = std::numeric_limits<qint64>::max();
    QTest::newRow("new rows are null") << int(Storage::Int) << Writes{} << QVariantList{null, null};
    QTest::newRow("integers: set, overwritten, cleared")
        << int(Storage::Int) << Writes{{0, qint64(5)}, {1, qint64(7)}, {1, max}, {0, min}, {2, qint64(1)}, {2, null}}
        << QVariantList{min, max, null};
    QTest::newRow("an integer from a real is truncated toward zero")
        << int(Storage::Int) << Writes{{0, 2.9}, {1, -2.9}} << QVariantList{qint64(2), qint64(-2)};
    QTest::newRow("a real from an integer")
        << int(Storage::Real) << Writes{{0, qint64(3)}, {1, -0.5}, {2, 1e300}} << QVariantList{3.0, -0.5, 1e300};
    QTest::newRow("texts: empty is not null")
        << int(Storage::Text) << Writes{{0, QByteArray("")}} << QVariantList{QByteArray(""), null};
    QTest::newRow("texts: overwritten longer, shorter, cleared, set again")
        << int(Storage::Text)
        << Writes{{0, QByteArray("ab")}, {1, QByteArray("Café")}, {0, QByteArray("abcdef")}, {1, QByteArray("x")},
                  {2, QByteArray("gone")}, {2, null}, {2, QByteArray("back")}}
        << QVariantList{QByteArray("abcdef"), QByteArray("x"), QByteArray("back")};
    QTest::newRow("texts: NUL bytes kept") << int(Storage::Text) << Writes{{0, QByteArray("a\0b", 3)}}
                                           << QVariantList{QByteArray("a\0b", 3)};
}

void tst_Columns::cells()
{
    QFETCH(int, storage);
    QFETCH(Writes, writes);
    QFETCH(QVariantList, expected);

    Column c{Storage(storage)};
    c.resize(size_t(expected.size()));
    size_t longest = 0;
    for (const Write &w : writes) {
        c.set(w.row, toCell(w.value));
        if (w.value.typeId() == QMetaType::QByteArray)
            longest = std::max(longest, size_t(w.value.toByteArray().size()));
    }
    QCOMPARE(values(c, int(expected.size())), expected);
    for (int r = 0; r < expected.size(); ++r) {
        QCOMPARE(c.isNull(r), expected[r].isNull());
        if (storage == int(Storage::Text) && !c.isNull(r))
            QCOMPARE(QByteArray(c.text(r).data(), qsizetype(c.text(r).size())), expected[r].toByteArray());
    }
    if (storage == int(Storage::Text))
        QCOMPARE(c.longestText(), longest); // never shrinks
    // Growing keeps the values; the new rows are null.
    c.resize(size_t(expected.size()) + 2);
    QCOMPARE(values(c, int(expected.size()) + 2), (expected + QVariantList{QVariant(), QVariant()}));
}

void tst_Columns::copiesShareUntilChanged_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("inTheCopy");
    for (const char *change : {"set", "set text", "clear", "resize"}) {
        QTest::addRow("%s in the copy", change) << change << true;
        QTest::addRow("%s in the original", change) << change << false;
    }
}

void tst_Columns::copiesShareUntilChanged()
{
    QFETCH(QString, change);
    QFETCH(bool, inTheCopy);

    Column original{Storage::Text};
    original.resize(2);
    original.set(0, Cell::ofText("um"));
    original.set(1, std::string_view("dois"));
    const QVariantList before = values(original, 2);
    Column copy = original;
    Column &changed = inTheCopy ? copy : original;
    const Column &other = inTheCopy ? original : copy;
    if (change == QLatin1String("set"))
        changed.set(0, Cell::ofText("três"));
    else if (change == QLatin1String("set text"))
        changed.set(1, std::string_view("quatro"));
    else if (change == QLatin1String("clear"))
        changed.clear(0);
    else
        changed.resize(1);
    QCOMPARE(values(other, 2), before);
    if (change != QLatin1String("resize"))
        QVERIFY(values(changed, 2) != before);
}

// Text overwritten again and again is reclaimed (the column keeps no more
// than about twice what it holds, plus 1 MiB; a few short texts repeated
// over many rows, once each), and every value survives the move, in a copy
// sharing the column as well.
void tst_Columns::overwrittenTextIsCompacted_data()
{
    QTest::addColumn<bool>("shared");
    QTest::addColumn<int>("distinct"); // 0: long texts, each different
    QTest::newRow("alone") << false << 0;
    QTest::newRow("shared with a copy") << true << 0;
    QTest::newRow("a few short texts over many rows") << false << 12;
}

void tst_Columns::overwrittenTextIsCompacted()
{
    QFETCH(bool, shared);
    QFETCH(int, distinct);
    const int rows = distinct ? 20000 : 5;
    Column c{Storage::Text};
    c.resize(rows);
    QList<QByteArray> model(rows);
    for (int r = 0; r < rows; r += 2) {
        model[r] = QByteArray::number(r).repeated(r % 7 + 1);
        c.set(r, Cell::ofText(model[r]));
    }
    std::optional<Column> copy;
    if (shared)
        copy = c;
    const QList<QByteArray> copied = model;
    std::mt19937 rng(7);
    for (int round = 0; round < (distinct ? 400000 : 40); ++round) {
        if (distinct) {
            // Now and then a NULL or an empty text among them.
            const int row = int(rng() % rows), pick = int(rng() % 100);
            model[row] = pick == 0 ? QByteArray() : pick == 1 ? QByteArray("") : "grupo " + QByteArray::number(pick % distinct);
            c.set(row, Cell::ofText(model[row]));
            if (model[row].isNull())
                c.clear(row);
            continue;
        }
        const int row = 1 + 2 * (round % 2);
        model[row] = QByteArray(200000 + round, char('a' + round % 26));
        c.set(row, Cell::ofText(model[row]));
    }
    size_t live = 0;
    for (int r = 0; r < rows; ++r) {
        QCOMPARE(c.isNull(r), model[r].isNull());
        QCOMPARE(c.cell(r).text, model[r]);
        live += size_t(model[r].size());
    }
    const size_t bound = distinct ? 4096 : 2 * live + (size_t(1) << 20);
    QVERIFY2(c.textBytes() <= bound, qPrintable(QStringLiteral("%1 bytes kept for %2").arg(c.textBytes()).arg(live)));
    for (int r = 0; copy && r < rows; ++r)
        QCOMPARE(copy->cell(r).text, copied[r]);
}

// Names and NOCASE compare as SQLite folds them: ASCII letters only.
void tst_Columns::caseFoldingIsSqlites()
{
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const char x = char(a), y = char(b);
            const bool same = sqlite3_strnicmp(&x, &y, 1) == 0;
            if ((upperAscii(uchar(a)) == upperAscii(uchar(b))) != same
                || (lowerAscii(uchar(a)) == lowerAscii(uchar(b))) != same)
                QFAIL(qPrintable(QStringLiteral("bytes %1 and %2 fold differently").arg(a).arg(b)));
        }
    }
}

QTEST_APPLESS_MAIN(tst_Columns)
#include "tst_Columns.moc"
