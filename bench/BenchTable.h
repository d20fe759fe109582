#pragma once
// One row of the table that scripts/bench prints at its end: what was
// measured, its baseline from the same run, the ratio, and the goal.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zr::bench {

inline void TableRow(const char* measure, double value, const char* unit, const char* baseline, double baselineValue, const char* goal)
{
    std::printf("table|%s|%.3g %s|%s: %.3g %s|%.2f|%s\n", measure, value, unit, baseline, baselineValue, unit, baselineValue > 0 ? value / baselineValue : 0.0,
                goal);
}

// The baseline of the readers: `cat` of the files (blank-separated) to /dev/null, in ms.
inline double CatMs(const std::string& files)
{
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(("cat " + files + " > /dev/null").c_str()) != 0)
        return -1.0;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// A whole command as a user runs it (through the shell, output redirected as
// written), best of `runs`, in ms; -1 when it fails.
inline double BestOfMs(const std::string& command, int runs)
{
    double fastest = 1e300;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0)
            return -1.0;
        fastest = std::min(fastest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return fastest;
}

} // namespace zr::bench
