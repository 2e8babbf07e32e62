#include "tests/common/TestSupport.h"
#include "platform/forms/Application.h"
#include "platform/forms/Form.h"
#include "platform/rtl/Exceptions.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QHeaderView>
#include <QPointer>
#include <QPointingDevice>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QCloseEvent>
#include <QTest>
#include <QTimer>
#include <map>
#include <memory>

namespace TouchDialogs::testing {

QWidget *activeModal()
{
    return QApplication::activeModalWidget();
}

namespace {

// The test function and data row running now; empty outside a test.
QByteArray runningTest()
{
    const char *function = QTest::currentTestFunction();
    const char *row = QTest::currentDataTag();
    return function ? QByteArray(function) + '/' + (row ? row : "") : QByteArray();
}

QString named(const QWidget *w)
{
    return QStringLiteral("'%1' (%2)").arg(w->windowTitle(), QString::fromLatin1(w->metaObject()->className()));
}

} // namespace

std::shared_ptr<bool> whenModal(std::function<void(QWidget *)> action, int timeoutMs, std::source_location armedAt)
{
    auto fired = std::make_shared<bool>(false);
    // Watched, not just remembered: a dialog made after it is freed may reuse its address.
    QPointer<QWidget> before = activeModal();
    const QByteArray test = runningTest();
    auto *timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QWidget *dlg = activeModal();
        const bool fresh = dlg && dlg != before.data();
        // A later test's dialogs are not the ones this wait was armed for.
        const bool over = runningTest() != test;
        // Shown is not enough: forms do part of their work when they are
        // activated, and a touch before that would race it.
        const bool ready = fresh && dlg->isVisible() && dlg->isActiveWindow();
        if (over || ready || clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
        if (over)
            return;
        if (ready) {
            *fired = true;
            action(dlg);
        } else if (clock->elapsed() > timeoutMs && !test.isEmpty()) {
            // Outside a test (the C driver) a wait may go unanswered: the
            // caller counts what was answered.
            const QString state = !dlg   ? QStringLiteral("none is up")
                                  : fresh ? named(dlg) + QStringLiteral(" is up but never became active; closed")
                                          : named(dlg) + QStringLiteral(", up before the wait, is on top; closed");
            QTest::qFail(qPrintable(QStringLiteral("waited %1 ms for a new modal dialog to be shown and active: %2")
                                        .arg(timeoutMs)
                                        .arg(state)),
                         armedAt.file_name(), int(armedAt.line()));
            // Else the run it blocks would never end.
            if (dlg)
                dlg->close();
        }
    });
    timer->start();
    return fired;
}

