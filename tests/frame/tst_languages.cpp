// The six dialogs in each shipped language, as a host that picks the
// language before Initialize sees them: every text the user can see comes
// from that language, and every caption fits its key.
#include "frame/Frame.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "support/Messages.h"
#include "support/Touch.h"
#include "tests/common/TestSupport.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>
#include <functional>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;

namespace {

const QString kTitle = QStringLiteral("Caixa 1");
// What the host passes in: shown as given in every language.
const QSet<QString> kHostTexts{QStringLiteral("Fechar a mesa 12?"), QStringLiteral("Mesa 4"),
                               QStringLiteral("Nome da mesa"), QStringLiteral("Escolha o produto"),
                               QStringLiteral("Quantos?"), QStringLiteral("Monte o pedido"), QStringLiteral("Mais"), kTitle};

// The sources and the translations of a shipped .ts file.
struct TsTexts {
    QSet<QString> sources, translations;
};

TsTexts readTs(const QString &language)
{
    TsTexts texts;
    QFile file(QStringLiteral(TD_SOURCE_DIR "/translations/touchdialogs_%1.ts").arg(language));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("source"))
            texts.sources << xml.readElementText().trimmed();
        else if (xml.name() == QLatin1String("translation"))
            texts.translations << xml.readElementText().trimmed();
    }
    return texts;
}

struct Seen {
    QString where, text;
};

// Everything of a form that carries text for the user: captions of what is
// shown, hints and tooltips, the catalogue; layout placeholders (a caption
// that is the component's own name) are covered and left out.
void collect(QWidget *form, QList<Seen> &seen, QStringList &overflowing)
{
    const QString formName = form->objectName();
    seen << Seen{formName, form->windowTitle()};
    for (QWidget *w : form->findChildren<QWidget *>()) {
        const QString where = formName + u'.' + w->objectName();
        if (auto *messages = qobject_cast<TMessages *>(w)) {
            for (const QString &line : messages->Messages())
                seen << Seen{where, line.section(u'|', 1)};
            continue;
        }
        if (!w->isVisibleTo(form))
            continue;
        QString caption;
        if (auto *button = qobject_cast<TSpeedButton *>(w))
            caption = button->Caption();
        else if (auto *label = qobject_cast<TLabel *>(w))
            caption = label->Caption();
        else if (auto *panel = qobject_cast<TPanel *>(w))
            caption = panel->Caption() == w->objectName() ? QString() : panel->Caption();
        seen << Seen{where, caption};
        auto *touch = qobject_cast<TTouchButton *>(w);
        seen << Seen{where + QStringLiteral(" hint"), touch ? touch->Hint() : w->toolTip()};

        auto *button = qobject_cast<TSpeedButton *>(w);
        if (!button || caption.isEmpty())
            continue;
        // A caption under a glyph, or on a plain key, has one line; a touch
        // button's own caption may wrap, but only between words.
        const QString shown = QString(caption).remove(QRegularExpression(QStringLiteral("&(?!&)")));
        const int room = button->width() - 8;
        const bool wraps = touch && button->Glyph().isEmpty();
        const QStringList parts = wraps ? shown.split(u' ') : QStringList{shown};
        for (const QString &part : parts)
            if (button->fontMetrics().horizontalAdvance(part) > room)
                overflowing << where + QStringLiteral(" \"") + caption + u'"';
    }
}

} // namespace

class TestLanguages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Application::setTitle(kTitle);
        // As the loader attaches the built library: its packs lie beside it.
        frame::attach(builtLibrary());
    }
    void cleanupTestCase() { frame::detach(); }

    void everyTextInTheLanguage_data();
    void everyTextInTheLanguage();
};

void TestLanguages::everyTextInTheLanguage_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("locale");
    for (const char *dialog : {"message", "keyboard", "search", "quantity", "list", "colour"})
        for (const char *locale : {"en", "pt_BR"})
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(dialog), QLatin1String(locale))))
                << QString::fromLatin1(dialog) << QString::fromLatin1(locale);
}

