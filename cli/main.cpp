// zrq6930: the maintenance tool's command-line companion.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "Version.h"
#include "cli/CliCommon.h"

namespace {

// Each command's usage: the program's usage lists them all, and
// "zrq6930 COMMAND --help" prints its own.
struct CommandHelp {
    const char* command;
    const char* text;
};
constexpr CommandHelp kHelp[] = {
    {"list", "  list                                 adapters found (port, manufacturer, description)\n"},
    {"identify", "  identify [--json]                    identify and number every receiver\n"},
    {"monitor", "  monitor [--seconds N] [--json]       poll every receiver, print rows that change\n"},
    {"scan", "  scan channel [--rx N] [--bank B] [--seconds S] [--peak-hold] [--json]\n"
             "                                       Channel Scan: the level of each channel of a bank\n"
             "  scan spectrum [--rx N] [--start MHZ] [--stop MHZ] [--step 25|125] [--sweeps K | --seconds S] [-o FILE.slg] [--csv]\n"
             "                                       Spectrum Scan into a .slg log; highest level per frequency\n"},
    {"walk", "  walk [--rx N] --seconds S [-o FILE.wlg]\n"
             "                                       Walk Test: F1 every 100 ms into a .wlg, then a summary\n"},
    {"fbs", "  fbs [--rx N]... [--json]             the seven FBS filters of every (or the given) receiver\n"},
    {"id", "  id [--json]                          every receiver's ID\n"},
    {"record", "  record [--rx N]... [--hours H]       Background Log of every (or the given) receiver,\n"
               "                                       until Ctrl+C, SIGTERM, H hours or the 8-hour limit\n"},
    {"log", "  log convert SOURCE.nlg [-o OUTPUT] [--force]\n"
            "                                       Background Log to tab-separated text (CR LF)\n"
            "  log info FILE                        kind, receiver, times, records, parts\n"
            "  log export FILE --csv                one CSV row per record\n"
            "  log events FILE.nlg... [--json] [--low-rf DBUV]\n"
            "                                       what went wrong and when: error, jamming, low-RF and no-answer runs\n"
            "  log occupancy FILE.slg [--threshold DBUV] [--csv | --json] [--clean]\n"
            "                                       per frequency: highest, median, share of busy sweeps; --clean: quiet ranges\n"
            "  log report FILE... -o REPORT.html [--low-rf DBUV] [--threshold DBUV]\n"
            "                                       one self-contained HTML page: summaries, pictures, events, clean ranges\n"},
    {"plan", "  plan (--band CODE | --start MHZ --stop MHZ | --from FILE.slg...) (--count N | --max) [--keep MHZ,...] [rules]\n"
             "                                       frequencies free of intermodulation and of what the logs saw busy\n"
             "  plan --check [--freqs MHZ,...] [--from FILE.slg...]\n"
             "                                       the conflicts of the receivers' (or the given) frequencies\n"},
};

void Usage(std::FILE* to)
{
    std::fprintf(to, "usage: zrq6930 COMMAND [options]\n");
    for (const auto& h : kHelp)
        std::fputs(h.text, to);
    std::fprintf(to, "  --version                            the version\n"
                     "--json prints JSON Lines: one object per line.\n"
                     "Ports in ZRQ6930_PORTS (':'-separated) count as FTDI adapters.\n");
}

// "COMMAND --help" or "-h" anywhere after it: that command's usage, exit 0.
bool PrintCommandHelp(const std::string& command, const std::vector<std::string>& args)
{
    const bool asked = std::find(args.begin(), args.end(), "--help") != args.end() || std::find(args.begin(), args.end(), "-h") != args.end();
    if (!asked)
        return false;
    for (const auto& h : kHelp)
        if (command == h.command) {
            std::printf("usage: zrq6930 COMMAND [options]\n%s", h.text);
            return true;
        }
    return false;
}

// Output that did not reach its destination (a full disk, a closed pipe) is
// a failure, whatever the command thought.
int CheckedExit(int code)
{
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "zrq6930: cannot write the output: %s\n", errno ? std::strerror(errno) : "write error");
        return code == zr::cli::kExitOk ? zr::cli::kExitFailure : code;
    }
    return code;
}

int Dispatch(std::vector<std::string> args)
{
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        Usage(args.empty() ? stderr : stdout);
        return args.empty() ? zr::cli::kExitUsage : zr::cli::kExitOk;
    }
    if (args[0] == "--version") {
        std::printf("zrq6930 %s\n", ZR_VERSION_TEXT);
        return zr::cli::kExitOk;
    }
    const std::string cmd = args[0];
    args.erase(args.begin());
    if (PrintCommandHelp(cmd, args))
        return zr::cli::kExitOk;
    if (cmd == "list")
        return zr::cli::CmdList(args);
    if (cmd == "identify")
        return zr::cli::CmdIdentify(args);
    if (cmd == "monitor")
        return zr::cli::CmdMonitor(args);
    if (cmd == "scan")
        return zr::cli::CmdScan(args);
    if (cmd == "walk")
        return zr::cli::CmdWalk(args);
    if (cmd == "fbs")
        return zr::cli::CmdFbs(args);
    if (cmd == "id")
        return zr::cli::CmdId(args);
    if (cmd == "record")
        return zr::cli::CmdRecord(args);
    if (cmd == "log")
        return zr::cli::CmdLog(args);
    if (cmd == "plan")
        return zr::cli::CmdPlan(args);
    std::fprintf(stderr, "zrq6930: unknown command '%s'\n", cmd.c_str());
    Usage(stderr);
    return zr::cli::kExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // The same bytes as everywhere else: no line ends turned into CR LF.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
#endif
    zr::cli::IgnoreBrokenPipes();
    return CheckedExit(Dispatch(std::vector<std::string>(argv + 1, argv + argc)));
}
