#include "support/Consiste.h"

namespace TouchDialogs {

bool EmptyString(const QString &Text)
{
    for (QChar c : Text)
        if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n')
            return false;
    return true;
}

QVariant iif(bool Cond, const QVariant &TrueValue, const QVariant &FalseValue)
{
    return Cond ? TrueValue : FalseValue;
}

} // namespace TouchDialogs
