// What the touchdlg commands share: the command list and the options and
// answers of the dataset dialogs.
#include "host/touchdlg/Command.h"

#include "host/sample/SampleData.h"
#include "host/touchdlg/CsvData.h"
#include "host/touchdlg/JsonRecords.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/Collation.h"
#include "platform/db/JsonValues.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QFile>
#include <QThread>
#include <algorithm>
#include <future>
#include <optional>
#include <system_error>
#include <utility>

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

namespace {

// What the data options ask for, copied out of the parser so that another
// thread can open it.
struct DataRequest {
    std::optional<QString> data, fields, sample, filter;
};

std::optional<QString> valueOf(const QCommandLineParser &parser, const QString &name)
{
    return parser.isSet(name) ? std::optional(parser.value(name)) : std::nullopt;
}

DataRequest requestOf(const QCommandLineParser &parser, const QString &command)
{
    checkDataOptions(parser, command);
    return {valueOf(parser, QStringLiteral("data")), valueOf(parser, QStringLiteral("fields")),
            valueOf(parser, QStringLiteral("sample")), valueOf(parser, QStringLiteral("filter"))};
}

std::unique_ptr<TClientDataSet> open(const DataRequest &request)
{
    std::unique_ptr<TClientDataSet> data;
    if (request.data && !request.fields)
        data = jsonPacketFile(*request.data);
    if (!data && request.data) {
        const QString &fileName = *request.data;
        const QString source = fileName == QLatin1String("-") ? QStringLiteral("standard input") : fileName;
        const QString fields = request.fields.value_or(QString());
        QByteArray bytes = readData(fileName);
        const DataForm form = dataForm(bytes);
        if (request.fields && (form == DataForm::Packet || form == DataForm::JsonPacket))
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
        data = sample::sampleDataSet(request.sample.value_or(QString()));
    }
    if (request.filter) {
        data->setFilter(*request.filter);
        data->setFiltered(true);
    }
    return data;
}

DataPrefetch *g_prefetch = nullptr;

} // namespace

DataPrefetch::DataPrefetch(const QCommandLineParser &parser, const QString &command)
{
    const QStringList given = parser.optionNames();
    if (g_prefetch || (!given.contains(QStringLiteral("data")) && !given.contains(QStringLiteral("sample"))))
        return;
    DataRequest request;
    try {
        request = requestOf(parser, command);
    } catch (const UsageError &) {
        return; // openData says so
    }
    // The dataset belongs to the thread that shows it.
    QThread *const gui = QThread::currentThread();
    try {
        m_data = std::async(std::launch::async, [request = std::move(request), gui] {
            std::unique_ptr<TClientDataSet> data = open(request);
            data->moveToThread(gui);
            // The dialogs sort it first thing.
            db::Collation::prepare();
            return data;
        });
    } catch (const std::system_error &) {
        return; // no thread: openData reads it, as it would have
    }
    m_command = command;
    g_prefetch = this;
}

DataPrefetch::~DataPrefetch()
{
    if (g_prefetch == this)
        g_prefetch = nullptr;
    if (m_data.valid()) {
        try {
            m_data.get();
        } catch (...) {
            // Never asked for: nobody to tell.
        }
    }
}

std::unique_ptr<TClientDataSet> openData(const QCommandLineParser &parser, const QString &command)
{
    if (g_prefetch && g_prefetch->m_command == command && g_prefetch->m_data.valid())
        return g_prefetch->m_data.get();
    return open(requestOf(parser, command));
}

} // namespace touchdlg
