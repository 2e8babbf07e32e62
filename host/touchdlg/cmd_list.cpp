// touchdlg list: build a list from the records of a data packet or a sample
// catalogue. {"records":[{…},…]} in list order; --out also writes the list's
// data packet. Exit 0 when the list holds records, 1 when it is empty (the
// user left with "Sair", or confirmed nothing).
#include "host/sample/SampleData.h"
#include "host/touchdlg/Command.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QDateTime>
#include <QJsonArray>
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

static const touchdlg::Registrar listCommand({
    QStringLiteral("list"),
    QStringLiteral("(--data FILE | --sample NAME) [--filter EXPR] [--description T] [--out PACKET]"),
    [](QCommandLineParser &parser) {
        parser.addOption({QStringLiteral("data"), QStringLiteral("Data packet or JSON file."), QStringLiteral("FILE")});
        parser.addOption({QStringLiteral("sample"), QStringLiteral("Built-in catalogue: products, tables, payments."),
                          QStringLiteral("NAME")});
        parser.addOption({QStringLiteral("filter"), QStringLiteral("The host's filter, switched on."),
                          QStringLiteral("EXPR")});
        parser.addOption({QStringLiteral("description"), QStringLiteral("Text above the search box."),
                          QStringLiteral("T")});
        parser.addOption({QStringLiteral("out"), QStringLiteral("Also write the list's data packet to this file."),
                          QStringLiteral("PACKET")});
    },
    [](const QCommandLineParser &parser, QJsonObject &answer) {
        const bool fromFile = parser.isSet(QStringLiteral("data"));
        const bool fromSample = parser.isSet(QStringLiteral("sample"));
        if (fromFile == fromSample)
            throw touchdlg::UsageError{QStringLiteral("list wants exactly one of --data FILE and --sample NAME")};

        std::unique_ptr<TClientDataSet> data;
        if (fromFile) {
            data = std::make_unique<TClientDataSet>();
            data->LoadFromFile(parser.value(QStringLiteral("data")));
        } else {
            data = sample::sampleDataSet(parser.value(QStringLiteral("sample")));
        }
        if (parser.isSet(QStringLiteral("filter"))) {
            data->setFilter(parser.value(QStringLiteral("filter")));
            data->setFiltered(true);
        }

        TClientDataSet chosen;
        chosen.setData(list::ConstrucaoList(data.get(), parser.value(QStringLiteral("description"))));
        if (parser.isSet(QStringLiteral("out")))
            chosen.SaveToFile(parser.value(QStringLiteral("out")));

        QJsonArray records;
        for (chosen.First(); !chosen.Eof(); chosen.Next()) {
            QJsonObject record;
            for (int i = 0; i < chosen.FieldCount(); ++i)
                record.insert(chosen.Fields(i)->FieldName(), jsonOf(*chosen.Fields(i)));
            records.append(record);
        }
        answer.insert(QStringLiteral("records"), records);
        return records.isEmpty() ? 1 : 0;
    },
});
