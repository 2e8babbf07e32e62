// The application object: the host's title and icon, and the general error
// handler every dialog reports through.
#pragma once

#include <TouchDialogs/Export.h>

#include <QIcon>
#include <QObject>
#include <exception>
#include <functional>

namespace TouchDialogs {

class TD_EXPORT Application : public QObject {
    Q_OBJECT
public:
    // The owner object passed to forms "owned by the application".
    static Application *instance();

    // The host's title; until it sets one, Qt's application display name.
    static QString Title();
    static void setTitle(const QString &title);
    static QIcon Icon();
    static void setIcon(const QIcon &icon);

    // Handles the events that are waiting, then returns.
    static void ProcessMessages();

    // The general error handler: EAbort is ignored, anything else is shown in
    // an error box. A host (or a test) may replace it through OnException.
    static void HandleException(QObject *sender, const std::exception &error);
    static std::function<void(QObject *sender, const std::exception &error)> OnException;

private:
    Application() = default;
};

} // namespace TouchDialogs
