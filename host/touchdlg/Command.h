// touchdlg subcommands: each dialog adds one with a TouchCommand registrar in
// its own source file.
#pragma once

#include <QByteArrayList>
#include <QCommandLineParser>
#include <QJsonValue>
#include <QList>
#include <functional>
#include <future>
#include <memory>

namespace TouchDialogs {
class TClientDataSet;
}

namespace touchdlg {

// A usage or data problem: message on stderr, exit status 2.
struct UsageError {
    QString message;
};

// A JSON object written with its members in the order they are added
// (QJsonObject would sort them): the answer, and a record field by field.
class JsonObjectWriter {
public:
    void insert(const QString &key, const QJsonValue &value);
    // value is JSON text already (another writer's object, an array of them).
    void insertJson(const QString &key, const QByteArray &value);
    bool isEmpty() const { return m_members.isEmpty(); }
    QByteArray toJson() const; // compact, one line
private:
    QByteArrayList m_members;
};

// A JSON array of JSON texts, compact.
QByteArray jsonArray(const QByteArrayList &items);

struct Command {
    QString name;
    QString synopsis;   // options, for the usage text
    std::function<void(QCommandLineParser &)> addOptions;
    // Runs the dialog; fills the JSON answer and returns the exit status
    // (0 an affirmative answer, 1 a negative or cancelled one).
    std::function<int(const QCommandLineParser &, JsonObjectWriter &answer)> run;
    // Which answers exit 0 and which 1, for the usage texts.
    QString exits;
    // Checks the option values that need no display (UsageError), so that a
    // script learns of a mistake before a window opens; run checks them too.
    std::function<void(const QCommandLineParser &)> check;
};

QList<Command> &commands();

struct Registrar {
    explicit Registrar(Command c) { commands().append(std::move(c)); }
};

// The command of that name, or nullptr.
const Command *findCommand(const QString &name);

// An integer option value; UsageError when it is not one.
int intOption(const QCommandLineParser &parser, const QString &name, int fallback);

// The dataset options of the dataset dialogs: --data FILE | --sample NAME,
// --fields LIST (CSV and JSON records) and --filter EXPR.
void addDataOptions(QCommandLineParser &parser);
// All of a data file, or of standard input for "-": every input of --data is
// read here, at most kMaxDataBytes. UsageError when it cannot be read, is
// larger, or holds nothing but blanks.
QByteArray readData(const QString &fileName);
// UsageError unless exactly one of --data and --sample is given.
void checkDataOptions(const QCommandLineParser &parser, const QString &command);
// While it lives, opens the dataset the options name (as openData does) on a
// thread of its own, so that it loads while the main thread connects to the
// display; openData for that command takes it, or its error. Nothing for a
// command without data options. Made on the thread that shows the dialogs.
class DataPrefetch {
public:
    DataPrefetch(const QCommandLineParser &parser, const QString &command);
    ~DataPrefetch(); // waits for the thread; drops a dataset not taken
    DataPrefetch(const DataPrefetch &) = delete;
    DataPrefetch &operator=(const DataPrefetch &) = delete;

private:
    friend std::unique_ptr<TouchDialogs::TClientDataSet> openData(const QCommandLineParser &, const QString &);
    QString m_command;
    std::future<std::unique_ptr<TouchDialogs::TClientDataSet>> m_data;
};
// The dataset they name, with the filter in force. --data FILE or - is told
// by its content (dataToJsonPacket), --sample is a built-in catalogue.
std::unique_ptr<TouchDialogs::TClientDataSet> openData(const QCommandLineParser &parser, const QString &command);

} // namespace touchdlg
