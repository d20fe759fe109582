#include "platform/Process.h"

#include <sys/resource.h>

namespace zr {

bool RaiseProcessPriority()
{
    return ::setpriority(PRIO_PROCESS, 0, -5) == 0;
}

bool KeepSystemAwake(bool)
{
    return false;
}

} // namespace zr
