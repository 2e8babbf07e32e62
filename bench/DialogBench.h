// What the dialog benchmarks share: the library set up once, and the
// synthetic products of a size with the active ones as the host's filter.
#pragma once

#include "frame/Frame.h"
#include "host/sample/SampleData.h"
#include "platform/db/ClientDataSet.h"

#include <map>
#include <memory>

namespace bench {

inline TouchDialogs::TClientDataSet &activeProducts(int n)
{
    static const bool initialized = (Initialize(), true);
    (void)initialized;
    static std::map<int, std::unique_ptr<TouchDialogs::TClientDataSet>> cache;
    auto &ds = cache[n];
    if (!ds) {
        ds = TouchDialogs::sample::syntheticProducts(n);
        ds->setFilter(QStringLiteral("ATIVO = 'S'"));
        ds->setFiltered(true);
    }
    return *ds;
}

} // namespace bench
