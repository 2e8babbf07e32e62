#include "platform/forms/Application.h"
#include "platform/forms/Form.h"
#include "platform/rtl/Exceptions.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace TouchDialogs {

std::function<void(QObject *, const std::exception &)> Application::OnException;

Application *Application::instance()
{
    static Application *app = new Application;
    return app;
}

QString Application::Title()
{
    const auto &title = instance()->m_title;
    return title ? *title : QGuiApplication::applicationDisplayName();
}

// Not Qt's application display name: the xcb platform would append that to
// every window title, and each dialog's caption is exactly its own.
void Application::setTitle(const QString &title)
{
    instance()->m_title = title;
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

void Application::adopt(TForm *form)
{
    auto &owned = instance()->m_owned;
    owned.removeAll(nullptr);
    owned.append(form);
}

QList<TForm *> Application::ownedForms()
{
    QList<TForm *> forms;
    for (const auto &f : instance()->m_owned)
        if (f)
            forms.append(f.data());
    return forms;
}

void Application::freeOwnedForms()
{
    const auto forms = ownedForms();
    instance()->m_owned.clear();
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
