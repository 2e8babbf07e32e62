#include "host/touchdlg/CsvData.h"
#include "host/touchdlg/Command.h"

#include <TouchDialogs/Fields.h>

#include <QHash>
#include <QJsonArray>
#include <QRegularExpression>
#include <QStringList>
#include <QLocale>
#include <QStringDecoder>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace touchdlg {

using namespace TouchDialogs;

namespace {

struct Row {
    int line; // where it starts, for messages
    QStringList values;
};

// RFC 4180 rows, with the separator given.
std::vector<Row> splitRows(const QString &text, QChar separator, const QString &source)
{
    std::vector<Row> rows;
    Row row{1, {}};
    QString value;
    bool quoted = false, wasQuoted = false, anything = false;
    int line = 1;
    auto endValue = [&] {
        row.values << (wasQuoted ? value : value.trimmed());
        value.clear();
        wasQuoted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                    value += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n')
                    ++line;
                value += c;
            }
            continue;
        }
        if (c == u'"' && value.trimmed().isEmpty() && !wasQuoted) {
            quoted = wasQuoted = anything = true;
            value.clear();
        } else if (c == separator) {
            endValue();
            anything = true;
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            if (anything || !value.trimmed().isEmpty()) {
                endValue();
                rows.push_back(row);
            }
            ++line;
            row = Row{line, {}};
            value.clear();
            wasQuoted = anything = false;
        } else if (wasQuoted) {
            if (!c.isSpace())
                throw UsageError{QStringLiteral("%1 line %2: text after a closing quote").arg(source).arg(line)};
        } else {
            value += c;
        }
    }
    if (quoted)
        throw UsageError{QStringLiteral("%1 line %2: a quote is not closed").arg(source).arg(row.line)};
    if (anything || !value.trimmed().isEmpty()) {
        endValue();
        rows.push_back(row);
    }
    return rows;
}

// The text of UTF-8 bytes. A byte that is not UTF-8 (a Windows-1252 export,
// say) would become U+FFFD, and a name or code would change unseen: refused
// with its line.
QString utf8Text(const QByteArray &bytes, const QString &source)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (!decoder.hasError())
        return text;
    qsizetype start = 0;
    for (int line = 1;; ++line) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QStringDecoder lineDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)QString(lineDecoder(QByteArrayView(bytes).sliced(start, end - start)));
        if (lineDecoder.hasError() || end == bytes.size())
            throw UsageError{QStringLiteral("%1 line %2: not UTF-8 text (save the file as UTF-8)").arg(source).arg(line)};
        start = end + 1;
    }
}

bool isWhole(const QString &v)
{
    static const QRegularExpression whole(QStringLiteral("^[+-]?(0|[1-9][0-9]*)$"));
    return whole.match(v).hasMatch();
}

bool isDecimal(const QString &v)
{
    static const QRegularExpression decimal(QStringLiteral("^[+-]?(0|[1-9][0-9]*)([.,][0-9]+)?$"));
    return decimal.match(v).hasMatch();
}

// A decimal text as the digits of its value and where its point stands:
// "004.50" and "4.5e0" both give "45@1", "-0.0" gives "0".
QString normalDecimal(const QString &text)
{
    QString mantissa = text.section(u'e', 0, 0, QString::SectionCaseInsensitiveSeps);
    const int exponent = text.section(u'e', 1, 1, QString::SectionCaseInsensitiveSeps).toInt();
    const bool negative = mantissa.startsWith(u'-');
    if (negative || mantissa.startsWith(u'+'))
        mantissa.remove(0, 1);
    mantissa.replace(u',', u'.');
    const QString whole = mantissa.section(u'.', 0, 0);
    QString digits = whole + mantissa.section(u'.', 1);
    qsizetype point = whole.size() + exponent;
    qsizetype first = 0;
    while (first < digits.size() && digits.at(first) == u'0')
        ++first;
    digits.remove(0, first);
    point -= first;
    while (digits.endsWith(u'0'))
        digits.chop(1);
    if (digits.isEmpty())
        return QStringLiteral("0");
    return (negative ? QStringLiteral("-") : QString()) + digits + u'@' + QString::number(point);
}

