// Runs a touchdlg command in-process, as the front end does, and answers its
// dialog with user steps (see perform in TestSupport.h).
#pragma once

#include <QString>
#include <QStringList>

namespace touchdlg::testing {

struct CommandRun {
    int status = -1;   // the exit status the command returns
    QString json;      // the answer, as the one line touchdlg prints
    QString caption;   // the dialog's window title as shown
    bool shown = false;
};

// Parses args for the command `name` and runs it; touchdlg::UsageError and
// the dialogs' exceptions reach the caller.
CommandRun runCommand(const QString &name, const QStringList &args, const QStringList &steps = {});

// True when the command refuses args with a UsageError that says something,
// before any dialog is shown and without an answer. A dialog that opens after
// all is closed, so the test fails instead of waiting.
bool refusesUsage(const QString &name, const QStringList &args);

} // namespace touchdlg::testing
