// TClientDataSet against a plain std::vector model: filter, order and every
// cursor move after Insert, Append, Edit, Post, Cancel and Delete, under a
// filter and an index; and the native prefix evaluation against SQLite's.
#include "platform/db/ClientDataSet.h"
#include "platform/db/RecordStore.h"
#include "platform/rtl/Exceptions.h"

#include <QCollator>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>
#include <algorithm>
#include <optional>

using namespace TouchDialogs;

namespace {

struct Rec {
    int id;
    std::optional<int> codigo;
    std::optional<QString> nome;
    QString ativo;
    std::optional<double> preco;
};

QByteArray upperAscii(const QString &s)
{
    QByteArray b = s.toUtf8();
    for (char &c : b)
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    return b;
}

// The filters the model knows, with SQLite's meaning written out by hand.
struct FilterCase {
    const char *text;
    std::function<bool(const Rec &)> passes;
};

bool prefix(const std::optional<QString> &v, const char *p)
{
    return v && upperAscii(*v).startsWith(QByteArray(p));
}

const std::vector<FilterCase> &filters()
{
    static const std::vector<FilterCase> list = {
        {"", [](const Rec &) { return true; }},
        {"ATIVO = 'S'", [](const Rec &r) { return r.ativo == QLatin1String("S"); }},
        {"UPPER(NOME) LIKE 'CA%'", [](const Rec &r) { return prefix(r.nome, "CA"); }},
        {"ATIVO = 'S' AND UPPER(NOME) LIKE '\xc3\x87\x41%'",
         [](const Rec &r) { return r.ativo == QLatin1String("S") && prefix(r.nome, "\xc3\x87\x41"); }},
        {"ATIVO = 'N' AND UPPER(NOME) LIKE '\xc3\xa7%'",
         [](const Rec &r) { return r.ativo == QLatin1String("N") && prefix(r.nome, "\xc3\xa7"); }},
        {"CODIGO > 20 OR NOME IS NULL", [](const Rec &r) { return (r.codigo && *r.codigo > 20) || !r.nome; }},
        {"PRECO BETWEEN 5 AND 20 AND UPPER(NOME) LIKE 'B%'",
         [](const Rec &r) { return r.preco && *r.preco >= 5 && *r.preco <= 20 && prefix(r.nome, "B"); }},
        {"UPPER(CODIGO) LIKE '1%'", [](const Rec &r) { return r.codigo && QByteArray::number(*r.codigo).startsWith('1'); }},
        {"(ATIVO = 'S' OR CODIGO < 5) AND UPPER(NOME) LIKE 'C%'",
         [](const Rec &r) { return (r.ativo == QLatin1String("S") || (r.codigo && *r.codigo < 5)) && prefix(r.nome, "C"); }},
        {"UPPER(NOME) LIKE 'ca%'", [](const Rec &) { return false; }}, // UPPER never gives a-z
        // Valid but hostile to a reader that is not SQLite's tokenizer: the
        // prefix search hides in comments, after a hex number, in a
        // concatenated pattern, behind CASE, BETWEEN and OR.
        {"0xe--AND UPPER(NOME) LIKE 'CA%'", [](const Rec &) { return true; }},
        {"CODIGO > 20 /* AND UPPER(NOME) LIKE 'CA%' */", [](const Rec &r) { return r.codigo && *r.codigo > 20; }},
        {"/* a */ UPPER ( \"NOME\" ) /* b */ LIKE 'CA%' -- c", [](const Rec &r) { return prefix(r.nome, "CA"); }},
        {"ATIVO = 'S' AND UPPER(NOME) LIKE 'C' || 'A%'",
         [](const Rec &r) { return r.ativo == QLatin1String("S") && prefix(r.nome, "CA"); }},
        {"CODIGO BETWEEN 5 AND 10 AND UPPER(NOME) LIKE 'C%'",
         [](const Rec &r) { return r.codigo && *r.codigo >= 5 && *r.codigo <= 10 && prefix(r.nome, "C"); }},
        {"CASE WHEN ATIVO = 'S' THEN CODIGO < 15 ELSE CODIGO > 25 END AND UPPER(NOME) LIKE 'B%'",
         [](const Rec &r) {
             return r.codigo && (r.ativo == QLatin1String("S") ? *r.codigo < 15 : *r.codigo > 25) && prefix(r.nome, "B");
         }},
        {"ATIVO = 'S' OR CODIGO < 5 AND UPPER(NOME) LIKE 'C%'",
         [](const Rec &r) { return r.ativo == QLatin1String("S") || (r.codigo && *r.codigo < 5 && prefix(r.nome, "C")); }},
        {"printf('%02d', CODIGO) LIKE '1%' AND UPPER(NOME) LIKE 'CA%'",
         [](const Rec &r) { return r.codigo && *r.codigo >= 10 && *r.codigo <= 19 && prefix(r.nome, "CA"); }},
        // The text the grid shows, and the text without accents.
        {"ATIVO = 'S' AND UPPER(ASSTRING(PRECO, 'float')) LIKE '1,5%'",
         [](const Rec &r) {
             return r.ativo == QLatin1String("S") && r.preco
                    && QString::number(*r.preco).replace(u'.', u',').startsWith(QLatin1String("1,5"));
         }},
        {"UPPER(UNACCENT(NOME)) LIKE 'CA%'",
         [](const Rec &r) {
             QString plain;
             for (QChar c : r.nome.value_or(QString()).normalized(QString::NormalizationForm_D))
                 if (c.category() != QChar::Mark_NonSpacing)
                     plain += c;
             return r.nome && upperAscii(plain).startsWith("CA");
         }},
    };
    return list;
}

template <class T> int cmpOpt(const std::optional<T> &a, const std::optional<T> &b)
{
    if (!a || !b)
        return a.has_value() - b.has_value(); // NULL first
    return *a < *b ? -1 : *b < *a ? 1 : 0;
}

// Alphabetical, in the user's locale (Portuguese (Brazil) for "C"), numbers
// by value; without case for a case-insensitive index.
int cmpName(const std::optional<QString> &a, const std::optional<QString> &b, bool noCase)
{
    if (!a || !b)
        return a.has_value() - b.has_value();
    const QLocale system = QLocale::system();
    QCollator collator(system.name() == QLatin1String("C") ? QLocale(QLocale::Portuguese, QLocale::Brazil) : system);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(noCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return collator.compare(*a, *b);
}

struct OrderCase {
    const char *name;
    const char *fields;
    TIndexOptions options;
    std::function<int(const Rec &, const Rec &)> compare;
};

const std::vector<OrderCase> &orders()
{
    static const std::vector<OrderCase> list = {
        {"", "", {}, [](const Rec &, const Rec &) { return 0; }},
        {"NOME", "NOME", {}, [](const Rec &a, const Rec &b) { return cmpName(a.nome, b.nome, false); }},
        {"CODIGO", "CODIGO", {}, [](const Rec &a, const Rec &b) { return cmpOpt(a.codigo, b.codigo); }},
        {"CODIGO_NOME", "CODIGO;NOME", {},
         [](const Rec &a, const Rec &b) {
             const int c = cmpOpt(a.codigo, b.codigo);
             return c ? c : cmpName(a.nome, b.nome, false);
         }},
        {"NOME_DESC", "NOME", ixDescending, [](const Rec &a, const Rec &b) { return -cmpName(a.nome, b.nome, false); }},
        {"NOME_CI", "NOME", ixCaseInsensitive, [](const Rec &a, const Rec &b) { return cmpName(a.nome, b.nome, true); }},
        {"PRECO", "PRECO", {}, [](const Rec &a, const Rec &b) { return cmpOpt(a.preco, b.preco); }},
    };
    return list;
}

const QStringList kNames = {QStringLiteral("Café"),         QStringLiteral("café com leite"), QStringLiteral("CAFÉ"),
                            QStringLiteral("Caipirinha"),   QStringLiteral("Çaipira"),        QStringLiteral("çanga"),
                            QStringLiteral("Cachaça"),      QStringLiteral("caldo verde"),    QStringLiteral("Bolo"),
                            QStringLiteral("bolo de milho"), QStringLiteral("Água"),          QStringLiteral(""),
                            QStringLiteral("Bife_"),        QStringLiteral("100% suco"),     QStringLiteral("Chá")};

// The model: records in natural order, the view as ids, the cursor.
class Model {
public:
    std::vector<Rec> records;
    std::vector<int> view;
    int current = -1;
    bool bof = true, eof = true;
    const FilterCase *filter = nullptr; // nullptr: not filtered
    const OrderCase *order = &orders()[0];

    int naturalIndex(int id) const
    {
        for (size_t i = 0; i < records.size(); ++i)
            if (records[i].id == id)
                return int(i);
        return -1;
    }
    const Rec &rec(int id) const { return records[size_t(naturalIndex(id))]; }
    bool less(int a, int b) const
    {
        const int c = order->compare(rec(a), rec(b));
        return c ? c < 0 : naturalIndex(a) < naturalIndex(b);
    }
    void rebuild(bool keepCurrent)
    {
        const int keep = keepCurrent && current >= 0 ? view[size_t(current)] : -1;
        view.clear();
        for (const Rec &r : records)
            if (!filter || filter->passes(r))
                view.push_back(r.id);
        std::stable_sort(view.begin(), view.end(), [this](int a, int b) { return order->compare(rec(a), rec(b)) < 0; });
        current = view.empty() ? -1 : 0;
        if (keep >= 0) {
            const auto it = std::find(view.begin(), view.end(), keep);
            if (it != view.end())
                current = int(it - view.begin());
        }
        bof = current <= 0;
        eof = view.empty();
    }
    int sortedAt(int id) const
    {
        return int(std::lower_bound(view.begin(), view.end(), id, [this](int a, int b) { return less(a, b); })
                   - view.begin());
    }
};

void fill(TClientDataSet &ds, const Rec &r)
{
    ds.FieldByName(QStringLiteral("ID"))->setValue(r.id);
    ds.FieldByName(QStringLiteral("CODIGO"))->setValue(r.codigo ? QVariant(*r.codigo) : QVariant());
    ds.FieldByName(QStringLiteral("NOME"))->setValue(r.nome ? QVariant(*r.nome) : QVariant());
    ds.FieldByName(QStringLiteral("ATIVO"))->setValue(r.ativo);
    ds.FieldByName(QStringLiteral("PRECO"))->setValue(r.preco ? QVariant(*r.preco) : QVariant());
}

Rec randomRec(QRandomGenerator &rng, int id)
{
    Rec r;
    r.id = id;
    if (rng.bounded(8))
        r.codigo = int(rng.bounded(30));
    if (rng.bounded(10))
        r.nome = kNames[int(rng.bounded(qsizetype(kNames.size())))] + (rng.bounded(2) ? QString() : QString::number(rng.bounded(3)));
    r.ativo = rng.bounded(3) ? QStringLiteral("S") : QStringLiteral("N");
    if (rng.bounded(6))
        r.preco = double(rng.bounded(4000)) / 100.0;
    return r;
}

// Text fields whose names SQLite reads its own way: NULL (the value unless
// quoted), a keyword that needs quotes, words that name a field once one
// exists (KEY, TRUE), a space, a $.
const QStringList kOddFields = {QStringLiteral("NULL"), QStringLiteral("Order"), QStringLiteral("Key"),
                                QStringLiteral("True"), QStringLiteral("Nome Produto"), QStringLiteral("X$Y")};

QVariantList randomOdd(QRandomGenerator &rng)
{
    QVariantList values;
    for (qsizetype i = 0; i < kOddFields.size(); ++i)
        values << (rng.bounded(6) ? QVariant(kNames[int(rng.bounded(qsizetype(kNames.size())))]) : QVariant());
    return values;
}

void fillOdd(TClientDataSet &ds, const QVariantList &values)
{
    for (qsizetype i = 0; i < kOddFields.size(); ++i)
        ds.FieldByName(kOddFields[i])->setValue(values[i]);
}

// Appends records numbered first..last in the first field.
void appendNumbers(TClientDataSet &ds, int first, int last)
{
    for (int i = first; i <= last; ++i) {
        ds.Append();
        ds.Fields(0)->setValue(i);
        ds.Post();
    }
}

void defineFields(TClientDataSet &ds)
{
    ds.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("CODIGO"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("NOME"), ftString, 40);
    ds.FieldDefs().Add(QStringLiteral("ATIVO"), ftString, 1);
    ds.FieldDefs().Add(QStringLiteral("PRECO"), ftFloat);
}

QString describe(const Model &m, const TClientDataSet &ds)
{
    QStringList got, want;
    for (int i = 0; i < ds.RecordCount(); ++i)
        got << ds.viewValue(i, 0).toString();
    for (int id : m.view)
        want << QString::number(id);
    return QStringLiteral("want [%1] cur %2 / got [%3] cur %4")
        .arg(want.join(u','))
        .arg(m.current)
        .arg(got.join(u','))
        .arg(ds.currentRow());
}

// The first difference between model and dataset, or an empty string.
QString difference(const Model &m, const TClientDataSet &ds)
{
    if (ds.RecordCount() != int(m.view.size()))
        return QStringLiteral("record count: ") + describe(m, ds);
    for (int i = 0; i < ds.RecordCount(); ++i)
        if (ds.viewValue(i, 0).toInt() != m.view[size_t(i)])
            return QStringLiteral("view row %1: ").arg(i) + describe(m, ds);
    if (ds.currentRow() != m.current || ds.RecNo() != m.current + 1)
        return QStringLiteral("current record: ") + describe(m, ds);
    if (m.current >= 0 && ds.FieldByName(QStringLiteral("ID"))->Value().toInt() != m.view[size_t(m.current)])
        return QStringLiteral("current field values");
    if (ds.Bof() != m.bof || ds.Eof() != m.eof)
        return QStringLiteral("Bof/Eof: want %1/%2, got %3/%4").arg(m.bof).arg(m.eof).arg(ds.Bof()).arg(ds.Eof());
    if (ds.IsEmpty() != m.view.empty())
        return QStringLiteral("IsEmpty");
    return {};
}

} // namespace

class TestClientDataSet : public QObject {
    Q_OBJECT

private slots:
    void structure();
    void fieldErrors();
    void valueConversion_data();
    void valueConversion();
    void cursorAtEnds();
    void insertPlacesBeforeCurrent();
    void postKeepsRecordCurrentUnderFilter();
    void deleteMovesToFollowingThenPreceding();
    void requiredField();
    void filteredOffAndOnReapplies();
    void indexDefs();
    void signalsForControls();
    void alphabeticalOrder_data();
    void alphabeticalOrder();
    void firstRowsBeforeTheOrder_data();
    void firstRowsBeforeTheOrder();
    void referenceModel_data();
    void referenceModel();
    void fastPathMatchesSqlite_data();
    void fastPathMatchesSqlite();
};

void TestClientDataSet::structure()
{
    TClientDataSet ds;
    QVERIFY(!ds.Active());
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.CreateDataSet());
    defineFields(ds);
    ds.CreateDataSet();
    QVERIFY(ds.Active());
    QCOMPARE(ds.FieldCount(), 5);
    QCOMPARE(ds.Fields(2)->FieldName(), QStringLiteral("NOME"));
    QCOMPARE(ds.FieldByName(QStringLiteral("nome")), ds.Fields(2));
    QCOMPARE(ds.Fields(2)->Size(), 40);
    QCOMPARE(ds.Fields(2)->DisplayLabel(), QStringLiteral("NOME"));
    ds.Fields(2)->setDisplayLabel(QStringLiteral("Descrição"));
    QCOMPARE(ds.Fields(2)->DisplayLabel(), QStringLiteral("Descrição"));
    QVERIFY(!ds.Fields(0)->Required());
    QVERIFY(ds.Fields(3)->Visible());
    QVERIFY(ds.FindField(QStringLiteral("NADA")) == nullptr);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.FieldByName(QStringLiteral("NADA")));
    QVERIFY_THROWS_EXCEPTION(EListError, ds.Fields(5));
    QVERIFY(ds.IsEmpty());
    QCOMPARE(ds.RecNo(), 0);
    QVERIFY(ds.Fields(2)->Value().isNull()); // no current record
}

