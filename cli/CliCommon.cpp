#include "cli/CliCommon.h"

#include <csignal>
#include <cstdio>

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

std::string JsonString(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
    }
    return out + "\"";
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
#endif
}

} // namespace zr::cli
