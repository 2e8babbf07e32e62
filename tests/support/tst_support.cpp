#include "platform/db/ClientDataSet.h"
#include "platform/db/RecordStore.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "support/Consiste.h"
#include "support/IdleOrders.h"
#include "support/Messages.h"
#include "support/SupportUnit.h"
#include "support/Touch.h"
#include "support/Trad.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
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

    // The orders a form will want are built on another thread while the records
    // may change or be asked for meanwhile: whatever happens in between, every
    // order and typed search gives what a dataset that never built ahead gives.
    void ordersBuiltAhead_data()
    {
        QTest::addColumn<QString>("meanwhile");
        for (const char *what : {"nothing", "insert", "edit", "delete", "order by GRUPO", "search", "close"})
            QTest::newRow(what) << QString::fromLatin1(what);
    }

    void ordersBuiltAhead()
    {
        QFETCH(QString, meanwhile);
        static const QByteArray json = [] {
            QRandomGenerator random(7);
            const QStringList syllables{"ca", "f\u00E9", "Pa", "\u00E7o", "BO", "la", "mi", "Nha", "de", "\u00E1"};
            const auto pick = [&] { return syllables[random.bounded(int(syllables.size()))]; };
            QByteArray out = R"({"fields":[{"name":"ID","type":"integer"},{"name":"NOME","type":"string","size":20},)"
                             R"({"name":"GRUPO","type":"string","size":10}],"records":[)";
            for (int i = 0; i < 10000; ++i) // enough for the work to outlast a step
                out += (i ? "," : "") + QStringLiteral(R"([%1,"%2","%3"])").arg(i).arg(pick() + pick() + pick() + pick(), pick()).toUtf8();
            return out + "]}";
        }();
        const auto make = [](TClientDataSet &ds) {
            ds.fromJson(json);
            ds.IndexDefs().Add(QStringLiteral("NOME"), QStringLiteral("NOME"));
            ds.IndexDefs().Add(QStringLiteral("GRUPO"), QStringLiteral("GRUPO;ID"));
            ds.setIndexName(QStringLiteral("NOME"));
        };
        // Each change touches a record that the searches below find.
        const auto act = [&](TClientDataSet &ds) {
            const auto toSearched = [&] {
                for (ds.First(); !ds.Fields(1)->AsString().startsWith(QLatin1String("Pa")); ds.Next()) {
                }
            };
            if (meanwhile == QLatin1String("insert")) {
                ds.Insert();
                ds.Fields(0)->setValue(-1);
                ds.Fields(1)->setValue(QStringLiteral("Pamonha"));
                ds.Fields(2)->setValue(QStringLiteral("\u00E7o"));
                ds.Post();
            } else if (meanwhile == QLatin1String("edit")) {
                toSearched();
                ds.Edit();
                ds.Fields(1)->setValue(QStringLiteral("Zz"));
                ds.Fields(2)->setValue(QStringLiteral("aaa"));
                ds.Post();
            } else if (meanwhile == QLatin1String("delete")) {
                toSearched();
                ds.Delete();
            } else if (meanwhile == QLatin1String("order by GRUPO")) {
                ds.setIndexName(QStringLiteral("GRUPO"));
            } else if (meanwhile == QLatin1String("search")) {
                ds.setFilter(QStringLiteral("ID % 2 = 0 AND UPPER(NOME) LIKE 'PA%'"));
                ds.setFiltered(true);
            }
        };
        const auto ids = [](TClientDataSet &ds) {
            QList<int> out;
            for (int r = 0; r < ds.RecordCount(); ++r)
                out << ds.viewValue(r, 0).toInt();
            return out;
        };
        const auto views = [&](TClientDataSet &ds) {
            QList<QList<int>> out;
            for (const char *order : {"GRUPO", "NOME"})
                for (const char *filter : {"", "UPPER(NOME) LIKE 'PA%'", "UPPER(GRUPO) LIKE '\u00C7O%'"}) {
                    ds.setIndexName(QString::fromLatin1(order));
                    ds.setFilter(QString::fromUtf8(filter));
                    ds.setFiltered(*filter != 0);
                    out << ids(ds);
                }
            return out;
        };

        TClientDataSet ahead, plain;
        make(ahead);
        make(plain);
        act(plain);
        bool waited = false;
        for (int step = 0, next; step >= 0; step = next) {
            next = prepareOrder(ahead, step);
            if (next == step && !waited) {
                waited = true;
                if (meanwhile == QLatin1String("close"))
                    return ahead.Close(); // ends the work before the records go
                act(ahead);
                QCOMPARE(ids(ahead), ids(plain)); // a search meanwhile reads the values one by one
            }
            if (next == step)
                QThread::msleep(1);
        }
        QVERIFY2(waited, "nothing was built on another thread");
        // Each index's order and the typed search on its field are kept now.
        for (int i = 0; i < ahead.IndexDefs().Count(); ++i) {
            const db::SortKeys keys = OrdersAhead::indexKeys(ahead, i);
            QVERIFY(OrdersAhead::orderReady(ahead, keys));
            QVERIFY(OrdersAhead::prefixOrderReady(ahead, keys.front().field, false));
        }
        QCOMPARE(views(ahead), views(plain));
    }
};

QTEST_MAIN(TestSupport)
#include "tst_support.moc"