void TestClientDataSet::fieldErrors()
{
    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("A"), ftString, 3);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.FieldDefs().Add(QStringLiteral("a"), ftInteger));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.FieldDefs().Add(QStringLiteral("_pos"), ftInteger));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.FieldDefs().Add(QStringLiteral("rowid"), ftInteger));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.FieldDefs().Add(QString(), ftInteger));
    ds.CreateDataSet();
    // Writing outside edit state, too long, a value that does not convert.
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Fields(0)->setValue(QStringLiteral("x")));
    ds.Append();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Fields(0)->setValue(QStringLiteral("abcd")));
    ds.Fields(0)->setValue(QStringLiteral("abc"));
    ds.Post();
    QCOMPARE(ds.Fields(0)->AsString(), QStringLiteral("abc"));
}

void TestClientDataSet::valueConversion_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("string") << int(ftString) << QVariant(QStringLiteral("Pão de queijo")) << QVariant(QStringLiteral("Pão de queijo")) << QStringLiteral("Pão de queijo");
    QTest::newRow("empty string is not null") << int(ftString) << QVariant(QStringLiteral("")) << QVariant(QStringLiteral("")) << QString();
    QTest::newRow("integer from text") << int(ftInteger) << QVariant(QStringLiteral(" 42 ")) << QVariant(42) << QStringLiteral("42");
    QTest::newRow("integer from whole double") << int(ftInteger) << QVariant(7.0) << QVariant(7) << QStringLiteral("7");
    QTest::newRow("largeint") << int(ftLargeint) << QVariant(qlonglong(9007199254740993LL)) << QVariant(qlonglong(9007199254740993LL)) << QStringLiteral("9007199254740993");
    QTest::newRow("float with comma") << int(ftFloat) << QVariant(QStringLiteral("1,25")) << QVariant(1.25) << QStringLiteral("1,25");
    QTest::newRow("currency rounds to 4 places") << int(ftCurrency) << QVariant(12.345678) << QVariant(12.3457) << QStringLiteral("12,35");
    QTest::newRow("boolean") << int(ftBoolean) << QVariant(true) << QVariant(true) << QStringLiteral("True");
    QTest::newRow("boolean from 0") << int(ftBoolean) << QVariant(0) << QVariant(false) << QStringLiteral("False");
    QTest::newRow("date") << int(ftDate) << QVariant(QDate(2024, 2, 29)) << QVariant(QDate(2024, 2, 29)) << QStringLiteral("29/02/2024");
    QTest::newRow("date from text") << int(ftDate) << QVariant(QStringLiteral("31/12/1999")) << QVariant(QDate(1999, 12, 31)) << QStringLiteral("31/12/1999");
    QTest::newRow("time") << int(ftTime) << QVariant(QTime(13, 5, 9, 250)) << QVariant(QTime(13, 5, 9, 250)) << QStringLiteral("13:05:09");
    // A local date-time keeps its wall clock, read back without a zone (as UTC).
    QTest::newRow("datetime") << int(ftDateTime) << QVariant(QDateTime(QDate(2023, 1, 2), QTime(3, 4, 5))) << QVariant(QDateTime(QDate(2023, 1, 2), QTime(3, 4, 5), QTimeZone::utc())) << QStringLiteral("02/01/2023 03:04:05");
    QTest::newRow("memo") << int(ftMemo) << QVariant(QStringLiteral("linha 1\nlinha 2")) << QVariant(QStringLiteral("linha 1\nlinha 2")) << QStringLiteral("linha 1\nlinha 2");
    QTest::newRow("null") << int(ftInteger) << QVariant() << QVariant() << QString();
}

