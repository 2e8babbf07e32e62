#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "support/Consiste.h"
#include "support/Messages.h"
#include "support/SupportUnit.h"
#include "support/Touch.h"
#include "support/Trad.h"

#include <QCoreApplication>
#include <QTest>
#include <QTranslator>

using namespace TouchDialogs;

// Translates a few texts for one context, as a .qm would.
class FakeTranslator : public QTranslator {
public:
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (QByteArray(context) != "TfrmTradProbe")
            return {};
        const QByteArray s(source);
        if (s == "Exit") return QStringLiteral("Sair");
        if (s == "&Yes") return QStringLiteral("&Sim");
        if (s == "Title") return QStringLiteral("Título");
        if (s == "Tip") return QStringLiteral("Dica");
        return {};
    }
    bool isEmpty() const override { return false; }
};

class TfrmTradProbe : public TForm {
    Q_OBJECT
public:
    TfrmTradProbe()
    {
        setCaption(QStringLiteral("Title"));
        exitButton = new TSpeedButton(this);
        exitButton->setObjectName(QStringLiteral("spdSair"));
        exitButton->setCaption(QStringLiteral("Exit"));
        yes = new TTouchButton(this);
        yes->setObjectName(QStringLiteral("Yes"));
        yes->setCaption(QStringLiteral("&Yes"));
        yes->setHint(QStringLiteral("Tip"));
        yes->setShowHint(true);
        label = new TLabel(this);
        label->setObjectName(QStringLiteral("lblOther"));
        label->setCaption(QStringLiteral("Untranslated"));
        quiet = new TTouchButton(this);
        quiet->setObjectName(QStringLiteral("No"));
        quiet->setHint(QStringLiteral("Tip"));
        messages = new TMessages(this);
        messages->setObjectName(QStringLiteral("msgPadrao"));
        messages->setMessages({QStringLiteral("Exit|Exit"), QStringLiteral("Other|Untranslated")});
    }
    TSpeedButton *exitButton;
    TTouchButton *yes;
    TLabel *label;
    TTouchButton *quiet; // its hint not shown
    TMessages *messages;
};

class TestSupport : public QObject {
    Q_OBJECT
private slots:
    void msg_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("found") << "Quant_Inf" << "Quantidade deve ser informada.";
        QTest::newRow("trailing spaces kept") << "Filial" << "Filial ";
        QTest::newRow("text with a bar") << "Pipe" << "a|b";
        QTest::newRow("key is exact, not a prefix") << "Quant" << "";
        QTest::newRow("case matters") << "quant_inf" << "";
        QTest::newRow("unknown key") << "Nada" << "";
        QTest::newRow("empty text") << "Vazio" << "";
    }
    void msg()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        TMessages messages;
        messages.setMessages({QStringLiteral("Filial|Filial "), QStringLiteral("Quant_Inf|Quantidade deve ser informada."),
                              QStringLiteral("Pipe|a|b"), QStringLiteral("Vazio|"), QStringLiteral("no bar at all")});
        QCOMPARE(messages.Msg(key), text);
    }

    void emptyString_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("empty");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("spaces") << "   " << true;
        QTest::newRow("line breaks") << "\r\n" << true;
        QTest::newRow("text") << "a" << false;
        QTest::newRow("padded text") << "  a  " << false;
        QTest::newRow("at sign") << "@" << false;
    }
    void emptyString()
    {
        QFETCH(QString, text);
        QFETCH(bool, empty);
        QCOMPARE(EmptyString(text), empty);
    }

    void iifPicksByCondition()
    {
        QCOMPARE(iif(true, 1, QStringLiteral("x")), QVariant(1));
        QCOMPARE(iif(false, 1, QStringLiteral("x")), QVariant(QStringLiteral("x")));
    }

    void tradWithoutTranslationChangesNothing()
    {
        TfrmTradProbe form;
        Trad(&form);
        QCOMPARE(form.Caption(), QStringLiteral("Title"));
        QCOMPARE(form.exitButton->Caption(), QStringLiteral("Exit"));
        QCOMPARE(form.yes->Caption(), QStringLiteral("&Yes"));
        QCOMPARE(form.yes->Hint(), QStringLiteral("Tip"));
        QCOMPARE(form.messages->Msg(QStringLiteral("Exit")), QStringLiteral("Exit"));
    }

    void tradTranslatesInTheFormsContext()
    {
        FakeTranslator translator;
        QCoreApplication::installTranslator(&translator);
        TfrmTradProbe form;
        Trad(&form);
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(form.Caption(), QString::fromUtf8("Título"));
        QCOMPARE(form.exitButton->Caption(), QStringLiteral("Sair"));
        QCOMPARE(form.yes->Caption(), QStringLiteral("&Sim"));
        QCOMPARE(form.yes->toolTip(), QStringLiteral("Dica"));
        QCOMPARE(form.quiet->Hint(), QStringLiteral("Dica"));
        QVERIFY(form.quiet->toolTip().isEmpty());
        QCOMPARE(form.label->Caption(), QStringLiteral("Untranslated"));
        // catalogue texts, not keys
        QCOMPARE(form.messages->Msg(QStringLiteral("Exit")), QStringLiteral("Sair"));
        QCOMPARE(form.messages->Msg(QStringLiteral("Other")), QStringLiteral("Untranslated"));
    }

    void touchButtonClickFiresWithItselfAsSender()
    {
        TTouchButton button;
        QObject *sender = nullptr;
        button.OnClick = [&](QObject *s) { sender = s; };
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(sender, &button);
        button.setEnabled(false);
        sender = nullptr;
        button.Click(); // runs the handler, enabled or not
        QCOMPARE(sender, &button);
        QCOMPARE(button.focusPolicy(), Qt::NoFocus);
    }
};

QTEST_MAIN(TestSupport)
#include "tst_support.moc"
