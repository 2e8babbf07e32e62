#include "support/ScanBurst.h"

namespace TouchDialogs {

void ScanBurst::typed(QChar character, quint64 t)
{
    if (!follows(t))
        m_run.clear();
    m_run += character;
    m_last = t;
}

QString ScanBurst::enter(quint64 t)
{
    const QString code = follows(t) && m_run.size() >= kMinLength ? m_run : QString();
    m_run.clear();
    m_last = 0;
    return code;
}

} // namespace TouchDialogs
