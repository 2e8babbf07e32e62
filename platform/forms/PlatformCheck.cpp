#include "platform/forms/PlatformCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>
#include <QStringList>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstring>

namespace TouchDialogs {

namespace {

// Qt's candidates, as QGuiApplicationPrivate::createPlatformIntegration
// orders them (Qt 6.4 to 6.8, built with xcb as the default): the variable
// when it is set, else wayland for a Wayland session, then xcb (the choice
// when DISPLAY is set, and the default besides). Each entry is a plugin key
// with its arguments after ':'.
QStringList candidates()
{
    const QString asked = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!asked.isEmpty())
        return asked.split(u';', Qt::SkipEmptyParts);
    QStringList order;
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland")
        order << QStringLiteral("wayland");
    order << QStringLiteral("xcb");
    return order;
}

// Whether Qt would find a platform plugin with this key: in its own folder
// for them, or the platforms folder of a library path. Only metadata is
// read, of the files named after the key first, which mostly hold it.
bool hasPlugin(const QString &key)
{
    QStringList dirs;
    if (const QString own = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH"); !own.isEmpty())
        dirs << own;
    for (const QString &path : QCoreApplication::libraryPaths())
        dirs << path + QStringLiteral("/platforms");
    QFileInfoList files;
    for (const QString &dir : std::as_const(dirs))
        files += QDir(dir).entryInfoList(QDir::Files);
    std::stable_partition(files.begin(), files.end(),
                          [&](const QFileInfo &file) { return file.fileName().contains(key, Qt::CaseInsensitive); });
    for (const QFileInfo &file : std::as_const(files)) {
        if (!QLibrary::isLibrary(file.fileName()))
            continue;
        const QJsonObject meta = QPluginLoader(file.absoluteFilePath()).metaData();
        if (!meta.value(QLatin1String("IID")).toString().contains(QLatin1String("QPlatformIntegrationFactory")))
            continue;
        const QJsonObject plugin = meta.value(QLatin1String("MetaData")).toObject();
        for (const QJsonValue k : plugin.value(QLatin1String("Keys")).toArray())
            if (k.toString().compare(key, Qt::CaseInsensitive) == 0)
                return true;
    }
    return false;
}

QString xcbProblem()
{
    int screen = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screen);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (!error)
        return {};
    const QString display = qEnvironmentVariable("DISPLAY");
    return display.isEmpty() ? QStringLiteral("DISPLAY is not set")
                             : QStringLiteral("no X server answers at DISPLAY=%1").arg(display);
}

// The socket as libwayland-client finds it.
QString waylandProblem()
{
    if (qEnvironmentVariableIsSet("WAYLAND_SOCKET"))
        return {}; // a connection handed down by the compositor
    QString path = qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ? qEnvironmentVariable("WAYLAND_DISPLAY")
                                                                : QStringLiteral("wayland-0");
    if (!path.startsWith(u'/')) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (runtime.isEmpty())
            return QStringLiteral("XDG_RUNTIME_DIR is not set");
        path = runtime + u'/' + path;
    }
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address.sun_path)
        return QStringLiteral("the socket path %1 is too long").arg(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return connected ? QString() : QStringLiteral("no compositor at %1").arg(path);
}

bool opens(const QString &device)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool drmOpens()
{
    const QStringList cards = QDir(QStringLiteral("/dev/dri")).entryList({QStringLiteral("card*")}, QDir::System);
    for (const QString &card : cards)
        if (opens(QStringLiteral("/dev/dri/") + card))
            return true;
    return false;
}

// A display device for the plugins that draw on one themselves.
QString deviceProblem(const QString &key, const QStringList &arguments)
{
    QString fb = key == QLatin1String("eglfs") ? qEnvironmentVariable("QT_QPA_EGLFS_FB") : QString();
    for (const QString &argument : arguments)
        if (argument.startsWith(QLatin1String("fb=")))
            fb = argument.mid(3);
    if (fb.isEmpty())
        fb = QStringLiteral("/dev/fb0");
    const bool drm = key == QLatin1String("eglfs") || arguments.contains(QLatin1String("drm"))
                     || arguments.contains(QLatin1String("drm=1")) || qEnvironmentVariableIntValue("QT_QPA_FB_DRM");
    if ((drm && drmOpens()) || opens(fb))
        return {};
    return drm ? QStringLiteral("no DRM device opens, nor %1").arg(fb) : QStringLiteral("%1 does not open").arg(fb);
}

} // namespace

PlatformVerdict canStart()
{
    PlatformVerdict verdict;
    QStringList tried;
    for (const QString &candidate : candidates()) {
        QStringList arguments = candidate.split(u':');
        const QString key = arguments.takeFirst().toLower();
        QString problem;
        if (!hasPlugin(key))
            problem = QStringLiteral("no such plugin");
        else if (key == QLatin1String("xcb"))
            problem = xcbProblem();
        else if (key.startsWith(QLatin1String("wayland")))
            problem = waylandProblem();
        else if (key == QLatin1String("eglfs") || key == QLatin1String("linuxfb"))
            problem = deviceProblem(key, arguments);
        if (problem.isEmpty()) {
            verdict.canStart = true;
            verdict.platform = key;
            break;
        }
        tried << QStringLiteral("%1 (%2)").arg(key, problem);
    }
    verdict.tried = tried.join(QLatin1String(", "));
    return verdict;
}

} // namespace TouchDialogs
