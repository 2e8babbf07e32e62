// The search dialog on 100 000 products: one keystroke through the open
// form, from the typed character to the grid's model holding the new rows
// (FormKeyPress: the search text, the filter expression, the dataset's new
// view, the model reset). Manual time: the Backspace that undoes the
// keystroke between iterations is not measured.
//
// The "first" cases open the dialog on a dataset that has never been sorted
// or searched (loaded afresh from a packet that is not recognised as one
// handed out here), let the event loop run as a user's first second does,
// then time the first keystroke, the first touch of another column title,
// or the first keystroke after that touch.
#include "dialogs/search/SearchUnit.h"
#include "dialogs/search/TfrmPesquisa.h"
#include "frame/Frame.h"
#include "host/sample/SampleData.h"
#include "platform/grid/DBGrid.h"

#include "bench/DialogBench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <chrono>
#include <map>
#include <memory>

using namespace TouchDialogs;

namespace {

using Clock = std::chrono::steady_clock;

void search_keystroke(benchmark::State &state, bool painted)
{
    TClientDataSet &ds = bench::activeProducts(int(state.range(0)));
    int rows = 0;
    QTimer::singleShot(0, qApp, [&] {
        TfrmPesquisa *form = search::frmPesquisa;
        const QAbstractItemModel *model = form->component<TDBGrid>(QStringLiteral("dbgPesquisa"))->model();
        // The window asks for its paint on a timer of the platform's, and
        // only once it is on the screen: the paint it would run then, run now.
        const auto paint = [form] {
            QCoreApplication::sendPostedEvents();
            QEvent update(QEvent::UpdateRequest);
            QCoreApplication::sendEvent(form->window(), &update);
        };
        if (painted) {
            QElapsedTimer waited;
            waited.start();
            while (!(form->windowHandle() && form->windowHandle()->isExposed()) && waited.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            paint();
        }
        for (auto _ : state) {
            QChar key = u'c';
            WORD back = VK_BACK;
            const auto start = Clock::now();
            form->FormKeyPress(form, key);
            rows = model->rowCount();
            if (painted) // what the key changed, drawn into the window's image
                paint();
            const auto end = Clock::now();
            state.SetIterationTime(std::chrono::duration<double>(end - start).count());
            form->FormKeyDown(form, back, {});
            if (painted)
                paint();
        }
        form->spdSairClick(form);
    });
    search::Pesquisa(&ds, QString(), QString(), QString(), false);
    state.counters["rows"] = rows;
}

enum class First { Keystroke, Title, KeyAfterTitle };

// A dataset with nothing sorted yet: the bytes are copied, so the packet
// is loaded (and checked) as one from outside.
std::unique_ptr<TClientDataSet> coldProducts(int n)
{
    const QByteArray packet = bench::activeProducts(n).Data().toByteArray();
    auto ds = std::make_unique<TClientDataSet>();
    ds->setData(QByteArray(packet.constData(), packet.size()));
    ds->setFilter(QStringLiteral("ATIVO = 'S'"));
    ds->setFiltered(true);
    return ds;
}

// How long a person looks at a new search before touching it.
constexpr int kLookMs = 300;

void search_first(benchmark::State &state, First what)
{
    const int n = int(state.range(0));
    double idleMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<TClientDataSet> ds = coldProducts(n);
        double seconds = 0;
        QTimer::singleShot(0, qApp, [&] {
            TfrmPesquisa *form = search::frmPesquisa;
            TDBGrid *grid = form->component<TDBGrid>(QStringLiteral("dbgPesquisa"));
            // The user's first moments: the form paints, the loop idles for
            // as long as a person looks before the first touch (longer if
            // work on this thread holds it up).
            QElapsedTimer idle;
            idle.start();
            QEventLoop look;
            QTimer::singleShot(kLookMs, &look, &QEventLoop::quit);
            look.exec();
            idleMs += double(idle.nsecsElapsed()) / 1e6;
            QChar key = u'c';
            auto start = Clock::now();
            if (what == First::Keystroke) {
                form->FormKeyPress(form, key);
            } else {
                form->dbgPesquisaTitleClick(&grid->Columns().Items(2)); // GRUPO
                if (what == First::KeyAfterTitle) {
                    start = Clock::now();
                    form->FormKeyPress(form, key);
                }
            }
            benchmark::DoNotOptimize(grid->model()->rowCount());
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
            form->spdSairClick(form);
        });
        search::Pesquisa(ds.get(), QString(), QString(), QString(), false);
        state.SetIterationTime(seconds);
        ds.reset();
        state.ResumeTiming();
    }
    state.counters["idle_ms"] = benchmark::Counter(idleMs / double(state.iterations()));
}

struct Setup {
    Setup()
    {
        for (const bool painted : {false, true})
            benchmark::RegisterBenchmark(painted ? "search_keystroke_painted" : "search_keystroke",
                                         [painted](benchmark::State &s) { search_keystroke(s, painted); })
            ->Arg(100000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(50)
            ->Repetitions(3)->ReportAggregatesOnly(true);
        const std::pair<const char *, First> firsts[] = {{"search_first_keystroke", First::Keystroke},
                                                         {"search_first_title", First::Title},
                                                         {"search_first_key_after_title", First::KeyAfterTitle}};
        for (const auto &[name, what] : firsts)
            benchmark::RegisterBenchmark(name, [what = what](benchmark::State &s) { search_first(s, what); })
                ->Arg(100000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5)
                ->Repetitions(3)->ReportAggregatesOnly(true);
    }
} setup;

} // namespace
