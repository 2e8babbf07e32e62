// Helpers for driving modal dialogs from tests.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <memory>
#include <source_location>

namespace TouchDialogs::testing {

// Runs action on the next modal dialog once it is shown and active (from the
// event loop, while the code under test waits in its modal run). Returns a
// flag that tells whether it fired. The wait ends with the test (and data
// row) that armed it. When no dialog comes within timeoutMs, the running
// test fails at the line that armed the wait, and the modal dialog on top,
// if any, is closed so that the run waiting on it ends. Outside a test it
// simply ends.
std::shared_ptr<bool> whenModal(std::function<void(QWidget *dialog)> action, int timeoutMs = 5000,
                                std::source_location armedAt = std::source_location::current());

// The modal dialog that is on top now, or nullptr.
QWidget *activeModal();

// Clicks the named child of w (a touch on it) with a real mouse event.
void touch(QWidget *w, const QString &childName);

// A touch on the title of column `column` of the data grid in w.
void touchTitle(QWidget *w, int column);

// Whether dlg is still open for good once what was queued before the call
// has run: a close a handler posted has then reached the form and given it
// its answer, so false also for a dialog whose run is ending.
bool staysOpen(QWidget *dlg);

// Once everything queued has run (a close a step asked for, say): when dlg
// is still shown and its modal run is not ending, runs leftOpen, which
// records that and closes it (a test must not hang on a dialog left open).
void whenLeftOpen(QWidget *dlg, std::function<void()> leftOpen);

// Counts the paint events of the widgets it filters.
class PaintCount : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

// The captions of the letter keys spdA..spdZ and spdCCdil of a keyboard
// form, as one string; and what they read in lower and upper case.
QString letterCaptions(const QWidget *form);
extern const QString kLowerLetters;
extern const QString kUpperLetters;

// How many widgets of class T exist (a freed dialog leaves none).
template <class T> int liveWidgets()
{
    const QWidgetList all = QApplication::allWidgets();
    return int(std::count_if(all.cbegin(), all.cend(), [](QWidget *w) { return qobject_cast<T *>(w) != nullptr; }));
}

// Does one thing a user does to a dialog, written as a step:
//   "touch NAME"          a real click on the named child
//   "type TEXT"           physical keys for each character (non-ASCII too)
//   "key [Mods+]NAME"     one physical key; NAME is Return, Escape, Backspace,
//                         Delete, CapsLock, Shift, Space, F1..F12 or one
//                         character; Mods are Alt, Shift, Ctrl, Keypad
//   "close"               the window system asks the window to close
// and, as fingers on a touch screen (touch events, which Qt turns into mouse
// events of the first finger for widgets that take no touch):
//   "tap NAME"            a finger touches the named child and lifts
//   "down N NAME"         finger N lands on the named child; the others stay
//   "slide N NAME"        finger N, still down, slides onto the named child
//   "up N"                finger N lifts where it is
//   "swipe NAME"          a finger drags the named child's rows upward
// where NAME is the child's centre, or NAME:ROW that row of a data grid,
// either of them followed by +DX,DY for that many pixels off it.
// An unknown step fails the running test.
void perform(QWidget *dlg, const QString &step);
void perform(QWidget *dlg, const QStringList &steps);

// Real input through the X server, for tests registered with
// td_add_x11_test: xdotool moves the pointer and clicks, or presses keys on
// whatever window has the keyboard focus, as a person would. Unlike QTest's
// events these pass through window-system focus and modality.
bool xdo(const QStringList &args);
QString xdoOutput(const QStringList &args); // what it prints, trimmed; empty when it fails
void realTouch(QWidget *w, const QString &childName); // a click at the child's centre on screen
void realClickAt(const QPoint &at);                    // a click at that place of the screen
void realKey(const QString &keys);                    // xdotool key names: "Return", "y", "alt+F4"

// Writes a language pack (a binary Qt resource file, as rcc builds them) to
// target, holding one file (layouts/PROBE unless named) with the given content.
bool writeLanguagePack(const QString &target, const QByteArray &content,
                       const QString &file = QStringLiteral("layouts/PROBE"));

// The built library's file; the shipped language packs lie beside it. A test
// that attaches the frame to it (frame::attach) gets them as a host does.
QString builtLibrary();

// Records the errors Application::HandleException would show, while alive
// (the silent abort never reaches it).
class ExceptionRecorder {
public:
    ExceptionRecorder();
    ~ExceptionRecorder();
    QStringList messages;
};

} // namespace TouchDialogs::testing
