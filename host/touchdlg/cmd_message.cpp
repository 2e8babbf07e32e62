// touchdlg message: the touch message box. Exit status 1 for the answers
// that say no or stop (No, No to all, Cancel, Abort, and a box closed or
// timed out without a button, which answers Cancel), 0 for the others: OK,
// Yes, Yes to all, All, Retry and Ignore go on, and so does the extra button.
#include "host/touchdlg/Command.h"

#include <TouchDialogs/TouchDialogs.h>

using namespace TouchDialogs::message;

namespace {

bool negative(int modalResult)
{
    for (TMsgDlgBtn b : {mbNo, mbNoToAll, mbCancel, mbAbort})
        if (modalResult == ModalResults[b])
            return true;
    return false;
}

// The names are the library's own; a wrong one is a usage error.
TMsgDlgType parseType(const QString &text)
{
    try {
        return msgDlgTypeFromName(text);
    } catch (const TouchDialogs::EConvertError &e) {
        throw touchdlg::UsageError{QStringLiteral("--type: ") + e.Message()};
    }
}

TMsgDlgButtons parseButtons(const QString &text)
{
    try {
        return msgDlgButtonsFromNames(text);
    } catch (const TouchDialogs::EConvertError &e) {
        throw touchdlg::UsageError{QStringLiteral("--buttons: ") + e.Message()};
    }
}

struct Box {
    TMsgDlgType type = mtInformation;
    TMsgDlgButtons buttons{mbOK};
    int seconds = 0;
};

// The box the options ask for; UsageError for one they cannot give.
Box box(const QCommandLineParser &p)
{
    if (!p.isSet(QStringLiteral("text")))
        throw touchdlg::UsageError{QStringLiteral("message: --text is required")};
    Box box;
    if (p.isSet(QStringLiteral("type")))
        box.type = parseType(p.value(QStringLiteral("type")));
    if (p.isSet(QStringLiteral("buttons")))
        box.buttons = parseButtons(p.value(QStringLiteral("buttons")));
    box.seconds = touchdlg::intOption(p, QStringLiteral("seconds"), 0);
    if (!TouchDialogs::message::msgDlgCanEnd(box.buttons, box.seconds, p.value(QStringLiteral("extra"))))
        throw touchdlg::UsageError{QStringLiteral("message: no button would close the box; name one in "
                                                  "--buttons (help leaves it open), or give --extra or --seconds")};
    if (p.isSet(QStringLiteral("countdown")) && box.seconds <= 0)
        throw touchdlg::UsageError{QStringLiteral("message: --countdown counts the --seconds down; give them")};
    return box;
}

const touchdlg::Registrar registrar{touchdlg::Command{
    QStringLiteral("message"),
    QStringLiteral("--text T [--type warning|error|information|confirmation|custom]\n"
                   "            [--buttons yes,no,ok,cancel,abort,retry,ignore,all,notoall,yestoall,help]\n"
                   "            [--seconds N] [--extra CAPTION] [--countdown]"),
    [](QCommandLineParser &p) {
        p.addOption({QStringLiteral("text"), QStringLiteral("The message."), QStringLiteral("T")});
        p.addOption({QStringLiteral("type"), QStringLiteral("Kind of box (icon)."), QStringLiteral("TYPE")});
        p.addOption({QStringLiteral("buttons"), QStringLiteral("Comma-separated buttons."), QStringLiteral("LIST")});
        p.addOption({QStringLiteral("seconds"), QStringLiteral("Press the default button after N seconds."),
                     QStringLiteral("N")});
        p.addOption({QStringLiteral("extra"), QStringLiteral("Caption of an extra button (result 100)."),
                     QStringLiteral("CAPTION")});
        p.addOption({QStringLiteral("countdown"), QStringLiteral("Show the seconds left on the default button.")});
    },
    [](const QCommandLineParser &p, touchdlg::JsonObjectWriter &answer) {
        const Box b = box(p);
        if (p.isSet(QStringLiteral("countdown"))) {
            TouchDialogs::Extensions extensions = TouchDialogs::Application::extensions();
            extensions.countdown = true;
            TouchDialogs::Application::setExtensions(extensions);
        }
        const int result = TouchMessageDlg(p.value(QStringLiteral("text")), b.type, b.buttons, 0, b.seconds,
                                           p.value(QStringLiteral("extra")));
        answer.insert(QStringLiteral("modalResult"), result);
        return negative(result) ? 1 : 0;
    },
    QStringLiteral("0 OK, Yes, Yes to all, All, Retry, Ignore, the extra button;\n"
                   "1 No, No to all, Cancel, Abort, closed"),
    [](const QCommandLineParser &p) { box(p); }}};

} // namespace
