// The "Quantity" button: how many of a product go on the table's bill.
#include "host/demo/Demo.h"

#include <TouchDialogs/TouchDialogs.h>

namespace {

const demo::Registrar registrar{demo::Action{
    QStringLiteral("Quantity"), [] {
        const double quantity =
            TouchDialogs::quantity::InfoQuantidade(QStringLiteral("Quantidade — Chopp 300 ml"), 0, QStringLiteral("5"));
        if (quantity == 0)
            return QStringLiteral("Quantity: cancelled");
        return QStringLiteral("Quantity: %1").arg(quantity);
    }}};

} // namespace