void TestClientDataSet::valueConversion()
{
    QFETCH(int, type);
    QFETCH(QVariant, input);
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("F"), TFieldType(type));
    ds.CreateDataSet();
    ds.Append();
    ds.Fields(0)->setValue(input);
    ds.Post();
    const QVariant got = ds.Fields(0)->Value();
    QCOMPARE(got.isNull(), value.isNull());
    if (!value.isNull()) {
        QCOMPARE(got.typeId(), value.typeId());
        QCOMPARE(got, value);
    }
    QCOMPARE(ds.Fields(0)->AsString(), text);
    // And back through AsString.
    if (!text.isEmpty() && type != ftTime && type != ftCurrency) {
        ds.Edit();
        ds.Fields(0)->setAsString(text);
        ds.Post();
        QCOMPARE(ds.Fields(0)->AsString(), text);
    }
}

void TestClientDataSet::cursorAtEnds()
{
    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("N"), ftInteger);
    ds.CreateDataSet();
    QVERIFY(ds.Bof() && ds.Eof());
    appendNumbers(ds, 1, 3);
    ds.First();
    QVERIFY(ds.Bof() && !ds.Eof());
    ds.Prior(); // stays put at the first record
    QCOMPARE(ds.Fields(0)->Value().toInt(), 1);
    QVERIFY(ds.Bof());
    QList<int> seen;
    while (!ds.Eof()) {
        seen << ds.Fields(0)->Value().toInt();
        ds.Next();
    }
    QCOMPARE(seen, (QList<int>{1, 2, 3}));
    QCOMPARE(ds.Fields(0)->Value().toInt(), 3); // stays put at the last record
    ds.Last();
    QVERIFY(ds.Eof() && !ds.Bof());
    ds.setRecNo(2);
    QCOMPARE(ds.Fields(0)->Value().toInt(), 2);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.setRecNo(4));
    QCOMPARE(ds.RecNo(), 2);
}

