// How field values are stored: the SQLite storage class of each field type,
// a stored value (Cell), and the conversions from and to QVariant and text.
// Dates and times are ISO text so that SQLite's date functions and text
// comparisons work on them; booleans are 0/1. A date-time is a wall-clock
// value without a zone: read back as a QDateTime in UTC with the same date
// and time, so that no machine time zone changes or refuses it.
#pragma once

#include <TouchDialogs/Fields.h>

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cmath>
#include <limits>
#include <vector>

namespace TouchDialogs::db {

enum class Storage : quint8 { Int, Real, Text };

Storage storageOf(TFieldType type);

struct Cell {
    enum Kind : quint8 { Null, Int, Real, Text };
    Kind kind = Null;
    qint64 i = 0;
    double r = 0;
    QByteArray text; // UTF-8

    static Cell ofInt(qint64 v)
    {
        Cell c;
        c.kind = Int;
        c.i = v;
        return c;
    }
    static Cell ofReal(double v)
    {
        Cell c;
        c.kind = Real;
        c.r = v;
        return c;
    }
    static Cell ofText(QByteArray v)
    {
        Cell c;
        c.kind = Text;
        c.text = std::move(v);
        return c;
    }
    bool operator==(const Cell &o) const
    {
        return kind == o.kind && i == o.i && (kind != Real || r == o.r) && text == o.text;
    }
};

struct FieldInfo {
    QString name;
    TFieldType type = ftString;
    int size = 0;
    bool required = false;
    bool visible = true;
    QString label; // empty: the name
    Storage storage = Storage::Text;
    QByteArray quoted; // SQL identifier
};

// The declared SQL type of a field's column.
QByteArray sqlType(TFieldType type, int size);

// Converts a variant to the value stored for a field. Raises EConvertError
// when it does not convert and EDatabaseError when a string is too long.
Cell toCell(const QVariant &value, const FieldInfo &field);
// The stored text form of a date, time or date-time.
QVariant toVariant(const Cell &cell, TFieldType type);
// AsString: decimal comma, dd/MM/yyyy dates, "" for null.
QString toDisplay(const Cell &cell, TFieldType type);
// Parses AsString's forms (and ISO forms) back.
Cell fromDisplay(const QString &text, const FieldInfo &field);
// A UTF-8 byte-order mark: skipped before a text, kept inside a value.
inline constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
// Stored UTF-8 as a string. QString::fromUtf8 drops a leading byte-order
// mark, which in a value is a character like any other.
QString textOf(QByteArrayView utf8);
// The text with the accents of its letters taken off (decomposed, the
// combining marks dropped): "Ç" gives "C", "é" gives "e". Case is kept.
QString unaccented(const QString &text);
// Whether a value read from a packet has the storage class and form its field needs.
bool conforms(const Cell &cell, const FieldInfo &field);

// What every dataset holds, whichever form it comes from (field definitions,
// JSON, packet): at most kMaxFields fields, names of at most kMaxNameLength
// characters, sizes up to kMaxFieldSize.
constexpr int kMaxFields = 500;
constexpr int kMaxNameLength = 128;
constexpr int kMaxFieldSize = 1000000;
// A currency holds four decimals within the range of a 64-bit count of
// ten-thousandths.
constexpr double kCurrencyLimit = 922337203685477.0;

// The whole number a double holds, when it is one a qint64 holds.
inline bool wholeNumber(double d, qint64 &v)
{
    if (!(d == std::floor(d) && d >= -9.2e18 && d <= 9.2e18))
        return false;
    v = qint64(d);
    return true;
}
// Whether a field of type integer (32 bits) or largeint holds v.
inline bool integerFits(qint64 v, TFieldType type)
{
    return type != ftInteger || (v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max());
}
// The currency stored for a number within the limit: rounded to four decimals.
inline double currencyRounded(double d) { return std::round(d * 10000.0) / 10000.0; }

// Why a field name cannot name a field, or empty when it can.
QString nameProblem(const QString &name);
// SQLite's own notion of the same name (ASCII letters fold), for duplicates.
QString nameKey(const QString &name);
// Why these fields cannot make a dataset, or empty when they can.
QString fieldsProblem(const std::vector<FieldInfo> &fields);

} // namespace TouchDialogs::db
