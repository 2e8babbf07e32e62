// touchdlg search: pick one record of a data packet or a sample catalogue.
// {"confirmed":true,"navigation":1,"record":{…},"filter":"…","filtered":true,
// "indexName":"NOME"}; exit 0 when a record was picked, 1 otherwise.
#include "host/touchdlg/Command.h"

#include "host/sample/SampleData.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QDateTime>
#include <QJsonValue>

using namespace TouchDialogs;

namespace {

QJsonValue jsonOf(const TField &field)
{
    const QVariant v = field.Value();
    if (v.isNull())
        return QJsonValue::Null;
    switch (field.DataType()) {
    case ftInteger: return v.toInt();
    case ftLargeint: return v.toLongLong();
    case ftFloat:
    case ftCurrency: return v.toDouble();
    case ftBoolean: return v.toBool();
    case ftDate: return v.toDate().toString(Qt::ISODate);
    case ftTime: return v.toTime().toString(Qt::ISODate);
    case ftDateTime: return v.toDateTime().toString(Qt::ISODate);
    default: return v.toString();
    }
}

} // namespace

static const touchdlg::Registrar searchCommand({
    QStringLiteral("search"),
    QStringLiteral("(--data FILE | --sample NAME) [--filter EXPR] [--drop-filter] [--observation T] [--navigator]"),
    [](QCommandLineParser &parser) {
        parser.addOption({QStringLiteral("data"), QStringLiteral("Data packet or JSON file."), QStringLiteral("FILE")});
        parser.addOption({QStringLiteral("sample"), QStringLiteral("Built-in catalogue: products, tables, payments."),
                          QStringLiteral("NAME")});
        parser.addOption({QStringLiteral("filter"), QStringLiteral("The host's filter, switched on."),
                          QStringLiteral("EXPR")});
        parser.addOption({QStringLiteral("drop-filter"), QStringLiteral("Search without the host's filter.")});
        parser.addOption({QStringLiteral("observation"), QStringLiteral("Text above the search box."),
                          QStringLiteral("T")});
        parser.addOption({QStringLiteral("navigator"), QStringLiteral("Offer the two navigation keys.")});
    },
    [](const QCommandLineParser &parser, QJsonObject &answer) {
        const bool fromFile = parser.isSet(QStringLiteral("data"));
        const bool fromSample = parser.isSet(QStringLiteral("sample"));
        if (fromFile == fromSample)
            throw touchdlg::UsageError{QStringLiteral("search wants exactly one of --data FILE and --sample NAME")};

        std::unique_ptr<TClientDataSet> owned;
        if (fromFile) {
            owned = std::make_unique<TClientDataSet>();
            owned->LoadFromFile(parser.value(QStringLiteral("data")));
        } else {
            owned = sample::sampleDataSet(parser.value(QStringLiteral("sample")));
        }
        TClientDataSet &data = *owned;
        if (parser.isSet(QStringLiteral("filter"))) {
            data.setFilter(parser.value(QStringLiteral("filter")));
            data.setFiltered(true);
        }

        const bool confirmed = search::Pesquisa(
            &data, QString(), parser.isSet(QStringLiteral("drop-filter")) ? QStringLiteral("S") : QString(),
            parser.value(QStringLiteral("observation")), parser.isSet(QStringLiteral("navigator")));

        answer.insert(QStringLiteral("confirmed"), confirmed);
        answer.insert(QStringLiteral("navigation"), search::inNavegProd);
        if (data.IsEmpty()) {
            answer.insert(QStringLiteral("record"), QJsonValue::Null);
        } else {
            QJsonObject record;
            for (int i = 0; i < data.FieldCount(); ++i)
                record.insert(data.Fields(i)->FieldName(), jsonOf(*data.Fields(i)));
            answer.insert(QStringLiteral("record"), record);
        }
        answer.insert(QStringLiteral("filter"), data.Filter());
        answer.insert(QStringLiteral("filtered"), data.Filtered());
        answer.insert(QStringLiteral("indexName"), data.IndexName());
        return confirmed ? 0 : 1;
    },
});
