#include "platform/rtl/Exceptions.h"

namespace TouchDialogs {

Exception::Exception(const QString &message)
    : m_message(message), m_utf8(message.toStdString())
{
}

EAbort::EAbort() : Exception(QStringLiteral("Operation aborted")) {}

void Abort()
{
    throw EAbort();
}

} // namespace TouchDialogs
