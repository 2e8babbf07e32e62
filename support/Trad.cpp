#include "support/Trad.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "support/Messages.h"
#include "support/Touch.h"

#include <QCoreApplication>

namespace TouchDialogs {

static QString tr(const QByteArray &context, const QString &text)
{
    if (text.isEmpty())
        return text;
    return QCoreApplication::translate(context.constData(), text.toUtf8().constData());
}

// The catalogue's texts, keys untouched: Msg then answers in the user's language.
static void translateCatalogue(const QByteArray &context, TMessages &messages)
{
    QStringList lines = messages.Messages();
    bool changed = false;
    for (QString &line : lines) {
        const qsizetype bar = line.indexOf(u'|');
        if (bar < 0)
            continue;
        const QString text = line.mid(bar + 1);
        const QString t = tr(context, text);
        if (t != text) {
            line = line.left(bar + 1) + t;
            changed = true;
        }
    }
    if (changed)
        messages.setMessages(lines);
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
        } else if (auto *messages = qobject_cast<TMessages *>(object)) {
            translateCatalogue(context, *messages);
        }
        if (auto *touch = qobject_cast<TTouchButton *>(object)) {
            // The hint is kept apart from the tooltip while it is not shown.
            const QString t = tr(context, touch->Hint());
            if (t != touch->Hint())
                touch->setHint(t);
        } else if (auto *widget = qobject_cast<QWidget *>(object)) {
            const QString hint = widget->toolTip();
            const QString t = tr(context, hint);
            if (t != hint)
                widget->setToolTip(t);
        }
    }
}

} // namespace TouchDialogs
