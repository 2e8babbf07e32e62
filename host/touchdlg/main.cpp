// touchdlg: one touch dialog per call, the answer as one JSON line on stdout.
// Exit status: 0 an affirmative answer, 1 a negative or cancelled one, 2 a
// usage or data error.
#include "host/touchdlg/Command.h"
#include "platform/forms/PlatformCheck.h"
#include "platform/forms/Warmup.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLocale>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

using namespace touchdlg;

// The exit status of every dialog, one line a dialog (continued under it).
static QString exitStatus()
{
    QString text = QStringLiteral(
        "Exit status: 0 an affirmative answer, 1 a negative or cancelled one (both\n"
        "print the answer), 2 a usage or data error (a message on standard error):\n");
    for (const Command &c : commands())
        text += QStringLiteral("  %1 %2\n").arg(c.name, -9).arg(QString(c.exits).replace(u'\n', QStringLiteral("\n            ")));
    return text;
}

static QString usage()
{
    QString text = QStringLiteral(
        "Usage: touchdlg [--title T] [--locale L] [--scale auto|F] [--backdrop] [--screenshot FILE.png]\n"
        "                DIALOG [options]\n"
        "       touchdlg DIALOG --help\n"
        "       touchdlg --version | --help\n\nDialogs:\n");
    for (const Command &c : commands()) {
        // A dialog without options gets no trailing blanks.
        text += c.synopsis.isEmpty() ? QStringLiteral("  %1\n").arg(c.name)
                                     : QStringLiteral("  %1 %2\n").arg(c.name, -9).arg(c.synopsis);
    }
    text += QStringLiteral("\n") + exitStatus();
    text += QStringLiteral(
        "\n--locale en or pt_BR: the language pack the texts come from (another language\n"
        "  without a pack shows the texts as written).\n"
        "--scale auto|F: F a plain decimal from 0.5 to 4 (1.5), auto as large as the\n"
        "  screen allows. TOUCHDIALOGS_SCALE takes the same; a value it cannot read is\n"
        "  warned of and the dialogs are drawn unscaled.\n"
        "--backdrop: the dialog is centred over a dimmed surface that covers the screen,\n"
        "  for displays whose compositor places windows itself (Wayland kiosks).\n"
        "--data FILE (- for standard input) is told by its content, not its name: a\n"
        "  data packet; JSON in the packet form {\"fields\":[...],\"records\":[...]}; JSON\n"
        "  records, an array of objects (sqlite3 -json, jq -s) or one object a line\n"
        "  (JSON Lines), fields in the order their names first appear, null where a\n"
        "  record lacks one; else CSV, UTF-8 (a line that is not is refused): a header\n"
        "  row of field names, then one record per row, separated by \",\" (or \";\" when\n"
        "  the header has no \",\"), \"quoted\" values may hold separators. In records and\n"
        "  CSV a column whose values are all true or false (JSON) is boolean, all whole\n"
        "  numbers of 64 bits integer, all numbers (decimal point or comma) that a\n"
        "  double gives back exactly (any of up to 15 digits) float, else string:\n"
        "  numbers with a leading zero and longer numbers stay text as written, empty\n"
        "  numbers are null.\n"
        "  --fields NAME:TYPE,... sets a column's type (string, integer, largeint, float,\n"
        "  currency, boolean, date, time, datetime, memo).\n"
        "  Every input is read whole before the dialog opens, at most %1 MiB; a pipe or\n"
        "  a FIFO until its writer closes it (a FIFO waits for one).\n"
        "list --out PACKET: a regular file is replaced whole once written; a FIFO or a\n"
        "  device (/dev/stdout) is written into.\n")
                .arg(TouchDialogs::kMaxDataBytes >> 20);
    return text;
}

static int fail(const QString &message)
{
    std::fprintf(stderr, "touchdlg: %s\n", qPrintable(message));
    return 2;
}

// Qt ends the process with abort() when it finds no display for its platform
// plugin; a script then gets a core dump instead of a usage error.
static QtMessageHandler qtHandler = nullptr;
static void noDisplayHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "touchdlg: no display to show the dialog on (%s); QT_QPA_PLATFORM=offscreen draws without one\n",
                     qPrintable(message.section(u'\n', 0, 0)));
        std::fflush(stderr);
        std::_Exit(2);
    }
    if (qtHandler)
        qtHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Writes the first modal dialog, as first shown, to a PNG file: once its
