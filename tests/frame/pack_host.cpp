// A host that shows which language pack the library chose as it was loaded:
// built once linked to the library (the loader finds it by its soname) and
// once loading it at run time by the file name given. It prints the probe
// file of the pack in use; without a pack it says so and fails. The library
// stays loaded until the process exits, which detaches it.
#include <QFile>
#include <cstdio>

#ifdef TD_LINKED_HOST
#include <TouchDialogs/Module.h>
#else
#include <dlfcn.h>
#endif

int main(int argc, char **argv)
{
#ifdef TD_LINKED_HOST
    (void)argv;
    if (argc != 1) {
        std::fprintf(stderr, "usage: pack_host_linked\n");
        return 2;
    }
    // Keeps the library among the needed ones; it chose its pack as it was loaded.
    if (!GetPackageInfoTable())
        return 2;
#else
    if (argc != 2) {
        std::fprintf(stderr, "usage: pack_host_dlopen LIBRARY\n");
        return 2;
    }
    if (!dlopen(argv[1], RTLD_NOW | RTLD_LOCAL)) {
        std::fprintf(stderr, "dlopen: %s\n", dlerror());
        return 2;
    }
#endif
    // The pack is registered with Qt's resources, which host and library share.
    QFile probe(QStringLiteral(":/lang/layouts/PROBE"));
    if (!probe.open(QIODevice::ReadOnly)) {
        std::puts("no language pack");
        return 1;
    }
    const QByteArray content = probe.readAll();
    std::fwrite(content.constData(), 1, size_t(content.size()), stdout);
    std::fflush(stdout);
    return 0;
}
