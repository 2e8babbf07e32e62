// Every shipped layout builds the same form whether compiled into the library
// or read at run time from a language pack: the same objects in the same
// order, each with the same properties (Qt's, ours and the layout's dynamic
// ones), pictures and bound events, at scale 1 and 1.5.
#include "dialogs/colour/TfrmCores.h"
#include "dialogs/keyboard/TFrmTecladoAlfas.h"
#include "dialogs/list/TfrmConstrucaoLista.h"
#include "dialogs/message/TfrmMessageDlg.h"
#include "dialogs/quantity/TfrmQuantidade.h"
#include "dialogs/search/TfrmPesquisa.h"
#include "frame/Frame.h"
#include "platform/grid/DBGrid.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "tests/common/TestSupport.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QIcon>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QResource>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;

namespace {

const std::map<QString, std::function<std::unique_ptr<TForm>()>> &forms()
{
    static const std::map<QString, std::function<std::unique_ptr<TForm>()>> all{
        {QStringLiteral("TFRMMESSAGEDLG"), [] { return std::make_unique<TfrmMessageDlg>(nullptr); }},
        {QStringLiteral("TFRMTECLADOALFAS"), [] { return std::make_unique<TFrmTecladoAlfas>(); }},
        {QStringLiteral("TFRMPESQUISA"), [] { return std::make_unique<TfrmPesquisa>(); }},
        {QStringLiteral("TFRMCORES"), [] { return std::make_unique<TfrmCores>(); }},
        {QStringLiteral("TFRMQUANTIDADE"), [] { return std::make_unique<TfrmQuantidade>(nullptr); }},
        {QStringLiteral("TFRMCONSTRUCAOLISTA"), [] { return std::make_unique<TfrmConstrucaoLista>(); }},
    };
    return all;
}

QString imageKey(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    return QString::fromLatin1(QCryptographicHash::hash(QByteArrayView(argb.constBits(), argb.sizeInBytes()),
                                                        QCryptographicHash::Sha1)
                                   .toHex()
                                   .left(12))
           + u'@' + QString::number(image.width()) + u'x' + QString::number(image.height());
}

// A value as text; pictures by what they show (their cache keys differ).
QString text(const QVariant &value)
{
    if (value.metaType().flags() & QMetaType::PointerToQObject) {
        const QObject *object = value.value<QObject *>();
        return object ? QLatin1String(object->metaObject()->className()) + u' ' + object->objectName()
                      : QStringLiteral("null");
    }
    if (value.metaType() == QMetaType::fromType<QPixmap>())
        return imageKey(value.value<QPixmap>().toImage());
    if (value.metaType() == QMetaType::fromType<QIcon>()) {
        const QIcon icon = value.value<QIcon>();
        QString key = QStringLiteral("icon");
        for (const QSize &size : icon.availableSizes())
            key += u' ' + imageKey(icon.pixmap(size).toImage());
        return key;
    }
    QString s;
    QDebug(&s).nospace() << value;
    return s;
}

// What Qt's run-time loader leaves on a form it built (for retranslating,
// unused here): the compiled build has none.
bool isLoaderHelper(const QObject *o)
{
    return QByteArrayView(o->metaObject()->className()).startsWith("QFormInternal::");
}

// The events of an object that are bound to a handler.
QStringList boundEvents(QObject *o)
{
    QStringList on;
    const auto note = [&](const char *event, bool bound) {
        if (bound)
            on << QLatin1String(event);
    };
    if (auto *form = qobject_cast<TForm *>(o)) {
        note("OnCreate", bool(form->OnCreate));
        note("OnActivate", bool(form->OnActivate));
        note("OnShow", bool(form->OnShow));
        note("OnClose", bool(form->OnClose));
        note("OnKeyDown", bool(form->OnKeyDown));
        note("OnKeyPress", bool(form->OnKeyPress));
    }
    if (auto *keys = dynamic_cast<KeyControl *>(o)) {
        note("OnKeyDown", bool(keys->OnKeyDown));
        note("OnKeyPress", bool(keys->OnKeyPress));
    }
    if (auto *button = qobject_cast<TSpeedButton *>(o))
        note("OnClick", bool(button->OnClick));
    if (auto *shape = qobject_cast<TShape *>(o))
        note("OnMouseDown", bool(shape->OnMouseDown));
    if (auto *timer = qobject_cast<TTimer *>(o))
        note("OnTimer", bool(timer->OnTimer));
    if (auto *grid = qobject_cast<TDBGrid *>(o)) {
        note("OnTitleClick", bool(grid->OnTitleClick));
        note("OnDblClick", bool(grid->OnDblClick));
    }
    return on;
}

// The tree under o, one line per object and property, depth first in
// creation order.
void describe(QObject *o, const QString &path, QWidget *form, QStringList &out)
{
    const QMetaObject *meta = o->metaObject();
    out << path + u' ' + QLatin1String(meta->className());
    for (int i = 0; i < meta->propertyCount(); ++i)
        out << path + u'.' + QLatin1String(meta->property(i).name()) + u'=' + text(meta->property(i).read(o));
    for (const QByteArray &name : o->dynamicPropertyNames())
        out << path + u'.' + QLatin1String(name) + u'=' + text(o->property(name));
    if (o->isWidgetType())
        out << path + QStringLiteral(" visibleToForm=")
                   + QLatin1String(static_cast<QWidget *>(o)->isVisibleTo(form) ? "true" : "false");
    out << path + QStringLiteral(" events=") + boundEvents(o).join(u',');
    for (QObject *child : o->children())
        if (!isLoaderHelper(child))
            describe(child, path + u'/' + child->objectName(), form, out);
}

QStringList describe(TForm &form)
{
    QStringList out;
    describe(&form, form.objectName(), &form, out);
    return out;
}

} // namespace

