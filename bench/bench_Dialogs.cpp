// Each dialog from the call of its function to its first paint, warm (the
// library and the dialog already used once in this process), on offscreen
// forms; the search and the list on 1 000 products. And the command-line
// front end on a JSON file of 100 000 products, from the start of the
// process to the screenshot it writes of the first paint.
#include "bench/DialogBench.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>

using namespace TouchDialogs;

namespace {

using Clock = std::chrono::steady_clock;
using bench::FirstPaint;
using bench::dialog;

void dialog_open(benchmark::State &state)
{
    const auto &call = dialog(int(state.range(0))).second;
    state.SetLabel(dialog(int(state.range(0))).first);
    FirstPaint spy;
    qApp->installEventFilter(&spy);
    call(); // warm
    for (auto _ : state) {
        spy.seen = false;
        const auto start = Clock::now();
        call();
        if (!spy.seen) {
            state.SkipWithError("the dialog was not painted");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(spy.painted - start).count());
    }
    qApp->removeEventFilter(&spy);
}

// touchdlg DIALOG --data 100k.json until it has written its screenshot,
// which the front end grabs right after the dialog's first paint.
void json_open(benchmark::State &state, const char *which)
{
    static QTemporaryDir dir;
    const QString json = dir.filePath(QStringLiteral("100k.json"));
    if (!QFileInfo::exists(json)) {
        QFile file(json);
        if (!file.open(QIODevice::WriteOnly) || file.write(bench::activeProducts(100000).toJson()) < 0) {
            state.SkipWithError("cannot write the JSON file");
            return;
        }
    }
    const QString png = dir.filePath(QStringLiteral("shot.png"));
    for (auto _ : state) {
        QFile::remove(png);
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const auto start = Clock::now();
        p.start(QStringLiteral(TOUCHDLG_PATH),
                {QStringLiteral("--screenshot"), png, QLatin1String(which), QStringLiteral("--data"), json});
        while (!QFileInfo(png).size() && p.state() != QProcess::NotRunning)
            QThread::usleep(500);
        const auto end = Clock::now();
        p.kill();
        p.waitForFinished();
        if (!QFileInfo(png).size()) {
            state.SkipWithError("touchdlg wrote no screenshot");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

struct Setup {
    Setup()
    {
        benchmark::RegisterBenchmark("dialog_open", dialog_open)
            ->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20)
            ->Repetitions(3)->ReportAggregatesOnly(true);
        for (const char *which : {"search", "list"})
            benchmark::RegisterBenchmark((std::string("json_open_") + which).c_str(),
                                         [which](benchmark::State &s) { json_open(s, which); })
                ->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3)->Repetitions(3)
                ->ReportAggregatesOnly(true);
    }
} setup;

} // namespace
