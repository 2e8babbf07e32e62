// touchpos-demo actions: each dialog adds one button with a registrar in its
// own source file.
#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace demo {

struct Action {
    QString caption;
    // Runs the dialog over the sample catalogue; returns the log line.
    std::function<QString()> run;
};

QList<Action> &actions();

struct Registrar {
    explicit Registrar(Action a) { actions().append(std::move(a)); }
};

} // namespace demo
