// The touch message box end to end: TouchMessageDlg, TouchMessage,
// TouchMensErro and TouchCheckResultServ driven by real keys and touches.
#include "dialogs/message/MessageUnit.h"
#include "dialogs/message/TfrmMessageDlg.h"
#include "frame/Frame.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/forms/ResStrings.h"
#include "support/Touch.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>

using namespace TouchDialogs;
using namespace TouchDialogs::testing;
using namespace TouchDialogs::message;

Q_DECLARE_METATYPE(TouchDialogs::message::TMsgDlgButtons)
Q_DECLARE_METATYPE(TouchDialogs::message::TMsgDlgType)

namespace {

const QColor kPurple(0x80, 0x00, 0x80);
const QColor kNavy(0x00, 0x00, 0x80);
// The result a run reports when its steps left the box open.
constexpr int kStayedOpen = -1;


QList<TTouchButton *> buttonsOf(QWidget *box)
{
    QList<TTouchButton *> out;
    for (QObject *c : static_cast<TForm *>(box)->Components())
        if (auto *b = qobject_cast<TTouchButton *>(c))
            out << b;
    return out;
}

// The lines of the label that have ink on them, counted from 0 at the top,
// as the label draws itself.
QList<int> drawnLines(QLabel *label)
{
    const QImage image = label->grab().toImage();
    const int lineSpacing = label->fontMetrics().lineSpacing();
    QList<int> lines;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        // The text is navy on the grey of the form.
        for (int x = 0; x < image.width() && !ink; ++x) {
            const QRgb p = image.pixel(x, y);
            ink = qBlue(p) - qRed(p) > 40;
        }
        if (ink && (lines.isEmpty() || lines.last() != y / lineSpacing))
            lines << y / lineSpacing;
    }
    return lines;
}

struct Run {
    int result = 0;
    bool fired = false;
    bool stayedOpen = false;   // still open after the last step
    QString label;             // lblMessage's caption
    QList<int> lines;          // its lines with ink on the screen
    QStringList names;         // buttons in creation order
    QList<QRect> geometry;
    QStringList purple;        // buttons whose caption is purple
    QString icon;              // the visible imgMessageN, if any
    int formWidth = 0, labelWidth = 0, bevelWidth = 0;
};

void observe(QWidget *box, Run &run)
{
    auto *label = box->findChild<TLabel *>(QStringLiteral("lblMessage"));
    run.label = label->Caption();
    run.lines = drawnLines(label);
    for (TTouchButton *b : buttonsOf(box)) {
        run.names << b->objectName();
        run.geometry << b->geometry();
        if (b->palette().color(QPalette::ButtonText) == kPurple)
            run.purple << b->objectName();
    }
    for (int k = 0; k < 5; ++k) {
        auto *img = box->findChild<QWidget *>(QStringLiteral("imgMessage%1").arg(k));
        if (img && img->isVisible())
            run.icon = img->objectName();
    }
    run.formWidth = box->width();
    run.labelWidth = box->findChild<QWidget *>(QStringLiteral("lblMessage"))->width();
    run.bevelWidth = box->findChild<QWidget *>(QStringLiteral("bvlMessage"))->width();
}

// Runs a modal box, performs the steps on it, and closes it through the
// system when they left it open.
Run runBox(const QStringList &steps, TMsgDlgButtons buttons, const QString &extra = QString(),
           TMsgDlgType type = mtConfirmation, const QString &text = QStringLiteral("Fechar a mesa 12?"),
           int seconds = 0)
{
    Run run;
    auto fired = whenModal([&run, steps](QWidget *box) {
        observe(box, run);
        for (const QString &step : steps)
            perform(box, step);
        whenLeftOpen(box, [box, &run] {
            run.stayedOpen = true;
            box->close();
        });
    });
    run.result = TouchMessageDlg(text, type, buttons, 0, seconds, extra);
    run.fired = *fired;
    return run;
}

TfrmMessageDlg *onlyModelessBox()
{
    const auto forms = ownedForms();
    TfrmMessageDlg *found = nullptr;
    for (TForm *f : forms)
        if (auto *box = qobject_cast<TfrmMessageDlg *>(f); box && box->isVisible())
            found = box;
    return found;
}

