// touchpos-demo: a small till over the sample catalogue. Touch a table, give
// its guests, add products and combos, name it, colour it and close it.
// --tour DIR serves one table offscreen, writes each dialog and the till with
// the order to PNG files in DIR, and exits.
#include "host/demo/Till.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QHash>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// The table the tour serves.
constexpr int kTourTable = 7;

// The tour's pictures go into the README: the 256 commonest colours (the
// faces, the inks and most of the text's edges) keep each file a few tens
// of KB, with no change to be seen.
QImage fewColours(const QImage &shot)
{
    const QImage image = shot.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> uses;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            ++uses[line[x]];
    }
    QList<QRgb> table = uses.keys();
    std::sort(table.begin(), table.end(), [&](QRgb a, QRgb b) {
        return uses.value(a) != uses.value(b) ? uses.value(a) > uses.value(b) : a < b;
    });
    table.resize(std::min<qsizetype>(table.size(), 256));
    return image.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
}

void saveShot(QWidget *w, const QString &file)
{
    if (fewColours(w->grab().toImage()).save(file, "PNG", 0))
        std::printf("%s\n", qPrintable(file));
    else
        std::fprintf(stderr, "touchpos-demo: cannot write %s\n", qPrintable(file));
    std::fflush(stdout);
}

void sendKey(QWidget *to, int key, Qt::KeyboardModifiers modifiers = {}, const QString &text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(to, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(to, &release);
}

void typeText(QWidget *to, const QString &text)
{
    for (const QChar c : text)
        sendKey(to, c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - u'A') : int(c.unicode()), {}, QString(c));
}

void touchAt(QWidget *w)
{
    const QPointF centre = QRectF(w->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, w->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, w->mapToGlobal(centre), Qt::LeftButton, {}, {});
    QCoreApplication::sendEvent(w, &release);
}

// Answers the dialogs of the tour as a waiter would, once each has been
// written to its file.
void answer(QWidget *dlg, const QString &step)
{
    QWidget *keys = dlg->focusWidget() ? dlg->focusWidget() : dlg;
    if (step == QLatin1String("guests")) {
        typeText(keys, QStringLiteral("4"));
        sendKey(keys, Qt::Key_Return);
    } else if (step == QLatin1String("search")) {
        sendKey(keys, Qt::Key_Return);
    } else if (step == QLatin1String("quantity")) {
        typeText(keys, QStringLiteral("2"));
        sendKey(keys, Qt::Key_Return);
    } else if (step == QLatin1String("list")) {
        sendKey(keys, Qt::Key_A, Qt::AltModifier);
        sendKey(keys, Qt::Key_Down);
        sendKey(keys, Qt::Key_A, Qt::AltModifier);
        sendKey(keys, Qt::Key_Return);
    } else if (step == QLatin1String("keyboard")) {
        // The keyboard takes capitals through its own Shift.
        sendKey(keys, Qt::Key_Shift);
        typeText(keys, QStringLiteral("ana"));
        sendKey(keys, Qt::Key_Return);
    } else if (step == QLatin1String("colour")) {
        if (QWidget *swatch = dlg->findChild<QWidget *>(QStringLiteral("shpCor04")))
            touchAt(swatch);
        else
            dlg->close();
    } else {
        // The closing box: leave the table open, with its order.
        sendKey(keys, Qt::Key_Escape);
    }
}

// Serves one table: each dialog is written as first shown, then answered.
int tour(const QString &dir, demo::Till &till)
{
    QDir().mkpath(dir);
    const QDir out(dir);
    till.show();
    QApplication::processEvents();
    saveShot(&till, out.absoluteFilePath(QStringLiteral("00-till.png")));

    const QStringList steps{QStringLiteral("guests"), QStringLiteral("search"),   QStringLiteral("quantity"),
                            QStringLiteral("list"),   QStringLiteral("keyboard"), QStringLiteral("colour"),
                            QStringLiteral("message")};
    int next = 0;
    QPointer<QWidget> seen;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, &watcher, [&] {
        QWidget *dlg = QApplication::activeModalWidget();
        if (!dlg || !dlg->isVisible() || dlg == seen || next >= steps.size())
            return;
        seen = dlg;
        const QString step = steps[next];
        const QString file = out.absoluteFilePath(QStringLiteral("%1-%2.png").arg(++next, 2, 10, QLatin1Char('0')).arg(step));
        // One more turn of the loop so the first paint is complete.
        QTimer::singleShot(50, dlg, [dlg, file, step] {
            saveShot(dlg, file);
            answer(dlg, step);
        });
    });
    watcher.start(20);

    bool served = till.openTable(kTourTable) && till.addProduct() && till.addCombo() && till.nameTable()
                  && till.colourTable();
    if (served) {
        QApplication::processEvents();
        saveShot(&till, out.absoluteFilePath(QStringLiteral("08-till-with-order.png")));
        // Answered No: the table stays open.
        served = !till.closeTable() && till.table(kTourTable).guests > 0;
    }
    watcher.stop();
    if (!served) {
        std::fprintf(stderr, "touchpos-demo: the tour did not serve table %d through every step\n", kTourTable);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("touchpos-demo"));
    TouchDialogs::Application::setTitle(QStringLiteral("TouchPOS"));
    TouchDialogs::Application::setIcon(QIcon(QStringLiteral(":/demo/icon.png")));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("tour"),
                      QStringLiteral("Serve one table offscreen, write every dialog and the till to PNG files in DIR, "
                                     "and exit."),
                      QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("scale"),
                      QStringLiteral("Draw the dialogs this many times larger; auto: as large as the screen allows."),
                      QStringLiteral("auto|F")});
    parser.process(app);

    // The till shows the seconds left on the box that closes a table.
    TouchDialogs::Extensions extensions = TouchDialogs::Application::extensions();
    extensions.countdown = true;
    if (parser.isSet(QStringLiteral("scale"))) {
        const QString value = parser.value(QStringLiteral("scale"));
        const std::optional<double> factor = TouchDialogs::Application::scaleFromText(value);
        if (!factor) {
            std::fprintf(stderr, "touchpos-demo: --scale wants auto or a factor from %g to %g, not '%s'\n",
                         TouchDialogs::kMinScale, TouchDialogs::kMaxScale, qPrintable(value));
            return 2;
        }
        extensions.scale = *factor;
    }
    try {
        TouchDialogs::Application::setExtensions(extensions);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "touchpos-demo: %s\n", e.what());
        return 2;
    }

    Initialize();
    int status = 0;
    {
        demo::Till till;
        if (parser.isSet(QStringLiteral("tour"))) {
            status = tour(parser.value(QStringLiteral("tour")), till);
        } else {
            till.show();
            status = app.exec();
        }
    }
    Finalize();
    return status;
}
