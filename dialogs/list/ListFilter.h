// The filter text of the list builder: the host's base filter AND a prefix
// condition on one field.
#pragma once

#include "platform/db/FilterText.h"
#include "platform/rtl/Export.h"

#include <QString>

namespace TouchDialogs::list {

// stFiltroBase [" AND "] UPPER(N) LIKE 'TEXT%' (see prefixSearchFilter),
// with this unit's Condicao choosing the connector.
QString MontaFiltro(const QString &stFiltroBase, const QString &N, const QString &searchText);
// The same, comparing the text with that view of the field.
QString MontaFiltro(const QString &stFiltroBase, const QString &N, const QString &searchText, db::PrefixView view);

} // namespace TouchDialogs::list
