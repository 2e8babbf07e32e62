// The "Keyboard" button: the host asks for a table's name, starting from the
// name it has.
#include "host/demo/Demo.h"

#include <TouchDialogs/TouchDialogs.h>

static const demo::Registrar keyboardAction({
    QStringLiteral("Keyboard"),
    [] {
        static QString tableName = QStringLiteral("Mesa 12");
        const QString answer =
            TouchDialogs::keyboard::TecladoAlfanumerico(tableName, QStringLiteral("Informe o nome da mesa"));
        if (answer.isEmpty())
            return QStringLiteral("Keyboard: cancelled");
        if (answer == QLatin1String("@"))
            return QStringLiteral("Keyboard: confirmed without a name");
        tableName = answer;
        return QStringLiteral("Keyboard: table name \"%1\"").arg(answer);
    },
});
