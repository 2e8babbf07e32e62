// touchdlg's window as the X server has it: Qt's xcb platform takes -title and
// --title (and -name, -geometry, ...) out of a command line for itself, wherever
// they stand, so the options must reach touchdlg first. Drawn larger, its keys
// lie where the factor puts them and take real touches there.
#include "tests/common/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

using namespace TouchDialogs::testing;

namespace {

// What a command prints, empty when it fails.
QString output(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished() && p.exitCode() == 0 ? QString::fromLocal8Bit(p.readAllStandardOutput()) : QString();
}

// A window's place on the screen as the X server has it; with the frame,
// the window manager's decorations around it included.
QRect screenRect(const QString &window, bool withFrame)
{
    const QString info = output(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
    const auto value = [&](const char *name) {
        return QRegularExpression(QString::fromLatin1(name) + QStringLiteral(":\\s*(-?\\d+)")).match(info).captured(1).toInt();
    };
    const QRect client(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height"));
    if (!withFrame)
        return client;
    // left, right, top, bottom
    const QStringList frame = output(QStringLiteral("xprop"), {QStringLiteral("-id"), window, QStringLiteral("_NET_FRAME_EXTENTS")})
                                  .section(u'=', 1).split(u',');
    if (frame.size() != 4)
        return {};
    return client.marginsAdded({frame[0].toInt(), frame[2].toInt(), frame[1].toInt(), frame[3].toInt()});
}

// Starts touchdlg and returns its window once mapped (empty if none came).
QString startWindow(QProcess &touchdlg, const QStringList &args)
{
    touchdlg.start(QStringLiteral(TD_TOUCHDLG), args);
    if (!touchdlg.waitForStarted())
        return {};
    return xdoOutput({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                      QStringLiteral("--pid"), QString::number(touchdlg.processId())});
}

// The search form's keys a test touches, as its layout places them (form
// pixels: the key panel at 5, 300 plus the key's own rectangle).
struct Key {
    const char *name;
    QRect designed;
};
const Key kKeys[] = {
    {"c", {5 + 141, 300 + 170, 70, 56}},        {"a", {5 + 1, 300 + 114, 70, 56}},
    {"f", {5 + 211, 300 + 114, 70, 56}},        {"s", {5 + 71, 300 + 114, 70, 56}},
    {"u", {5 + 421, 300 + 58, 70, 56}},         {"o", {5 + 556, 300 + 58, 70, 56}},
    {"x", {5 + 71, 300 + 170, 70, 56}},         {"space", {5 + 206, 300 + 226, 265, 44}},
    {"Backspace", {5 + 692, 300 + 2, 90, 56}}, {"Enter", {5 + 693, 300 + 58, 90, 212}},
};

QRect designedKey(const QString &name)
{
    for (const Key &k : kKeys)
        if (name == QLatin1String(k.name))
            return k.designed;
    return {};
}

} // namespace

class TestTouchdlgX11 : public QObject {
    Q_OBJECT
private slots:
    void windowTitle_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("name");
        QTest::newRow("application title") << QStringList{"--title", "Caixa 1", "colour"}
                                           << QStringLiteral("Caixa 1 - Configuração de cores");
        QTest::newRow("caption like one of Qt's options")
            << QStringList{"--title", "Caixa 1", "quantity", "--caption", "-title"} << QStringLiteral("-title");
    }
    void windowTitle()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, name);
        QProcess touchdlg;
        const QString window = startWindow(touchdlg, args);
        if (window.isEmpty()) {
            touchdlg.waitForFinished();
            QFAIL(qPrintable(QStringLiteral("no window: ") + QString::fromLocal8Bit(touchdlg.readAllStandardError())));
        }
        QTRY_COMPARE(xdoOutput({QStringLiteral("getwindowname"), window}), name);

