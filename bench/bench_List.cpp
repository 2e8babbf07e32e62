// The list builder on 100 000 products: opening the dialog (ConstrucaoList
// until the form is shown: two packet copies, index definitions, the first
// order) and one record move ("Adicionar"). Manual time: only that span is
// measured, the look at the form, the closing and the move back are not.
#include "dialogs/list/ListUnit.h"
#include "dialogs/list/TfrmConstrucaoLista.h"
#include "frame/Frame.h"
#include "host/sample/SampleData.h"
#include "platform/db/ClientDataSet.h"

#include "bench/DialogBench.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <map>
#include <memory>

using namespace TouchDialogs;

namespace {

using Clock = std::chrono::steady_clock;

// Runs ConstrucaoList on the source; `open` runs on the shown form and then
// the form leaves with "Sair".
void withDialog(TClientDataSet &ds, const std::function<void(TfrmConstrucaoLista *)> &open)
{
    QTimer::singleShot(0, qApp, [open] {
        TfrmConstrucaoLista *form = list::frmConstrucaoLista;
        open(form);
        form->spbSairClick(form);
    });
    list::ConstrucaoList(&ds, QStringLiteral("Combo"));
}

void list_open(benchmark::State &state)
{
    TClientDataSet &ds = bench::activeProducts(int(state.range(0)));
    for (auto _ : state) {
        const auto start = Clock::now();
        Clock::time_point shown;
        // The timer fires in the modal loop, once the form is on screen; the
        // form then stays open (untimed) as long as a person looks at it, so
        // that the orders built meanwhile serve the next opening, as at a till.
        withDialog(ds, [&shown](TfrmConstrucaoLista *) {
            shown = Clock::now();
            QEventLoop look;
            QTimer::singleShot(300, &look, &QEventLoop::quit);
            look.exec();
        });
        state.SetIterationTime(std::chrono::duration<double>(shown - start).count());
    }
}

void list_move(benchmark::State &state)
{
    TClientDataSet &ds = bench::activeProducts(int(state.range(0)));
    withDialog(ds, [&state](TfrmConstrucaoLista *form) {
        for (auto _ : state) {
            const auto start = Clock::now();
            form->spbAdicionarClick(form);
            const auto end = Clock::now();
            state.SetIterationTime(std::chrono::duration<double>(end - start).count());
            form->spbRetornaClick(form);
        }
    });
}

struct Setup {
    Setup()
    {
        benchmark::RegisterBenchmark("list_open", list_open)
            ->Arg(100000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10)
            ->Repetitions(3)->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark("list_move", list_move)
            ->Arg(100000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(200)
            ->Repetitions(3)->ReportAggregatesOnly(true);
    }
} setup;

} // namespace
