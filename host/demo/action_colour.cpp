// The "Colour" button: the host lets the waiter pick a table's colour.
#include "host/demo/Demo.h"

#include <TouchDialogs/TouchDialogs.h>

static const demo::Registrar colourAction({
    QStringLiteral("Colour"),
    [] {
        const QString colour = TouchDialogs::colour::EscolherCor();
        if (colour == QLatin1String("X"))
            return QStringLiteral("Colour: none chosen");
        const int value = colour.toInt();
        // 00BBGGRR, shown the usual way as #RRGGBB too.
        return QStringLiteral("Colour: %1 (#%2%3%4)")
            .arg(colour)
            .arg(value & 0xFF, 2, 16, QLatin1Char('0'))
            .arg((value >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
            .arg((value >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
    },
});
