// fromJson of any text: refused with the dataset unchanged, or a dataset
// that passes checkAccepted. The same text in a file, read through a window
// of a few hundred bytes, is accepted or refused alike, with the same records.
#include "fuzz/FuzzSupport.h"

#include <QTemporaryFile>
#include <functional>

namespace {

// Accepted: the dataset's JSON; refused: empty.
QByteArray loaded(const std::function<void(TouchDialogs::TClientDataSet &)> &load)
{
    TouchDialogs::TClientDataSet ds;
    try {
        load(ds);
    } catch (const TouchDialogs::EDatabaseError &) {
        return {};
    }
    return ds.toJson();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool small = (TouchDialogs::setJsonWindow(512, 128), true);
    (void)small;
    fuzz::checkLoad(data, size, [](TouchDialogs::TClientDataSet &ds, const QByteArray &in) { ds.fromJson(in); });
    const QByteArray in(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!in.trimmed().startsWith('{'))
        return 0; // a file of anything else is read as a packet
    static QTemporaryFile file;
    if (!file.isOpen() && !file.open())
        return 0;
    file.resize(0);
    file.seek(0);
    file.write(in);
    file.flush();
    const QString name = file.fileName();
    fuzz::require(loaded([&](TouchDialogs::TClientDataSet &ds) { ds.fromJson(in); })
                      == loaded([&](TouchDialogs::TClientDataSet &ds) { ds.LoadFromFile(name); }),
                  "the text and the same text in a file read differently");
    return 0;
}
