// Library attach and detach: the loader runs these when the host loads and
// unloads libTouchDialogs.
#include "frame/Frame.h"
#include "platform/win/Windows.h"

namespace {

__attribute__((constructor)) void libraryAttach()
{
    char fileName[261];
    TouchDialogs::GetModuleFileNameA(nullptr, fileName, sizeof fileName);
    TouchDialogs::frame::attach(QString::fromLocal8Bit(fileName));
}

__attribute__((destructor)) void libraryDetach()
{
    TouchDialogs::frame::detach();
}

} // namespace