// Watches for any modal box while alive and closes it; counts what it saw.
class ModalWatch {
public:
    ModalWatch()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget *box = activeModal();
            if (box && box->isVisible() && !static_cast<TForm *>(box)->isModalEnding()) {
                ++seen;
                text = box->findChild<TLabel *>(QStringLiteral("lblMessage"))->Caption();
                for (int k = 0; k < 5; ++k)
                    if (auto *img = box->findChild<QWidget *>(QStringLiteral("imgMessage%1").arg(k)); img && img->isVisible())
                        icon = k;
                touch(box, QStringLiteral("OK"));
            }
        });
        m_timer.start();
    }
    int seen = 0;
    int icon = -1;
    QString text;

private:
    QTimer m_timer;
};

} // namespace

class tst_TouchMessageDlg : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void answers_data();
    void answers();
    void buttonRow_data();
    void buttonRow();
    void shippedAcceleratorsAreReachableAndApart_data();
    void shippedAcceleratorsAreReachableAndApart();
    void messageLinesOnTheScreen_data();
    void messageLinesOnTheScreen();
    void iconByKind_data();
    void iconByKind();
    void timerPressesTheDefaultButton_data();
    void timerPressesTheDefaultButton();
    void countdownOnTheDefaultButton_data();
    void countdownOnTheDefaultButton();
    void boxOpensOverAnotherModalDialog();
    void modalRunThatRaisesStillFreesTheBox();
    void modelessBoxIsFreedWhenItCloses_data();
    void modelessBoxIsFreedWhenItCloses();
    void touchMensErro();
    void touchCheckResultServ_data();
    void touchCheckResultServ();
    void tablesFollowSetupAndTeardown();
};

void tst_TouchMessageDlg::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Initialize();
}

void tst_TouchMessageDlg::cleanupTestCase()
{
    Finalize();
}

void tst_TouchMessageDlg::cleanup()
{
    // No box outlives its run, modal or not.
    QTRY_COMPARE(liveWidgets<TfrmMessageDlg>(), 0);
    QCOMPARE(frmMessageDlg, nullptr);
}

