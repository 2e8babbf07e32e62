#include "platform/forms/LayoutLoader.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/rtl/Modules.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QRegularExpression>

namespace TouchDialogs {

static QHash<QString, LayoutLoader::Factory> &registry()
{
    static QHash<QString, LayoutLoader::Factory> classes = [] {
        QHash<QString, LayoutLoader::Factory> c;
        c.insert(QStringLiteral("TSpeedButton"), [](QWidget *p) { return new TSpeedButton(p); });
        c.insert(QStringLiteral("TLabel"), [](QWidget *p) { return new TLabel(p); });
        c.insert(QStringLiteral("TEdit"), [](QWidget *p) { return new TEdit(p); });
        c.insert(QStringLiteral("TPanel"), [](QWidget *p) { return new TPanel(p); });
        c.insert(QStringLiteral("TBevel"), [](QWidget *p) { return new TBevel(p); });
        c.insert(QStringLiteral("TImage"), [](QWidget *p) { return new TImage(p); });
        c.insert(QStringLiteral("TShape"), [](QWidget *p) { return new TShape(p); });
        c.insert(QStringLiteral("TTimer"), [](QWidget *p) { return new TTimer(p); });
        return c;
    }();
    return classes;
}

void LayoutLoader::registerClass(const QString &className, Factory factory)
{
    registry().insert(className, std::move(factory));
}

LayoutLoader::LayoutLoader(TForm *form) : m_form(form) {}

QWidget *LayoutLoader::createWidget(const QString &className, QWidget *parent, const QString &name)
{
    if (!parent && !m_rootTaken) {
        m_rootTaken = true;
        m_form->setObjectName(name);
        return m_form;
    }
    QWidget *w = nullptr;
    const auto it = registry().constFind(className);
    if (it != registry().constEnd())
        w = (*it)(parent);
    else
        w = QUiLoader::createWidget(className, parent, name);
    if (!w)
        throw Exception(QStringLiteral("Layout of %1: unknown control class %2").arg(m_form->className(), className));
    w->setObjectName(name);
    return w;
}

void LayoutLoader::loadInto(const QString &resourceName)
{
    QFile file(ResourcePath(QStringLiteral("layouts/") + resourceName));
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Layout %1 not found").arg(resourceName));
    const QByteArray text = file.readAll();
    // Qt 6.4 reads an empty set as -1, Qt 6.8 not at all: the same layout
    // would differ by Qt version, so it must name its empty value.
    static const QRegularExpression emptySet(QStringLiteral("<set\\s*/>|<set>\\s*</set>"));
    if (emptySet.match(QString::fromUtf8(text)).hasMatch())
        throw Exception(QStringLiteral("Layout %1: an empty <set> is not read by every Qt; write its empty value "
                                       "(BorderIcons: biNone)")
                            .arg(resourceName));
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    QWidget *root = load(&buffer, nullptr);
    if (root != m_form)
        throw Exception(QStringLiteral("Layout %1: %2").arg(resourceName, errorString()));
}

} // namespace TouchDialogs
