// The "Build list" button: the host puts together the products of a combo
// from its active products and shows what was chosen, in list order.
#include "host/demo/Demo.h"
#include "host/sample/SampleData.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QLocale>

static const demo::Registrar listAction({
    QStringLiteral("Build list"),
    [] {
        using namespace TouchDialogs;
        auto products = sample::sampleDataSet(QStringLiteral("products"));
        products->setFilter(QStringLiteral("ATIVO = 'S'"));
        products->setFiltered(true);
        TClientDataSet combo;
        combo.setData(list::ConstrucaoList(products.get(), QStringLiteral("Produtos do combo")));
        if (combo.IsEmpty())
            return QStringLiteral("Build list: no combo");
        QStringList names;
        double total = 0;
        for (combo.First(); !combo.Eof(); combo.Next()) {
            names << combo.FieldByName(QStringLiteral("NOME"))->AsString();
            total += combo.FieldByName(QStringLiteral("PRECO"))->Value().toDouble();
        }
        return QStringLiteral("Build list: combo of %1 products (%2), R$ %3")
            .arg(names.size())
            .arg(names.join(QStringLiteral(", ")))
            .arg(QLocale(QLocale::Portuguese, QLocale::Brazil).toString(total, 'f', 2));
    },
});