// first paint is done (the grab is queued behind it), before anything the
// dialog does when idle.
class Screenshot : public QObject {
public:
    Screenshot(const QString &file, QObject *parent) : QObject(parent), m_file(file) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || watched != QApplication::activeModalWidget())
            return false;
        qApp->removeEventFilter(this);
        QPointer<QWidget> dlg = static_cast<QWidget *>(watched);
        QMetaObject::invokeMethod(
            this,
            [dlg, file = m_file] {
                if (dlg && !dlg->grab().save(file))
                    std::fprintf(stderr, "touchdlg: cannot write %s\n", qPrintable(file));
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    QString m_file;
};

static void armScreenshot(const QString &file)
{
    qApp->installEventFilter(new Screenshot(file, qApp));
}

// The command line, split before Qt sees it.
struct SplitArguments {
    QStringList ours;   // the program and our global options
    QList<int> qt;      // the indexes of the other arguments before the dialog name
    QStringList dialog; // the dialog name and its options
};

// Qt takes its options out of argv wherever they stand, and under xcb they
// include -title, --title, -name and -geometry: our --title would be lost, and
// so would a dialog's option or text that looks like one. Qt gets only what
// precedes the dialog name and is not ours.
static SplitArguments splitArguments(const QStringList &args, const QStringList &valueOptions)
{
    SplitArguments split{{args.value(0)}, {}, {}};
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (findCommand(arg)) {
            split.dialog = args.mid(i);
            break;
        }
        const QString name = arg.startsWith(QLatin1String("--")) ? arg.mid(2).section(u'=', 0, 0) : QString();
        if (valueOptions.contains(name)) {
            split.ours << arg;
            if (!arg.contains(u'=') && i + 1 < args.size())
                split.ours << args[++i];
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help") || arg == QLatin1String("--version")
                   || arg == QLatin1String("--backdrop")) {
            split.ours << arg;
        } else {
            split.qt << i;
        }
    }
    return split;
}

// The dialog a command line (the program first) names; UsageError for an
// option we do not know, no dialog or an unknown one.
static const Command *dialogOf(QCommandLineParser &global, const QStringList &args)
{
    if (!global.parse(args))
        throw UsageError{global.errorText() + u'\n' + usage()};
    const QStringList rest = global.positionalArguments();
    if (rest.isEmpty())
        throw UsageError{QStringLiteral("no dialog named\n") + usage()};
    const Command *command = findCommand(rest.first());
    if (!command)
        throw UsageError{QStringLiteral("unknown dialog '%1'\n").arg(rest.first()) + usage()};
    return command;
}

// touchdlg DIALOG --help: its synopsis, its options and its exit status.
static QString dialogUsage(const Command &command, const QCommandLineParser &parser)
{
    const QString help = parser.helpText();
    return QStringLiteral("Usage: touchdlg [global options] %1 [options]\n\n  %2 %3\n\n")
               .arg(command.name)
               .arg(command.name, -9)
               .arg(command.synopsis)
        + help.mid(help.indexOf(QLatin1String("Options:")))
        + QStringLiteral("\nExit status: %1;\n             2 a usage or data error.\n"
                         "The global options: touchdlg --help.\n")
              .arg(QString(command.exits).replace(u'\n', QStringLiteral("\n             ")));
}