// Whether a decimal text comes back as the same number from a double, as
// its shortest form: 0.1 and 4,50 do, 2^53 + 1 and most numbers of 17 or
// more significant digits do not.
bool keptByDouble(const QString &v)
{
    bool ok = false;
    const double d = QString(v).replace(u',', u'.').toDouble(&ok);
    return ok && std::isfinite(d)
        && normalDecimal(QString::number(d, 'g', QLocale::FloatingPointShortest)) == normalDecimal(v);
}

// A column is boolean when every value is JSON's true or false, integer when
// every value is a whole number of 64 bits (largeint beyond 32), float when
// every value is a decimal number a double gives back exactly, else text: a
// code too long for either keeps its digits.
TFieldType guessType(const std::vector<TableRow> &rows, int column)
{
    bool whole = true, decimal = true, wide = false, booleans = false, others = false;
    for (const TableRow &row : rows) {
        if (column >= row.values.size())
            continue;
        const TableValue &value = row.values.at(column);
        const QString &v = value.text;
        if (value.kind == TableValue::Null || (value.kind == TableValue::Text && v.isEmpty()))
            continue;
        (value.kind == TableValue::Boolean ? booleans : others) = true;
        if (booleans && others)
            return ftString;
        if (booleans)
            continue;
        // A JSON number is one whatever its notation; text must look like one.
        if (value.kind == TableValue::Text && !isDecimal(v))
            return ftString;
        bool fits = false;
        const qlonglong n = isWhole(v) ? v.toLongLong(&fits) : 0;
        if (isWhole(v) && !fits)
            return ftString; // beyond 64 bits: a code, not a count
        whole = whole && fits;
        wide = wide || (fits && (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max()));
        decimal = decimal && keptByDouble(v);
        if (!whole && !decimal)
            return ftString;
    }
    if (booleans)
        return ftBoolean;
    if (!others)
        return ftString;
    if (whole)
        return wide ? ftLargeint : ftInteger;
    return ftFloat;
}

// The JSON value of one table value for a field of that type; where() names
// it in a message.
QJsonValue jsonValue(const TableValue &value, TFieldType type, const std::function<QString()> &where)
{
    const QString &v = value.text;
    auto wrong = [&](const char *what) {
        return UsageError{QStringLiteral("%1: \"%2\" is not %3").arg(where(), v, QLatin1String(what))};
    };
    if (value.kind == TableValue::Null)
        return QJsonValue::Null;
    switch (type) {
    case ftString:
    case ftMemo:
        return v;
    default:
        break;
    }
    if (v.isEmpty())
        return QJsonValue::Null;
    // Qt's number conversion ends at a NUL: "12\0 34" would be taken as 12.
    if (v.contains(QChar(0)))
        throw wrong(type == ftBoolean ? "true, false, 1 or 0" : "a value of its type");
    bool ok = false;
    switch (type) {
    case ftInteger: {
        const int n = v.toInt(&ok);
        if (!ok)
            throw wrong("a whole number");
        return n;
    }
    case ftLargeint: {
        const qlonglong n = v.toLongLong(&ok);
        if (!ok)
            throw wrong("a whole number");
        return QString::number(n); // as text, which a largeint takes exactly
    }
    case ftFloat:
    case ftCurrency: {
        const double d = QString(v).replace(u',', u'.').toDouble(&ok);
        if (!ok || (value.kind == TableValue::Text && !isDecimal(v)))
            throw wrong("a number");
        return d + 0.0; // "-0.0" is 0: a table's number has no sign of zero
    }
    case ftBoolean: {
        const QString b = v.toLower();
        if (b == QLatin1String("true") || b == QLatin1String("1"))
            return true;
        if (b == QLatin1String("false") || b == QLatin1String("0"))
            return false;
        throw wrong("true, false, 1 or 0");
    }
    default: // dates and times as the JSON packet writes them
        return v;
    }
}

} // namespace

