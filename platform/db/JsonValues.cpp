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
    if (info.type == ftBoolean)
        return Cell::ofInt(v.toBool() ? 1 : 0);
    if (v.isDouble()) {
        const double d = v.toDouble();
        Cell c;
        if (numberCell(d, info, c))
            return c;
        // Refused: the field's conversion says why.
        if (info.type == ftCurrency) {
            convert(d); // not finite, or beyond the limit
            throw badJson(QStringLiteral("record %1, field \"%2\": %3 has more than four decimals")
                              .arg(record + 1)
                              .arg(info.name, QString::fromUtf8(jsonText(v))));
        }
        // Within 2^53 a whole number is exactly the one written, and named so.
        if (info.type != ftFloat && d == std::floor(d) && std::fabs(d) <= double(kJsonExactLimit))
            return convert(qint64(d));
        return convert(d);
    }
    if (info.type == ftString && info.size <= 0) // no size, no check
        return Cell::ofText(v.toString().toUtf8());
    return convert(v.toString()); // text, dates and times, a largeint past 2^53
}

} // namespace TouchDialogs::db
