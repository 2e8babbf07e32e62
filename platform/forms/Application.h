// The application object and the screen, as the dialogs see them.
#pragma once

#include "platform/rtl/Export.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <exception>
#include <functional>
#include <optional>

namespace TouchDialogs {

class TForm;

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

    // Forms created with the application as owner; freed by freeOwnedForms()
    // when the framework is finalised.
    static void adopt(TForm *form);
    static QList<TForm *> ownedForms();
    static void freeOwnedForms();

private:
    Application() = default;
    QList<QPointer<TForm>> m_owned;
    std::optional<QString> m_title;
};

class TD_EXPORT Screen {
public:
    static int Width();
    static int Height();
    // Tests pretend another screen size; 0 x 0 goes back to the real one.
    static void setSizeForTesting(int width, int height);
};

} // namespace TouchDialogs
