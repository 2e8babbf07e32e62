// Helpers for driving modal dialogs from tests.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

namespace TouchDialogs::testing {

// Runs action on the next modal dialog once it is shown and active (from the
// event loop, while the code under test waits in its modal run). Returns a
// flag that tells whether it fired.
std::shared_ptr<bool> whenModal(std::function<void(QWidget *dialog)> action, int timeoutMs = 5000);

// The modal dialog that is on top now, or nullptr.
QWidget *activeModal();

// Clicks the named child of w (a touch on it) with a real mouse event.
void touch(QWidget *w, const QString &childName);

// Writes a language pack (a binary Qt resource file, as rcc builds them) to
// target, holding one file layouts/PROBE with the given content.
bool writeLanguagePack(const QString &target, const QByteArray &content);

// Records the errors Application::HandleException would show, while alive
// (the silent abort never reaches it).
class ExceptionRecorder {
public:
    ExceptionRecorder();
    ~ExceptionRecorder();
    QStringList messages;
};

} // namespace TouchDialogs::testing
