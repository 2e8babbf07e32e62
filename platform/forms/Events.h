// Event types of the form framework and the one dispatcher every handler
// runs through when it is fired from the event loop.
#pragma once

#include "platform/rtl/Export.h"
#include "platform/win/Windows.h"

#include <QChar>
#include <QString>
#include <functional>

class QObject;

namespace TouchDialogs {

using TNotifyEvent = std::function<void(QObject *Sender)>;
using TKeyEvent = std::function<void(QObject *Sender, WORD &Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(QObject *Sender, QChar &Key)>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TMouseEvent = std::function<void(QObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(QObject *Sender, TCloseAction &Action)>;

class TForm;

// Runs an event handler that the event loop triggered. Any exception goes to
// Application::HandleException (EAbort silently); none crosses Qt's loop.
// Handlers called from code (a button's Click() from another handler) are
// not wrapped: their exceptions travel to the caller as usual.
void dispatchEvent(QObject *sender, const std::function<void()> &handler);

// A control whose events a layout can bind by name. The loader calls
// bindEvent for each "onXxx" dynamic property found in the .ui; a control
// returns false for an event it does not have.
class EventBindable {
public:
    virtual ~EventBindable() = default;
    virtual bool bindEvent(const QByteArray &event, TForm &form, const QString &handler) = 0;
};

// A control with lengths of its own beyond its rectangle and font (a
// glyph's size, a pen): the layout loader hands it the form's scale once.
class Scalable {
public:
    virtual ~Scalable() = default;
    virtual void applyScale(double factor) = 0;
};

// A control that takes keys while focused. The form offers each key to the
// focused control's handlers after its own preview.
class KeyControl {
public:
    virtual ~KeyControl() = default;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
};

} // namespace TouchDialogs
