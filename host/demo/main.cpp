// touchpos-demo: a small table-service host with one big button per dialog
// and a log of the answers. --tour DIR renders every dialog to PNG and exits.
#include "host/demo/Demo.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

namespace demo {
QList<Action> &actions()
{
    static QList<Action> list;
    return list;
}
} // namespace demo

using namespace demo;

static QString runAction(const Action &a)
{
    try {
        return a.run();
    } catch (const TouchDialogs::EAbort &) {
        return QStringLiteral("%1: cancelled").arg(a.caption);
    } catch (const std::exception &e) {
        return QStringLiteral("%1: error: %2").arg(a.caption, QString::fromUtf8(e.what()));
    }
}

static QWidget *buildWindow(QPlainTextEdit *&log)
{
    auto *window = new QWidget;
    window->setWindowTitle(TouchDialogs::Application::Title());
    auto *layout = new QVBoxLayout(window);
    auto *title = new QLabel(QStringLiteral("Mesa 12 — Caixa 1"));
    QFont f = title->font();
    f.setPixelSize(28);
    f.setBold(true);
    title->setFont(f);
    layout->addWidget(title);
    auto *grid = new QGridLayout;
    int i = 0;
    log = new QPlainTextEdit;
    log->setReadOnly(true);
    for (const Action &a : actions()) {
        auto *button = new QPushButton(a.caption);
        button->setMinimumSize(220, 90);
        QFont bf = button->font();
        bf.setPixelSize(22);
        button->setFont(bf);
        QPlainTextEdit *logView = log;
        QObject::connect(button, &QPushButton::clicked, window, [a, logView] {
            logView->appendPlainText(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss ")) + runAction(a));
        });
        grid->addWidget(button, i / 3, i % 3);
        ++i;
    }
    layout->addLayout(grid);
    layout->addWidget(log, 1);
    window->resize(760, 520);
    return window;
}

// Opens every dialog in turn, writes it to DIR as first shown, closes it.
static int tour(const QString &dir, QWidget *window)
{
    QDir().mkpath(dir);
    window->show();
    QApplication::processEvents();
    const QString host = QDir(dir).filePath(QStringLiteral("00-host.png"));
    window->grab().save(host);
    std::printf("%s\n", qPrintable(QDir(dir).absoluteFilePath(QStringLiteral("00-host.png"))));
    int n = 1;
    for (const Action &a : actions()) {
        const QString file = QDir(dir).absoluteFilePath(
            QStringLiteral("%1-%2.png").arg(n++, 2, 10, QLatin1Char('0')).arg(a.caption.toLower().replace(u' ', u'-')));
        auto *timer = new QTimer;
        QWidget *shown = nullptr;
        QObject::connect(timer, &QTimer::timeout, timer, [timer, file, &shown] {
            QWidget *dlg = QApplication::activeModalWidget();
            if (!dlg || !dlg->isVisible() || dlg == shown)
                return;
            shown = dlg;
            QTimer::singleShot(50, dlg, [dlg, file, timer] {
                dlg->grab().save(file);
                std::printf("%s\n", qPrintable(file));
                std::fflush(stdout);
                timer->stop();
                dlg->close();
            });
        });
        timer->start(20);
        runAction(a);
        delete timer;
    }
    return 0;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("touchpos-demo"));
    TouchDialogs::Application::setTitle(QStringLiteral("TouchPOS"));
    TouchDialogs::Application::setIcon(QIcon(QStringLiteral(":/demo/icon.png")));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("tour"), QStringLiteral("Render every dialog to PNG files in DIR and exit."),
                      QStringLiteral("DIR")});
    parser.process(app);

    // The buttons in the order a waiter meets the dialogs, whatever order
    // the action files were linked in.
    const QStringList order{QStringLiteral("Message"), QStringLiteral("Keyboard"), QStringLiteral("Search product"),
                            QStringLiteral("Quantity"), QStringLiteral("Build list"), QStringLiteral("Colour")};
    std::stable_sort(actions().begin(), actions().end(), [&order](const Action &a, const Action &b) {
        auto rank = [&order](const Action &x) {
            const qsizetype i = order.indexOf(x.caption);
            return i < 0 ? order.size() : i;
        };
        return rank(a) < rank(b);
    });

    Initialize();
    QPlainTextEdit *log = nullptr;
    QWidget *window = buildWindow(log);
    int status = 0;
    if (parser.isSet(QStringLiteral("tour"))) {
        status = tour(parser.value(QStringLiteral("tour")), window);
    } else {
        window->show();
        status = app.exec();
    }
    delete window;
    Finalize();
    return status;
}
