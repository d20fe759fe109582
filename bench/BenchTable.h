#pragma once
// One row of the table that scripts/bench prints at its end: what was
// measured, its baseline from the same run, the ratio, and the goal.
#include <cstdio>

namespace zr::bench {

inline void TableRow(const char* measure, double value, const char* unit, const char* baseline, double baselineValue, const char* goal)
{
    std::printf("table|%s|%.3g %s|%s: %.3g %s|%.2f|%s\n", measure, value, unit, baseline, baselineValue, unit, baselineValue > 0 ? value / baselineValue : 0.0,
                goal);
}

} // namespace zr::bench