class tst_CompiledLayouts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Initialize(); }
    void cleanupTestCase() { Finalize(); }
    void cleanup() { Application::setExtensions(Extensions{}); }

    void sameFormBothWays_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<double>("scale");
        // Every layout shipped and every form: each needs the other.
        QStringList layouts = QDir(QStringLiteral(":/layouts")).entryList();
        for (const auto &form : forms())
            layouts << form.first;
        layouts.removeDuplicates();
        for (const QString &layout : layouts)
            for (double scale : {1.0, 1.5})
                QTest::addRow("%s at %g", qPrintable(layout), scale) << layout << scale;
    }

    void sameFormBothWays()
    {
        QFETCH(QString, layout);
        QFETCH(double, scale);
        const auto form = forms().find(layout);
        QVERIFY2(form != forms().end(), "a shipped layout no form is built from");
        Extensions extensions = Application::extensions();
        extensions.scale = scale;
        Application::setExtensions(extensions);

        // A layout the run-time loader refuses (an empty <set>) fails here with its message.
        QString error;
        const auto build = [&]() -> std::unique_ptr<TForm> {
            try {
                return form->second();
            } catch (const Exception &e) {
                error = e.Message();
                return nullptr;
            }
        };
        const auto compiled = build();
        QVERIFY2(compiled, qPrintable(error));
        const QStringList fromLibrary = describe(*compiled);

        // The pack's copy is the library's own, marked to tell which one was built.
        QFile file(QStringLiteral(":/layouts/") + layout);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray ui = file.readAll();
        ui.insert(ui.indexOf('>', ui.indexOf("<widget ")) + 1,
                  "<property name=\"fromPack\" stdset=\"0\"><bool>true</bool></property>");
        QTemporaryDir dir;
        const QString pack = dir.filePath(QStringLiteral("pack.rcc"));
        QVERIFY(writeLanguagePack(pack, ui, QStringLiteral("layouts/") + layout));
        QVERIFY(QResource::registerResource(pack, QStringLiteral("/lang")));
        const auto unregister = qScopeGuard([&] { QResource::unregisterResource(pack, QStringLiteral("/lang")); });
        const auto readFromPack = build();
        QVERIFY2(readFromPack, qPrintable(error));
        QStringList fromPack = describe(*readFromPack);

        QVERIFY2(std::none_of(compiled->children().cbegin(), compiled->children().cend(), isLoaderHelper),
                 "the library's layout was read at run time");
        const QString marker = readFromPack->objectName() + QStringLiteral(".fromPack=") + text(true);
        QVERIFY2(fromPack.removeAll(marker) == 1, "the language pack's layout was not used");
        for (int i = 0; i < std::min(fromLibrary.size(), fromPack.size()); ++i)
            QCOMPARE(fromLibrary[i], fromPack[i]);
        QCOMPARE(fromLibrary.size(), fromPack.size());
    }
};

QTEST_MAIN(tst_CompiledLayouts)
#include "tst_compiledlayouts.moc"
