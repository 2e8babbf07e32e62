// The filter text of the list builder: the host's base filter AND a prefix
// condition on one field, and where the base needs parentheses.
#pragma once

#include "platform/rtl/Export.h"

#include <QString>

namespace TouchDialogs::list {

// True when the expression has the keyword OR at its top level or anywhere
// outside quoted text and quoted names (any letter case).
TD_EXPORT bool hasOr(const QString &expression);

// stFiltroBase [" AND "] UPPER(N) LIKE 'TEXT%'. A base holding OR is put in
// parentheses first, so the typed text can only narrow the host's filter;
// any other base stands as it is.
TD_EXPORT QString MontaFiltro(const QString &stFiltroBase, const QString &N, const QString &searchText);

} // namespace TouchDialogs::list
