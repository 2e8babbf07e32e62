// touchdlg quantity: the quantity keypad. The answer 0 means cancelled, as
// for a host; the exit status is 0 either way.
#include "host/touchdlg/Command.h"

#include <TouchDialogs/TouchDialogs.h>

namespace {

// The --digits the keypad takes, as text ("" without a limit).
QString digits(const QCommandLineParser &p)
{
    if (!p.isSet(QStringLiteral("digits")))
        return {};
    const int n = touchdlg::intOption(p, QStringLiteral("digits"), 0);
    if (n < 0)
        throw touchdlg::UsageError{QStringLiteral("--digits wants 0 or more, not %1").arg(n)};
    return QString::number(n);
}

const touchdlg::Registrar registrar{touchdlg::Command{
    QStringLiteral("quantity"),
    QStringLiteral("[--caption C] [--whole] [--digits N]"),
    [](QCommandLineParser &p) {
        p.addOption({QStringLiteral("caption"), QStringLiteral("Caption of the keypad."), QStringLiteral("C")});
        p.addOption({QStringLiteral("whole"), QStringLiteral("Whole numbers only (no decimal comma).")});
        p.addOption({QStringLiteral("digits"), QStringLiteral("Most characters of the entry, comma included "
                                                              "(0: no limit)."),
                     QStringLiteral("N")});
    },
    [](const QCommandLineParser &p, touchdlg::JsonObjectWriter &answer) {
        const QString caption =
            p.isSet(QStringLiteral("caption")) ? p.value(QStringLiteral("caption")) : QStringLiteral("Quantidade");
        const double quantity = TouchDialogs::quantity::InfoQuantidade(
            caption, p.isSet(QStringLiteral("whole")) ? 1 : 0, digits(p));
        answer.insert(QStringLiteral("quantity"), quantity);
        return 0;
    },
    // A confirmed 0 and Cancel give the same answer: a status cannot tell them apart.
    QStringLiteral("0 always: 0 is cancelled, as for a host"),
    [](const QCommandLineParser &p) { digits(p); }}};

} // namespace
