#include "tests/support/TestSupport.h"
#include "platform/forms/Application.h"
#include "platform/forms/Form.h"
#include "platform/rtl/Exceptions.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QHeaderView>
#include <QPointer>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

namespace TouchDialogs::testing {

QWidget *activeModal()
{
    return QApplication::activeModalWidget();
}

std::shared_ptr<bool> whenModal(std::function<void(QWidget *)> action, int timeoutMs)
{
    auto fired = std::make_shared<bool>(false);
    // Watched, not just remembered: a dialog made after it is freed may reuse its address.
    QPointer<QWidget> before = activeModal();
    auto *timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QWidget *dlg = activeModal();
        // Shown is not enough: forms do part of their work when they are
        // activated, and a touch before that would race it.
        if (dlg && dlg != before.data() && dlg->isVisible() && dlg->isActiveWindow()) {
            timer->stop();
            timer->deleteLater();
            *fired = true;
            action(dlg);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return fired;
}

void touch(QWidget *w, const QString &childName)
{
    auto *child = w->findChild<QWidget *>(childName);
    if (!child)
        QTest::qFail(qPrintable(QStringLiteral("no child named %1").arg(childName)), __FILE__, __LINE__);
    else
        QTest::mouseClick(child, Qt::LeftButton, {}, child->rect().center());
}

void touchTitle(QWidget *w, int column)
{
    auto *grid = w->findChild<QTableView *>();
    if (!grid)
        grid = qobject_cast<QTableView *>(w);
    if (!grid) {
        QTest::qFail("no data grid", __FILE__, __LINE__);
        return;
    }
    QHeaderView *header = grid->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

void whenLeftOpen(QWidget *dlg, std::function<void()> leftOpen)
{
    QTimer::singleShot(0, dlg, [dlg, leftOpen = std::move(leftOpen)] {
        auto *form = qobject_cast<TForm *>(dlg);
        if (dlg->isVisible() && !(form && form->isModalEnding()))
            leftOpen();
    });
}

const QString kLowerLetters = QStringLiteral("abcdefghijklmnopqrstuvwxyz\u00E7");
const QString kUpperLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ\u00C7");

QString letterCaptions(const QWidget *form)
{
    // Through the property: the library exports no control classes to the
    // helpers it is linked with for tests written in C.
    QString s;
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        s += form->findChild<QWidget *>(QStringLiteral("spd") + QChar(c))->property("Caption").toString();
    return s + form->findChild<QWidget *>(QStringLiteral("spdCCdil"))->property("Caption").toString();
}

static bool keyOf(const QString &name, Qt::Key &key)
{
    static const QHash<QString, Qt::Key> named{
        {QStringLiteral("Return"), Qt::Key_Return},     {QStringLiteral("Escape"), Qt::Key_Escape},
        {QStringLiteral("Backspace"), Qt::Key_Backspace}, {QStringLiteral("Delete"), Qt::Key_Delete},
        {QStringLiteral("CapsLock"), Qt::Key_CapsLock}, {QStringLiteral("Shift"), Qt::Key_Shift},
        {QStringLiteral("Space"), Qt::Key_Space}};
    if (named.contains(name)) {
        key = named.value(name);
        return true;
    }
    if (name.size() >= 2 && name.at(0) == u'F') {
        bool ok = false;
        const int n = name.mid(1).toInt(&ok);
        if (ok && n >= 1 && n <= 12) {
            key = Qt::Key(Qt::Key_F1 + n - 1);
            return true;
        }
    }
    if (name.size() == 1) {
        key = Qt::Key(name.at(0).toUpper().unicode());
        return true;
    }
    return false;
}

void perform(QWidget *dlg, const QString &step)
{
    const QString verb = step.section(u' ', 0, 0);
    const QString arg = step.section(u' ', 1);
    if (verb == QLatin1String("touch")) {
        touch(dlg, arg);
    } else if (verb == QLatin1String("type")) {
        for (const QChar c : arg) {
            if (c.unicode() < 128)
                QTest::keyClick(dlg, c.toLatin1());
            else // Qt names a Latin-1 letter key by its capital
                QTest::sendKeyEvent(QTest::Click, dlg, Qt::Key(c.toUpper().unicode()), QString(c), {});
        }
    } else if (verb == QLatin1String("key")) {
        QStringList parts = arg.split(u'+');
        const QString name = parts.takeLast();
        Qt::KeyboardModifiers mods;
        for (const QString &m : parts)
            mods |= m == QLatin1String("Alt")     ? Qt::AltModifier
                    : m == QLatin1String("Shift") ? Qt::ShiftModifier
                    : m == QLatin1String("Keypad") ? Qt::KeypadModifier
                                                   : Qt::ControlModifier;
        Qt::Key key;
        if (keyOf(name, key))
            QTest::keyClick(dlg, key, mods);
        else
            QTest::qFail(qPrintable(QStringLiteral("unknown key in step ") + step), __FILE__, __LINE__);
    } else if (verb == QLatin1String("close")) {
        dlg->close();
    } else {
        QTest::qFail(qPrintable(QStringLiteral("unknown step ") + step), __FILE__, __LINE__);
    }
}

void perform(QWidget *dlg, const QStringList &steps)
{
    for (const QString &step : steps)
        perform(dlg, step);
}

static bool runXdo(const QStringList &args, QString *output)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    const bool ok = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok)
        qWarning("xdotool %s failed: %s", qPrintable(args.join(u' ')), p.readAllStandardError().constData());
    if (output)
        *output = ok ? QString::fromUtf8(p.readAllStandardOutput()).trimmed() : QString();
    return ok;
}

bool xdo(const QStringList &args)
{
    return runXdo(args, nullptr);
}

QString xdoOutput(const QStringList &args)
{
    QString output;
    runXdo(args, &output);
    return output;
}

void realTouch(QWidget *w, const QString &childName)
{
    auto *child = w->findChild<QWidget *>(childName);
    if (!child) {
        QTest::qFail(qPrintable(QStringLiteral("no child named %1").arg(childName)), __FILE__, __LINE__);
        return;
    }
    realClickAt(child->mapToGlobal(child->rect().center()));
}

void realClickAt(const QPoint &at)
{
    // xdotool's --sync waits for the pointer to move: it would wait forever
    // when the pointer is there already (the same button of the box before).
    if (QCursor::pos() == at)
        xdo({QStringLiteral("click"), QStringLiteral("1")});
    else
        xdo({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(at.x()), QString::number(at.y()),
             QStringLiteral("click"), QStringLiteral("1")});
}

void realKey(const QString &keys)
{
    xdo({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
}

bool writeLanguagePack(const QString &target, const QByteArray &content)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("layouts"));
    QFile data(dir.filePath(QStringLiteral("layouts/PROBE")));
    if (!data.open(QIODevice::WriteOnly) || data.write(content) < 0)
        return false;
    data.close();
    QFile qrc(dir.filePath(QStringLiteral("pack.qrc")));
    if (!qrc.open(QIODevice::WriteOnly))
        return false;
    qrc.write("<RCC><qresource prefix=\"/\"><file>layouts/PROBE</file></qresource></RCC>");
    qrc.close();
    QProcess rcc;
    rcc.start(QStringLiteral(TD_RCC_EXECUTABLE),
              {QStringLiteral("-binary"), qrc.fileName(), QStringLiteral("-o"), target});
    return rcc.waitForFinished() && rcc.exitCode() == 0;
}

ExceptionRecorder::ExceptionRecorder()
{
    Application::OnException = [this](QObject *, const std::exception &e) {
        messages << QString::fromUtf8(e.what());
    };
}

ExceptionRecorder::~ExceptionRecorder()
{
    Application::OnException = nullptr;
}

QString builtLibrary()
{
    return QStringLiteral(TD_LIBRARY_FILE);
}

} // namespace TouchDialogs::testing
