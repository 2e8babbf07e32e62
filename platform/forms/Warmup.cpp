#include "platform/forms/Warmup.h"

#include <dlfcn.h>
#include <mutex>
#include <system_error>
#include <thread>

namespace TouchDialogs {

namespace {

struct Warmup {
    std::mutex mutex;
    std::thread thread;
    bool started = false;
    // A thread still running at exit would end the process with terminate().
    ~Warmup()
    {
        if (thread.joinable())
            thread.join();
    }
};

Warmup &warmup()
{
    static Warmup w;
    return w;
}

} // namespace

void startFontWarmup()
{
    Warmup &w = warmup();
    std::lock_guard lock(w.mutex);
    if (w.started)
        return;
    w.started = true;
    // The fontconfig Qt was linked with, already loaded: no dependency of
    // our own, and no second copy of its configuration.
    void *library = dlopen("libfontconfig.so.1", RTLD_LAZY | RTLD_NOLOAD);
    if (!library)
        return;
    using FcInit = int (*)();
    const auto init = reinterpret_cast<FcInit>(dlsym(library, "FcInit"));
    if (!init) {
        dlclose(library);
        return;
    }
    // FcInit is thread-safe: whichever of two concurrent calls finishes
    // first sets the configuration, the other's is dropped.
    try {
        w.thread = std::thread([library, init] {
            init();
            dlclose(library);
        });
    } catch (const std::system_error &) {
        dlclose(library); // no thread: the first lookup does it, as before
    }
}

void finishFontWarmup()
{
    Warmup &w = warmup();
    std::lock_guard lock(w.mutex);
    if (w.thread.joinable())
        w.thread.join();
}

} // namespace TouchDialogs
