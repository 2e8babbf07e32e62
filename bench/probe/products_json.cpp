// touchdialogs-products N: N synthetic products as a JSON packet on
// standard output, the probe's data for touchdlg --data.
#include "host/sample/SampleData.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bool ok = false;
    const int n = argc == 2 ? QByteArray(argv[1]).toInt(&ok) : 0;
    if (!ok || n < 0) {
        std::fprintf(stderr, "usage: touchdialogs-products N > products.json\n");
        return 2;
    }
    const QByteArray json = TouchDialogs::sample::syntheticProducts(n)->toJson();
    return std::fwrite(json.constData(), 1, size_t(json.size()), stdout) == size_t(json.size()) ? 0 : 1;
}
