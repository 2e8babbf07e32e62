// One record as a JSON object, as hosts read a chosen record: the fields in
// their own order, which QJsonObject (sorted by key) would lose.
#include <TouchDialogs/ClientDataSet.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <cstdlib>

namespace TouchDialogs {

namespace {

// Qt writes JSON only as a document: a value alone is the one element of an
// array, brackets dropped.
QByteArray jsonText(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QJsonValue jsonOf(const TField &field)
{
    const QVariant v = field.Value();
    if (v.isNull())
        return QJsonValue::Null;
    switch (field.DataType()) {
    case ftInteger: return v.toInt();
    case ftLargeint:
        // Beyond 2^53 a JSON number loses digits: those go as text, as in toJson.
        if (std::llabs(v.toLongLong()) <= (qint64(1) << 53))
            return v.toLongLong();
        return QString::number(v.toLongLong());
    case ftFloat:
    case ftCurrency: return v.toDouble();
    case ftBoolean: return v.toBool();
    case ftDate: return v.toDate().toString(Qt::ISODate);
    // Milliseconds only when there are some, as the JSON form writes them.
    case ftTime:
        return v.toTime().toString(v.toTime().msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
    // The wall clock as stored, without the zone that ISODate would add.
    case ftDateTime:
        return v.toDateTime().toString(v.toDateTime().time().msec() ? QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")
                                                                    : QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
    default: return v.toString();
    }
}

} // namespace

QByteArray TClientDataSet::recordJson() const
{
    if (IsEmpty())
        return QByteArrayLiteral("null");
    QByteArrayList members;
    for (int i = 0; i < FieldCount(); ++i)
        members.append(jsonText(Fields(i)->FieldName()) + ':' + jsonText(jsonOf(*Fields(i))));
    return '{' + members.join(',') + '}';
}

} // namespace TouchDialogs
