// The "Search product" button: the waiter finds a product of the active
// catalogue by typing or touching its name; the log shows the one picked.
// The catalogue lives as long as the host, as a host's product table does.
#include "host/demo/Demo.h"
#include "host/sample/SampleData.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QLocale>

static const demo::Registrar searchAction({
    QStringLiteral("Search product"),
    [] {
        using namespace TouchDialogs;
        static std::unique_ptr<TClientDataSet> products = sample::sampleDataSet(QStringLiteral("products"));
        // The search leaves its own filter behind; each search starts from
        // the active products again.
        products->setFilter(QStringLiteral("ATIVO = 'S'"));
        products->setFiltered(true);
        const bool picked =
            search::Pesquisa(products.get(), QString(), QString(), QStringLiteral("Escolha o produto"), true);
        if (!picked)
            return QStringLiteral("Search product: cancelled");
        if (products->IsEmpty())
            return QStringLiteral("Search product: confirmed without a product");
        const QString direction = search::inNavegProd == 2   ? QStringLiteral(" (right navigation key)")
                                  : search::inNavegProd == 3 ? QStringLiteral(" (left navigation key)")
                                                             : QString();
        return QStringLiteral("Search product: %1 %2, R$ %3%4")
            .arg(products->FieldByName(QStringLiteral("CODIGO"))->AsString(),
                 products->FieldByName(QStringLiteral("NOME"))->AsString(),
                 QLocale(QLocale::Portuguese, QLocale::Brazil)
                     .toString(products->FieldByName(QStringLiteral("PRECO"))->Value().toDouble(), 'f', 2),
                 direction);
    },
});
