// The alphanumeric keyboard dialog end to end: TecladoAlfanumerico driven by
// real key events and touches on the named keys, as a user does it.
#include "dialogs/keyboard/KeyboardUnit.h"
#include "dialogs/keyboard/TFrmTecladoAlfas.h"
#include "frame/Frame.h"
#include "platform/forms/Controls.h"
#include "support/Messages.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;
namespace kb = TouchDialogs::keyboard;

namespace {


struct Outcome {
    QString result;
    QString labelAtEnd;       // the text line just before the last step
    QString captionsAtStart;  // letter keys when first shown
    QString windowTitle;
    bool globalWasForm = false;
    bool fired = false;
    bool stuck = false;
};

QString labelText(QWidget *dlg)
{
    return dlg->findChild<TLabel *>(QStringLiteral("lblDescricao"))->Caption();
}

// Runs the dialog with the steps; the last step should end it.
Outcome run(const QString &start, const QStringList &steps, const QString &caption = QStringLiteral("Teclado"))
{
    Outcome out;
    auto fired = whenModal([&out, steps](QWidget *dlg) {
        out.globalWasForm = dlg == kb::FrmTecladoAlfaS;
        out.captionsAtStart = letterCaptions(dlg);
        out.windowTitle = dlg->windowTitle();
        for (int i = 0; i < steps.size(); ++i) {
            if (i == steps.size() - 1)
                out.labelAtEnd = labelText(dlg);
            perform(dlg, steps.at(i));
        }
        whenLeftOpen(dlg, [dlg, &out] {
            out.stuck = true;
            static_cast<TFrmTecladoAlfas *>(dlg)->spdSairClick(dlg);
        });
    });
    out.result = kb::TecladoAlfanumerico(start, caption);
    out.fired = *fired;
    return out;
}

} // namespace

class tst_TecladoAlfanumerico : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void dialog_data();
    void dialog();
    void capsLockFromSystem_data();
    void capsLockFromSystem();
    void captionAndStartText();
    void eachCallHasAFreshForm();
    void altF4IsSwallowed_data();
    void altF4IsSwallowed();
    void keyGrid_data();
    void keyGrid();
    void captionsFitTheirKeys();
    void messageCatalogue();
    void modalRunRaisingStillFreesTheForm();
};

void tst_TecladoAlfanumerico::initTestCase()
{
    Initialize();
}

void tst_TecladoAlfanumerico::cleanupTestCase()
{
    kb::stDescricao = QStringLiteral("left over");
    Finalize();
    QVERIFY(kb::stDescricao.isEmpty());
    QVERIFY(kb::stResult.isEmpty());
    setCapsLockStateForTesting(-1);
}

void tst_TecladoAlfanumerico::init()
{
    setCapsLockStateForTesting(0);
}

void tst_TecladoAlfanumerico::cleanup()
{
    QCOMPARE(kb::FrmTecladoAlfaS, nullptr);
    QVERIFY(kb::stResult.isEmpty());
    QTRY_COMPARE(liveWidgets<TFrmTecladoAlfas>(), 0);
}