void TestClientDataSet::insertPlacesBeforeCurrent()
{
    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("N"), ftInteger);
    ds.CreateDataSet();
    // Each insert lands before the current record and becomes current, so
    // moving items in one after the other leaves the last one first.
    for (int i = 1; i <= 60; ++i) { // enough to use up the gap between positions
        ds.Insert();
        ds.Fields(0)->setValue(i);
        ds.Post();
        QCOMPARE(ds.RecNo(), 1);
        QCOMPARE(ds.Fields(0)->Value().toInt(), i);
    }
    ds.setRecNo(30);
    const int at30 = ds.Fields(0)->Value().toInt();
    ds.Insert();
    ds.Fields(0)->setValue(1000);
    ds.Post();
    QCOMPARE(ds.RecNo(), 30);
    ds.Next();
    QCOMPARE(ds.Fields(0)->Value().toInt(), at30);
    // Hundreds of inserts at one place use up the room between two
    // positions many times over; the order must hold throughout.
    ds.setRecNo(30);
    for (int i = 0; i < 300; ++i) {
        ds.Insert();
        ds.Fields(0)->setValue(2000 + i);
        ds.Post();
        QCOMPARE(ds.RecNo(), 30);
    }
    for (int i = 0; i < 300; ++i) {
        QCOMPARE(ds.Fields(0)->Value().toInt(), 2299 - i);
        ds.Next();
    }
    QCOMPARE(ds.Fields(0)->Value().toInt(), 1000);
    ds.Next();
    QCOMPARE(ds.Fields(0)->Value().toInt(), at30);
    for (int i = 0; i < 300; ++i) {
        ds.setRecNo(30);
        ds.Delete();
    }
    // The natural order survives a packet round trip.
    TClientDataSet copy;
    copy.setData(ds.Data());
    copy.setRecNo(30);
    QCOMPARE(copy.Fields(0)->Value().toInt(), 1000);
    QCOMPARE(copy.RecordCount(), 61);
}

void TestClientDataSet::postKeepsRecordCurrentUnderFilter()
{
    TClientDataSet ds;
    defineFields(ds);
    ds.CreateDataSet();
    for (const char *name : {"Bolo", "Café", "Caldo", "Chá"}) {
        ds.Append();
        ds.FieldByName(QStringLiteral("ID"))->setValue(ds.RecordCount() + 1);
        ds.FieldByName(QStringLiteral("NOME"))->setValue(QString::fromUtf8(name));
        ds.Post();
    }
    ds.IndexDefs().Add(QStringLiteral("NOME"), QStringLiteral("NOME"));
    ds.setIndexName(QStringLiteral("NOME"));
    ds.setFilter(QStringLiteral("UPPER(NOME) LIKE 'CA%'"));
    ds.setFiltered(true);
    QCOMPARE(ds.RecordCount(), 2);
    // A record moved in as the list dialog does: an empty record first,
    // then one field at a time. It never passes the filter on the way, yet
    // it stays current and is the one edited each time.
    ds.Insert();
    ds.Post();
    QCOMPARE(ds.RecordCount(), 3);
    ds.Edit();
    ds.FieldByName(QStringLiteral("ID"))->setValue(9);
    ds.Post();
    ds.Edit();
    ds.FieldByName(QStringLiteral("NOME"))->setValue(QStringLiteral("Bife"));
    ds.Post();
    QCOMPARE(ds.FieldByName(QStringLiteral("ID"))->Value().toInt(), 9);
    QCOMPARE(ds.RecNo(), 1); // "Bife" sorts before "Café"
    // The next filter change computes the view anew.
    ds.setFiltered(false);
    ds.setFiltered(true);
    QCOMPARE(ds.RecordCount(), 2);
}

void TestClientDataSet::deleteMovesToFollowingThenPreceding()
{
    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("N"), ftInteger);
    ds.CreateDataSet();
    appendNumbers(ds, 1, 3);
    ds.setRecNo(2);
    ds.Delete();
    QCOMPARE(ds.Fields(0)->Value().toInt(), 3);
    ds.Delete();
    QCOMPARE(ds.Fields(0)->Value().toInt(), 1);
    ds.Delete();
    QVERIFY(ds.IsEmpty());
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Delete());
}

