// touchdialogs-soak: opens and closes each dialog many times (10 000 by
// default) and prints how much the resident memory grew, after a warm-up
// that lets caches and allocator pools reach their size. Offscreen; not
// part of CTest.
//
//   touchdialogs-soak [CYCLES] [DIALOG...]
#include "bench/DialogBench.h"

#include <QApplication>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

double residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> parts = statm.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int warmup = std::max(100, cycles / 20);
    bench::FirstPaint closer;
    app.installEventFilter(&closer);
    bool failed = false;
    // The resident size along the way too, to tell growth that goes on from
    // caches that fill and stop.
    std::printf("%-10s %8s %12s %12s %12s %12s %10s\n", "dialog", "cycles", "RSS before", "at 1 000", "at 5 000",
                "RSS after", "growth");
    for (int d = 0; d < bench::kDialogs; ++d) {
        const auto &[name, call] = bench::dialog(d);
        bool wanted = argc <= 2;
        for (int a = 2; a < argc; ++a)
            wanted = wanted || std::strcmp(argv[a], name) == 0;
        if (!wanted)
            continue;
        auto run = [&, &call = call](int n) {
            for (int i = 0; i < n; ++i) {
                closer.seen = false;
                call();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            }
        };
        run(warmup);
        const double before = residentMiB();
        double at[2] = {-1, -1};
        int done = 0;
        for (const int mark : {1000, 5000}) {
            if (cycles <= mark)
                break;
            run(mark - done);
            done = mark;
            at[mark == 1000 ? 0 : 1] = residentMiB();
        }
        run(cycles - done);
        const double after = residentMiB();
        const double growth = after - before;
        auto column = [](double mib) { return mib < 0 ? QByteArray("-") : QByteArray::number(mib, 'f', 1) + " MiB"; };
        std::printf("%-10s %8d %9.1f MiB %12s %12s %9.1f MiB %6.2f MiB%s\n", name, cycles, before,
                    column(at[0]).constData(), column(at[1]).constData(), after, growth,
                    growth < 1.0 ? "" : "  (1 MiB or more)");
        std::fflush(stdout);
        failed = failed || growth >= 1.0;
    }
    return failed ? 1 : 0;
}