// What the box returns for each key and touch, or that it stays open (then
// the system closes it: 2). Enter presses the default button, Escape the
// cancel one; an accelerator its button.
void tst_TouchMessageDlg::answers_data()
{
    QTest::addColumn<TMsgDlgButtons>("buttons");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QString>("key"); // steps, separated by ';'
    QTest::addColumn<int>("expected");

    const struct {
        const char *name;
        TMsgDlgButtons buttons;
        int onEnter, onEscape;
    } defaults[] = {
        {"yes no", {mbYes, mbNo}, 6, 7},
        {"ok cancel", {mbOK, mbCancel}, 1, 2},
        {"retry cancel: retry default though second", {mbRetry, mbCancel}, 4, 2},
        {"yes no cancel", {mbYes, mbNo, mbCancel}, 6, 2},
        {"ok alone answers both", {mbOK}, 1, 1},
        {"ok before yes, cancel before no", {mbYes, mbNo, mbOK, mbCancel}, 1, 2},
        {"abort retry ignore: escape finds no OK", {mbAbort, mbRetry, mbIgnore}, 4, kStayedOpen},
        {"cancel alone: enter finds no retry", {mbCancel}, kStayedOpen, 2},
        {"no buttons", {}, kStayedOpen, kStayedOpen},
    };
    for (const auto &d : defaults) {
        QTest::addRow("%s, Enter", d.name) << d.buttons << "" << "key Return" << d.onEnter;
        QTest::addRow("%s, Escape", d.name) << d.buttons << "" << "key Escape" << d.onEscape;
    }
    QTest::newRow("Y for Yes") << TMsgDlgButtons{mbYes, mbNo} << "" << "key Y" << 6;
    QTest::newRow("N for No") << TMsgDlgButtons{mbYes, mbNo} << "" << "key N" << 7;
    QTest::newRow("R for Retry") << TMsgDlgButtons{mbRetry, mbCancel} << "" << "key R" << 4;
    QTest::newRow("letter without a button") << TMsgDlgButtons{mbYes, mbNo} << "" << "key Z" << kStayedOpen;
    QTest::newRow("space is no accelerator") << TMsgDlgButtons{mbYes, mbNo} << "" << "key Space" << kStayedOpen;
    QTest::newRow("OK has no accelerator") << TMsgDlgButtons{mbOK} << "" << "key O" << kStayedOpen;
    QTest::newRow("upper-case extra") << TMsgDlgButtons{mbOK} << "&Parcial" << "key P" << 100;
    QTest::newRow("digit accelerator") << TMsgDlgButtons{mbOK} << "Mesa &2" << "key 2" << 100;
    QTest::newRow("lower-case one not hit by its letter") << TMsgDlgButtons{mbOK} << "E&xtra" << "key X"
                                                          << kStayedOpen;
    QTest::newRow("lower-case x by F9 (code 120)") << TMsgDlgButtons{mbOK} << "E&xtra" << "key F9" << 100;
    QTest::newRow("lower-case a by keypad 1 (code 97)") << TMsgDlgButtons{mbOK} << "P&arcial" << "key Keypad+1" << 100;
    QTest::newRow("lower-case p by F1 (code 112)") << TMsgDlgButtons{mbOK} << "Im&primir" << "key F1" << 100;
    QTest::newRow("All and Yes to All share A: the later wins") << TMsgDlgButtons{mbAll, mbYesToAll} << ""
                                                                << "key A" << 10;
    QTest::newRow("Yes and the extra share Y: the extra wins") << TMsgDlgButtons{mbYes, mbNo} << "&Yes, imprimir"
                                                               << "key Y" << 100;
    QTest::newRow("a close after the answer keeps it") << TMsgDlgButtons{mbYes, mbNo} << "" << "key Y;close" << 6;
    // Every standard button but Help, and the extra one, touched.
    static const char *const names[] = {"Yes", "No", "OK", "Cancel", "Abort", "Retry",
                                        "Ignore", "All", "NoToAll", "YesToAll", "btnExtra"};
    const int results[] = {6, 7, 1, 2, 3, 4, 5, 8, 9, 10, 100};
    for (int k = 0; k < 11; ++k)
        QTest::addRow("touch %s", names[k]) << TMsgDlgButtons::fromBits(0x3FF) << "Mais"
                                            << QStringLiteral("touch ") + QLatin1String(names[k]) << results[k];
    QTest::newRow("Help leaves a modal box open") << TMsgDlgButtons{mbOK, mbHelp} << "" << "touch Help" << kStayedOpen;
}

void tst_TouchMessageDlg::answers()
{
    QFETCH(TMsgDlgButtons, buttons);
    QFETCH(QString, extra);
    QFETCH(QString, key);
    QFETCH(int, expected);

    const Run run = runBox(key.split(u';'), buttons, extra);
    QVERIFY(run.fired);
    QCOMPARE(run.stayedOpen, expected == kStayedOpen);
    QCOMPARE(run.result, expected == kStayedOpen ? 2 : expected);
}

