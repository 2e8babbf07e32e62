// Library attach and detach: the loader runs these when the host loads and
// unloads libTouchDialogs.
#include "frame/Frame.h"
#include "platform/win/Windows.h"

#include <cstdlib>

namespace {

void libraryDetach()
{
    TouchDialogs::frame::detach();
}

__attribute__((constructor)) void libraryAttach()
{
    char fileName[261];
    TouchDialogs::GetModuleFileNameA(nullptr, fileName, sizeof fileName);
    TouchDialogs::frame::attach(QString::fromLocal8Bit(fileName));
    // Detach through an exit handler, not a destructor function: when a host
    // dlopens the library and exits without dlclose, destructor functions run
    // after every exit handler, when Qt's resource registry holding the
    // language pack is already gone. Registered after attach has used the
    // registry, this handler runs before it goes; on dlclose, and in a linked
    // host, it runs as the library is unloaded.
    std::atexit(libraryDetach);
}

} // namespace
