#include "platform/forms/Application.h"
#include "platform/forms/Form.h"
#include "platform/rtl/Exceptions.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <algorithm>
#include <optional>

namespace TouchDialogs {

namespace {

std::optional<QString> g_title;

// The reference screen the layouts are drawn for.
constexpr int kReferenceWidth = 800;
constexpr int kReferenceHeight = 600;

bool validScale(double factor)
{
    return factor == 0 || (factor >= kMinScale && factor <= kMaxScale);
}

// TOUCHDIALOGS_SCALE is where the extensions start, so a till's set-up can
// scale a host that never asks. A value that names no scale cannot stop a
// host that never asked for one: it is drawn unscaled, with a warning.
Extensions initialExtensions()
{
    Extensions e;
    const QString value = qEnvironmentVariable("TOUCHDIALOGS_SCALE");
    if (value.isEmpty())
        return e;
    if (const std::optional<double> factor = Application::scaleFromText(value))
        e.scale = *factor;
    else
        qWarning("TouchDialogs: TOUCHDIALOGS_SCALE=%s is neither \"auto\" nor a factor from %g to %g "
                 "written with a decimal point; drawn unscaled",
                 qPrintable(value), kMinScale, kMaxScale);
    return e;
}

Extensions g_extensions = initialExtensions();
QList<QPointer<TForm>> g_owned;

} // namespace

std::function<void(QObject *, const std::exception &)> Application::OnException;

Application *Application::instance()
{
    static Application *app = new Application;
    return app;
}

QString Application::Title()
{
    return g_title ? *g_title : QGuiApplication::applicationDisplayName();
}

// Not Qt's application display name: the xcb platform would append that to
// every window title, and each dialog's caption is exactly its own.
void Application::setTitle(const QString &title)
{
    g_title = title;
}

QIcon Application::Icon()
{
    return QApplication::windowIcon();
}

void Application::setIcon(const QIcon &icon)
{
    QApplication::setWindowIcon(icon);
}

void Application::ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

const Extensions &Application::extensions()
{
    return g_extensions;
}

void Application::setExtensions(const Extensions &extensions)
{
    if (!validScale(extensions.scale))
        throw Exception(QStringLiteral("Scale %1 is neither 0 (fit the screen) nor a factor from %2 to %3")
                            .arg(extensions.scale)
                            .arg(kMinScale)
                            .arg(kMaxScale));
    g_extensions = extensions;
}

std::optional<double> Application::scaleFromText(const QString &text)
{
    const QString value = text.trimmed();
    if (value.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0)
        return 0.0;
    // Digits and one point only: what toDouble also takes (exponents, "inf",
    // "nan", a locale's comma) would be a different number than a user meant.
    static const QRegularExpression plain(QStringLiteral("^([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$"));
    if (!plain.match(value).hasMatch())
        return std::nullopt;
    const double factor = QLocale::c().toDouble(value);
    if (factor < kMinScale || factor > kMaxScale)
        return std::nullopt;
    return factor;
}

double formScale()
{
    const double asked = g_extensions.scale;
    if (asked != 0)
        return asked;
    const int width = Screen::Width();
    const int height = Screen::Height();
    if (width <= 0 || height <= 0)
        return 1.0;
    return std::max(1.0, std::min(double(width) / kReferenceWidth, double(height) / kReferenceHeight));
}

void Application::HandleException(QObject *sender, const std::exception &error)
{
    if (dynamic_cast<const EAbort *>(&error))
        return;
    if (OnException) {
        OnException(sender, error);
        return;
    }
    const auto *own = dynamic_cast<const Exception *>(&error);
    const QString text = own ? own->Message() : QString::fromUtf8(error.what());
    QMessageBox box(QMessageBox::Critical, Title(), text, QMessageBox::Ok);
    box.exec();
}

void adoptForm(TForm *form)
{
    g_owned.removeAll(nullptr);
    g_owned.append(form);
}

QList<TForm *> ownedForms()
{
    QList<TForm *> forms;
    for (const auto &f : g_owned)
        if (f)
            forms.append(f.data());
    return forms;
}

void freeOwnedForms()
{
    const auto forms = ownedForms();
    g_owned.clear();
    for (TForm *f : forms)
        delete f;
}

static int g_screenWidth = 0;
static int g_screenHeight = 0;

int Screen::Width()
{
    if (g_screenWidth > 0)
        return g_screenWidth;
    const QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 0;
}

int Screen::Height()
{
    if (g_screenHeight > 0)
        return g_screenHeight;
    const QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

void Screen::setSizeForTesting(int width, int height)
{
    g_screenWidth = width;
    g_screenHeight = height;
}

} // namespace TouchDialogs
