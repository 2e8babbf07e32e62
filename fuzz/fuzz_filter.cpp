// A filter text over the ten records, evaluated with and without the native
// prefix path, one dataset setting the text before switching filtering on,
// the other the other way round. Each step either is refused
// (EDatabaseError) with the dataset as it was, or gives a view that a walk
// visits exactly. Both datasets refuse, or both show the same view, a subset
// of the records in their order; only a refusal for the time bound may
// stand against a view. After an edit, the view kept is what a fresh
// evaluation gives.
#include "fuzz/FuzzSupport.h"

#include <chrono>
#include <vector>

using namespace TouchDialogs;

namespace {

using Clock = std::chrono::steady_clock;

struct Outcome {
    bool refused = false;
    bool stopped = false; // refused for taking longer than the time bound
    QString message;
    std::vector<int> codes; // CODIGO of each record of the view, in order
};

std::vector<int> walk(TClientDataSet &ds)
{
    std::vector<int> codes;
    for (ds.First(); !ds.Eof(); ds.Next())
        codes.push_back(ds.Fields(0)->Value().toInt());
    fuzz::require(int(codes.size()) == ds.RecordCount(), "a walk does not visit RecordCount records");
    return codes;
}

Outcome refusal(const EDatabaseError &e, Clock::time_point start)
{
    Outcome out;
    out.refused = true;
    out.message = e.Message();
    out.stopped = out.message.contains(QStringLiteral("takes longer than"))
                  && Clock::now() - start >= std::chrono::seconds(1);
    return out;
}

// One step of changing the filter: a refusal leaves text, switch and view as they were.
template <typename Step>
bool refusedStep(TClientDataSet &ds, const QString &filter, Step step, Outcome &out)
{
    const QString text = ds.Filter();
    const bool on = ds.Filtered();
    const std::vector<int> view = walk(ds);
    const Clock::time_point start = Clock::now();
    try {
        step();
        return false;
    } catch (const EDatabaseError &e) {
        fuzz::require(ds.Filter() == text && ds.Filtered() == on && walk(ds) == view,
                      "a refused filter changed the dataset", filter);
        out = refusal(e, start);
        return true;
    }
}

Outcome textThenSwitch(TClientDataSet &ds, const QString &filter)
{
    Outcome out;
    if (refusedStep(ds, filter, [&] { ds.setFilter(filter); }, out)
        || refusedStep(ds, filter, [&] { ds.setFiltered(true); }, out))
        return out;
    out.codes = walk(ds);
    return out;
}

Outcome switchThenText(TClientDataSet &ds, const QString &filter)
{
    ds.setFiltered(true);
    Outcome out;
    if (refusedStep(ds, filter, [&] { ds.setFilter(filter); }, out))
        return out;
    out.codes = walk(ds);
    return out;
}

// Two evaluations of one filter agree, or one of them ran out of time.
void requireSame(const Outcome &a, const Outcome &b, const char *what, const QString &filter)
{
    if (a.refused != b.refused) {
        fuzz::require(a.stopped || b.stopped, what, filter + QStringLiteral(" / ") + a.message + b.message);
        return;
    }
    fuzz::require(a.codes == b.codes, what, filter);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QByteArray base = [] {
        TClientDataSet ds;
        ds.fromJson(fuzz::tenRecords());
        return ds.Data().toByteArray();
    }();
    const QString filter = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    TClientDataSet fast, plain;
    fast.setData(base);
    plain.setData(base);
    setFastPath(plain, false);
    const Outcome a = textThenSwitch(fast, filter), b = switchThenText(plain, filter);
    requireSame(a, b, "the native and SQLite paths disagree", filter);
    if (a.refused)
        return 0;
    for (size_t i = 0; i < a.codes.size(); ++i)
        fuzz::require(a.codes[i] >= 1 && a.codes[i] <= 10 && (i == 0 || a.codes[i - 1] < a.codes[i]),
                      "the view is not a subset of the records in their order", filter);

    // An edit: the view kept must be the view a fresh evaluation gives.
    if (fast.RecordCount() > 0) {
        try {
            fast.First();
            fast.Edit();
            fast.Fields(1)->setValue(QStringLiteral("Caju"));
            fast.Post();
        } catch (const EDatabaseError &) {
            return 0; // the filter may fail on the new value: then so does a fresh one
        }
        // Posting keeps the edited record in view; switching the filter off
        // and on again computes the view from what the dataset keeps cached.
        fast.setFiltered(false);
        const Outcome kept = textThenSwitch(fast, filter);
        TClientDataSet fresh;
        fresh.setData(fast.Data());
        requireSame(kept, textThenSwitch(fresh, filter), "the view after an edit is not the view of a fresh evaluation",
                    filter);
    }
    return 0;
}