// The buttons in their row, and the default one, drawn purple (never the
// extra button).
void tst_TouchMessageDlg::buttonRow_data()
{
    QTest::addColumn<TMsgDlgButtons>("buttons");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("lefts");
    QTest::addColumn<QString>("purple");

    QTest::newRow("one") << TMsgDlgButtons{mbOK} << "" << QStringList{"OK"} << QList<int>{249} << "OK";
    QTest::newRow("two") << TMsgDlgButtons{mbYes, mbNo} << "" << QStringList{"Yes", "No"} << QList<int>{184, 314}
                         << "Yes";
    QTest::newRow("retry default though second") << TMsgDlgButtons{mbRetry, mbCancel} << ""
                                                  << QStringList{"Cancel", "Retry"} << QList<int>{184, 314} << "Retry";
    QTest::newRow("cancel alone: no default") << TMsgDlgButtons{mbCancel} << "" << QStringList{"Cancel"}
                                              << QList<int>{249} << "";
    QTest::newRow("three") << TMsgDlgButtons{mbCancel, mbYes, mbNo} << "" << QStringList{"Yes", "No", "Cancel"}
                           << QList<int>{119, 249, 379} << "Yes";
    QTest::newRow("abort retry ignore") << TMsgDlgButtons{mbAbort, mbRetry, mbIgnore} << ""
                                        << QStringList{"Abort", "Retry", "Ignore"} << QList<int>{119, 249, 379} << "Retry";
    QTest::newRow("four") << TMsgDlgButtons{mbHelp, mbAll, mbAbort, mbOK} << ""
                          << QStringList{"OK", "Abort", "All", "Help"} << QList<int>{54, 184, 314, 444} << "OK";
    QTest::newRow("one and extra") << TMsgDlgButtons{mbOK} << "Imprimir" << QStringList{"OK", "btnExtra"}
                                   << QList<int>{184, 314} << "OK";
    QTest::newRow("extra alone") << TMsgDlgButtons{} << "Imprimir" << QStringList{"btnExtra"} << QList<int>{249} << "";
    QTest::newRow("three and extra") << TMsgDlgButtons{mbYes, mbNo, mbCancel} << "Depois"
                                     << QStringList{"Yes", "No", "Cancel", "btnExtra"} << QList<int>{54, 184, 314, 444}
                                     << "Yes";
    // Wider than the box: (619 - 640) / 2 truncates toward zero; OK before Yes.
    QTest::newRow("four and extra overhang") << TMsgDlgButtons{mbYes, mbNo, mbOK, mbCancel} << "Depois"
                                             << QStringList{"Yes", "No", "OK", "Cancel", "btnExtra"}
                                             << QList<int>{-10, 120, 250, 380, 510} << "OK";
}

void tst_TouchMessageDlg::buttonRow()
{
    QFETCH(TMsgDlgButtons, buttons);
    QFETCH(QString, extra);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, lefts);
    QFETCH(QString, purple);

    const Run run = runBox({QStringLiteral("close")}, buttons, extra);
    QVERIFY(run.fired);
    QCOMPARE(run.result, 2);
    QCOMPARE(run.names, names);
    QCOMPARE(run.formWidth, 619);
    QCOMPARE(run.labelWidth, 565);
    QCOMPARE(run.bevelWidth, 615);
    for (int i = 0; i < lefts.size(); ++i)
        QCOMPARE(run.geometry.at(i), QRect(lefts.at(i), 150, 120, 60));
    QCOMPARE(run.purple, purple.isEmpty() ? QStringList() : QStringList{purple});
}

void tst_TouchMessageDlg::shippedAcceleratorsAreReachableAndApart_data()
{
    QTest::addColumn<QString>("locale");
    // Buttons that share their accelerator in that language for want of a
    // free capital: Abort, All, Abortar, Ajuda and Todos have one each; the
    // other capitals of Yes To All and Sim Para Todos go to the buttons they
    // are usually shown with (Yes, No To All).
    QTest::addColumn<QStringList>("sharing");

    const QHash<QString, QStringList> sharing{
        {QStringLiteral("en"), {QStringLiteral("Abort All YesToAll")}},
        {QStringLiteral("pt_BR"), {QStringLiteral("Abort Help"), QStringLiteral("All YesToAll")}}};
    // Every pack shipped beside the library: libTouchDialogs.so.<locale>.rcc.
    const QStringList packs = QFileInfo(builtLibrary()).dir().entryList({QStringLiteral("libTouchDialogs.so.*.rcc")}, QDir::Files);
    QVERIFY(packs.size() >= 2);
    for (const QString &file : packs) {
        const QString locale = file.section(u'.', 2, 2);
        QTest::newRow(qPrintable(locale)) << locale << sharing.value(locale);
    }
}

