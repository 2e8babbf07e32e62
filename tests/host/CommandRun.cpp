#include "tests/host/CommandRun.h"
#include "host/touchdlg/Command.h"
#include "tests/common/TestSupport.h"

#include <QTest>
#include <QTimer>
#include <QWidget>

namespace touchdlg::testing {

static const Command &command(const QString &name, QCommandLineParser &parser, const QStringList &args)
{
    const Command *c = findCommand(name);
    if (!c)
        qFatal("no touchdlg command %s", qPrintable(name));
    if (c->addOptions)
        c->addOptions(parser);
    if (!parser.parse(QStringList{QStringLiteral("touchdlg")} + args))
        qFatal("%s", qPrintable(parser.errorText()));
    return *c;
}

CommandRun runCommand(const QString &name, const QStringList &args, const QStringList &steps)
{
    QCommandLineParser parser;
    const Command &c = command(name, parser, args);
    CommandRun run;
    TouchDialogs::testing::whenModal([&run, steps](QWidget *dlg) {
        run.shown = true;
        run.caption = dlg->windowTitle();
        TouchDialogs::testing::perform(dlg, steps);
    });
    JsonObjectWriter answer;
    run.status = c.run(parser, answer);
    run.json = QString::fromUtf8(answer.toJson());
    return run;
}

bool refusesUsage(const QString &name, const QStringList &args)
{
    QCommandLineParser parser;
    const Command &c = command(name, parser, args);
    // No dialog is expected, so there is nothing to wait for: any that opens
    // is closed while the command runs.
    bool opened = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&opened] {
        if (QWidget *dlg = TouchDialogs::testing::activeModal()) {
            opened = true;
            dlg->close();
        }
    });
    closer.start(10);
    JsonObjectWriter answer;
    bool refused = false;
    try {
        c.run(parser, answer);
    } catch (const UsageError &e) {
        refused = !e.message.isEmpty();
    }
    return refused && answer.isEmpty() && !opened;
}

} // namespace touchdlg::testing