// A required field refuses a Post without its value, and a field cannot
// become required while a record, shown or filtered out, holds no value in it.
void TestClientDataSet::requiredField()
{
    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("ID"), ftInteger, 0, true);
    ds.FieldDefs().Add(QStringLiteral("NOME"), ftString, 10);
    ds.CreateDataSet();
    ds.Insert();
    try {
        ds.Post();
        QFAIL("Post of a record without its required field");
    } catch (const EDatabaseError &e) {
        QVERIFY(e.Message().contains(QLatin1String("ID")));
    }
    QCOMPARE(ds.State(), dsInsert);
    QVERIFY(ds.IsEmpty() || ds.RecordCount() == 0);
    ds.Cancel();
    QCOMPARE(ds.RecordCount(), 0);

    appendNumbers(ds, 1, 2);
    ds.Edit();
    ds.FieldByName(QStringLiteral("NOME"))->setValue(QStringLiteral("Bolo"));
    ds.Post();
    ds.setFilter(QStringLiteral("NOME IS NOT NULL"));
    ds.setFiltered(true);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.FieldByName(QStringLiteral("NOME"))->setRequired(true));
    QVERIFY(!ds.FieldByName(QStringLiteral("NOME"))->Required());
    TClientDataSet copy;
    copy.setData(ds.Data());
    QVERIFY(!copy.FieldByName(QStringLiteral("NOME"))->Required());
    // Once every record holds a value it can.
    ds.setFiltered(false);
    ds.First();
    ds.Edit();
    ds.FieldByName(QStringLiteral("NOME"))->setValue(QStringLiteral("Café"));
    ds.Post();
    ds.FieldByName(QStringLiteral("NOME"))->setRequired(true);
    QVERIFY(ds.FieldByName(QStringLiteral("NOME"))->Required());
}

void TestClientDataSet::filteredOffAndOnReapplies()
{
    TClientDataSet ds;
    defineFields(ds);
    ds.CreateDataSet();
    for (int i = 0; i < 5; ++i) {
        ds.Append();
        ds.FieldByName(QStringLiteral("ID"))->setValue(i);
        ds.FieldByName(QStringLiteral("ATIVO"))->setValue(i % 2 ? QStringLiteral("S") : QStringLiteral("N"));
        ds.Post();
    }
    ds.setFilter(QStringLiteral("ATIVO = 'S'"));
    QCOMPARE(ds.RecordCount(), 5); // filter text alone does nothing
    ds.setFiltered(true);
    QCOMPARE(ds.RecordCount(), 2);
    ds.Last();
    // Records changed behind the view come in when the filter is applied anew.
    ds.Edit();
    ds.FieldByName(QStringLiteral("ATIVO"))->setValue(QStringLiteral("N"));
    ds.Post();
    QCOMPARE(ds.RecordCount(), 2); // posted record stays
    ds.setFiltered(false);
    QCOMPARE(ds.RecordCount(), 5);
    ds.setFiltered(true);
    QCOMPARE(ds.RecordCount(), 1);
    QCOMPARE(ds.RecNo(), 1);
    ds.setFilter(QString());
    QCOMPARE(ds.RecordCount(), 5);
}

void TestClientDataSet::indexDefs()
{
    TClientDataSet ds;
    defineFields(ds);
    ds.CreateDataSet();
    for (int i = 0; i < 4; ++i) {
        ds.Append();
        ds.FieldByName(QStringLiteral("ID"))->setValue(i);
        ds.FieldByName(QStringLiteral("CODIGO"))->setValue(10 - i);
        ds.Post();
    }
    ds.IndexDefs().Add(QStringLiteral("ID"), QStringLiteral("ID"));
    ds.IndexDefs().Add(QStringLiteral("CODIGO"), QStringLiteral("CODIGO"));
    QCOMPARE(ds.IndexDefs().Count(), 2);
    QCOMPARE(ds.IndexDefs().Items(1).Name(), QStringLiteral("CODIGO"));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.IndexDefs().Add(QStringLiteral("codigo"), QStringLiteral("ID")));
    QVERIFY_THROWS_EXCEPTION(EListError, ds.IndexDefs().Delete(2));
    ds.setIndexName(QStringLiteral("CODIGO"));
    QCOMPARE(ds.IndexName(), QStringLiteral("CODIGO"));
    ds.First();
    QCOMPARE(ds.FieldByName(QStringLiteral("ID"))->Value().toInt(), 3);
    ds.Next(); // ID 2 current; it stays current when the order changes
    ds.setIndexName(QStringLiteral("ID"));
    QCOMPARE(ds.FieldByName(QStringLiteral("ID"))->Value().toInt(), 2);
    QCOMPARE(ds.RecNo(), 3);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.setIndexName(QStringLiteral("NADA")));
    QCOMPARE(ds.IndexName(), QStringLiteral("ID"));
    ds.IndexDefs().Add(QStringLiteral("BAD"), QStringLiteral("NADA"));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.setIndexName(QStringLiteral("BAD")));
    // Deleting every definition, as the search dialog does, returns to the natural order.
    while (ds.IndexDefs().Count() > 0)
        ds.IndexDefs().Delete(0);
    QCOMPARE(ds.IndexName(), QString());
    ds.First();
    QCOMPARE(ds.FieldByName(QStringLiteral("ID"))->Value().toInt(), 0);
}

void TestClientDataSet::signalsForControls()
{
    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("N"), ftInteger);
    ds.CreateDataSet();
    QSignalSpy inserted(&ds, &TClientDataSet::rowInserted);
    QSignalSpy removed(&ds, &TClientDataSet::rowRemoved);
    QSignalSpy current(&ds, &TClientDataSet::currentChanged);
    QSignalSpy reset(&ds, &TClientDataSet::viewReset);
    appendNumbers(ds, 0, 2);
    QCOMPARE(inserted.count(), 3);
    QCOMPARE(inserted.last().at(0).toInt(), 2);
    QCOMPARE(current.last().at(0).toInt(), 2);
    ds.First();
    QCOMPARE(current.last().at(0).toInt(), 0);
    const int moves = int(current.count());
    ds.First(); // no move, no signal
    QCOMPARE(current.count(), moves);
    ds.Delete();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.last().at(0).toInt(), 0);
    ds.setFilter(QStringLiteral("N > 1"));
    ds.setFiltered(true);
    QVERIFY(reset.count() >= 1);

    // Disabled, nested: the steps of a filter change, a move, an insert
    // and a delete reach the controls as one reset and one move, at the end.
    const auto counts = [&] { return QList<qsizetype>{inserted.count(), removed.count(), current.count(), reset.count()}; };
    const QList<qsizetype> before = counts();
    ds.DisableControls();
    ds.DisableControls();
    ds.setFilter(QStringLiteral("N >= 0"));
    ds.setFiltered(false);
    ds.setFiltered(true);
    ds.Last();
    appendNumbers(ds, 5, 6);
    ds.First();
    ds.Delete();
    ds.EnableControls();
    QCOMPARE(counts(), before);
    ds.EnableControls();
    QCOMPARE(counts(), (QList<qsizetype>{before[0], before[1], before[2] + 1, before[3] + 1}));
    QCOMPARE(current.last().at(0).toInt(), ds.currentRow());
    ds.EnableControls(); // one too many: nothing
    ds.DisableControls();
    ds.Next();
    ds.EnableControls(); // a move alone is told as a move
    QCOMPARE(counts(), (QList<qsizetype>{before[0], before[1], before[2] + 2, before[3] + 1}));
}

