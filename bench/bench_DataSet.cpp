// The search dialogs' dataset work, timed side by side with what a Qt
// developer would otherwise use: QSortFilterProxyModel over a
// QStandardItemModel (case-insensitive prefix, sorted by the same column).
// Each case runs at 10 000, 100 000 and 1 000 000 products; the run ends
// with tables of our median times, the peer's, and their ratio: main-thread
// CPU, process CPU (all threads) and wall time.
#include "host/sample/SampleData.h"

#include <QApplication>
#include <QDataStream>
#include <QFileInfo>
#include <QIODevice>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>

using namespace TouchDialogs;

namespace {

const QString kBase = QStringLiteral("ATIVO = 'S'");
const QString kSearch = QStringLiteral("ATIVO = 'S' AND UPPER(NOME) LIKE 'CA%'");

// Our side: the search dialog's dataset, indexed on its visible fields and
// ordered by NOME, as the dialog prepares it.
TClientDataSet &products(int n)
{
    static std::map<int, std::unique_ptr<TClientDataSet>> cache;
    auto &ds = cache[n];
    if (!ds) {
        ds = sample::syntheticProducts(n);
        for (const char *f : {"CODIGO", "NOME", "GRUPO", "PRECO"})
            ds->IndexDefs().Add(QLatin1String(f), QLatin1String(f));
        // Both orders the cases use in place, as after the dialog's idle work.
        for (const char *f : {"GRUPO", "NOME"}) {
            ds->setIndexName(QLatin1String(f));
            ds->Last();
        }
        ds->setFilter(kBase);
        ds->setFiltered(true);
    }
    return *ds;
}

// The peer: the same records in a QStandardItemModel behind a proxy that
// keeps ATIVO = 'S' and a case-insensitive prefix of NOME.
class Proxy : public QSortFilterProxyModel {
public:
    QString prefix;
    void apply(const QString &p)
    {
        prefix = p;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        const QAbstractItemModel *m = sourceModel();
        if (m->index(row, 4, parent).data().toString() != QLatin1String("S"))
            return false;
        return prefix.isEmpty() || m->index(row, 1, parent).data().toString().startsWith(prefix, Qt::CaseInsensitive);
    }
};

struct Peer {
    QStandardItemModel model;
    Proxy proxy;
};

Peer &peer(int n)
{
    static std::map<int, std::unique_ptr<Peer>> cache;
    auto &p = cache[n];
    if (!p) {
        p = std::make_unique<Peer>();
        TClientDataSet &ds = products(n);
        ds.setFiltered(false);
        p->model.setColumnCount(5);
        p->model.setRowCount(ds.RecordCount());
        for (int r = 0; r < ds.RecordCount(); ++r)
            for (int c = 0; c < 5; ++c)
                p->model.setItem(r, c, new QStandardItem(ds.viewText(r, c)));
        ds.setFiltered(true);
        p->proxy.setSourceModel(&p->model);
        p->proxy.setDynamicSortFilter(true);
        p->proxy.sort(1);
        p->proxy.apply(QString());
    }
    return *p;
}

// The main thread's CPU time over the timed part of a case, per operation,
// as the counter "main_cpu" (ms): the benchmark's own CPU time is the
// process's, and the first sort by name keys half the names on a second
// thread. Created right before the loop; pause()/resume() stand for
// PauseTiming()/ResumeTiming(); report() right after the loop.
class MainThreadCpu {
public:
    explicit MainThreadCpu(benchmark::State &state) : m_state(state), m_since(now()) {}
    void pause()
    {
        m_state.PauseTiming();
        m_total += now() - m_since;
    }
    void resume()
    {
        m_since = now();
        m_state.ResumeTiming();
    }
    void report()
    {
        m_total += now() - m_since;
        m_state.counters["main_cpu"] = m_total * 1e3 / double(std::max<benchmark::IterationCount>(1, m_state.iterations()));
    }

private:
    static double now()
    {
        timespec ts;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
    }
    benchmark::State &m_state;
    double m_since;
    double m_total = 0;
};

void applyFilter(TClientDataSet &ds, const QString &filter)
{
    ds.setFilter(filter);
    ds.setFiltered(false);
    ds.setFiltered(true);
    ds.First();
}

// 1. One keystroke.
void ours_keystroke(benchmark::State &state)
{
    TClientDataSet &ds = products(int(state.range(0)));
    MainThreadCpu cpu(state);
    for (auto _ : state)
        applyFilter(ds, kSearch);
    cpu.report();
    state.counters["rows"] = ds.RecordCount();
    applyFilter(ds, kBase);
}

void peer_keystroke(benchmark::State &state)
{
    Peer &p = peer(int(state.range(0)));
    MainThreadCpu cpu(state);
    for (auto _ : state) {
        p.proxy.apply(QStringLiteral("CA"));
        benchmark::DoNotOptimize(p.proxy.index(0, 0));
    }
    cpu.report();
    state.counters["rows"] = p.proxy.rowCount();
    p.proxy.apply(QString());
}

// 2. Clearing back to the base filter.
void ours_clear(benchmark::State &state)
{
    TClientDataSet &ds = products(int(state.range(0)));
    MainThreadCpu cpu(state);
    for (auto _ : state) {
        cpu.pause();
        applyFilter(ds, kSearch);
        cpu.resume();
        applyFilter(ds, kBase);
    }
    cpu.report();
    state.counters["rows"] = ds.RecordCount();
}

void peer_clear(benchmark::State &state)
{
    Peer &p = peer(int(state.range(0)));
    MainThreadCpu cpu(state);
    for (auto _ : state) {
        cpu.pause();
        p.proxy.apply(QStringLiteral("CA"));
        cpu.resume();
        p.proxy.apply(QString());
        benchmark::DoNotOptimize(p.proxy.index(0, 0));
    }
    cpu.report();
    state.counters["rows"] = p.proxy.rowCount();
}

// 3. Switching the order to another column (and back, alternately).
void ours_order(benchmark::State &state)
{
    TClientDataSet &ds = products(int(state.range(0)));
    bool byGroup = false;
    MainThreadCpu cpu(state);
    for (auto _ : state) {
        byGroup = !byGroup;
        ds.setIndexName(byGroup ? QStringLiteral("GRUPO") : QStringLiteral("NOME"));
    }
    cpu.report();
    ds.setIndexName(QStringLiteral("NOME"));
}

void peer_order(benchmark::State &state)
{
    Peer &p = peer(int(state.range(0)));
    bool byGroup = false;
    MainThreadCpu cpu(state);
    for (auto _ : state) {
        byGroup = !byGroup;
        p.proxy.sort(byGroup ? 2 : 1);
        benchmark::DoNotOptimize(p.proxy.index(0, 0));
    }
    cpu.report();
    p.proxy.sort(1);
}

// 4. Data read and assigned.
void ours_packet(benchmark::State &state)
{
    TClientDataSet &ds = products(int(state.range(0)));
    TClientDataSet copy;
    MainThreadCpu cpu(state);
    for (auto _ : state)
        copy.setData(ds.Data());
    cpu.report();
    state.counters["bytes"] = double(ds.Data().toByteArray().size());
}

void peer_packet(benchmark::State &state)
{
    Peer &p = peer(int(state.range(0)));
    MainThreadCpu cpu(state);
    for (auto _ : state) {
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << p.model.rowCount() << p.model.columnCount();
            for (int r = 0; r < p.model.rowCount(); ++r)
                for (int c = 0; c < p.model.columnCount(); ++c)
                    out << *p.model.item(r, c);
        }
        QStandardItemModel copy;
        QDataStream in(bytes);
        int rows = 0, cols = 0;
        in >> rows >> cols;
        copy.setColumnCount(cols);
        copy.setRowCount(rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                auto *item = new QStandardItem;
                in >> *item;
                copy.setItem(r, c, item);
            }
        benchmark::DoNotOptimize(copy.rowCount());
    }
    cpu.report();
}