int main(int argc, char **argv)
{
    // Global options come before the dialog name.
    QCommandLineParser global;
    global.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    global.addOption({QStringLiteral("title"), QStringLiteral("Application title."), QStringLiteral("T")});
    global.addOption({QStringLiteral("locale"), QStringLiteral("Language of the texts."), QStringLiteral("L")});
    global.addOption({QStringLiteral("screenshot"), QStringLiteral("Write the dialog to a PNG."), QStringLiteral("FILE")});
    global.addOption({QStringLiteral("scale"),
                      QStringLiteral("Draw the dialog this many times larger; auto: as large as the screen allows."),
                      QStringLiteral("auto|F")});
    global.addOption({QStringLiteral("backdrop"), QStringLiteral("Centre the dialog over a dimmed full-screen surface.")});
    global.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show usage.")});
    global.addOption({QStringLiteral("version"), QStringLiteral("Show the version.")});

    QStringList given;
    for (int i = 0; i < argc; ++i)
        given << QString::fromLocal8Bit(argv[i]);
    const SplitArguments split =
        splitArguments(given, {QStringLiteral("title"), QStringLiteral("locale"), QStringLiteral("screenshot"),
                                             QStringLiteral("scale")});
    std::vector<char *> qtArgv(argv, argv + std::min(argc, 1));
    for (int i : split.qt)
        qtArgv.push_back(argv[i]);
    int qtArgc = int(qtArgv.size());
    qtArgv.push_back(nullptr);

    // Usage needs no display: only a dialog to show makes a GUI application.
    if (split.ours.contains(QStringLiteral("-h")) || split.ours.contains(QStringLiteral("--help"))) {
        std::printf("%s", qPrintable(usage()));
        return 0;
    }
    if (split.ours.contains(QStringLiteral("--version"))) {
        std::printf("touchdlg %s\n", TD_VERSION);
        return 0;
    }
    if (split.dialog.isEmpty()) {
        // No dialog: Qt's share may hold a misspelt name, to be said as one.
        QCoreApplication application(qtArgc, qtArgv.data());
        try {
            dialogOf(global, split.ours + application.arguments().mid(1));
        } catch (const UsageError &e) {
            return fail(e.message);
        }
        return fail(QStringLiteral("no dialog named\n") + usage());
    }

    // Our options and the dialog's are judged before a display is opened, so
    // that a mistake is reported as one wherever the script runs.
    const Command *command = nullptr;
    QCommandLineParser parser;
    QLocale locale;
    std::optional<double> scale;
    try {
        command = dialogOf(global, split.ours + split.dialog);
        if (command->addOptions)
            command->addOptions(parser);
        parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this dialog's usage.")});
        const bool parsed = parser.parse(QStringList{given.first()} + split.dialog.mid(1));
        if (parsed && parser.isSet(QStringLiteral("help"))) {
            std::printf("%s", qPrintable(dialogUsage(*command, parser)));
            return 0;
        }
        if (!parsed)
            throw UsageError{QStringLiteral("%1: %2 (touchdlg %1 --help lists its options)")
                                 .arg(command->name, parser.errorText())};
        if (!parser.positionalArguments().isEmpty())
            throw UsageError{QStringLiteral("%1: unexpected argument '%2'")
                                 .arg(command->name, parser.positionalArguments().first())};
        if (global.isSet(QStringLiteral("locale"))) {
            const QString wanted = global.value(QStringLiteral("locale"));
            locale = QLocale(wanted);
            if (locale.language() == QLocale::C && wanted != QLatin1String("C"))
                throw UsageError{QStringLiteral("--locale wants a language such as en or pt_BR, not '%1'").arg(wanted)};
        }
        if (global.isSet(QStringLiteral("scale"))) {
            const QString value = global.value(QStringLiteral("scale"));
            scale = TouchDialogs::Application::scaleFromText(value);
            if (!scale)
                throw UsageError{QStringLiteral("--scale wants auto or a factor from %1 to %2 written with a decimal "
                                                "point (1.5), not '%3'")
                                     .arg(TouchDialogs::kMinScale)
                                     .arg(TouchDialogs::kMaxScale)
                                     .arg(value)};
        }
        if (command->check)
            command->check(parser);
    } catch (const UsageError &e) {
        return fail(e.message);
    } catch (const std::exception &e) {
        return fail(QString::fromUtf8(e.what()));
    }

    // Asked before Qt, which would list its plugins and abort; Qt's own
    // options (-platform, -display) leave the question to Qt.
    TouchDialogs::startFontWarmup();
    if (split.qt.isEmpty()) {
        const TouchDialogs::PlatformVerdict verdict = TouchDialogs::canStart();
        if (!verdict.canStart)
            return fail(QStringLiteral("no display to show the dialog on; tried %1. Set DISPLAY or WAYLAND_DISPLAY "
                                       "to a running one, or QT_QPA_PLATFORM=offscreen to draw without one")
                            .arg(verdict.tried));
    }
    // Read while Qt connects to the display.
    const DataPrefetch prefetch(parser, command->name);
    qtHandler = qInstallMessageHandler(noDisplayHandler);
    const auto application = std::make_unique<QApplication>(qtArgc, qtArgv.data());
    qInstallMessageHandler(qtHandler);
    QCoreApplication::setApplicationName(QStringLiteral("touchdlg"));

    // What Qt left of its share goes to our parser, which refuses what it does not know.
    if (const QStringList left = application->arguments().mid(1); !left.isEmpty()) {
        try {
            dialogOf(global, split.ours + left + split.dialog);
        } catch (const UsageError &e) {
            return fail(e.message);
        }
    }

    // Nothing may escape: an exception outside main ends the process with abort().
    int status = 2;
    bool initialized = false;
    try {
        // Before Initialize, which takes the language pack and the texts from it.
        if (global.isSet(QStringLiteral("locale")))
            QLocale::setDefault(locale);
        if (global.isSet(QStringLiteral("title")))
            TouchDialogs::Application::setTitle(global.value(QStringLiteral("title")));
        if (scale) {
            TouchDialogs::Extensions extensions = TouchDialogs::Application::extensions();
            extensions.scale = *scale;
            TouchDialogs::Application::setExtensions(extensions);
        }
        if (global.isSet(QStringLiteral("backdrop"))) {
            TouchDialogs::Extensions extensions = TouchDialogs::Application::extensions();
            extensions.backdrop = true;
            TouchDialogs::Application::setExtensions(extensions);
        }
        if (global.isSet(QStringLiteral("screenshot")))
            armScreenshot(global.value(QStringLiteral("screenshot")));

        Initialize();
        initialized = true;
        JsonObjectWriter answer;
        status = command->run(parser, answer);
        std::printf("%s\n", answer.toJson().constData());
    } catch (const UsageError &e) {
        status = fail(e.message);
    } catch (const TouchDialogs::EAbort &) {
        status = 1;
    } catch (const std::exception &e) {
        status = fail(QString::fromUtf8(e.what()));
    } catch (...) {
        status = fail(QStringLiteral("unexpected error"));
    }
    // A full disk or a closed file must not pass for an answer given.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        status = fail(QStringLiteral("cannot write the answer to standard output: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(errno))));
    if (initialized)
        Finalize();
    // Qt 6.4's Wayland client can deadlock stopping its event threads while
    // the application is destroyed (one waits on a read the other gave up),
    // and a script would wait for ever on a dialog already answered. With the
    // answer out, the process ends here.
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        std::_Exit(status);
    return status;
}