bool staysOpen(QWidget *dlg)
{
    QPointer<QWidget> open(dlg);
    // Delivers what was posted before this call, not what that posts in turn;
    // a posted close sets the form's answer as it is delivered.
    QCoreApplication::sendPostedEvents();
    auto *form = qobject_cast<TForm *>(open.data());
    return open && open->isVisible() && !(form && form->isModalEnding());
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

// Where a finger meets NAME (the child's centre) or NAME:ROW (the middle of
// that row of a data grid), in dlg's coordinates; false when there is none.
static bool placeOf(QWidget *dlg, const QString &where, QPoint &at)
{
    // A place may end in +DX,DY: that many pixels off it.
    static const QRegularExpression offset(QStringLiteral("([+-]\\d+),([+-]?\\d+)$"));
    const QRegularExpressionMatch off = offset.match(where);
    const QString target = off.hasMatch() ? where.left(off.capturedStart()) : where;
    const QPoint shift = off.hasMatch() ? QPoint(off.captured(1).toInt(), off.captured(2).toInt()) : QPoint();
    const QString name = target.section(u':', 0, 0);
    auto *child = dlg->findChild<QWidget *>(name);
    auto *grid = qobject_cast<QTableView *>(child);
    if (!child || (target.contains(u':') && !grid)) {
        QTest::qFail(qPrintable(QStringLiteral("no place %1").arg(target)), __FILE__, __LINE__);
        return false;
    }
    if (grid) {
        const int row = target.contains(u':') ? target.section(u':', 1).toInt() : 0;
        const QRect cell = grid->visualRect(grid->model()->index(row, grid->model()->columnCount() / 2));
        at = grid->viewport()->mapTo(dlg, target.contains(u':') ? cell.center() : grid->viewport()->rect().center());
    } else {
        at = child->mapTo(dlg, child->rect().center());
    }
    at += shift;
    return true;
}

namespace {

// The fingers on the touch screen of dlg. Every touch event names all the
// fingers that are down, the still ones as stationary, and each finger that
// lands gets a number of its own, as a touch screen's driver reports them.
class Fingers {
public:
    explicit Fingers(QWidget *dlg)
    {
        static QPointingDevice *const screen = QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
        if (m_window != dlg) {
            m_window = dlg;
            m_events.reset(new QTest::QTouchEventWidgetSequence(QTest::touchEvent(dlg, screen, false)));
            m_down.clear();
        }
    }
    void down(int finger, QPoint at)
    {
        m_down[finger] = {++m_lastId, at};
        send(finger, &QTest::QTouchEventWidgetSequence::press);
    }
    void move(int finger, QPoint at)
    {
        m_down[finger].at = at;
        send(finger, &QTest::QTouchEventWidgetSequence::move);
    }
    void up(int finger)
    {
        send(finger, &QTest::QTouchEventWidgetSequence::release);
        m_down.erase(finger);
    }
    // Moves in steps, as a finger passes the points between.
    void slide(int finger, QPoint to)
    {
        const QPoint from = m_down[finger].at;
        for (int step = 1; step <= 8; ++step)
            move(finger, from + (to - from) * step / 8);
    }

private:
    using Action = QTest::QTouchEventWidgetSequence &(QTest::QTouchEventWidgetSequence::*)(int, const QPoint &,
                                                                                          QWidget *);
    void send(int finger, Action action)
    {
        if (m_down.count(finger) == 0 || m_down[finger].id == 0) {
            QTest::qFail(qPrintable(QStringLiteral("finger %1 is not down").arg(finger)), __FILE__, __LINE__);
            m_down.erase(finger);
            return;
        }
        for (const auto &[other, touch] : m_down)
            if (other != finger)
                m_events->stationary(touch.id);
        (m_events.get()->*action)(m_down[finger].id, m_down[finger].at, nullptr);
        m_events->commit();
    }
    struct Touch {
        int id = 0;
        QPoint at;
    };
    static inline QPointer<QWidget> m_window;
    static inline std::unique_ptr<QTest::QTouchEventWidgetSequence> m_events;
    static inline std::map<int, Touch> m_down; // by finger
    static inline int m_lastId = 0;
};

} // namespace

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
    } else if (verb == QLatin1String("tap")) {
        QPoint at;
        if (placeOf(dlg, arg, at)) {
            Fingers(dlg).down(0, at);
            Fingers(dlg).up(0);
        }
    } else if (verb == QLatin1String("down") || verb == QLatin1String("slide")) {
        QPoint at;
        const int finger = arg.section(u' ', 0, 0).toInt();
        if (placeOf(dlg, arg.section(u' ', 1), at)) {
            Fingers fingers(dlg);
            verb == QLatin1String("down") ? fingers.down(finger, at) : fingers.slide(finger, at);
        }
    } else if (verb == QLatin1String("up")) {
        Fingers(dlg).up(arg.toInt());
    } else if (verb == QLatin1String("swipe")) {
        QPoint at;
        if (placeOf(dlg, arg, at)) {
            auto *grid = dlg->findChild<QAbstractScrollArea *>(arg);
            const int reach = grid ? grid->viewport()->height() / 3 : 60;
            Fingers fingers(dlg);
            fingers.down(0, at + QPoint(0, reach));
            fingers.slide(0, at - QPoint(0, reach));
            fingers.up(0);
        }
    } else if (verb == QLatin1String("close")) {
        // As the window system asks it (a close box, the window manager).
        QCloseEvent request;
        QCoreApplication::sendEvent(dlg->windowHandle(), &request);
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

bool writeLanguagePack(const QString &target, const QByteArray &content, const QString &file)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QFileInfo(file).path());
    QFile data(dir.filePath(file));
    if (!data.open(QIODevice::WriteOnly) || data.write(content) < 0)
        return false;
    data.close();
    QFile qrc(dir.filePath(QStringLiteral("pack.qrc")));
    if (!qrc.open(QIODevice::WriteOnly))
        return false;
    qrc.write("<RCC><qresource prefix=\"/\"><file>" + file.toUtf8() + "</file></qresource></RCC>");
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
