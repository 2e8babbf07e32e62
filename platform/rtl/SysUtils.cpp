#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Exceptions.h"

#include <QLocale>
#include <cmath>

namespace TouchDialogs {

QChar UpCase(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') ? QChar(char16_t(u - 32)) : c;
}

QChar LowCase(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') ? QChar(char16_t(u + 32)) : c;
}

QString UpperCase(const QString &s)
{
    QString r = s;
    for (QChar &c : r)
        c = UpCase(c);
    return r;
}

QString LowerCase(const QString &s)
{
    QString r = s;
    for (QChar &c : r)
        c = LowCase(c);
    return r;
}

static EConvertError notValid(const QString &s, const char *what)
{
    return EConvertError(QStringLiteral("'%1' is not a valid %2").arg(s, QLatin1String(what)));
}

int StrToInt(const QString &s)
{
    const QString t = s.trimmed();
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    if (!ok || t.isEmpty())
        throw notValid(s, "integer value");
    return v;
}

double StrToFloat(const QString &s)
{
    QString t = s.trimmed();
    // The decimal separator is the comma; a point is not accepted as one.
    if (t.isEmpty() || t.contains(u'.'))
        throw notValid(s, "floating point value");
    for (QChar c : t) {
        if (!(c.isDigit() || c == u',' || c == u'-' || c == u'+' || c == u'e' || c == u'E'))
            throw notValid(s, "floating point value");
    }
    t.replace(u',', u'.');
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        throw notValid(s, "floating point value");
    return v;
}

QString IntToStr(qint64 value)
{
    return QString::number(value);
}

} // namespace TouchDialogs
