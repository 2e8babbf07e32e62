// fromJson of any text: refused with the dataset unchanged, or a dataset
// that passes checkAccepted.
#include "fuzz/FuzzSupport.h"

using namespace TouchDialogs;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QByteArray base = [] {
        TClientDataSet ds;
        ds.fromJson(fuzz::tenRecords());
        return ds.toJson();
    }();
    TClientDataSet ds;
    ds.fromJson(base);
    try {
        ds.fromJson(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    } catch (const EDatabaseError &) {
        fuzz::require(ds.toJson() == base && ds.RecordCount() == 10, "a refused JSON text changed the dataset");
        return 0;
    }
    fuzz::checkAccepted(ds);
    return 0;
}
