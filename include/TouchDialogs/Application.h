// The application object: the host's title and icon, and the general error
// handler every dialog reports through.
#pragma once

#include <TouchDialogs/Export.h>

#include <QIcon>
#include <QObject>
#include <QString>
#include <exception>
#include <functional>

namespace TouchDialogs {

// Extensions beyond the dialogs' standard behaviour. Each one changes what a
// user sees or what a dialog answers, so each is off until the host asks.
struct Extensions {
    // Every dialog drawn at this factor; 0 means the largest that fits the screen.
    double scale = 1.0;
    // A timed default answer shows its seconds left on its button.
    bool countdown = false;
    // The typed search folds accents and case of Latin letters ("cafe" finds "Café").
    bool ignoreAccents = false;
    // A fast burst of keys ending with Enter picks the record whose field of this
    // name equals it; empty: no scanner.
    QString scanField;
};

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

    // The opt-in extensions; all off by default.
    static const Extensions &extensions();
    static void setExtensions(const Extensions &extensions);

    // The general error handler: EAbort is ignored, anything else is shown in
    // an error box. A host (or a test) may replace it through OnException.
    static void HandleException(QObject *sender, const std::exception &error);
    static std::function<void(QObject *sender, const std::exception &error)> OnException;

private:
    Application() = default;
};

} // namespace TouchDialogs
