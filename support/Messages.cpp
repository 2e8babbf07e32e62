#include "support/Messages.h"

namespace TouchDialogs {

TMessages::TMessages(QWidget *parent) : QWidget(parent)
{
    setVisible(false);
    setAttribute(Qt::WA_DontShowOnScreen);
}

QString TMessages::Msg(const QString &Key) const
{
    for (const QString &line : m_lines) {
        const qsizetype bar = line.indexOf(u'|');
        if (bar >= 0 && QStringView(line).left(bar) == Key)
            return line.mid(bar + 1);
    }
    return {};
}

} // namespace TouchDialogs
