// What the touchdlg commands share: the command list and the options and
// answers of the dataset dialogs.
#include "host/touchdlg/Command.h"

#include "host/sample/SampleData.h"
#include "host/touchdlg/CsvData.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

namespace touchdlg {

using namespace TouchDialogs;

QList<Command> &commands()
{
    static QList<Command> list;
    return list;
}

// Qt writes JSON only as a document: a value alone is the one element of an
// array, brackets dropped.
static QByteArray jsonText(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

void JsonObjectWriter::insert(const QString &key, const QJsonValue &value)
{
    insertJson(key, jsonText(value));
}

void JsonObjectWriter::insertJson(const QString &key, const QByteArray &value)
{
    m_members.append(jsonText(key) + ':' + value);
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
                      QStringLiteral("Data packet, .json or .csv file; - reads the JSON form from standard input."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("fields"), QStringLiteral("Types of CSV columns: NAME:TYPE,..."),
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
    if (fromStdin && bytes.trimmed().isEmpty())
        throw UsageError{QStringLiteral("no data on standard input (--data - reads a JSON packet from it)")};
    return bytes;
}

std::unique_ptr<TClientDataSet> openData(const QCommandLineParser &parser, const QString &command)
{
    const bool fromFile = parser.isSet(QStringLiteral("data"));
    const bool fromSample = parser.isSet(QStringLiteral("sample"));
    if (fromFile == fromSample)
        throw UsageError{QStringLiteral("%1 wants exactly one of --data FILE and --sample NAME").arg(command)};
    const QString fileName = parser.value(QStringLiteral("data"));
    const bool csv = fromFile && fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
    if (parser.isSet(QStringLiteral("fields")) && !csv)
        throw UsageError{QStringLiteral("--fields goes with --data FILE.csv")};
    std::unique_ptr<TClientDataSet> data;
    if (fileName == QLatin1String("-")) {
        data = std::make_unique<TClientDataSet>();
        data->fromJson(readData(fileName));
    } else if (csv) {
        data = std::make_unique<TClientDataSet>();
        data->fromJson(csvToJsonPacket(readData(fileName), parser.value(QStringLiteral("fields")), fileName));
    } else if (fromFile) {
        data = std::make_unique<TClientDataSet>();
        data->LoadFromFile(fileName);
    } else {
        data = sample::sampleDataSet(parser.value(QStringLiteral("sample")));
    }
    if (parser.isSet(QStringLiteral("filter"))) {
        data->setFilter(parser.value(QStringLiteral("filter")));
        data->setFiltered(true);
    }
    return data;
}

} // namespace touchdlg