void tst_TecladoAlfanumerico::dialog_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("result");

    const QString sixty = QString(60, u'x');
    QTest::newRow("three letters touched, Enter") << "" << QStringList{"touch spdA", "touch spdB", "touch spdC", "touch spdEnter"} << "abc";
    QTest::newRow("start text, Enter at once") << "MeSa 4" << QStringList{"touch spdEnter"} << "MeSa 4";
    QTest::newRow("empty, Enter") << "" << QStringList{"touch spdEnter"} << "@";
    QTest::newRow("blanks, Enter") << "" << QStringList{"touch spdEspaco", "touch spdEspaco", "touch spdEnter"} << "@";
    QTest::newRow("empty, physical Enter") << "" << QStringList{"key Return"} << "@";
    QTest::newRow("typing, Exit") << "Mesa" << QStringList{"type abc", "touch spdSair"} << "";
    QTest::newRow("typing, Escape") << "Mesa" << QStringList{"type abc", "key Escape"} << "";
    QTest::newRow("typing, close box") << "Mesa" << QStringList{"touch spdQ", "close"} << "";
    QTest::newRow("physical typing, Enter not appended") << "" << QStringList{"type mesa 4", "key Return"} << "mesa 4";
    QTest::newRow("physical letters follow the case state") << "" << QStringList{"type AB", "key Return"} << "ab";
    QTest::newRow("physical Shift arms one capital") << "" << QStringList{"key Shift", "type ab", "key Return"} << "Ab";
    QTest::newRow("physical Caps Lock") << "" << QStringList{"key CapsLock", "type ab", "key CapsLock", "type c", "key Return"} << "ABc";
    QTest::newRow("physical c-cedilla") << "" << QStringList{"type \u00e7a\u00c7", "key Return"} << "\u00e7a\u00c7";
    QTest::newRow("minus from the keyboard") << "" << QStringList{"type a-b", "key Return"} << "a-b";
    QTest::newRow("characters outside the set") << "" << QStringList{"type a+b'c\u00e9!", "key Return"} << "abc";
    QTest::newRow("Shift then digit releases Shift") << "" << QStringList{"touch spdShift", "touch spd1", "touch spdA", "touch spdEnter"} << "1a";
    QTest::newRow("Shift twice") << "" << QStringList{"touch spdShift", "touch spdShift", "touch spdA", "touch spdEnter"} << "a";
    QTest::newRow("Caps Lock key") << "" << QStringList{"touch spdCapsLock", "touch spdA", "touch spdCCdil", "touch spd1", "touch spdEnter"} << "A\u00C71";
    QTest::newRow("C-cedilla with Shift") << "" << QStringList{"touch spdShift", "touch spdCCdil", "touch spdCCdil", "touch spdEnter"} << "\u00C7\u00E7";
    QTest::newRow("punctuation keys") << "" << QStringList{"touch spd_", "touch SpdContraBarra", "touch spdVirgula", "touch spdPonto", "touch spdBarra", "touch spdEspaco", "touch spd0", "touch spdEnter"} << "_\\,./ 0";
    QTest::newRow("h and g keys") << "" << QStringList{"touch spdH", "touch spdG", "touch spdEnter"} << "hg";
    QTest::newRow("Backspace key and physical Backspace") << "abcd" << QStringList{"touch spdBackSpace", "key Backspace", "touch spdEnter"} << "ab";
    QTest::newRow("Backspace on empty") << "" << QStringList{"touch spdBackSpace", "touch spdX", "touch spdEnter"} << "x";
    QTest::newRow("Clear key, then typing") << "abc" << QStringList{"touch spdLimpar", "touch spdZ", "touch spdEnter"} << "z";
    QTest::newRow("physical Delete clears") << "abc" << QStringList{"key Delete", "key Return"} << "@";
    QTest::newRow("60-character start, Enter") << sixty << QStringList{"touch spdA", "type b", "touch spdEnter"} << sixty;
    QStringList shorten;
    for (int i = 0; i < 11; ++i)
        shorten << "touch spdBackSpace";
    shorten << "touch spdA" << "touch spdB" << "touch spdEnter";
    QTest::newRow("60-character start, shortened below 50") << sixty << shorten << QString(49, u'x') + u'a';
    QTest::newRow("Alt+F4 does not close") << "ok" << QStringList{"key Alt+F4", "key Return"} << "ok";
    // A character outside the BMP is one character (two UTF-16 units).
    const QString pizza = QStringLiteral("\U0001F355");
    QTest::newRow("Backspace removes a whole character") << "Mesa " + pizza << QStringList{"touch spdBackSpace", "touch spdEnter"} << "Mesa ";
    QTest::newRow("physical Backspace too") << pizza + pizza << QStringList{"key Backspace", "key Return"} << pizza;
    QTest::newRow("the limit counts characters") << pizza.repeated(48) << QStringList{"type abc", "key Return"} << pizza.repeated(48) + "ab";
}

void tst_TecladoAlfanumerico::dialog()
{
    QFETCH(QString, start);
    QFETCH(QStringList, steps);
    QFETCH(QString, result);

    const Outcome out = run(start, steps);
    QVERIFY(out.fired);
    QVERIFY2(!out.stuck, "the dialog did not close at the last step");
    QVERIFY(out.globalWasForm);
    QCOMPARE(out.result, result);
    QCOMPARE(kb::stDescricao, start);
}

void tst_TecladoAlfanumerico::capsLockFromSystem_data()
{
    QTest::addColumn<int>("systemCapsLock");
    QTest::addColumn<QString>("captions");
    QTest::addColumn<QString>("typed");
    QTest::newRow("off") << 0 << kLowerLetters << "a\u00E7";
    QTest::newRow("on") << 1 << kUpperLetters << "A\u00C7";
}

void tst_TecladoAlfanumerico::capsLockFromSystem()
{
    QFETCH(int, systemCapsLock);
    QFETCH(QString, captions);
    QFETCH(QString, typed);

    setCapsLockStateForTesting(systemCapsLock);
    const Outcome out = run(QString(), {"touch spdA", "touch spdCCdil", "touch spdEnter"});
    QCOMPARE(out.captionsAtStart, captions);
    QCOMPARE(out.result, typed);
}

