#pragma once
// What a soak run prints about each receiver, measured at the simulator:
// records written against F4 polls asked and answered whole, and the poll
// period.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "logs/LogReader.h"
#include "sim/Simulator.h"

namespace zr::bench {

// A field of /proc/<pid>/status ("VmRSS", "Threads"), 0 when unreadable.
inline long ProcStatus(const std::string& pid, const std::string& field)
{
    std::ifstream status("/proc/" + pid + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::atol(line.c_str() + field.size() + 1);
    return 0;
}

// The sims of a soak: faults on some, one cable pulled half way, one that
// never answers, and three that fall silent for a while now and then (2 s
// every 5 minutes, 5 s every 7 minutes, 0.5 s every minute).
inline std::vector<sim::SimReceiverConfig> SoakReceivers(int seconds)
{
    std::vector<sim::SimReceiverConfig> cfgs;
    for (int i = 0; i < 17; ++i)
        cfgs.push_back(sim::DefaultConfig(i));
    cfgs[1].faults.noise = true;
    cfgs[2].faults.splitBytes = 1;
    cfgs[3].faults.splitBytes = 5;
    cfgs[4].faults.busyCodes = "F4";
    cfgs[5].faults.noise = true, cfgs[5].faults.splitBytes = 2;
    cfgs[6].faults.corruptPercent = 1;
    cfgs[9].faults.hangUpAfterRequests = 5 * seconds + 10; // about half way at 100 ms
    cfgs[16].faults.silent = true;
    const auto silences = [&](int i, int atMs, int forMs, int everyMs) {
        cfgs[static_cast<std::size_t>(i)].faults.silenceAtMs = atMs;
        cfgs[static_cast<std::size_t>(i)].faults.silenceForMs = forMs;
        cfgs[static_cast<std::size_t>(i)].faults.silenceEveryMs = everyMs;
    };
    silences(7, 20000, 2000, 300000);
    silences(8, 40000, 5000, 420000);
    silences(10, 10000, 500, 60000);
    return cfgs;
}

// logOfSim: the log recorded from each simulated receiver ("" when none).
inline void PrintReceiverTable(sim::CSimulator& sims, const std::vector<std::string>& logOfReceiver)
{
    std::printf("%-4s %-22s %8s %8s %8s %8s %8s\n", "sim", "log", "records", "F4", "answered", "p50 ms", "p99 ms");
    for (std::size_t i = 0; i < sims.Size(); ++i) {
        auto times = sims.Receiver(i).RequestTimes("F4");
        std::vector<double> gaps;
        for (std::size_t k = 1; k < times.size(); ++k)
            gaps.push_back(std::chrono::duration<double, std::milli>(times[k] - times[k - 1]).count());
        std::sort(gaps.begin(), gaps.end());
        auto pct = [&](double p) { return gaps.empty() ? 0.0 : gaps[static_cast<std::size_t>(p * static_cast<double>(gaps.size() - 1))]; };
        long records = -1;
        const std::string& log = i < logOfReceiver.size() ? logOfReceiver[i] : std::string();
        if (!log.empty()) {
            CLogReader reader;
            if (reader.Open(log, kLogNorm) == kLogOpened)
                records = static_cast<long>((reader.FileSize() - kLogHeaderSize) / kLogRecordSize);
        }
        const std::string name = log.empty() ? "-" : log.substr(log.rfind('/') + 1);
        std::printf("%-4zu %-22s %8ld %8zu %8d %8.1f %8.1f\n", i + 1, name.c_str(), records, times.size(), sims.Receiver(i).AnswerCount("F4"), pct(0.5),
                    pct(0.99));
    }
}

} // namespace zr::bench
