// setData of mutated packets: refused with the dataset unchanged, or a
// dataset that passes checkAccepted.
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzz::checkLoad(data, size, [](TouchDialogs::TClientDataSet &ds, const QByteArray &in) { ds.setData(in); });
}