void tst_TouchMessageDlg::shippedAcceleratorsAreReachableAndApart()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, sharing);

    // The captions as the box gets them: read at the unit's setup.
    struct Language {
        explicit Language(const QString &name)
        {
            frame::attach(builtLibrary());
            use(QLocale(name));
        }
        ~Language()
        {
            // The pack goes while no translation from it is installed.
            QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
            Finalize();
            frame::detach();
            Initialize();
        }
        static void use(const QLocale &locale)
        {
            QLocale::setDefault(locale);
            Finalize();
            Initialize();
        }
    } language(locale);
    QVERIFY2(frame::usesLanguagePack(), "the language pack does not load");

    QChar accelerator[kButtonKinds];
    QStringList unreachable;
    for (int k = 0; k < kButtonKinds; ++k) {
        const QString caption = ButtonCaptions[k];
        const qsizetype amp = caption.indexOf(u'&');
        if (amp < 0 || amp + 1 >= caption.size())
            continue;
        accelerator[k] = caption.at(amp + 1);
        // Pressing the key of that character, as printed on it, answers the box.
        TouchMessage(QStringLiteral("Mesa 12"), mtConfirmation, TMsgDlgButtons::fromBits(1u << k), 0, 0, QString());
        TfrmMessageDlg *box = onlyModelessBox();
        QVERIFY(box);
        perform(box, QStringLiteral("type ") + accelerator[k]);
        if (box->isVisible()) {
            unreachable << caption;
            box->close();
        }
    }
    QVERIFY2(unreachable.isEmpty(), qPrintable(QStringLiteral("no key presses ") + unreachable.join(u',')));
    // Two buttons clash only when both are in the box, so every pair covers
    // every set of buttons.
    auto shareOnPurpose = [&](int a, int b) {
        return std::any_of(sharing.cbegin(), sharing.cend(), [&](const QString &group) {
            const QStringList names = group.split(u' ');
            return names.contains(ButtonNames[a]) && names.contains(ButtonNames[b]);
        });
    };
    QStringList clashes;
    for (int a = 0; a < kButtonKinds; ++a)
        for (int b = a + 1; b < kButtonKinds; ++b)
            if (!accelerator[a].isNull() && accelerator[a] == accelerator[b] && !shareOnPurpose(a, b))
                clashes << ButtonCaptions[a] + QStringLiteral(" / ") + ButtonCaptions[b];
    QVERIFY2(clashes.isEmpty(), qPrintable(QStringLiteral("one key presses ") + clashes.join(u',')));
}

void tst_TouchMessageDlg::messageLinesOnTheScreen_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QList<int>>("lines");
    QTest::newRow("one line") << "Mesa fechada." << "\r\nMesa fechada." << QList<int>{1};
    QTest::newRow("CR LF: one break") << "Mesa 12\r\nFechada." << "Mesa 12\r\nFechada." << QList<int>{0, 1};
    QTest::newRow("CR alone breaks too") << "Linha um\rLinha dois" << "Linha um\rLinha dois" << QList<int>{0, 1};
    QTest::newRow("CR CR: an empty line") << "Mesa 12\r\rFechada." << "Mesa 12\r\rFechada." << QList<int>{0, 2};
    QTest::newRow("CR at the end") << "Mesa 12\r" << "Mesa 12\r" << QList<int>{0};
    QTest::newRow("LF alone is no CR") << "Mesa 12\nFechada." << "\r\nMesa 12\nFechada." << QList<int>{1, 2};
    QTest::newRow("empty") << "" << "\r\n" << QList<int>{};
}

void tst_TouchMessageDlg::messageLinesOnTheScreen()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(QList<int>, lines);
    const Run run = runBox({QStringLiteral("key Return")}, {mbOK}, QString(), mtInformation, text);
    QVERIFY(run.fired);
    QCOMPARE(run.label, shown);
    QCOMPARE(run.lines, lines);
}

void tst_TouchMessageDlg::iconByKind_data()
{
    QTest::addColumn<TMsgDlgType>("type");
    QTest::addColumn<QString>("icon");
    QTest::newRow("warning") << mtWarning << "imgMessage0";
    QTest::newRow("error") << mtError << "imgMessage1";
    QTest::newRow("information") << mtInformation << "imgMessage2";
    QTest::newRow("confirmation") << mtConfirmation << "imgMessage3";
    QTest::newRow("custom: none") << mtCustom << "";
}