QJsonObject tableToJsonPacket(const QStringList &names, const std::vector<TableRow> &rows, const QString &fields,
                              const QString &source)
{
    QHash<QString, TFieldType> given;
    for (const QString &item : fields.split(u',', Qt::SkipEmptyParts)) {
        const QString name = item.section(u':', 0, 0).trimmed();
        const QString typeName = item.section(u':', 1).trimmed();
        const TFieldType type = fieldTypeFromName(typeName);
        if (type == ftUnknown)
            throw UsageError{QStringLiteral("--fields: \"%1\" is not a field type (string, integer, largeint, float, "
                                            "currency, boolean, date, time, datetime, memo)")
                                 .arg(typeName)};
        if (!names.contains(name))
            throw UsageError{QStringLiteral("--fields: %1 has no column %2").arg(source, name)};
        given.insert(name, type);
    }

    std::vector<TFieldType> types;
    QJsonArray fieldArray;
    for (int i = 0; i < names.size(); ++i) {
        types.push_back(given.value(names[i], guessType(rows, i)));
        fieldArray.append(QJsonObject{{QStringLiteral("name"), names[i]},
                                      {QStringLiteral("type"), fieldTypeName(types.back())}});
    }
    QJsonArray records;
    const TableValue null;
    for (const TableRow &row : rows) {
        QJsonArray record;
        for (int i = 0; i < names.size(); ++i) {
            const auto where = [&] {
                const QString at = QStringLiteral("%1 line %2").arg(source).arg(row.line);
                return (row.record ? QStringLiteral("%1, record %2").arg(at).arg(row.record) : at) + QStringLiteral(", ") + names[i];
            };
            record.append(jsonValue(i < row.values.size() ? row.values[i] : null, types[size_t(i)], where));
        }
        records.append(record);
    }
    return QJsonObject{{QStringLiteral("fields"), fieldArray}, {QStringLiteral("records"), records}};
}

QJsonObject csvToJsonPacket(const QByteArray &csv, const QString &fields, const QString &source)
{
    QString text = utf8Text(csv, source);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    // The header is the first line with anything on it, as the rows skip blank ones.
    QString header;
    for (qsizetype at = 0; header.trimmed().isEmpty() && at < text.size();) {
        const qsizetype end = text.indexOf(u'\n', at);
        header = text.mid(at, end < 0 ? -1 : end - at);
        at = end < 0 ? text.size() : end + 1;
    }
    const QChar separator = header.contains(u';') && !header.contains(u',') ? u';' : u',';
    const std::vector<Row> rows = splitRows(text, separator, source);
    if (rows.empty())
        throw UsageError{QStringLiteral("%1 has no header row").arg(source)};

    const QStringList names = rows.front().values;
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].isEmpty())
            throw UsageError{QStringLiteral("%1: column %2 of the header has no name").arg(source).arg(i + 1)};
        if (names.indexOf(names[i]) != i)
            throw UsageError{QStringLiteral("%1: the header names %2 twice").arg(source, names[i])};
    }
    std::vector<TableRow> table;
    table.reserve(rows.size() - 1);
    for (size_t r = 1; r < rows.size(); ++r) {
        if (rows[r].values.size() != names.size())
            throw UsageError{QStringLiteral("%1 line %2: %3 values, the header has %4")
                                 .arg(source)
                                 .arg(rows[r].line)
                                 .arg(rows[r].values.size())
                                 .arg(names.size())};
        TableRow row{rows[r].line, 0, {}};
        row.values.reserve(names.size());
        for (const QString &v : rows[r].values)
            row.values.append(TableValue{TableValue::Text, v});
        table.push_back(std::move(row));
    }
    return tableToJsonPacket(names, table, fields, source);
}

} // namespace touchdlg
