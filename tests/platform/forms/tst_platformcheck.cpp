// canStart held against Qt itself: for each environment the verdict, and a
// child process that makes a real QGuiApplication there, which Qt ends when
// no platform starts, must live exactly when the verdict says one can.
#include "platform/forms/PlatformCheck.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

using namespace TouchDialogs;

namespace {

// What canStart reads; a row sets some, the others are unset.
const char *const kVariables[] = {"QT_QPA_PLATFORM", "DISPLAY",         "WAYLAND_DISPLAY", "WAYLAND_SOCKET",
                                  "XDG_SESSION_TYPE", "XDG_RUNTIME_DIR", "QT_QPA_EGLFS_FB", "QT_QPA_FB_DRM"};

bool waylandPluginInstalled()
{
    return !QDir(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"))
                .entryList({QStringLiteral("libqwayland*")})
                .isEmpty();
}

// A socket at path that takes connections (and never answers).
int listeningSocket(const QString &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool displayDeviceExists()
{
    return QFile::exists(QStringLiteral("/dev/fb0"))
           || !QDir(QStringLiteral("/dev/dri")).entryList({QStringLiteral("card*")}, QDir::System).isEmpty();
}

} // namespace

class tst_PlatformCheck : public QObject {
    Q_OBJECT

private slots:
    void verdict_data();
    void verdict();

private:
    QTemporaryDir m_runtime; // an XDG_RUNTIME_DIR with no compositor in it
    const QByteArray m_display = qgetenv("DISPLAY");
};

void tst_PlatformCheck::verdict_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("platform"); // "" when none can start
    QTest::addColumn<QString>("tried");    // part of the text naming what was tried
    QTest::addColumn<bool>("againstQt");   // false where Qt would wait on a fake server

    QVERIFY(m_runtime.isValid());
    const QString live = m_runtime.filePath(QStringLiteral("live"));
    QVERIFY(listeningSocket(live) >= 0); // open until the test ends
    const QString runtime = QStringLiteral("XDG_RUNTIME_DIR=") + m_runtime.path();
    const bool wayland = waylandPluginInstalled();

    QTest::newRow("offscreen") << QStringList{"QT_QPA_PLATFORM=offscreen"} << "offscreen" << "" << true;
    QTest::newRow("any case, with arguments") << QStringList{"QT_QPA_PLATFORM=Minimal:enable_fonts"} << "minimal"
                                              << "" << true;
    QTest::newRow("missing plugin") << QStringList{"QT_QPA_PLATFORM=bogus"} << ""
                                    << "bogus (no such plugin)" << true;
    QTest::newRow("falls back") << QStringList{"QT_QPA_PLATFORM=xcb;offscreen"} << "offscreen"
                                << "xcb (DISPLAY is not set)" << true;
    QTest::newRow("nothing set") << QStringList{} << "" << "xcb (DISPLAY is not set)" << true;
    QTest::newRow("no X server") << QStringList{"DISPLAY=:55"} << "" << "no X server answers at DISPLAY=:55"
                                 << true;
    if (!m_display.isEmpty())
        QTest::newRow("X server") << QStringList{"DISPLAY=" + QString::fromLocal8Bit(m_display)} << "xcb" << ""
                                  << true;
    QTest::newRow("dead Wayland socket, then X") << QStringList{"WAYLAND_DISPLAY=bogus", runtime} << ""
                                                 << "), xcb (DISPLAY is not set)" << true;
    QTest::newRow("Wayland session, no compositor")
        << QStringList{"XDG_SESSION_TYPE=wayland", runtime} << ""
        << (wayland ? "wayland (no compositor at " + m_runtime.path() + "/wayland-0)" : "wayland (no such plugin)")
        << true;
    QTest::newRow("Wayland asked, no runtime dir")
        << QStringList{"QT_QPA_PLATFORM=wayland"} << ""
        << (wayland ? "wayland (XDG_RUNTIME_DIR is not set)" : "wayland (no such plugin)") << true;
    QTest::newRow("Wayland socket by path")
        << QStringList{"QT_QPA_PLATFORM=wayland", "WAYLAND_DISPLAY=" + live}
        << (wayland ? "wayland" : "") << "" << false;
    if (!displayDeviceExists()) {
        QTest::newRow("eglfs without a device") << QStringList{"QT_QPA_PLATFORM=eglfs"} << ""
                                                << "eglfs (no DRM device opens, nor /dev/fb0)" << true;
        // Qt starts it with no screen at all, where no dialog could show.
        QTest::newRow("linuxfb without its device") << QStringList{"QT_QPA_PLATFORM=linuxfb:fb=/dev/fb7"} << ""
                                                    << "linuxfb (/dev/fb7 does not open)" << false;
    }
}

void tst_PlatformCheck::verdict()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, platform);
    QFETCH(QString, tried);
    QFETCH(bool, againstQt);

    QProcessEnvironment child = QProcessEnvironment::systemEnvironment();
    for (const char *name : kVariables) {
        qunsetenv(name);
        child.remove(QString::fromLatin1(name));
    }
    for (const QString &setting : std::as_const(environment)) {
        const QString name = setting.section(u'=', 0, 0);
        const QString value = setting.section(u'=', 1);
        qputenv(name.toLatin1().constData(), value.toLocal8Bit());
        child.insert(name, value);
    }
    const PlatformVerdict verdict = canStart();
    QCOMPARE(verdict.canStart ? verdict.platform : QString(), platform);
    QVERIFY2(verdict.tried.contains(tried), qPrintable(verdict.tried));
    if (!againstQt)
        return;

    QProcess qt;
    qt.setProcessEnvironment(child);
    qt.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--start-qt")});
    QVERIFY(qt.waitForFinished(60000));
    const bool started = qt.exitStatus() == QProcess::NormalExit && qt.exitCode() == 0;
    QVERIFY2(started == verdict.canStart, qt.readAllStandardError().constData());
}

int main(int argc, char **argv)
{
    if (argc == 2 && qstrcmp(argv[1], "--start-qt") == 0) {
        QGuiApplication app(argc, argv); // the process ends here when no platform starts
        return 0;
    }
    QApplication app(argc, argv);
    tst_PlatformCheck test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_platformcheck.moc"