        // Closed as a person would, through the window manager.
        QVERIFY(xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}));
        realKey(QStringLiteral("alt+F4"));
        QVERIFY(touchdlg.waitForFinished());
        QCOMPARE(touchdlg.exitStatus(), QProcess::NormalExit);
    }

    // openbox draws a close button on every framed window, whatever the
    // hints say: a finger on it ends a form with a close box and does
    // nothing to one without (the list builder keeps its list).
    void frameCloseButton_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("answer"); // empty: still open
        QTest::newRow("colour chooser") << QStringList{"colour"} << QByteArray(R"({"colour":"X"})");
        QTest::newRow("list builder") << QStringList{"list", "--sample", "products"} << QByteArray();
    }
    void frameCloseButton()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, answer);
        QProcess touchdlg;
        const auto stop = qScopeGuard([&] { touchdlg.kill(); touchdlg.waitForFinished(); });
        const QString window = startWindow(touchdlg, args);
        QVERIFY2(!window.isEmpty(), touchdlg.readAllStandardError().constData());
        QRect frame;
        QTRY_VERIFY((frame = screenRect(window, true)).isValid() && frame != screenRect(window, false));
        // The rightmost button of the title bar, in the middle of the bar.
        const int titleBar = screenRect(window, false).top() - frame.top();
        realClickAt({frame.right() - 9, frame.top() + titleBar / 2});
        if (answer.isEmpty()) {
            QVERIFY2(!touchdlg.waitForFinished(1500), touchdlg.readAllStandardOutput().constData());
        } else {
            QVERIFY(touchdlg.waitForFinished(10000));
            QCOMPARE(touchdlg.readAllStandardOutput().trimmed(), answer);
        }
    }

    void scaledSearchKeysTakeRealTouches_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("picked"); // how the chosen name starts
        QTest::newRow("letters") << QStringList{"c", "a", "f"} << "UPPER(NOME) LIKE 'CAF%'" << "Caf";
        QTest::newRow("Backspace and space") << QStringList{"x", "Backspace", "s", "u", "c", "o", "space"}
                                              << "UPPER(NOME) LIKE 'SUCO %'" << "Suco ";
    }
    // At factor 1.5 each key is found at 1.5 times its place in the layout,
    // from the corner of the window's client area, and a real click there
    // types it.
    void scaledSearchKeysTakeRealTouches()
    {
        QFETCH(QStringList, keys);
        QFETCH(QString, filter);
        QFETCH(QString, picked);
        constexpr double factor = 1.5;
        QProcess touchdlg;
        const auto stop = qScopeGuard([&] { touchdlg.kill(); touchdlg.waitForFinished(); });
        const QString window = startWindow(
            touchdlg, {"--scale", QString::number(factor), "search", "--sample", "products"});
        QVERIFY2(!window.isEmpty(), touchdlg.readAllStandardError().constData());
        // 800 x 600 times the factor with the frame, centred once the frame is known.
        const QSize outer(qRound(800 * factor), qRound(600 * factor));
        QTRY_COMPARE(screenRect(window, true),
                     QRect(QPoint((1280 - outer.width()) / 2, (1024 - outer.height()) / 2), outer));
        const QPoint client = screenRect(window, false).topLeft();

        for (const QString &key : keys << QStringLiteral("Enter")) {
            const QRectF r = designedKey(key);
            QVERIFY2(r.isValid(), qPrintable(key));
            realClickAt(client + QPoint(qRound(r.center().x() * factor), qRound(r.center().y() * factor)));
        }
        QVERIFY(touchdlg.waitForFinished());
        const QJsonObject answer = QJsonDocument::fromJson(touchdlg.readAllStandardOutput()).object();
        QCOMPARE(touchdlg.exitCode(), 0);
        QCOMPARE(answer.value(QStringLiteral("filter")).toString(), filter);
        const QString name = answer.value(QStringLiteral("record")).toObject().value(QStringLiteral("NOME")).toString();
        QVERIFY2(name.startsWith(picked), qPrintable(name));
    }
};

QTEST_MAIN(TestTouchdlgX11)
#include "tst_touchdlg_x11.moc"
