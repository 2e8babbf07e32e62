#include "support/Touch.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

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

bool TTouchButton::captionNeedsWrap() const
{
    if (toolButtonStyle() != Qt::ToolButtonTextOnly || text().isEmpty())
        return false;
    const int room = width() - 2 * kCaptionMargin;
    return fontMetrics().size(Qt::TextShowMnemonic, text()).width() > room;
}

void TTouchButton::paintEvent(QPaintEvent *event)
{
    if (!captionNeedsWrap()) {
        TSpeedButton::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text.clear();
    drawButton(painter, option);
    const QRect room = rect().adjusted(kCaptionMargin, 0, -kCaptionMargin, 0);
    painter.drawItemText(room, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, palette(), isEnabled(),
                         text(), QPalette::ButtonText);
}

} // namespace TouchDialogs