void TestLanguages::everyTextInTheLanguage()
{
    QFETCH(QString, dialog);
    QFETCH(QString, locale);
    const TsTexts en = readTs(QStringLiteral("en")), pt = readTs(QStringLiteral("pt_BR"));
    // English: the dialogs' translations and the framework's own strings;
    // Portuguese: the dialogs' texts as written and the framework's translated.
    const QSet<QString> allowed = locale == QLatin1String("en") ? en.translations + pt.sources
                                                                : en.sources + pt.translations;

    QLocale::setDefault(QLocale(locale));
    Initialize();
    QList<Seen> seen;
    QStringList overflowing;
    auto look = [&](QWidget *dlg) { collect(dlg, seen, overflowing); };
    TClientDataSet data;
    data.fromJson(R"({"fields":[{"name":"CODIGO","type":"integer"},{"name":"NOME","type":"string","size":20}],
                      "records":[[1,"Café"],[2,"Coxinha"]]})");
    std::shared_ptr<bool> fired;
    if (dialog == QLatin1String("message")) {
        fired = whenModal([&](QWidget *dlg) { look(dlg); perform(dlg, QStringLiteral("touch Cancel")); });
        message::TouchMessageDlg(QStringLiteral("Fechar a mesa 12?"), message::mtConfirmation,
                                 message::TMsgDlgButtons::fromBits(0x7FF), 0, 0, QStringLiteral("Mais"));
    } else if (dialog == QLatin1String("keyboard")) {
        fired = whenModal([&](QWidget *dlg) { look(dlg); perform(dlg, QStringLiteral("key Escape")); });
        keyboard::TecladoAlfanumerico(QStringLiteral("Mesa 4"), QStringLiteral("Nome da mesa"));
    } else if (dialog == QLatin1String("search")) {
        fired = whenModal([&](QWidget *dlg) { look(dlg); perform(dlg, QStringLiteral("key Escape")); });
        search::Pesquisa(&data, QString(), QString(), QStringLiteral("Escolha o produto"), true);
    } else if (dialog == QLatin1String("quantity")) {
        // The error box for an empty entry speaks the dialog's language too.
        fired = whenModal([&](QWidget *dlg) {
            look(dlg);
            whenModal([&, dlg](QWidget *box) {
                look(box);
                perform(box, QStringLiteral("touch OK"));
                QTimer::singleShot(0, dlg, [dlg] { perform(dlg, QStringLiteral("key Escape")); });
            });
            perform(dlg, QStringLiteral("key Return"));
        });
        quantity::InfoQuantidade(QStringLiteral("Quantos?"), 0, QString());
    } else if (dialog == QLatin1String("list")) {
        fired = whenModal([&](QWidget *dlg) { look(dlg); perform(dlg, QStringLiteral("key Escape")); });
        list::ConstrucaoList(&data, QStringLiteral("Monte o pedido"));
    } else {
        fired = whenModal([&](QWidget *dlg) { look(dlg); perform(dlg, QStringLiteral("touch tcbSair")); });
        colour::EscolherCor();
    }
    Finalize();
    QLocale::setDefault(QLocale::c());
    QVERIFY(*fired);
    QVERIFY(seen.size() > 1);

    QStringList foreign;
    for (const Seen &s : std::as_const(seen)) {
        QString text = s.text.trimmed();
        if (text.startsWith(kTitle + QStringLiteral(" - "))) // the colour chooser's caption
            text = text.mid(kTitle.size() + 3);
        if (text.size() > 1 && !kHostTexts.contains(text) && !allowed.contains(text))
            foreign << s.where + QStringLiteral(" \"") + text + u'"';
    }
    QVERIFY2(foreign.isEmpty(), qPrintable(QStringLiteral("not in the language: ") + foreign.join(QStringLiteral(", "))));
    QVERIFY2(overflowing.isEmpty(), qPrintable(QStringLiteral("wider than the key: ") + overflowing.join(QStringLiteral(", "))));
}

QTEST_MAIN(TestLanguages)
#include "tst_languages.moc"