void tst_TecladoAlfanumerico::captionAndStartText()
{
    const Outcome out = run(QStringLiteral("Mesa 4"), {"touch spdSair"}, QStringLiteral("Informe o nome da mesa"));
    QCOMPARE(out.windowTitle, QStringLiteral("Informe o nome da mesa"));
    QCOMPARE(out.labelAtEnd, QStringLiteral("Mesa 4"));
    QCOMPARE(out.result, QString());
}

void tst_TecladoAlfanumerico::eachCallHasAFreshForm()
{
    // Caps Lock pressed on screen in one call does not carry into the next.
    Outcome first = run(QString(), {"touch spdCapsLock", "touch spdSair"});
    QCOMPARE(first.result, QString());
    Outcome second = run(QString(), {"touch spdQ", "touch spdEnter"});
    QCOMPARE(second.captionsAtStart, kLowerLetters);
    QCOMPARE(second.result, QStringLiteral("q"));
}

void tst_TecladoAlfanumerico::altF4IsSwallowed_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("shift");
    QTest::addColumn<int>("after");
    QTest::newRow("Alt+F4") << int(VK_F4) << int(TShiftState(ssAlt)) << 0;
    QTest::newRow("Alt+Shift+F4") << int(VK_F4) << int(TShiftState(ssAlt | ssShift)) << int(VK_F4);
    QTest::newRow("Ctrl+Alt+F4") << int(VK_F4) << int(TShiftState(ssAlt | ssCtrl)) << int(VK_F4);
    QTest::newRow("Alt+F4 with a mouse button down") << int(VK_F4) << int(TShiftState(ssAlt | ssLeft)) << int(VK_F4);
    QTest::newRow("F4") << int(VK_F4) << int(TShiftState()) << int(VK_F4);
    QTest::newRow("Alt+F5") << int(VK_F4 + 1) << int(TShiftState(ssAlt)) << int(VK_F4 + 1);
}

void tst_TecladoAlfanumerico::altF4IsSwallowed()
{
    QFETCH(int, key);
    QFETCH(int, shift);
    QFETCH(int, after);

    TFrmTecladoAlfas form;
    WORD k = WORD(key);
    form.FormKeyDown(&form, k, TShiftState::fromInt(shift));
    QCOMPARE(int(k), after);
}

// Every key of the layout: place, size, caption, Tag and handler.
void tst_TecladoAlfanumerico::keyGrid_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("tag");

    const int left58[] = {3, 61, 119, 177, 235};
    const int left57[] = {293, 350, 407, 464, 521};
    auto row = [&](int top, const QStringList &names, const QString &captions, const QString &tags) {
        for (int i = 0; i < names.size(); ++i) {
            const QRect g = i < 5 ? QRect(left58[i], top, 58, 51) : QRect(left57[i - 5], top, 57, 51);
            QTest::newRow(qPrintable(names[i])) << names[i] << g << QString(captions[i]) << int(tags[i].unicode());
        }
    };
    row(68, {"spd1", "spd2", "spd3", "spd4", "spd5", "spd6", "spd7", "spd8", "spd9", "spd0"}, "1234567890", "1234567890");
    row(119, {"spdQ", "spdW", "spdE", "spdR", "spdT", "spdY", "spdU", "spdI", "spdO", "spdP"}, "qwertyuiop", "QWERTYUIOP");
    row(170, {"spdA", "spdS", "spdD", "spdF", "spdH", "spdG", "spdJ", "spdK", "spdL"}, "asdfhgjkl", "ASDFHGJKL");
    row(221, {"spdZ", "spdX", "spdC", "spdV", "spdB", "spdN", "spdM", "spdVirgula", "spdPonto", "spdBarra"}, "zxcvbnm,./", "ZXCVBNM,./");
    QTest::newRow("spdBackSpace") << "spdBackSpace" << QRect(578, 68, 91, 51) << "Backspace" << 8;
    QTest::newRow("spdEnter") << "spdEnter" << QRect(578, 119, 91, 204) << "Enter" << 13;
    QTest::newRow("spdCCdil") << "spdCCdil" << QRect(521, 170, 57, 51) << "\u00E7" << 0;
    QTest::newRow("spdSair") << "spdSair" << QRect(3, 272, 58, 51) << "" << 0;
    QTest::newRow("spdShift") << "spdShift" << QRect(61, 272, 68, 51) << "Shift" << 16;
    QTest::newRow("spdEspaco") << "spdEspaco" << QRect(129, 272, 199, 51) << " " << 32;
    QTest::newRow("spdCapsLock") << "spdCapsLock" << QRect(328, 272, 79, 51) << "Caps Lock" << 20;
    QTest::newRow("spd_") << "spd_" << QRect(407, 272, 57, 51) << "_" << 95;
    QTest::newRow("spdLimpar") << "spdLimpar" << QRect(464, 272, 57, 51) << "" << 46;
    QTest::newRow("SpdContraBarra") << "SpdContraBarra" << QRect(521, 272, 57, 51) << "\\" << 92;
}

