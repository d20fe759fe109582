#include "platform/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace zr {

bool TraceEnabled()
{
    static const bool enabled = [] {
        const char* v = std::getenv("ZRQ6930_TRACE");
        return v && *v && *v != '0';
    }();
    return enabled;
}

void Trace(const char* format, ...)
{
    if (!TraceEnabled())
        return;
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

} // namespace zr