// 5. Moving one record between two datasets: insert + post + delete, from
// the filtered, ordered list to a short destination list and back.
void ours_move(benchmark::State &state)
{
    TClientDataSet &items = products(int(state.range(0)));
    TClientDataSet list;
    list.setData(items.Data());
    list.EmptyDataSet();
    applyFilter(items, kBase);
    auto move = [](TClientDataSet &from, TClientDataSet &to) {
        to.Insert();
        for (int f = 0; f < from.FieldCount(); ++f)
            to.Fields(f)->setValue(from.Fields(f)->Value());
        to.Post();
        from.Delete();
    };
    bool out = true;
    MainThreadCpu cpu(state);
    for (auto _ : state) {
        if (out)
            move(items, list);
        else
            move(list, items);
        out = !out;
    }
    cpu.report();
    if (!out)
        move(list, items);
}

void peer_move(benchmark::State &state)
{
    Peer &p = peer(int(state.range(0)));
    QStandardItemModel list;
    list.setColumnCount(5);
    auto move = [](QAbstractItemModel &fromView, QStandardItemModel &from, QStandardItemModel &to, int fromRow) {
        QList<QStandardItem *> row;
        for (int c = 0; c < 5; ++c)
            row << new QStandardItem(fromView.index(fromRow, c).data().toString());
        to.insertRow(0, row);
        from.removeRow(fromRow);
    };
    bool out = true;
    MainThreadCpu cpu(state);
    for (auto _ : state) {
        if (out) {
            const int sourceRow = p.proxy.mapToSource(p.proxy.index(0, 0)).row();
            move(p.model, p.model, list, sourceRow);
        } else {
            move(list, list, p.model, 0);
        }
        out = !out;
    }
    cpu.report();
    if (!out)
        move(list, list, p.model, 0);
}