void tst_TecladoAlfanumerico::keyGrid()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    QFETCH(int, tag);

    TFrmTecladoAlfas form;
    QCOMPARE(form.size(), QSize(671, 326));
    auto *key = form.component<TSpeedButton>(name);
    QVERIFY(key);
    QCOMPARE(key->geometry(), geometry);
    QCOMPARE(key->Caption(), caption);
    QCOMPARE(key->Tag(), tag);
    QCOMPARE(form.findChildren<TSpeedButton *>().size(), 49);
}

void tst_TecladoAlfanumerico::captionsFitTheirKeys()
{
    setCapsLockStateForTesting(1); // upper-case captions are the widest
    TFrmTecladoAlfas form;
    const auto keys = form.findChildren<TSpeedButton *>();
    for (TSpeedButton *key : keys) {
        const QFontMetrics fm(key->font());
        const QRect text = fm.boundingRect(key->Caption());
        QVERIFY2(text.width() + 6 <= key->width() && fm.height() + 6 <= key->height(),
                 qPrintable(QStringLiteral("%1: \"%2\" is %3x%4 in %5x%6")
                                .arg(key->objectName(), key->Caption())
                                .arg(text.width()).arg(fm.height()).arg(key->width()).arg(key->height())));
        if (!key->Glyph().isEmpty()) {
            QVERIFY2(!key->icon().isNull(), qPrintable(key->objectName()));
            QVERIFY(key->iconSize().width() <= key->width() && key->iconSize().height() <= key->height());
        }
        for (TSpeedButton *other : keys)
            QVERIFY2(other == key || !other->geometry().intersects(key->geometry()),
                     qPrintable(key->objectName() + QStringLiteral(" overlaps ") + other->objectName()));
    }
    auto *label = form.lblDescricao();
    QCOMPARE(label->font().pixelSize(), 21);
    QVERIFY(label->font().bold());
    QCOMPARE(form.component<TSpeedButton>(QStringLiteral("spdQ"))->font().pixelSize(), 21);
    QCOMPARE(form.component<TSpeedButton>(QStringLiteral("spdShift"))->font().pixelSize(), 13);
    QCOMPARE(form.component<TSpeedButton>(QStringLiteral("spd_"))->font().pixelSize(), 29);
}

void tst_TecladoAlfanumerico::messageCatalogue()
{
    TFrmTecladoAlfas form;
    auto *msg = form.component<TMessages>(QStringLiteral("msgPadrao"));
    QVERIFY(msg);
    QCOMPARE(msg->Messages().size(), 22);
    QCOMPARE(msg->Msg(QStringLiteral("NmMesa")), QStringLiteral("Informe o nome da mesa "));
    QCOMPARE(msg->Msg(QStringLiteral("NmTpRece")), QStringLiteral("Informe o nome do tipo de recebimento"));
    QCOMPARE(msg->Msg(QStringLiteral("Inc_Conf")), QStringLiteral("Inclus\u00E3o de configura\u00E7\u00E3o"));
}

void tst_TecladoAlfanumerico::modalRunRaisingStillFreesTheForm()
{
    // Showing the form before its modal run makes ShowModal raise. The
    // window title is set just before the run, so that is where to do it.
    struct ShowOnTitle : QObject {
        QPointer<QWidget> form;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (e->type() == QEvent::WindowTitleChange && qobject_cast<TFrmTecladoAlfas *>(o)) {
                form = static_cast<QWidget *>(o);
                form->show();
            }
            return false;
        }
    } filter;
    qApp->installEventFilter(&filter);
    kb::stResult = QStringLiteral("stale answer");
    bool raised = false;
    try {
        kb::TecladoAlfanumerico(QStringLiteral("abc"), QStringLiteral("title"));
    } catch (const Exception &) {
        raised = true;
    }
    qApp->removeEventFilter(&filter);
    QVERIFY(raised);
    QVERIFY(filter.form.isNull()); // freed, not merely hidden
    QCOMPARE(kb::FrmTecladoAlfaS, nullptr);
    QCOMPARE(kb::stResult, QString());

    // The next call is not confused by the failed one.
    QCOMPARE(run(QString(), {"touch spdSair"}).result, QString());
}

QTEST_MAIN(tst_TecladoAlfanumerico)
#include "tst_TecladoAlfanumerico.moc"