void TestClientDataSet::firstRowsBeforeTheOrder_data()
{
    QTest::addColumn<QString>("fields");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("filter");
    QTest::newRow("name") << "NOME" << 0 << "";
    QTest::newRow("name, case-insensitive") << "NOME" << int(ixCaseInsensitive) << "";
    QTest::newRow("name, descending") << "NOME" << int(ixDescending) << "";
    QTest::newRow("group and name") << "GRUPO;NOME" << 0 << "";
    QTest::newRow("name, searched") << "NOME" << 0 << "UPPER(NOME) LIKE 'MESA%'";
    QTest::newRow("name, filtered by SQL") << "NOME" << int(ixCaseInsensitive) << "ID % 3 <> 0";
}

// Over many records, a new order's first rows are picked without the sort
// keys while the whole order is built: they, the current record's place
// and the record after it are those of the whole order.
void TestClientDataSet::firstRowsBeforeTheOrder()
{
    QFETCH(QString, fields);
    QFETCH(int, options);
    QFETCH(QString, filter);
    static const QByteArray json = [] {
        QRandomGenerator random(11);
        const QStringList parts{"Mesa ", "mesa ", "Café", "cafe", "CAFÉ", "Açaí", "acai", "Água", "2", "10", "02", " ", "Ç", "z"};
        QByteArray out = R"({"fields":[{"name":"ID","type":"integer"},{"name":"NOME","type":"string","size":40},)"
                         R"({"name":"GRUPO","type":"string","size":10}],"records":[)";
        for (int i = 0; i < 3000; ++i) {
            QString name;
            for (int n = 1 + random.bounded(3); n > 0; --n)
                name += parts[random.bounded(int(parts.size()))];
            const QByteArray nameJson = i % 97 == 0 ? QByteArray("null") : '"' + name.toUtf8() + '"';
            out += (i ? ",[" : "[") + QByteArray::number(i) + ',' + nameJson + ",\"" + parts[i % 4].toUtf8() + "\"]";
        }
        return out + "]}";
    }();
    TClientDataSet ds;
    ds.fromJson(json);
    ds.IndexDefs().Add(QStringLiteral("I"), fields, TIndexOptions(options));
    ds.setFilter(filter);
    ds.setFiltered(!filter.isEmpty());
    QVERIFY(ds.RecordCount() > int(db::RecordStore::firstRows));
    ds.setRecNo(ds.RecordCount() / 2);
    const int current = ds.Fields(0)->Value().toInt();
    ds.setIndexName(QStringLiteral("I"));
    QCOMPARE(ds.Fields(0)->Value().toInt(), current);
    const int recNo = ds.RecNo();
    QList<int> first;
    for (int r = 0; r < int(db::RecordStore::firstRows); ++r)
        first << ds.viewValue(r, 0).toInt();
    ds.Next();
    const int next = ds.Fields(0)->Value().toInt();
    QList<int> whole;
    for (int r = 0; r < ds.RecordCount(); ++r)
        whole << ds.viewValue(r, 0).toInt();
    QCOMPARE(first, whole.mid(0, first.size()));
    QCOMPARE(whole.value(recNo - 1), current);
    QCOMPARE(whole.value(recNo), next);
}

void TestClientDataSet::alphabeticalOrder_data()
{
    QTest::addColumn<int>("options");
    QTest::addColumn<QStringList>("names"); // natural order; "-" is NULL
    QTest::addColumn<QStringList>("expected");
    const auto list = [](const char *names) { return QString::fromUtf8(names).split(u'|'); };
    QTest::newRow("accents and case only break ties")
        << 0 << list("Zebra cake|X-tudo|Azeitonas temperadas|Çebola|Água tônica|abacate|Açaí 300 ml|zabaione")
        << list("abacate|Açaí 300 ml|Água tônica|Azeitonas temperadas|Çebola|X-tudo|zabaione|Zebra cake");
    QTest::newRow("accent before case") << 0 << list("Café|cafe|café|Cafe") << list("cafe|Cafe|café|Café");
    QTest::newRow("numbers by value") << 0 << list("Mesa 10|Mesa 2|Mesa 1|Mesa 02") << list("Mesa 1|Mesa 2|Mesa 02|Mesa 10");
    QTest::newRow("NULL first, equal in natural order")
        << 0 << list("pão|-|Pão|pão|") << list("-||pão|pão|Pão");
    QTest::newRow("descending") << int(ixDescending) << list("b|Á|a|-") << list("b|Á|a|-");
    QTest::newRow("case-insensitive: case ties in natural order")
        << int(ixCaseInsensitive) << list("Bolo|bolo|BOLO|bóla|Bola") << list("Bola|bóla|Bolo|bolo|BOLO");
}

void TestClientDataSet::alphabeticalOrder()
{
    QFETCH(int, options);
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("NOME"), ftString, 40);
    ds.IndexDefs().Add(QStringLiteral("NOME"), QStringLiteral("NOME"), TIndexOptions(options));
    ds.CreateDataSet();
    // Half the records before the order is first used, half after: the kept
    // order takes each new record to its place.
    auto append = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            ds.Append();
            ds.Fields(0)->setValue(int(i));
            ds.Fields(1)->setValue(names[i] == u'-' ? QVariant() : QVariant(names[i]));
            ds.Post();
        }
    };
    append(0, names.size() / 2);
    ds.setIndexName(QStringLiteral("NOME"));
    append(names.size() / 2, names.size());
    QStringList got;
    QList<int> ids;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        got << (ds.Fields(1)->Value().isNull() ? QStringLiteral("-") : ds.Fields(1)->AsString());
        ids << ds.Fields(0)->Value().toInt();
    }
    QCOMPARE(got, expected);
    for (qsizetype i = 1; i < got.size(); ++i)
        if (got[i] == got[i - 1])
            QVERIFY2(ids[i] > ids[i - 1], "equal names in natural order");
}

void TestClientDataSet::referenceModel_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("fastPath");
    for (quint32 seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        QTest::addRow("seed %u fast", seed) << seed << true;
        QTest::addRow("seed %u sqlite", seed) << seed << false;
    }
}

