// The application object: the host's title and icon, and the general error
// handler every dialog reports through.
#pragma once

#include <TouchDialogs/Export.h>

#include <QIcon>
#include <QObject>
#include <QString>
#include <exception>
#include <functional>
#include <optional>

namespace TouchDialogs {

// Extensions beyond the dialogs' standard behaviour. Each one changes what a
// user sees or what a dialog answers, so each is off until the host asks.
struct Extensions {
    // Every dialog drawn at this factor: each component at this many times
    // its rectangle (rounded), fonts and pictures with it. 0: the largest
    // factor at which an 800 x 600 form fits the screen, never below 1.
    // Starts from TOUCHDIALOGS_SCALE (as scaleFromText reads it) when that is
    // set and not empty, so change a copy of extensions() rather than a fresh
    // object. A value it cannot read leaves 1 and warns on stderr.
    double scale = 1.0;
    // A timed default answer shows its seconds left on its button.
    bool countdown = false;
    // The typed search folds accents and case of Latin letters ("cafe" finds "Café").
    bool ignoreAccents = false;
    // A fast burst of keys ending with Enter picks the record whose field of this
    // name equals it; empty: no scanner.
    QString scanField;
    // A dialog with no window of the host's to be shown over is centred over
    // a dimmed surface that covers the screen, for displays whose compositor
    // places windows itself (a Wayland kiosk puts every window in a corner).
    bool backdrop = false;
};

// The factors Extensions::scale accepts besides 0.
inline constexpr double kMinScale = 0.5;
inline constexpr double kMaxScale = 4.0;

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

    // The opt-in extensions; all off by default. Forms created afterwards
    // use them. A scale out of range raises Exception and changes nothing.
    static const Extensions &extensions();
    static void setExtensions(const Extensions &extensions);
    // The scale a text names, as --scale options and TOUCHDIALOGS_SCALE take
    // it: "auto" (any case) is 0, a plain decimal from kMinScale to kMaxScale
    // with a point ("1.5", blanks around it ignored) is that factor; anything
    // else ("", "2,5", "1e0", "0x2", "nan") none.
    static std::optional<double> scaleFromText(const QString &text);

    // The general error handler: EAbort is ignored, anything else is shown in
    // an error box. A host (or a test) may replace it through OnException.
    static void HandleException(QObject *sender, const std::exception &error);
    static std::function<void(QObject *sender, const std::exception &error)> OnException;

private:
    Application() = default;
};

} // namespace TouchDialogs
