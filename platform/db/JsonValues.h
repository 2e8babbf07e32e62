// One value of the JSON form of records: which JSON kind each field type
// takes, how a stored value is written and how a JSON value is stored. The
// readers of the JSON text (JsonPacket.cpp), its writers (toJson,
// recordJson) and touchdlg's CSV and JSON records all follow these rules.
// What the one-pass reader needs per value is inline here; touchdlg, which
// links only the library's exports, uses the inline parts alone.
#pragma once

#include "platform/db/Values.h"

#include <QByteArrayView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <algorithm>
#include <cmath>

namespace TouchDialogs {

class EDatabaseError;

namespace db {

inline QByteArrayView withoutByteOrderMark(QByteArrayView text)
{
    return text.startsWith(kByteOrderMark) ? text.sliced(3) : text;
}

// Every byte-order mark of a JSON text as the escape \ufeff: Qt's document
// reader takes an unescaped string through QString::fromUtf8, which drops a
// mark at its start, and keeps an escaped one.
inline QByteArray byteOrderMarksEscaped(QByteArrayView json)
{
    return json.toByteArray().replace(kByteOrderMark, "\\ufeff");
}

// A JSON text as Qt's document reader reads it, the byte-order marks in its
// strings kept; one leading the whole text is the document's own.
inline QJsonDocument parsedJson(QByteArrayView json, QJsonParseError *error = nullptr)
{
    const QByteArrayView body = withoutByteOrderMark(json);
    if (!body.contains(kByteOrderMark))
        return QJsonDocument::fromJson(QByteArray::fromRawData(json.data(), json.size()), error);
    return QJsonDocument::fromJson(json.first(json.size() - body.size()).toByteArray() + byteOrderMarksEscaped(body),
                                   error);
}

// The kinds of JSON value besides null, which fits any field that is not
// required; no field takes an array or an object.
enum class JsonKind : quint8 { Boolean, Number, String, Other };

inline JsonKind jsonKind(const QJsonValue &v)
{
    return v.isBool() ? JsonKind::Boolean : v.isDouble() ? JsonKind::Number : v.isString() ? JsonKind::String : JsonKind::Other;
}

// Whether a field of this type takes a value of this kind: numbers for
// numbers, true/false for booleans, text for the rest and for a largeint
// past 2^53 (see exactInJson).
constexpr bool takesKind(TFieldType type, JsonKind kind)
{
    switch (type) {
    case ftInteger:
    case ftFloat:
    case ftCurrency:
        return kind == JsonKind::Number;
    case ftLargeint:
        return kind == JsonKind::Number || kind == JsonKind::String;
    case ftBoolean:
        return kind == JsonKind::Boolean;
    default:
        return kind == JsonKind::String;
    }
}

// Beyond 2^53 a JSON number (a double to most readers) has lost digits: a
// largeint past it travels as text.
inline constexpr qint64 kJsonExactLimit = qint64(1) << 53;

constexpr bool exactInJson(qint64 v)
{
    return v >= -kJsonExactLimit && v <= kJsonExactLimit; // no llabs: it overflows on the smallest qint64
}

// A decimal with four places is seldom exact in binary: a currency written
// as a number that is off its stored value only by that is the value; off
// by more, it has more than four decimals.
inline bool currencyAsWritten(double written, double stored)
{
    return std::fabs(stored - written) <= 1e-14 * std::max(1.0, std::fabs(written));
}

// The stored value of a JSON number in a field that takes numbers, when the
// field holds it as it is: a whole number within the field's range, a finite
// float, a currency within its limit that is off four decimals only by
// binary error. False when the field refuses it (jsonCell says why).
inline bool numberCell(double d, const FieldInfo &info, Cell &cell)
{
    switch (info.type) {
    case ftFloat:
        cell.kind = Cell::Real;
        cell.r = d;
        return std::isfinite(d);
    case ftCurrency:
        cell.kind = Cell::Real;
        cell.r = currencyRounded(d);
        return std::fabs(d) <= kCurrencyLimit && currencyAsWritten(d, cell.r);
    default: // integer, largeint
        cell.kind = Cell::Int;
        return wholeNumber(d, cell.i) && integerFits(cell.i, info.type);
    }
}

// A value alone as compact JSON text. Qt writes JSON only as a document:
// the value is the one element of an array, brackets dropped.
inline QByteArray jsonText(const QJsonValue &v)
{
    const QByteArray array = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// "The JSON data cannot be loaded: why".
EDatabaseError badJson(const QString &why);

// The JSON value of a stored value, as toJson and recordJson write it.
QJsonValue jsonValue(const Cell &cell, TFieldType type);

// The stored value a JSON value stands for in a field of record `record`
// (0-based); raises EDatabaseError naming both when the field refuses it.
// A null is null here, whether the field is required or not.
Cell jsonCell(const QJsonValue &v, const FieldInfo &info, qsizetype record);

} // namespace db
} // namespace TouchDialogs
