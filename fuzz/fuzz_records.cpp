// touchdlg's reader of JSON records over any bytes: a refusal with a
// message, or a dataset. Checked against Qt's own JSON reader: an array of
// flat objects with fields a dataset can name apart is read (unless one names a field twice,
// which Qt does not tell), one record an object, one field a name, and a
// text value as it was written.
#include "fuzz/FuzzSupport.h"
#include "host/touchdlg/Command.h"
#include "host/touchdlg/JsonRecords.h"
#include "platform/db/Values.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QHash>
#include <QSet>
#include <optional>

using namespace TouchDialogs;

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

// The records as Qt reads a whole array of them; nullopt for anything else.
std::optional<QJsonArray> recordsOf(const QByteArray &json)
{
    // Qt's reader drops a byte-order mark even inside a string: spelled as
    // an escape, it stays (an initial one is no part of the text).
    QByteArray text = json.startsWith(kBom) ? json.mid(3) : json;
    text.replace(kBom, "\\ufeff");
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray() || doc.array().isEmpty())
        return std::nullopt;
    QHash<QString, QString> names; // by the key a dataset tells names apart by
    for (const QJsonValue &record : doc.array()) {
        if (!record.isObject() || record.toObject().isEmpty())
            return std::nullopt;
        const QJsonObject object = record.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (it->isObject() || it->isArray() || !db::nameProblem(it.key()).isEmpty())
                return std::nullopt;
            if (names.value(db::nameKey(it.key()), it.key()) != it.key())
                return std::nullopt;
            names.insert(db::nameKey(it.key()), it.key());
        }
    }
    return doc.array();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QJsonArray> records = recordsOf(json);
    TClientDataSet ds;
    try {
        loadJsonPacket(ds, touchdlg::jsonRecordsToJsonPacket(json, QString(), QStringLiteral("fuzz.json")));
    } catch (const touchdlg::UsageError &e) {
        fuzz::require(!e.message.isEmpty(), "a refusal without a message");
        fuzz::require(!records || e.message.contains(QStringLiteral("twice")), "records were refused", e.message);
        return 0;
    } catch (const Exception &e) {
        fuzz::require(!e.Message().isEmpty(), "a refusal without a message");
        fuzz::require(!records, "records were refused", e.Message());
        return 0;
    }
    if (!records)
        return 0; // JSON Lines and what Qt reads otherwise
    QSet<QString> names;
    for (const QJsonValue &record : *records)
        for (const QString &name : record.toObject().keys())
            names.insert(name);
    fuzz::require(ds.RecordCount() == records->size(), "not one record an object");
    fuzz::require(ds.FieldCount() == names.size(), "not one field a name");
    ds.First();
    for (const QJsonValue &record : *records) {
        const QJsonObject object = record.toObject();
        for (int f = 0; f < ds.FieldCount(); ++f) {
            TField *field = ds.Fields(f);
            const QJsonValue value = object.value(field->FieldName());
            // A lone surrogate (an escape JSON allows) is no text to keep.
            if (value.isString() && value.toString().isValidUtf16()
                && (field->DataType() == ftString || field->DataType() == ftMemo))
                fuzz::require(field->Value().toString() == value.toString(), "a text changed",
                              field->FieldName() + QStringLiteral(": ") + field->Value().toString());
            if (value.isNull() || value.isUndefined())
                fuzz::require(field->Value().isNull(), "a missing or null value is not null", field->FieldName());
        }
        ds.Next();
    }
    return 0;
}