void tst_TouchMessageDlg::iconByKind()
{
    QFETCH(TMsgDlgType, type);
    QFETCH(QString, icon);
    const Run run = runBox({QStringLiteral("key Return")}, {mbOK}, QString(), type);
    QVERIFY(run.fired);
    QCOMPARE(run.icon, icon);
}

void tst_TouchMessageDlg::timerPressesTheDefaultButton_data()
{
    QTest::addColumn<TMsgDlgButtons>("buttons");
    QTest::addColumn<int>("expected");
    QTest::newRow("yes no: yes") << TMsgDlgButtons{mbYes, mbNo} << 6;
    QTest::newRow("retry cancel: retry") << TMsgDlgButtons{mbRetry, mbCancel} << 4;
    QTest::newRow("no default button: closed") << TMsgDlgButtons{mbNo, mbCancel} << 2;
    QTest::newRow("no buttons: closed") << TMsgDlgButtons{} << 2;
}

void tst_TouchMessageDlg::timerPressesTheDefaultButton()
{
    QFETCH(TMsgDlgButtons, buttons);
    QFETCH(int, expected);
    // Nobody touches the box: only its timer can end the run.
    QCOMPARE(TouchMessageDlg(QStringLiteral("Fechar a mesa 12?"), mtConfirmation, buttons, 0, 1, QString()),
             expected);
}

void tst_TouchMessageDlg::countdownOnTheDefaultButton_data()
{
    QTest::addColumn<bool>("countdown");
    QTest::addColumn<TMsgDlgButtons>("buttons");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("step"); // after the first tick; empty: none
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<int>("expected");
    QTest::newRow("yes no: to 0")
        << true << TMsgDlgButtons{mbYes, mbNo} << 3 << QString()
        << QStringList{"&Yes (3)", "&Yes (2)", "&Yes (1)"} << 6;
    QTest::newRow("retry cancel: to 0")
        << true << TMsgDlgButtons{mbRetry, mbCancel} << 2 << QString()
        << QStringList{"&Retry (2)", "&Retry (1)"} << 4;
    QTest::newRow("the accelerator still answers")
        << true << TMsgDlgButtons{mbYes, mbNo} << 5 << QStringLiteral("key Y")
        << QStringList{"&Yes (5)", "&Yes (4)"} << 6;
    QTest::newRow("another answer before 0")
        << true << TMsgDlgButtons{mbYes, mbNo} << 5 << QStringLiteral("key Escape")
        << QStringList{"&Yes (5)", "&Yes (4)"} << 7;
    QTest::newRow("off: the caption stays")
        << false << TMsgDlgButtons{mbYes, mbNo} << 3 << QString() << QStringList{"&Yes"} << 6;
}

void tst_TouchMessageDlg::countdownOnTheDefaultButton()
{
    QFETCH(bool, countdown);
    QFETCH(TMsgDlgButtons, buttons);
    QFETCH(int, seconds);
    QFETCH(QString, step);
    QFETCH(QStringList, captions);
    QFETCH(int, expected);
    Extensions on = Application::extensions();
    on.countdown = countdown;
    Application::setExtensions(on);
    QStringList seen;
    auto fired = whenModal([&](QWidget *box) {
        auto *form = static_cast<TfrmMessageDlg *>(box);
        auto *button = form->component<TSpeedButton>(ButtonNames[form->defaultButton()]);
        auto *ticker = form->component<TTimer>(QStringLiteral("timCountdown"));
        seen << button->Caption();
        if (!ticker) {
            perform(box, QStringLiteral("key Return"));
            return;
        }
        // The second timer ticks are driven here, one by one.
        for (int tick = 0; tick < seconds && !form->isModalEnding(); ++tick) {
            ticker->OnTimer(ticker);
            if (!form->isModalEnding())
                seen << button->Caption();
            if (!step.isEmpty()) {
                perform(box, step);
                break;
            }
        }
    });
    const int result = TouchMessageDlg(QStringLiteral("Fechar a mesa 12?"), mtConfirmation, buttons, 0, seconds,
                                       QString());
    Application::setExtensions({});
    QVERIFY(*fired);
    QCOMPARE(seen, captions);
    QCOMPARE(result, expected);
}