// 6. The first alphabetical order by name of freshly loaded records: the
// names' sort keys computed, then sorted (the peer sorts locale-aware).
// The packet is read from a file, as a host's packet from elsewhere comes:
// the bytes a dataset of this process handed out would be taken over with
// the orders and sort keys that dataset had computed, and nothing sorted.
QString packetFile(int n)
{
    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("products-%1.packet").arg(n));
    if (!QFileInfo::exists(file))
        sample::syntheticProducts(n)->SaveToFile(file);
    return file;
}

void ours_firstsort(benchmark::State &state)
{
    const QString file = packetFile(int(state.range(0)));
    MainThreadCpu cpu(state);
    for (auto _ : state) {
        cpu.pause();
        auto fresh = std::make_unique<TClientDataSet>();
        fresh->LoadFromFile(file);
        fresh->IndexDefs().Add(QStringLiteral("NOME"), QStringLiteral("NOME"));
        cpu.resume();
        fresh->setIndexName(QStringLiteral("NOME"));
        fresh->Last(); // the whole order, not only its first screen
        cpu.pause();
        fresh.reset();
        cpu.resume();
    }
    cpu.report();
}

void peer_firstsort(benchmark::State &state)
{
    Peer &p = peer(int(state.range(0)));
    MainThreadCpu cpu(state);
    for (auto _ : state) {
        cpu.pause();
        auto proxy = std::make_unique<QSortFilterProxyModel>();
        proxy->setSortLocaleAware(true);
        proxy->setSourceModel(&p.model);
        cpu.resume();
        proxy->sort(1);
        benchmark::DoNotOptimize(proxy->index(0, 0));
        cpu.pause();
        proxy.reset();
        cpu.resume();
    }
    cpu.report();
}

// Collects the medians for the final tables.
class TableReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double main = -1, process = -1, wall = -1; // ms
    };
    std::map<std::string, Times> medians; // "ours_keystroke/100000"

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
                continue;
            Times &t = medians[run.run_name.function_name + "/" + run.run_name.args];
            const auto main = run.counters.find("main_cpu");
            t.main = main == run.counters.end() ? -1 : main->second.value;
            t.process = run.GetAdjustedCPUTime(); // in the unit set: ms
            t.wall = run.GetAdjustedRealTime();
        }
    }
};

void registerCase(const char *name, void (*ours)(benchmark::State &), void (*theirs)(benchmark::State &))
{
    for (int n : {10000, 100000, 1000000}) {
        for (auto [prefix, fn] : {std::pair{"ours_", ours}, std::pair{"peer_", theirs}}) {
            auto *b = benchmark::RegisterBenchmark((std::string(prefix) + name).c_str(), fn);
            b->Arg(n)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true)->UseRealTime()
                ->MeasureProcessCPUTime();
            if (n == 1000000)
                b->Iterations(std::string(prefix) == "peer_" ? 1 : 5);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    // The dialog cases open real forms; no display is needed for that.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::pair<const char *, const char *> cases[] = {{"keystroke", "1 keystroke (CA%)"},
                                                           {"clear", "2 clear to base filter"},
                                                           {"order", "3 order by another column"},
                                                           {"packet", "4 Data read + assign"},
                                                           {"move", "5 move one record"},
                                                           {"firstsort", "6 first sort by name"}};
    registerCase("keystroke", ours_keystroke, peer_keystroke);
    registerCase("clear", ours_clear, peer_clear);
    registerCase("order", ours_order, peer_order);
    registerCase("packet", ours_packet, peer_packet);
    registerCase("move", ours_move, peer_move);
    registerCase("firstsort", ours_firstsort, peer_firstsort);
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    using Times = TableReporter::Times;
    const std::pair<const char *, double Times::*> measures[] = {
        {"main-thread CPU", &Times::main}, {"process CPU (all threads)", &Times::process}, {"wall", &Times::wall}};
    for (const auto &[what, field] : measures) {
        std::printf("\nMedian %s per operation (ms): ours / QSortFilterProxyModel over QStandardItemModel\n", what);
        std::printf("%-28s %26s %26s %26s\n", "case", "10 000", "100 000", "1 000 000");
        for (const auto &[key, title] : cases) {
            std::printf("%-28s", title);
            for (int n : {10000, 100000, 1000000}) {
                auto find = [&](const char *who) {
                    const auto it = reporter.medians.find(who + std::string(key) + "/" + std::to_string(n));
                    return it == reporter.medians.end() ? -1.0 : it->second.*field;
                };
                const double ours = find("ours_"), theirs = find("peer_");
                if (ours < 0 || theirs < 0)
                    std::printf(" %26s", "-");
                else
                    std::printf(" %9.3f / %9.3f %4.0fx", ours, theirs, theirs / ours);
            }
            std::printf("\n");
        }
    }
    benchmark::Shutdown();
    return 0;
}
