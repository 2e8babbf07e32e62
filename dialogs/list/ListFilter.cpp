#include "dialogs/list/ListFilter.h"
#include "dialogs/list/ListUnit.h"
#include "support/SearchFilter.h"

namespace TouchDialogs::list {

QString MontaFiltro(const QString &stFiltroBase, const QString &N, const QString &searchText)
{
    return prefixSearchFilter(stFiltroBase, N, searchText, Condicao);
}

QString MontaFiltro(const QString &stFiltroBase, const QString &N, const QString &searchText, db::PrefixView view)
{
    return prefixSearchFilter(stFiltroBase, N, searchText, Condicao, view);
}

} // namespace TouchDialogs::list
