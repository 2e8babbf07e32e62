#include "platform/db/Values.h"
#include "platform/db/Columns.h"
#include "platform/rtl/Exceptions.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSet>
#include <QTime>
#include <QTimeZone>
#include <cmath>
#include <limits>

namespace TouchDialogs {

static const char *const kTypeNames[] = {"unknown", "string", "integer", "largeint", "float", "currency",
                                         "boolean", "date",    "time",    "datetime", "memo"};

QString fieldTypeName(TFieldType type)
{
    const int i = int(type);
    return QString::fromLatin1(i >= 0 && i <= int(ftMemo) ? kTypeNames[i] : kTypeNames[0]);
}

TFieldType fieldTypeFromName(const QString &name)
{
    for (int i = int(ftString); i <= int(ftMemo); ++i)
        if (name == QLatin1String(kTypeNames[i]))
            return TFieldType(i);
    return ftUnknown;
}

} // namespace TouchDialogs

namespace TouchDialogs::db {

namespace {

const QString kDate = QStringLiteral("yyyy-MM-dd");

QString timeText(QTime t)
{
    return t.toString(t.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

QTime parseTime(const QString &s)
{
    for (const char *format : {"HH:mm:ss.zzz", "HH:mm:ss", "HH:mm"}) {
        const QTime t = QTime::fromString(s, QLatin1String(format));
        if (t.isValid())
            return t;
    }
    return {};
}

QDate parseDate(const QString &s)
{
    for (const char *format : {"yyyy-MM-dd", "dd/MM/yyyy"}) {
        const QDate d = QDate::fromString(s, QLatin1String(format));
        if (d.isValid())
            return d;
    }
    return {};
}

// A date-time is the till's wall clock, with no zone. It is held as UTC so
// that the machine's zone never shifts it nor makes it invalid (a local time
// in a daylight-saving gap does not exist).
QDateTime wallClock(QDate d, QTime t)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return QDateTime(d, t, QTimeZone::UTC);
#else
    return QDateTime(d, t, Qt::UTC);
#endif
}

QDateTime parseDateTime(const QString &s)
{
    const QString t = s.trimmed();
    const int split = t.indexOf(QRegularExpression(QStringLiteral("[ T]")));
    if (split < 0) {
        const QDate d = parseDate(t);
        return d.isValid() ? wallClock(d, QTime(0, 0)) : QDateTime();
    }
    const QDate d = parseDate(t.left(split));
    const QTime tm = parseTime(t.mid(split + 1));
    return d.isValid() && tm.isValid() ? wallClock(d, tm) : QDateTime();
}

[[noreturn]] void notValid(const QVariant &value, const char *what, const FieldInfo &field)
{
    // Control characters shown escaped: a NUL would end the message in C.
    QString shown;
    for (const QChar c : value.toString())
        shown += c.unicode() < 0x20 ? QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')) : QString(c);
    throw EConvertError(QStringLiteral("'%1' is not a valid %2 value for field %3")
                            .arg(shown, QLatin1String(what), field.name));
}

bool isIntegral(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

qint64 toInteger(const QVariant &value, const FieldInfo &field, qint64 lo, qint64 hi)
{
    qint64 v = 0;
    bool ok = true;
    if (value.typeId() == QMetaType::Bool) {
        v = value.toBool() ? 1 : 0;
    } else if (value.typeId() == QMetaType::ULongLong || value.typeId() == QMetaType::ULong) {
        const quint64 u = value.toULongLong();
        ok = u <= quint64(std::numeric_limits<qint64>::max());
        v = qint64(u);
    } else if (isIntegral(value)) {
        v = value.toLongLong();
    } else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        ok = wholeNumber(value.toDouble(), v);
    } else if (value.canConvert<QString>()) {
        // Qt's conversion ends at a NUL: "12\0 34" would be taken as 12.
        const QString t = value.toString().trimmed();
        ok = !t.contains(QChar(0));
        v = ok ? t.toLongLong(&ok, 10) : 0;
    } else {
        ok = false;
    }
    if (!ok || v < lo || v > hi)
        notValid(value, "integer", field);
    return v;
}

double toReal(const QVariant &value, const FieldInfo &field)
{
    double d = 0;
    bool ok = true;
    if (value.typeId() == QMetaType::Bool) {
        d = value.toBool() ? 1 : 0;
    } else if (isIntegral(value) || value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        d = value.toDouble();
    } else if (value.canConvert<QString>()) {
        QString t = value.toString().trimmed();
        if (t.contains(u',') && !t.contains(u'.'))
            t.replace(u',', u'.');
        ok = !t.contains(QChar(0));
        d = ok ? t.toDouble(&ok) : 0;
    } else {
        ok = false;
    }
    if (!ok || !std::isfinite(d))
        notValid(value, "number", field);
    return d;
}

} // namespace

Storage storageOf(TFieldType type)
{
    switch (type) {
    case ftInteger:
    case ftLargeint:
    case ftBoolean:
        return Storage::Int;
    case ftFloat:
    case ftCurrency:
        return Storage::Real;
    default:
        return Storage::Text;
    }
}

QByteArray sqlType(TFieldType type, int size)
{
    switch (type) {
    case ftString:
        return size > 0 ? "VARCHAR(" + QByteArray::number(size) + ')' : QByteArray("VARCHAR");
    case ftInteger:
    case ftBoolean:
        return "INTEGER";
    case ftLargeint:
        return "BIGINT";
    case ftFloat:
    case ftCurrency:
        return "REAL";
    default: // dates and times as ISO text, memo
        return "TEXT";
    }
}

Cell toCell(const QVariant &value, const FieldInfo &field)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (field.type) {
    case ftString:
    case ftMemo: {
        const QString s = value.toString();
        if (field.type == ftString && field.size > 0 && s.size() > field.size)
            throw EDatabaseError(QStringLiteral("Value for field %1 is too long (%2 characters, at most %3)")
                                     .arg(field.name)
                                     .arg(s.size())
                                     .arg(field.size));
        return Cell::ofText(s.toUtf8());
    }
    case ftInteger:
        return Cell::ofInt(toInteger(value, field, std::numeric_limits<qint32>::min(),
                                     std::numeric_limits<qint32>::max()));
    case ftLargeint:
        return Cell::ofInt(toInteger(value, field, std::numeric_limits<qint64>::min(),
                                     std::numeric_limits<qint64>::max()));
    case ftBoolean: {
        if (value.typeId() == QMetaType::Bool)
            return Cell::ofInt(value.toBool() ? 1 : 0);
        if (isIntegral(value))
            return Cell::ofInt(value.toLongLong() != 0 ? 1 : 0);
        const QString t = value.toString().trimmed().toLower();
        if (t == QLatin1String("true") || t == QLatin1String("1"))
            return Cell::ofInt(1);
        if (t == QLatin1String("false") || t == QLatin1String("0"))
            return Cell::ofInt(0);
        notValid(value, "boolean", field);
    }
    case ftFloat:
        return Cell::ofReal(toReal(value, field));
    case ftCurrency: { // four decimals, like a fixed-point currency
        const double d = toReal(value, field);
        if (std::fabs(d) > kCurrencyLimit)
            notValid(value, "currency", field);
        return Cell::ofReal(currencyRounded(d));
    }
    case ftDate: {
        QDate d;
        if (value.typeId() == QMetaType::QDate)
            d = value.toDate();
        else if (value.typeId() == QMetaType::QDateTime)
            d = value.toDateTime().date();
        else
            d = parseDate(value.toString().trimmed());
        if (!d.isValid() || d.year() < 1 || d.year() > 9999) // the stored form has four digits
            notValid(value, "date", field);
        return Cell::ofText(d.toString(kDate).toUtf8());
    }
    case ftTime: {
        QTime t;
        if (value.typeId() == QMetaType::QTime)
            t = value.toTime();
        else if (value.typeId() == QMetaType::QDateTime)
            t = value.toDateTime().time();
        else
            t = parseTime(value.toString().trimmed());
        if (!t.isValid())
            notValid(value, "time", field);
        return Cell::ofText(timeText(t).toUtf8());
    }
    case ftDateTime: {
        // A QDateTime is taken at its own wall clock, whatever its zone.
        QDateTime dt;
        if (value.typeId() == QMetaType::QDateTime)
            dt = value.toDateTime();
        else if (value.typeId() == QMetaType::QDate)
            dt = wallClock(value.toDate(), QTime(0, 0));
        else
            dt = parseDateTime(value.toString());
        if (!dt.isValid() || dt.date().year() < 1 || dt.date().year() > 9999)
            notValid(value, "date and time", field);
        return Cell::ofText((dt.date().toString(kDate) + u' ' + timeText(dt.time())).toUtf8());
    }
    case ftUnknown:
        break;
    }
    throw EDatabaseError(QStringLiteral("Field %1 has no type").arg(field.name));
}

QVariant toVariant(const Cell &cell, TFieldType type)
{
    if (cell.kind == Cell::Null)
        return {};
    switch (type) {
    case ftInteger:
        return int(cell.i);
    case ftLargeint:
        return qlonglong(cell.i);
    case ftBoolean:
        return cell.i != 0;
    case ftFloat:
    case ftCurrency:
        return cell.kind == Cell::Int ? double(cell.i) : cell.r;
    case ftDate:
        return QDate::fromString(QString::fromUtf8(cell.text), kDate);
    case ftTime:
        return parseTime(QString::fromUtf8(cell.text));
    case ftDateTime:
        return parseDateTime(QString::fromUtf8(cell.text));
    default:
        return textOf(cell.text);
    }
}

QString toDisplay(const Cell &cell, TFieldType type)
{
    if (cell.kind == Cell::Null)
        return {};
    switch (type) {
    case ftInteger:
    case ftLargeint:
        return QString::number(cell.i);
    case ftBoolean:
        return cell.i ? QStringLiteral("True") : QStringLiteral("False");
    case ftFloat:
        return QString::number(cell.r, 'g', 15).replace(u'.', u',');
    case ftCurrency:
        return QString::number(cell.r, 'f', 2).replace(u'.', u',');
    case ftDate:
        return toVariant(cell, type).toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case ftTime:
        return toVariant(cell, type).toTime().toString(QStringLiteral("HH:mm:ss"));
    case ftDateTime:
        return toVariant(cell, type).toDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    default:
        return textOf(cell.text);
    }
}

Cell fromDisplay(const QString &text, const FieldInfo &field)
{
    if (text.isEmpty() && field.type != ftString && field.type != ftMemo)
        return {};
    if (field.type == ftBoolean) {
        const QString t = text.trimmed().toLower();
        if (t == QLatin1String("true"))
            return Cell::ofInt(1);
        if (t == QLatin1String("false"))
            return Cell::ofInt(0);
    }
    return toCell(text, field);
}

QString textOf(QByteArrayView utf8)
{
    QString text = QString::fromUtf8(utf8);
    if (utf8.startsWith(kByteOrderMark))
        text.prepend(QChar(0xFEFF));
    return text;
}

QString unaccented(const QString &text)
{
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        return text;
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    return out.normalized(QString::NormalizationForm_C);
}

bool conforms(const Cell &cell, const FieldInfo &field)
{
    if (cell.kind == Cell::Null)
        return true;
    switch (field.storage) {
    case Storage::Int:
        if (cell.kind != Cell::Int)
            return false;
        if (field.type == ftBoolean)
            return cell.i == 0 || cell.i == 1;
        if (field.type == ftInteger)
            return cell.i >= std::numeric_limits<qint32>::min() && cell.i <= std::numeric_limits<qint32>::max();
        return true;
    case Storage::Real:
        if (cell.kind != Cell::Real || !std::isfinite(cell.r))
            return false;
        return field.type != ftCurrency
               || (std::fabs(cell.r) <= kCurrencyLimit && currencyRounded(cell.r) == cell.r);
    case Storage::Text:
        break;
    }
    if (cell.kind != Cell::Text || !QByteArrayView(cell.text).isValidUtf8())
        return false;
    const QString s = textOf(cell.text);
    switch (field.type) {
    case ftString:
        return field.size <= 0 || s.size() <= field.size;
    case ftDate:
    case ftTime:
    case ftDateTime: {
        // Only the exact stored form is accepted.
        const QVariant v = toVariant(cell, field.type);
        const bool valid = field.type == ftDate   ? v.toDate().isValid()
                           : field.type == ftTime ? v.toTime().isValid()
                                                  : v.toDateTime().isValid();
        return valid && toCell(v, field).text == cell.text;
    }
    default:
        return true;
    }
}

QString nameKey(const QString &name)
{
    QString key = name;
    for (QChar &c : key)
        if (c.unicode() < 128)
            c = QChar(lowerAscii(uchar(c.unicode())));
    return key;
}

QString nameProblem(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("A field needs a name");
    if (name.size() > kMaxNameLength)
        return QStringLiteral("The field name '%1…' is longer than %2 characters").arg(name.left(20)).arg(kMaxNameLength);
    if (!name.isValidUtf16())
        return QStringLiteral("The field name '%1' is not valid text").arg(name);
    for (QChar c : name)
        if (c.category() == QChar::Other_Control
            || c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            return QStringLiteral("The field name '%1' holds the control character U+%2")
                .arg(QString(name).replace(QChar(0), u'?'))
                .arg(c.unicode(), 4, 16, QLatin1Char('0'));
    // Index definitions list fields as "A;B" and trim each name.
    if (name.front().isSpace() || name.back().isSpace())
        return QStringLiteral("The field name '%1' begins or ends with a space").arg(name);
    if (name.contains(u';'))
        return QStringLiteral("The field name '%1' holds ';', which separates the fields of an index").arg(name);
    const QString key = nameKey(name);
    if (key == QLatin1String("_pos") || key == QLatin1String("rowid") || key == QLatin1String("oid")
        || key == QLatin1String("_rowid_"))
        return QStringLiteral("'%1' is reserved and cannot name a field").arg(name);
    return {};
}

QString fieldsProblem(const std::vector<FieldInfo> &fields)
{
    if (fields.empty())
        return QStringLiteral("it defines no field");
    if (fields.size() > size_t(kMaxFields))
        return QStringLiteral("it has %1 fields, more than %2").arg(fields.size()).arg(kMaxFields);
    QSet<QString> keys;
    for (const FieldInfo &f : fields) {
        if (const QString why = nameProblem(f.name); !why.isEmpty())
            return why;
        if (f.type <= ftUnknown || f.type > ftMemo)
            return QStringLiteral("Field '%1' has no valid type").arg(f.name);
        if (f.size < 0 || f.size > kMaxFieldSize)
            return QStringLiteral("Field '%1' has the size %2 (from 0 to %3)").arg(f.name).arg(f.size).arg(kMaxFieldSize);
        if (!f.label.isValidUtf16())
            return QStringLiteral("Field '%1' has a label that is not valid text").arg(f.name);
        const QString key = nameKey(f.name);
        if (keys.contains(key))
            return QStringLiteral("Duplicate field name '%1'").arg(f.name);
        keys.insert(key);
    }
    return {};
}

} // namespace TouchDialogs::db
