#include "platform/forms/LayoutLoader.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/rtl/Modules.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>

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
    applyFontHeights();
    applyScale();
    bindEvents();
}

// A .ui font has a point size only; the layouts give character heights in
// pixels as the dynamic property "fontHeight" (and "titleFontHeight" for the
// TitleFont of a grid).
void LayoutLoader::applyFontHeights()
{
    QList<QWidget *> widgets{m_form};
    widgets += m_form->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        const QVariant height = w->property("fontHeight");
        if (height.isValid()) {
            QFont f = w->font();
            f.setPixelSize(std::max(1, m_form->scaled(height.toInt())));
            w->setFont(f);
        }
        const QVariant titleHeight = w->property("titleFontHeight");
        const QVariant titleFont = w->property("TitleFont");
        if (titleHeight.isValid() && titleFont.canConvert<QFont>()) {
            QFont f = titleFont.value<QFont>();
            f.setPixelSize(std::max(1, m_form->scaled(titleHeight.toInt())));
            w->setProperty("TitleFont", f);
        }
    }
}

// Every rectangle of the layout at the form's scale, each number rounded on
// its own, so a component stands where the factor puts its designed place.
void LayoutLoader::applyScale()
{
    m_form->m_designedSize = m_form->size();
    if (m_form->scale() == 1.0)
        return;
    m_form->setGeometry(m_form->scaled(m_form->geometry()));
    for (QWidget *w : m_form->findChildren<QWidget *>()) {
        // The layout's components; a control's own parts (a grid's headers
        // and scroll bars) follow their control.
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        w->setGeometry(m_form->scaled(w->geometry()));
        if (auto *scalable = dynamic_cast<Scalable *>(w))
            scalable->applyScale(m_form->scale());
    }
}

void LayoutLoader::bindEvents()
{
    QList<QObject *> objects{m_form};
    objects += m_form->findChildren<QObject *>();
    for (QObject *object : objects) {
        for (const QByteArray &property : object->dynamicPropertyNames()) {
            if (property.size() < 3 || !property.startsWith("on") || !QChar(property.at(2)).isUpper())
                continue;
            const QString handler = object->property(property).toString();
            auto *bindable = dynamic_cast<EventBindable *>(object);
            if (!bindable || !bindable->bindEvent(property, *m_form, handler))
                throw Exception(QStringLiteral("Layout of %1: %2 has no event %3")
                                    .arg(m_form->className(), object->objectName(), QString::fromLatin1(property)));
        }
    }
}

} // namespace TouchDialogs
