// Strings and numbers as the dialogs need them. Case conversion is ASCII
// only: "Ç" and "ç" (and every other non-ASCII letter) pass unchanged.
#pragma once

#include <TouchDialogs/Export.h>

#include <QString>

namespace TouchDialogs {

TD_EXPORT QString UpperCase(const QString &s);
TD_EXPORT QString LowerCase(const QString &s);
TD_EXPORT QChar UpCase(QChar c);
TD_EXPORT QChar LowCase(QChar c);

// Whole decimal number with optional sign and surrounding blanks;
// anything else raises EConvertError.
TD_EXPORT int StrToInt(const QString &s);
// Decimal number whose separator is the comma ("1,5"); raises EConvertError.
TD_EXPORT double StrToFloat(const QString &s);
TD_EXPORT QString IntToStr(qint64 value);

} // namespace TouchDialogs
