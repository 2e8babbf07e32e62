#include "dialogs/list/ListFilter.h"
#include "dialogs/list/ListUnit.h"
#include "platform/rtl/SysUtils.h"

namespace TouchDialogs::list {

static bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

bool hasOr(const QString &expression)
{
    const qsizetype n = expression.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = expression.at(i);
        if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            // Quoted text or name: skip to its end (a doubled quote stays inside).
            const QChar close = c == u'[' ? QChar(u']') : c;
            ++i;
            while (i < n) {
                if (expression.at(i) == close) {
                    if (close != u']' && i + 1 < n && expression.at(i + 1) == close) {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            ++i;
        } else if (isWordChar(c)) {
            const qsizetype start = i;
            while (i < n && isWordChar(expression.at(i)))
                ++i;
            if (i - start == 2 && expression.mid(start, 2).compare(QLatin1String("OR"), Qt::CaseInsensitive) == 0)
                return true;
        } else {
            ++i;
        }
    }
    return false;
}

QString MontaFiltro(const QString &stFiltroBase, const QString &N, const QString &searchText)
{
    const QString base = hasOr(stFiltroBase) ? QStringLiteral("(%1)").arg(stFiltroBase) : stFiltroBase;
    return base + Condicao(!stFiltroBase.isEmpty(), QStringLiteral(" AND "), QString()) + QStringLiteral("UPPER(") + N
           + QStringLiteral(") LIKE '") + UpperCase(searchText) + QStringLiteral("%'");
}

} // namespace TouchDialogs::list
