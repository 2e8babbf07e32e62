// touchdlg colour: the palette; {"colour":"255"} (exit 0) or {"colour":"X"} (exit 1).
#include "host/touchdlg/Command.h"

#include <TouchDialogs/TouchDialogs.h>

static const touchdlg::Registrar colourCommand({
    QStringLiteral("colour"),
    QString(),
    nullptr,
    [](const QCommandLineParser &, touchdlg::JsonObjectWriter &answer) {
        const QString colour = TouchDialogs::colour::EscolherCor();
        answer.insert(QStringLiteral("colour"), colour);
        return colour == QLatin1String("X") ? 1 : 0;
    },
    QStringLiteral("0 a colour chosen; 1 left without one (\"X\")"),
    nullptr,
});
