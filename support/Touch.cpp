#include "support/Touch.h"

namespace TouchDialogs {

TTouchButton::TTouchButton(QWidget *parent) : TSpeedButton(parent)
{
    setToolButtonStyle(Qt::ToolButtonTextOnly);
}

void TTouchButton::setHint(const QString &hint)
{
    m_hint = hint;
    setToolTip(m_showHint ? hint : QString());
}

void TTouchButton::setShowHint(bool on)
{
    m_showHint = on;
    setToolTip(on ? m_hint : QString());
}

} // namespace TouchDialogs
