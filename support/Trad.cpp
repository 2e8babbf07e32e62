#include "support/Trad.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"

#include <QCoreApplication>

namespace TouchDialogs {

static QString tr(const QByteArray &context, const QString &text)
{
    if (text.isEmpty())
        return text;
    return QCoreApplication::translate(context.constData(), text.toUtf8().constData());
}

void Trad(TForm *Form)
{
    if (!Form)
        return;
    const QByteArray context = Form->className().toLatin1();
    Form->setCaption(tr(context, Form->Caption()));
    for (QObject *object : Form->Components()) {
        if (auto *button = qobject_cast<TSpeedButton *>(object)) {
            const QString t = tr(context, button->Caption());
            if (t != button->Caption())
                button->setCaption(t);
        } else if (auto *label = qobject_cast<TLabel *>(object)) {
            const QString t = tr(context, label->Caption());
            if (t != label->Caption())
                label->setCaption(t);
        } else if (auto *panel = qobject_cast<TPanel *>(object)) {
            const QString t = tr(context, panel->Caption());
            if (t != panel->Caption())
                panel->setCaption(t);
        }
        if (auto *widget = qobject_cast<QWidget *>(object)) {
            const QString hint = widget->toolTip();
            const QString t = tr(context, hint);
            if (t != hint)
                widget->setToolTip(t);
        }
    }
}

} // namespace TouchDialogs
