#include "platform/Process.h"

#include <windows.h>

namespace zr {

bool RaiseProcessPriority()
{
    return ::SetPriorityClass(::GetCurrentProcess(), HIGH_PRIORITY_CLASS) != 0;
}

bool KeepSystemAwake(bool on)
{
    return ::SetThreadExecutionState(on ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS) != 0;
}

} // namespace zr