void TestClientDataSet::referenceModel()
{
    QFETCH(quint32, seed);
    QFETCH(bool, fastPath);
    QRandomGenerator rng(seed);
    TClientDataSet ds;
    setFastPath(ds, fastPath);
    defineFields(ds);
    for (const OrderCase &o : orders())
        if (*o.name)
            ds.IndexDefs().Add(QLatin1String(o.name), QLatin1String(o.fields), o.options);
    ds.CreateDataSet();
    Model m;
    int nextId = 1;
    for (int i = 0; i < 120; ++i) {
        const Rec r = randomRec(rng, nextId++);
        ds.Append();
        fill(ds, r);
        ds.Post();
        m.records.push_back(r);
    }
    m.rebuild(false);
    ds.First();

    for (int step = 0; step < 400; ++step) {
        QString op;
        switch (rng.bounded(14)) {
        case 0: {
            const FilterCase &f = filters()[size_t(rng.bounded(qsizetype(filters().size())))];
            op = QStringLiteral("filter %1").arg(QString::fromUtf8(f.text));
            ds.setFilter(QString::fromUtf8(f.text));
            ds.setFiltered(false);
            ds.setFiltered(true);
            m.filter = QByteArray(f.text).isEmpty() ? nullptr : &f;
            m.rebuild(false);
            break;
        }
        case 1:
            op = QStringLiteral("unfiltered");
            if (ds.Filtered()) {
                ds.setFiltered(false);
                m.filter = nullptr;
                m.rebuild(false);
            }
            break;
        case 2: {
            const OrderCase &o = orders()[size_t(rng.bounded(qsizetype(orders().size())))];
            op = QStringLiteral("order %1").arg(QLatin1String(o.name));
            ds.setIndexName(QLatin1String(o.name));
            if (m.order != &o) {
                m.order = &o;
                m.rebuild(true);
            }
            break;
        }
        case 3:
            op = QStringLiteral("First");
            ds.First();
            m.current = m.view.empty() ? -1 : 0;
            m.bof = true;
            m.eof = m.view.empty();
            break;
        case 4:
            op = QStringLiteral("Last");
            ds.Last();
            m.current = int(m.view.size()) - 1;
            m.bof = m.view.empty();
            m.eof = true;
            break;
        case 5:
        case 6:
            op = QStringLiteral("Next");
            ds.Next();
            if (m.current + 1 < int(m.view.size())) {
                ++m.current;
                m.bof = m.eof = false;
            } else {
                m.eof = true;
            }
            break;
        case 7:
            op = QStringLiteral("Prior");
            ds.Prior();
            if (m.current > 0) {
                --m.current;
                m.bof = m.eof = false;
            } else {
                m.bof = true;
            }
            break;
        case 8:
        case 9: {
            const bool append = rng.bounded(3) == 0;
            const Rec r = randomRec(rng, nextId++);
            op = QStringLiteral("%1 %2").arg(append ? QStringLiteral("Append") : QStringLiteral("Insert")).arg(r.id);
            const int before = append || m.current < 0 ? -1 : m.view[size_t(m.current)];
            append ? ds.Append() : ds.Insert();
            fill(ds, r);
            ds.Post();
            const int at = before < 0 ? int(m.records.size()) : m.naturalIndex(before);
            m.records.insert(m.records.begin() + at, r);
            const int pos = m.sortedAt(r.id);
            m.view.insert(m.view.begin() + pos, r.id);
            m.current = pos;
            m.bof = m.eof = false;
            break;
        }
        case 10:
        case 11: {
            op = QStringLiteral("Edit");
            if (m.view.empty())
                break;
            Rec r = m.rec(m.view[size_t(m.current)]);
            const Rec other = randomRec(rng, r.id);
            r.nome = other.nome;
            if (rng.bounded(2))
                r.codigo = other.codigo;
            r.ativo = other.ativo;
            ds.Edit();
            fill(ds, r);
            if (rng.bounded(5) == 0) {
                op += QStringLiteral(" cancelled");
                ds.Cancel();
                break;
            }
            ds.Post();
            m.records[size_t(m.naturalIndex(r.id))] = r;
            m.view.erase(m.view.begin() + m.current);
            m.current = m.sortedAt(r.id);
            m.view.insert(m.view.begin() + m.current, r.id);
            m.bof = m.eof = false;
            break;
        }
        case 12:
        case 13: {
            op = QStringLiteral("Delete");
            if (m.view.empty())
                break;
            ds.Delete();
            const int id = m.view[size_t(m.current)];
            m.records.erase(m.records.begin() + m.naturalIndex(id));
            m.view.erase(m.view.begin() + m.current);
            if (m.current >= int(m.view.size()))
                m.current = int(m.view.size()) - 1;
            m.bof = m.eof = m.view.empty();
            break;
        }
        }
        const QString diff = difference(m, ds);
        if (!diff.isEmpty())
            QFAIL(qPrintable(QStringLiteral("step %1 (%2): %3").arg(step).arg(op, diff)));
    }
}

