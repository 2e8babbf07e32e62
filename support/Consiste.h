// Small helpers the dialogs share.
#pragma once

#include "platform/rtl/Export.h"

#include <QString>
#include <QVariant>

namespace TouchDialogs {

// True when the text holds nothing to show: empty or only blanks.
bool EmptyString(const QString &Text);

QVariant iif(bool Cond, const QVariant &TrueValue, const QVariant &FalseValue);

} // namespace TouchDialogs
