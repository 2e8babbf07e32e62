// touchdlg colour: the palette; {"colour":"255","rgb":"#FF0000"} (exit 0) or
// {"colour":"X"} (exit 1). "colour" is the library's decimal 00BBGGRR text;
// "rgb" the same colour as the web writes it, only when there is one.
#include "host/touchdlg/Command.h"

#include <TouchDialogs/TouchDialogs.h>

static const touchdlg::Registrar colourCommand({
    QStringLiteral("colour"),
    QString(),
    nullptr,
    [](const QCommandLineParser &, touchdlg::JsonObjectWriter &answer) {
        const QString colour = TouchDialogs::colour::EscolherCor();
        answer.insert(QStringLiteral("colour"), colour);
        bool ok = false;
        const uint bgr = colour.toUInt(&ok);
        if (ok && bgr <= 0xFFFFFF)
            answer.insert(QStringLiteral("rgb"),
                          QString::asprintf("#%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
        return colour == QLatin1String("X") ? 1 : 0;
    },
    QStringLiteral("0 a colour chosen; 1 left without one (\"X\")"),
    nullptr,
});