void TestClientDataSet::fastPathMatchesSqlite_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("index");
    QTest::newRow("name, no base, natural") << QString() << QStringLiteral("NOME") << QString();
    QTest::newRow("name, base, by name") << QStringLiteral("ATIVO = 'S'") << QStringLiteral("NOME") << QStringLiteral("NOME");
    QTest::newRow("name, base with OR, by code") << QStringLiteral("(ATIVO = 'S' OR CODIGO < 10)") << QStringLiteral("nome") << QStringLiteral("CODIGO");
    QTest::newRow("code, base, by name") << QStringLiteral("PRECO > 10") << QStringLiteral("CODIGO") << QStringLiteral("NOME");
    QTest::newRow("quoted name, base, by code") << QStringLiteral("NOT ATIVO = 'N'") << QStringLiteral("\"NOME\"") << QStringLiteral("CODIGO");
    QTest::newRow("price falls back to SQLite") << QStringLiteral("ATIVO = 'S'") << QStringLiteral("PRECO") << QStringLiteral("PRECO");
    QTest::newRow("NULL is the value") << QString() << QStringLiteral("NULL") << QString();
    QTest::newRow("quoted NULL is the field") << QStringLiteral("ATIVO = 'S'") << QStringLiteral("\"NULL\"") << QStringLiteral("NOME");
    QTest::newRow("quoted keyword") << QStringLiteral("CODIGO > 0") << QStringLiteral("\"order\"") << QString();
    QTest::newRow("keyword naming a field") << QString() << QStringLiteral("KEY") << QStringLiteral("CODIGO");
    QTest::newRow("true names the field") << QStringLiteral("ATIVO = 'N'") << QStringLiteral("true") << QString();
    QTest::newRow("bracketed name with a space") << QString() << QStringLiteral("[nome produto]") << QStringLiteral("NOME");
    QTest::newRow("back-quoted NULL") << QStringLiteral("PRECO > 10") << QStringLiteral("`Null`") << QString();
    QTest::newRow("name with $") << QString() << QStringLiteral("x$Y") << QStringLiteral("CODIGO");
    QTest::newRow("hex number, then a comment") << QStringLiteral("0xe--") << QStringLiteral("NOME") << QString();
    QTest::newRow("base ends in a comment") << QStringLiteral("ATIVO = 'S' -- note\n") << QStringLiteral("NOME") << QStringLiteral("NOME");
    // What the grid shows of a price, a date, a date and time; a name without accents.
    QTest::newRow("price as shown") << QStringLiteral("ATIVO = 'S'") << QStringLiteral("ASSTRING(PRECO, 'float')") << QStringLiteral("PRECO");
    QTest::newRow("currency as shown") << QString() << QStringLiteral("ASSTRING(VALOR, 'currency')") << QStringLiteral("NOME");
    QTest::newRow("date as shown") << QStringLiteral("CODIGO > 0") << QStringLiteral("ASSTRING(DATA, 'date')") << QString();
    QTest::newRow("date and time as shown") << QString() << QStringLiteral("ASSTRING(QUANDO, 'datetime')") << QStringLiteral("CODIGO");
    QTest::newRow("shown as another type") << QString() << QStringLiteral("ASSTRING(DATA, 'currency')") << QString();
    QTest::newRow("name without accents") << QStringLiteral("ATIVO = 'S'") << QStringLiteral("UNACCENT(NOME)") << QStringLiteral("NOME");
}

void TestClientDataSet::fastPathMatchesSqlite()
{
    QFETCH(QString, base);
    QFETCH(QString, field);
    QFETCH(QString, index);
    QRandomGenerator rng(42);
    TClientDataSet fast, plain;
    setFastPath(plain, false);
    defineFields(fast);
    for (const QString &name : kOddFields)
        fast.FieldDefs().Add(name, ftString, 40);
    fast.FieldDefs().Add(QStringLiteral("VALOR"), ftCurrency);
    fast.FieldDefs().Add(QStringLiteral("DATA"), ftDate);
    fast.FieldDefs().Add(QStringLiteral("QUANDO"), ftDateTime);
    fast.CreateDataSet();
    auto fillShown = [&rng](TClientDataSet &ds) {
        const QDateTime when = QDateTime(QDate(2023, 12, 1), QTime(8, 0), QTimeZone::utc()).addSecs(rng.bounded(86400 * 90));
        const bool null = rng.bounded(8) == 0;
        ds.FieldByName(QStringLiteral("VALOR"))->setValue(null ? QVariant() : QVariant(rng.bounded(30000) / 1000.0));
        ds.FieldByName(QStringLiteral("DATA"))->setValue(null ? QVariant() : QVariant(when.date()));
        ds.FieldByName(QStringLiteral("QUANDO"))->setValue(null ? QVariant() : QVariant(when));
    };
    for (int i = 0; i < 1500; ++i) {
        Rec r = randomRec(rng, i + 1);
        if (r.codigo)
            r.codigo = *r.codigo * int(rng.bounded(1, 500)) - 200;
        fast.Append();
        fill(fast, r);
        fillOdd(fast, randomOdd(rng));
        fillShown(fast);
        fast.Post();
    }
    plain.setData(fast.Data());
    for (TClientDataSet *ds : {&fast, &plain}) {
        ds->IndexDefs().Add(QStringLiteral("NOME"), QStringLiteral("NOME"));
        ds->IndexDefs().Add(QStringLiteral("CODIGO"), QStringLiteral("CODIGO"));
        ds->IndexDefs().Add(QStringLiteral("PRECO"), QStringLiteral("PRECO"));
        ds->setIndexName(index);
    }
    const QStringList alphabet = {QStringLiteral("C"), QStringLiteral("A"), QStringLiteral("c"), QStringLiteral("Ç"),
                                  QStringLiteral("ç"), QStringLiteral("1"), QStringLiteral("-"), QStringLiteral("0"),
                                  QStringLiteral(" "), QStringLiteral("B"), QStringLiteral("É"), QStringLiteral("."),
                                  QStringLiteral("2"), QStringLiteral("/"), QStringLiteral(","), QStringLiteral("3")};
    auto compareViews = [&](const QString &filter) {
        for (TClientDataSet *ds : {&fast, &plain}) {
            ds->setFilter(filter);
            ds->setFiltered(false);
            ds->setFiltered(true);
        }
        QCOMPARE(fast.RecordCount(), plain.RecordCount());
        for (int r = 0; r < fast.RecordCount(); ++r)
            if (fast.viewValue(r, 0) != plain.viewValue(r, 0))
                QFAIL(qPrintable(QStringLiteral("%1: row %2 differs").arg(filter).arg(r)));
    };
    for (int round = 0; round < 150; ++round) {
        QString text;
        const int length = int(rng.bounded(4));
        for (int k = 0; k < length; ++k)
            text += alphabet[int(rng.bounded(qsizetype(alphabet.size())))];
        const QString filter = (base.isEmpty() ? QString() : base + QStringLiteral(" AND "))
                               + QStringLiteral("UPPER(%1) LIKE '%2%'").arg(field, text);
        compareViews(filter);
        if (QTest::currentTestFailed())
            return;
        if (round % 10 == 0) {
            // The kept orders and the cached base follow edits.
            for (TClientDataSet *ds : {&fast, &plain}) {
                ds->setFiltered(false);
                ds->setRecNo(1 + (round * 7) % ds->RecordCount());
            }
            const Rec r = randomRec(rng, 5000 + round);
            const QVariantList odd = randomOdd(rng);
            for (TClientDataSet *ds : {&fast, &plain}) {
                if (round % 20 == 0) {
                    ds->Delete();
                } else {
                    ds->Edit();
                    fill(*ds, r);
                    fillOdd(*ds, odd);
                    ds->Post();
                }
            }
            if (round % 20 == 10) {
                fast.Edit();
                fillShown(fast);
                fast.Post();
                plain.Edit();
                for (const char *f : {"VALOR", "DATA", "QUANDO"})
                    plain.FieldByName(QLatin1String(f))->setValue(fast.FieldByName(QLatin1String(f))->Value());
                plain.Post();
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestClientDataSet)
#include "tst_ClientDataSet.moc"
