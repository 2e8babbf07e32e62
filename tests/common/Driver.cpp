// A test-only library through which tests written in C or Python answer the
// dialogs as the C++ tests do (whenModal and perform), with plain C calls.
// It is built beside libTouchDialogs for the tests and never installed.
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

namespace {

using namespace TouchDialogs::testing;

struct Chain {
    QList<QStringList> groups;
    int answered = 0;
    std::string titles; // of the dialogs answered, a line each
};

std::shared_ptr<Chain> g_chain;
std::string g_error;

// A step that names a child the dialog lacks would leave it open, and the
// test waiting; the dialog is closed instead and the step reported.
bool feasible(QWidget *dlg, const QStringList &steps)
{
    for (const QString &step : steps) {
        if (step.startsWith(QLatin1String("touch ")) && !dlg->findChild<QWidget *>(step.mid(6))) {
            g_error = "no child named " + step.mid(6).toStdString() + " in " + dlg->objectName().toStdString();
            return false;
        }
    }
    return true;
}

void arm(const std::shared_ptr<Chain> &chain, int group)
{
    if (group >= chain->groups.size())
        return;
    whenModal([chain, group](QWidget *dlg) {
        if (chain != g_chain)
            return; // a newer tdtest_answer replaced this chain
        // The next group answers the box these steps may open, or the next dialog.
        arm(chain, group + 1);
        ++chain->answered;
        chain->titles += dlg->windowTitle().toStdString() + '\n';
        if (!feasible(dlg, chain->groups[group])) {
            dlg->close();
            return;
        }
        perform(dlg, chain->groups[group]);
    });
}

QStringList lines(const char *steps)
{
    return QString::fromUtf8(steps ? steps : "").split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

extern "C" {

// Answers the next modal dialog with steps, one a line ("touch spdEnter",
// "type 12,5", "key Return", "close"); a line "--" starts the steps for the
// dialog after it: a box one of the steps before opens (they go on once it is
// answered), or the next call's dialog.
// Returns 0, or -1 when there is no Qt application yet.
__attribute__((visibility("default"))) int tdtest_answer(const char *steps)
{
    if (!qApp)
        return -1;
    auto chain = std::make_shared<Chain>();
    const QStringList given = lines(steps);
    if (!given.isEmpty()) // no steps: no dialog is expected
        chain->groups.append(QStringList());
    for (const QString &line : given) {
        if (line == QLatin1String("--"))
            chain->groups.append(QStringList());
        else
            chain->groups.last().append(line);
    }
    g_chain = chain;
    g_error.clear();
    arm(chain, 0);
    return 0;
}

// How many dialogs the steps of the last tdtest_answer have answered.
__attribute__((visibility("default"))) int tdtest_answered(void)
{
    return g_chain ? g_chain->answered : 0;
}

// The window titles of the dialogs the last tdtest_answer answered, a line each.
__attribute__((visibility("default"))) const char *tdtest_titles(void)
{
    return g_chain ? g_chain->titles.c_str() : "";
}

// Why a step could not be done; "" when all could.
__attribute__((visibility("default"))) const char *tdtest_error(void)
{
    return g_error.c_str();
}

// The top-level windows shown now (a box td_message left open, say).
__attribute__((visibility("default"))) int tdtest_visible_windows(void)
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += w->isVisible() ? 1 : 0;
    return n;
}

// Does steps at once on the newest window shown; -1 when none is.
__attribute__((visibility("default"))) int tdtest_perform(const char *steps)
{
    QWidget *target = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            target = w;
    if (!target)
        return -1;
    const QStringList list = lines(steps);
    if (!feasible(target, list))
        return -1;
    perform(target, list);
    return 0;
}

// Makes (make non-zero) or ends the host's own QApplication, as a C++ host
// does around the library. Returns 0, or -1 when there is none to end or one
// already.
__attribute__((visibility("default"))) int tdtest_host_app(int make)
{
    static int argc = 1;
    static char name[] = "host";
    static char *argv[] = {name, nullptr};
    static QApplication *app = nullptr;
    if (make ? QCoreApplication::instance() != nullptr : app == nullptr)
        return -1;
    if (make) {
        app = new QApplication(argc, argv);
    } else {
        delete app;
        app = nullptr;
    }
    return 0;
}

} // extern "C"

namespace {

// A program that knows nothing of the driver (a README example) is answered
// with the steps in TDTEST_STEPS, lines split at "|": the driver, linked in or
// loaded first, arms them as the program makes its Qt application, before any
// dialog exists.
void answerFromEnvironment()
{
    QByteArray steps = qgetenv("TDTEST_STEPS");
    if (!steps.isEmpty())
        tdtest_answer(steps.replace('|', '\n').constData());
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(answerFromEnvironment)
