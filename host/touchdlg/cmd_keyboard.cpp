// touchdlg keyboard: one line of text; {"text":"abc"}, "@" when confirmed
// empty (exit 0), "" when cancelled (exit 1).
#include "host/touchdlg/Command.h"

#include <TouchDialogs/TouchDialogs.h>

static const touchdlg::Registrar keyboardCommand({
    QStringLiteral("keyboard"),
    QStringLiteral("[--text START] [--caption C]"),
    [](QCommandLineParser &parser) {
        parser.addOption({QStringLiteral("text"), QStringLiteral("Starting text."), QStringLiteral("START")});
        parser.addOption({QStringLiteral("caption"), QStringLiteral("Window caption."), QStringLiteral("C")});
    },
    [](const QCommandLineParser &parser, touchdlg::JsonObjectWriter &answer) {
        const QString text = TouchDialogs::keyboard::TecladoAlfanumerico(parser.value(QStringLiteral("text")),
                                                                         parser.value(QStringLiteral("caption")));
        answer.insert(QStringLiteral("text"), text);
        return text.isEmpty() ? 1 : 0;
    },
    QStringLiteral("0 confirmed (\"@\" when empty); 1 cancelled (\"\")"),
    nullptr,
});
