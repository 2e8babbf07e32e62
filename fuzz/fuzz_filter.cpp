// A filter text over the ten records, evaluated with and without the native
// prefix path: refused (EDatabaseError) by both with the dataset as it was,
// or the same view from both, a subset of the records, that a walk visits
// exactly; and after an edit the view is what a fresh evaluation gives.
#include "fuzz/FuzzSupport.h"

#include <set>
#include <vector>

using namespace TouchDialogs;

namespace {

struct Outcome {
    bool refused = false;
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

Outcome evaluate(TClientDataSet &ds, const QString &filter)
{
    Outcome out;
    const QString before = ds.Filter();
    const int count = ds.RecordCount();
    try {
        ds.setFilter(filter);
        ds.setFiltered(true);
    } catch (const EDatabaseError &e) {
        fuzz::require(ds.Filter() == before && !ds.Filtered() && ds.RecordCount() == count,
                      "a refused filter changed the dataset", filter);
        out.refused = true;
        out.message = e.Message();
        return out;
    }
    out.codes = walk(ds);
    return out;
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
    plain.setFastPath(false);
    const Outcome a = evaluate(fast, filter), b = evaluate(plain, filter);
    fuzz::require(a.refused == b.refused, "one path refuses what the other accepts",
                  filter + QStringLiteral(" / ") + a.message + b.message);
    if (a.refused)
        return 0;
    fuzz::require(a.codes == b.codes, "the native and SQLite paths disagree", filter);
    std::set<int> seen(a.codes.begin(), a.codes.end());
    fuzz::require(seen.size() == a.codes.size(), "a record appears twice in the view", filter);
    for (int code : a.codes)
        fuzz::require(code >= 1 && code <= 10, "the view holds a record that is not in the dataset", filter);

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
        const Outcome kept = evaluate(fast, filter);
        TClientDataSet fresh;
        fresh.setData(fast.Data());
        const Outcome again = evaluate(fresh, filter);
        fuzz::require(again.refused == kept.refused, "after an edit, a fresh evaluation refuses what the kept one does not",
                      filter + again.message + kept.message);
        fuzz::require(again.codes == kept.codes, "the view after an edit is not the view of a fresh evaluation", filter);
    }
    return 0;
}
