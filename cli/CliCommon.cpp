#include "cli/CliCommon.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zr::cli {

namespace {
volatile std::sig_atomic_t g_stop = 0;
#ifdef _WIN32
// Ctrl+C, Ctrl+Break and the console closing end a command as the signals do.
BOOL WINAPI OnConsoleControl(DWORD)
{
    g_stop = 1;
    return TRUE;
}
#else
void OnStopSignal(int)
{
    g_stop = 1;
}
#endif
} // namespace


bool ParseWholeNumber(const std::string& text, int max, int& out)
{
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || v < 0 || v > max)
        return false;
    out = static_cast<int>(v);
    return true;
}

std::string MhzText(int khz)
{
    char text[24];
    std::snprintf(text, sizeof text, "%d.%03d", khz / 1000, khz % 1000);
    return text;
}


void IgnoreBrokenPipes()
{
#ifndef _WIN32
    // A reader that went away is a write error like any other (exit 1), not a kill.
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

bool StopRequested()
{
    return g_stop != 0;
}

void InstallStopHandlers()
{
#ifdef _WIN32
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#else
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr); // a closed terminal ends a run as cleanly as Ctrl+C
#endif
}

} // namespace zr::cli