void tst_TouchMessageDlg::boxOpensOverAnotherModalDialog()
{
    int inner = 0;
    bool outerStillOpen = false;
    auto fired = whenModal([&](QWidget *outer) {
        auto innerFired = whenModal([](QWidget *box) { perform(box, QStringLiteral("key N")); });
        inner = TouchMessageDlg(QStringLiteral("Tem certeza?"), mtWarning, {mbYes, mbNo}, 0, 0, QString());
        QVERIFY(*innerFired);
        outerStillOpen = outer->isVisible();
        perform(outer, QStringLiteral("key Return"));
    });
    const int outerResult =
        TouchMessageDlg(QStringLiteral("Fechar a mesa 12?"), mtConfirmation, {mbYes, mbNo}, 0, 0, QString());
    QVERIFY(*fired);
    QCOMPARE(inner, 7);
    QVERIFY(outerStillOpen);
    QCOMPARE(outerResult, 6);
}

void tst_TouchMessageDlg::modalRunThatRaisesStillFreesTheBox()
{
    // A host whose error handler lets the error through ends the modal run
    // with it; the box must not stay behind with the application object.
    Application::OnException = [](QObject *, const std::exception &e) {
        if (const auto *own = dynamic_cast<const Exception *>(&e))
            throw Exception(own->Message());
    };
    QPointer<QWidget> seen;
    auto fired = whenModal([&](QWidget *box) {
        seen = box;
        auto *ok = box->findChild<TTouchButton *>(QStringLiteral("OK"));
        ok->OnClick = [](QObject *) { throw Exception(QStringLiteral("impressora desligada")); };
        touch(box, QStringLiteral("OK"));
    });
    QString message;
    try {
        TouchMessageDlg(QStringLiteral("Imprimir?"), mtConfirmation, {mbOK}, 0, 0, QString());
    } catch (const Exception &e) {
        message = e.Message();
    }
    Application::OnException = nullptr;
    QVERIFY(*fired);
    QCOMPARE(message, QStringLiteral("impressora desligada"));
    QVERIFY(seen.isNull());
}

void tst_TouchMessageDlg::modelessBoxIsFreedWhenItCloses_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("seconds");
    QTest::newRow("Enter") << "key Return" << 0;
    QTest::newRow("Escape") << "key Escape" << 0;
    QTest::newRow("accelerator") << "key Y" << 0;
    QTest::newRow("touch") << "touch No" << 0;
    QTest::newRow("Help closes it too") << "touch Help" << 0;
    QTest::newRow("extra") << "touch btnExtra" << 0;
    QTest::newRow("system close") << "close" << 0;
    QTest::newRow("timer") << "" << 1;
}

void tst_TouchMessageDlg::modelessBoxIsFreedWhenItCloses()
{
    QFETCH(QString, step);
    QFETCH(int, seconds);

    TouchMessage(QStringLiteral("Pedido enviado à cozinha."), mtInformation, {mbYes, mbNo, mbHelp}, 0, seconds,
                 QStringLiteral("Mais"));
    // The call does not wait: the box is up when it returns.
    QPointer<TfrmMessageDlg> box = onlyModelessBox();
    QVERIFY(box);
    QVERIFY(!box->isModalRunning());
    QCOMPARE(box->width(), 609);
    QCOMPARE(box->findChild<QWidget *>(QStringLiteral("lblMessage"))->width(), 509);
    QCOMPARE(box->findChild<QWidget *>(QStringLiteral("bvlMessage"))->width(), 605);
    // (609 - 510) / 2
    QCOMPARE(box->findChild<QWidget *>(QStringLiteral("Yes"))->x(), 49);

    if (!step.isEmpty())
        perform(box, step);
    QTRY_VERIFY(box.isNull());
}

void tst_TouchMessageDlg::touchMensErro()
{
    {
        ModalWatch watch;
        QVERIFY(TouchMensErro(QStringLiteral("Mesa ocupada."), false));
        QCOMPARE(watch.seen, 1);
        QCOMPARE(watch.text, QStringLiteral("\r\nMesa ocupada."));
        QCOMPARE(watch.icon, int(mtError));
    }
    {
        ModalWatch watch;
        QVERIFY_THROWS_EXCEPTION(EAbort, TouchMensErro(QStringLiteral("Mesa ocupada."), true));
        QCOMPARE(watch.seen, 1);
    }
}

