// The search dialog on 100 000 products: one keystroke through the open
// form, from the typed character to the grid's model holding the new rows
// (FormKeyPress: the search text, the filter expression, the dataset's new
// view, the model reset). Manual time: the Backspace that undoes the
// keystroke between iterations is not measured.
#include "dialogs/search/SearchUnit.h"
#include "dialogs/search/TfrmPesquisa.h"
#include "frame/Frame.h"
#include "host/sample/SampleData.h"

#include "bench/DialogBench.h"

#include <QApplication>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <map>
#include <memory>

using namespace TouchDialogs;

namespace {

using Clock = std::chrono::steady_clock;

void search_keystroke(benchmark::State &state)
{
    TClientDataSet &ds = bench::activeProducts(int(state.range(0)));
    int rows = 0;
    QTimer::singleShot(0, qApp, [&] {
        TfrmPesquisa *form = search::frmPesquisa;
        const QAbstractItemModel *model = form->component<TDBGrid>(QStringLiteral("dbgPesquisa"))->model();
        for (auto _ : state) {
            QChar key = u'c';
            WORD back = VK_BACK;
            const auto start = Clock::now();
            form->FormKeyPress(form, key);
            rows = model->rowCount();
            const auto end = Clock::now();
            state.SetIterationTime(std::chrono::duration<double>(end - start).count());
            form->FormKeyDown(form, back, {});
        }
        form->spdSairClick(form);
    });
    search::Pesquisa(&ds, QString(), QString(), QString(), false);
    state.counters["rows"] = rows;
}

struct Setup {
    Setup()
    {
        benchmark::RegisterBenchmark("search_keystroke", search_keystroke)
            ->Arg(100000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(50)
            ->Repetitions(3)->ReportAggregatesOnly(true);
    }
} setup;

} // namespace
