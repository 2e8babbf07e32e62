#include "platform/db/JsonValues.h"
#include "platform/rtl/Exceptions.h"

namespace TouchDialogs::db {

EDatabaseError badJson(const QString &why)
{
    return EDatabaseError(QStringLiteral("The JSON data cannot be loaded: %1").arg(why));
}

QJsonValue jsonValue(const Cell &cell, TFieldType type)
{
    if (cell.kind == Cell::Null)
        return QJsonValue::Null;
    switch (type) {
    case ftInteger:
        return qint64(cell.i);
    case ftLargeint:
        return exactInJson(cell.i) ? QJsonValue(qint64(cell.i)) : QJsonValue(QString::number(cell.i));
    case ftBoolean:
        return cell.i != 0;
    case ftFloat:
    case ftCurrency:
        return cell.r;
    // The wall clock as stored, with the 'T' of ISO 8601 and no zone.
    case ftDateTime:
        return QString::fromUtf8(cell.text).replace(u' ', u'T');
    default: // text, and dates and times as stored
        return textOf(cell.text);
    }
}

// Numbers and text go straight to a cell, without the variant conversions a
// host's setValue takes.
Cell jsonCell(const QJsonValue &v, const FieldInfo &info, qsizetype record)
{
    if (v.isNull())
        return {};
    if (!takesKind(info.type, jsonKind(v))) {
        const QString type = fieldTypeName(info.type);
        const QString article = QStringLiteral("aeiou").contains(type.at(0)) ? QStringLiteral("an") : QStringLiteral("a");
        throw badJson(QStringLiteral("record %1, field \"%2\": %3 is not %4 %5 value")
                          .arg(record + 1)
                          .arg(info.name, QString::fromUtf8(jsonText(v)), article, type));
    }
    auto convert = [&](const QVariant &value) {
        try {
            return toCell(value, info);
        } catch (const Exception &e) {
            throw badJson(QStringLiteral("record %1: %2").arg(record + 1).arg(e.Message()));
        }
    };
    switch (info.type) {
    case ftInteger:
    case ftLargeint: {
        if (v.isString())
            return convert(v.toString());
        // Within 2^53 a whole number is exactly the one written; past it,
        // or with a fraction, the field judges the double.
        const double d = v.toDouble();
        if (d == std::floor(d) && std::fabs(d) <= double(kJsonExactLimit))
            return convert(qint64(d));
        return convert(d);
    }
    case ftFloat:
        return convert(v.toDouble());
    case ftCurrency: {
        const double d = v.toDouble();
        const Cell c = convert(d);
        if (!currencyAsWritten(d, c.r))
            throw badJson(QStringLiteral("record %1, field \"%2\": %3 has more than four decimals")
                              .arg(record + 1)
                              .arg(info.name, QString::fromUtf8(jsonText(v))));
        return c;
    }
    case ftBoolean:
        return Cell::ofInt(v.toBool() ? 1 : 0);
    case ftString:
        if (info.size <= 0) // no size, no check
            return Cell::ofText(v.toString().toUtf8());
        return convert(v.toString());
    default:
        return convert(v.toString());
    }
}

} // namespace TouchDialogs::db
