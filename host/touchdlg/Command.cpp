// What the touchdlg commands share: the command list and the options and
// answers of the dataset dialogs.
#include "host/touchdlg/Command.h"

#include "host/sample/SampleData.h"
#include "host/touchdlg/CsvData.h"
#include "host/touchdlg/JsonRecords.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/JsonValues.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QFile>
#include <algorithm>

namespace touchdlg {

using namespace TouchDialogs;

QList<Command> &commands()
{
    static QList<Command> list;
    return list;
}

void JsonObjectWriter::insert(const QString &key, const QJsonValue &value)
{
    insertJson(key, db::jsonText(value));
}

void JsonObjectWriter::insertJson(const QString &key, const QByteArray &value)
{
    m_members.append(db::jsonText(key) + ':' + value);
}

QByteArray JsonObjectWriter::toJson() const
{
    return '{' + m_members.join(',') + '}';
}

QByteArray jsonArray(const QByteArrayList &items)
{
    return '[' + items.join(',') + ']';
}

const Command *findCommand(const QString &name)
{
    for (const Command &c : commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

int intOption(const QCommandLineParser &parser, const QString &name, int fallback)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const int v = parser.value(name).toInt(&ok);
    if (!ok)
        throw UsageError{QStringLiteral("--%1 wants a whole number, not '%2'").arg(name, parser.value(name))};
    return v;
}

void addDataOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("data"),
                      QStringLiteral("Data packet, JSON (packet form, array of objects, JSON Lines) or CSV; "
                                     "- reads standard input."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("fields"), QStringLiteral("Types of CSV columns or JSON records' fields: NAME:TYPE,..."),
                      QStringLiteral("LIST")});
    parser.addOption({QStringLiteral("sample"), QStringLiteral("Built-in catalogue: products, tables, payments."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("filter"), QStringLiteral("The host's filter, switched on."),
                      QStringLiteral("EXPR")});
}

QByteArray readData(const QString &fileName)
{
    const bool fromStdin = fileName == QLatin1String("-");
    const QString name = fromStdin ? QStringLiteral("standard input") : fileName;
    QFile file(fromStdin ? QString() : fileName);
    if (!(fromStdin ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly)))
        throw UsageError{QStringLiteral("cannot read %1: %2").arg(name, file.errorString())};
    const QByteArray bytes = readDataBytes(file, name);
    if (bytes.trimmed().isEmpty())
        throw UsageError{QStringLiteral("no data on %1").arg(name)};
    return bytes;
}

void checkDataOptions(const QCommandLineParser &parser, const QString &command)
{
    if (parser.isSet(QStringLiteral("data")) == parser.isSet(QStringLiteral("sample")))
        throw UsageError{QStringLiteral("%1 wants exactly one of --data FILE and --sample NAME").arg(command)};
    if (parser.isSet(QStringLiteral("fields")) && !parser.isSet(QStringLiteral("data")))
        throw UsageError{QStringLiteral("--fields goes with --data")};
}

// A data packet's JSON form in a regular file, read in pieces straight into
// the records, never whole in memory; null for anything else.
std::unique_ptr<TClientDataSet> jsonPacketFile(const QString &fileName)
{
    QFile file(fileName);
    if (fileName == QLatin1String("-") || !file.open(QIODevice::ReadOnly) || file.isSequential()
        || file.size() > kMaxDataBytes || dataForm(file.peek(64 << 10)) != DataForm::JsonPacket)
        return nullptr;
    auto data = std::make_unique<TClientDataSet>();
    data->LoadFromFile(fileName);
    return data;
}

std::unique_ptr<TClientDataSet> openData(const QCommandLineParser &parser, const QString &command)
{
    checkDataOptions(parser, command);
    std::unique_ptr<TClientDataSet> data;
    if (parser.isSet(QStringLiteral("data")) && !parser.isSet(QStringLiteral("fields")))
        data = jsonPacketFile(parser.value(QStringLiteral("data")));
    if (!data && parser.isSet(QStringLiteral("data"))) {
        const QString fileName = parser.value(QStringLiteral("data"));
        const QString source = fileName == QLatin1String("-") ? QStringLiteral("standard input") : fileName;
        const QString fields = parser.value(QStringLiteral("fields"));
        QByteArray bytes = readData(fileName);
        const DataForm form = dataForm(bytes);
        if (parser.isSet(QStringLiteral("fields")) && (form == DataForm::Packet || form == DataForm::JsonPacket))
            throw UsageError{QStringLiteral("--fields goes with CSV or JSON records: the data packet in %1 gives "
                                            "its fields' types")
                                 .arg(source)};
        data = std::make_unique<TClientDataSet>();
        switch (form) {
        case DataForm::Packet:
            data->setData(bytes);
            break;
        case DataForm::JsonPacket:
            if (bytes.startsWith(db::kByteOrderMark))
                bytes.remove(0, 3);
            data->fromJson(bytes);
            break;
        case DataForm::JsonRecords:
        case DataForm::Csv:
            const QJsonObject packet = form == DataForm::Csv ? csvToJsonPacket(bytes, fields, source)
                                                             : jsonRecordsToJsonPacket(bytes, fields, source);
            try {
                loadJsonPacket(*data, packet);
            } catch (const EDatabaseError &e) {
                // What the dataset refuses (a name twice in another case) was in the input, not in our JSON.
                static const QString ours = QStringLiteral("The JSON data cannot be loaded: ");
                throw UsageError{source + QStringLiteral(": ")
                                 + (e.Message().startsWith(ours) ? e.Message().mid(ours.size()) : e.Message())};
            }
            break;
        }
    } else if (!data) {
        data = sample::sampleDataSet(parser.value(QStringLiteral("sample")));
    }
    if (parser.isSet(QStringLiteral("filter"))) {
        data->setFilter(parser.value(QStringLiteral("filter")));
        data->setFiltered(true);
    }
    return data;
}

} // namespace touchdlg
