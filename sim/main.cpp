// zrq6930-sim: simulated receivers on pseudo-terminals. Prints one port path
// per line, then answers until interrupted.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "sim/Simulator.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int)
{
    g_stop = 1;
}

void Usage(std::FILE* to = stderr)
{
    std::fprintf(to,
                 "usage: zrq6930-sim [--count N] [--fault I:LIST]... [--wire-log DIR]\n"
                 "  I is the receiver index (1-based); LIST is comma-separated:\n"
                 "  silent, wrong-model, corrupt, noise, split=N, hangup=N (on request N),\n"
                 "  corrupt=PERCENT, delay=MS, state=C, busy=F4F1, reject=CODE:REASON,\n"
                 "  silence=AT:FOR[:EVERY] (silent FOR ms from AT ms after the start, again every EVERY ms)\n"
                 "  --wire-log DIR appends every byte receiver I is sent to DIR/rxI.bin\n");
}

} // namespace

int main(int argc, char** argv)
{
    int count = 4;
    std::vector<std::pair<int, std::string>> faults;
    std::string wireLogDir;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--count" && i + 1 < argc) {
            count = std::atoi(argv[++i]);
        } else if (a == "--fault" && i + 1 < argc) {
            std::string v = argv[++i];
            auto colon = v.find(':');
            if (colon == std::string::npos) {
                Usage();
                return 2;
            }
            faults.emplace_back(std::atoi(v.substr(0, colon).c_str()), v.substr(colon + 1));
        } else if (a == "--wire-log" && i + 1 < argc) {
            wireLogDir = argv[++i];
        } else if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else {
            Usage();
            return 2;
        }
    }
    if (count < 1 || count > 64) {
        std::fprintf(stderr, "zrq6930-sim: --count must be 1 to 64\n");
        return 2;
    }
    std::vector<zr::sim::SimReceiverConfig> configs;
    for (int i = 0; i < count; ++i) {
        configs.push_back(zr::sim::DefaultConfig(i));
        if (!wireLogDir.empty())
            configs.back().wireLogPath = wireLogDir + "/rx" + std::to_string(i + 1) + ".bin";
    }
    for (const auto& [index, list] : faults) {
        if (index < 1 || index > count) {
            std::fprintf(stderr, "zrq6930-sim: no receiver %d\n", index);
            return 2;
        }
        std::string error;
        if (!zr::sim::ParseFaults(list, configs[static_cast<std::size_t>(index - 1)], error)) {
            std::fprintf(stderr, "zrq6930-sim: %s\n", error.c_str());
            return 2;
        }
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    zr::sim::CSimulator sim;
    if (!sim.Start(configs)) {
        std::fprintf(stderr, "zrq6930-sim: cannot create a pseudo-terminal\n");
        return 1;
    }
    for (const auto& p : sim.PortPaths())
        std::printf("%s\n", p.c_str());
    std::fflush(stdout);
    while (!g_stop)
        pause();
    sim.Stop();
    return 0;
}