void tst_TouchMessageDlg::touchCheckResultServ_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("showError");
    QTest::addColumn<int>("expectedLength");
    QTest::addColumn<bool>("aborts");

    QTest::newRow("number") << QVariant(42) << true << 10 << false;
    QTest::newRow("bytes are no wide string") << QVariant(QByteArray("falhou")) << true << 10 << false;
    QTest::newRow("null") << QVariant() << true << 10 << false;
    QTest::newRow("exact length") << QVariant(QStringLiteral("0000012345")) << true << 10 << false;
    QTest::newRow("error text, errors not shown") << QVariant(QStringLiteral("Servidor fora do ar")) << false << 10
                                                  << false;
    QTest::newRow("empty text") << QVariant(QString()) << true << 10 << false;
    QTest::newRow("blank text") << QVariant(QStringLiteral("   ")) << true << 10 << false;
    QTest::newRow("error text") << QVariant(QStringLiteral("Servidor fora do ar")) << true << 10 << true;
    QTest::newRow("one short") << QVariant(QStringLiteral("000001234")) << true << 10 << true;
}

void tst_TouchMessageDlg::touchCheckResultServ()
{
    QFETCH(QVariant, value);
    QFETCH(bool, showError);
    QFETCH(int, expectedLength);
    QFETCH(bool, aborts);

    ModalWatch watch;
    if (aborts) {
        QVERIFY_THROWS_EXCEPTION(EAbort, TouchCheckResultServ(value, showError, expectedLength));
        QCOMPARE(watch.seen, 1);
        QCOMPARE(watch.text, QStringLiteral("\r\n") + value.toString());
        QCOMPARE(watch.icon, int(mtError));
    } else {
        const QVariant back = TouchCheckResultServ(value, showError, expectedLength);
        QCOMPARE(back, value);
        QCOMPARE(back.typeId(), value.typeId());
        QCOMPARE(watch.seen, 0);
    }
}

void tst_TouchMessageDlg::tablesFollowSetupAndTeardown()
{
    const QString buttons[kButtonKinds] = {SMsgDlgYes(), SMsgDlgNo(), SMsgDlgOK(), SMsgDlgCancel(),
                                           SMsgDlgAbort(), SMsgDlgRetry(), SMsgDlgIgnore(), SMsgDlgAll(),
                                           SMsgDlgNoToAll(), SMsgDlgYesToAll(), SMsgDlgHelp()};
    const QStringList names{"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "NoToAll",
                            "YesToAll", "Help"};
    auto check = [&] {
        for (int k = 0; k < kButtonKinds; ++k) {
            QCOMPARE(ButtonCaptions[k], buttons[k]);
            QCOMPARE(ButtonNames[k], names.at(k));
        }
        QCOMPARE(ButtonCaptions[mbYes], QStringLiteral("&Yes"));
        QCOMPARE(Captions[mtWarning], SMsgDlgWarning());
        QCOMPARE(Captions[mtError], SMsgDlgError());
        QCOMPARE(Captions[mtInformation], SMsgDlgInformation());
        QCOMPARE(Captions[mtConfirmation], SMsgDlgConfirm());
        QCOMPARE(Captions[mtCustom], QString());
    };
    check();

    // A second setup does nothing; the teardown works at the last Finalize.
    Initialize();
    Finalize();
    check();
    Finalize();
    for (int k = 0; k < kButtonKinds; ++k) {
        QVERIFY(ButtonCaptions[k].isEmpty());
        QVERIFY(ButtonNames[k].isEmpty());
    }
    for (const QString &c : Captions)
        QVERIFY(c.isEmpty());

    // Set up again, the box has its buttons back.
    Initialize();
    check();
    const Run run = runBox({QStringLiteral("key Y")}, {mbYes, mbNo});
    QCOMPARE(run.result, 6);
}

QTEST_MAIN(tst_TouchMessageDlg)
#include "tst_TouchMessageDlg.moc"
