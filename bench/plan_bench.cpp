// The frequency plan's search against a plain depth-first search without
// bounds (every extension checked by the checker, no forbidden points, no
// count bound), in the same run: Golomb rulers (every guard 0, nothing busy)
// of 8 to 13 carriers at their optimal lengths, found and proven; then 16
// carriers in a receiver's 30 MHz band with the default rules and a week's
// busy frequencies.
#include <chrono>
#include <cstdio>
#include <vector>

#include "BenchTable.h"
#include "logs/FrequencyPlan.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// The baseline: the largest compatible set by plain recursion, within `seconds`.
struct Plain {
    const zr::PlanRequest& r;
    Clock::time_point deadline;
    std::size_t best = 0;
    bool timedOut = false;
    void Search(std::vector<int>& set, int from)
    {
        best = std::max(best, set.size());
        for (int f = from; f <= r.stopKhz && !timedOut; f += r.stepKhz) {
            if (Clock::now() > deadline) {
                timedOut = true;
                return;
            }
            set.push_back(f);
            if (zr::CheckPlan(set, r.busyKhz, r.rules).empty())
                Search(set, f + r.stepKhz);
            set.pop_back();
        }
    }
};

} // namespace

int main()
{
    std::printf("%-34s %8s %8s %10s %12s %12s\n", "instance", "carriers", "proven", "solver s", "plain s", "plain found");
    const std::pair<int, int> golomb[] = {{8, 34}, {9, 44}, {10, 55}, {11, 72}, {12, 85}, {13, 106}};
    for (const auto& [marks, length] : golomb) {
        zr::PlanRequest r;
        r.startKhz = 600000, r.stepKhz = 25, r.stopKhz = 600000 + length * 25;
        r.rules.carrierSpacingKhz = r.rules.imGuardKhz = r.rules.im3GuardKhz = r.rules.busyGuardKhz = 0;
        r.seconds = 120;
        auto t0 = Clock::now();
        const zr::PlanResult p = zr::SolvePlan(r);
        const double solver = Since(t0);
        Plain plain{r, Clock::now() + std::chrono::seconds(30)};
        std::vector<int> set;
        t0 = Clock::now();
        plain.Search(set, r.startKhz);
        const double baseline = Since(t0);
        char name[64];
        std::snprintf(name, sizeof name, "Golomb %d marks, %d points", marks, length + 1);
        std::printf("%-34s %8zu %8s %10.3f %11.3f%s %12zu\n", name, p.chosenKhz.size(), p.proven ? "yes" : "no", solver, baseline, plain.timedOut ? "+" : " ",
                    plain.best);
        const bool found = static_cast<int>(p.chosenKhz.size()) == marks;
        zr::bench::TableRow(name, solver, "s", plain.timedOut ? "plain search (stopped at 30 s)" : "plain search", baseline,
                            !found ? "NOT FOUND" : p.proven ? "optimum found and proven" : "optimum found, not proven");
    }
    // A week of logging: every 37th grid point busy (a stand-in for the carriers a log sees).
    zr::PlanRequest band;
    band.startKhz = 606000, band.stopKhz = 636000, band.stepKhz = 25;
    for (int f = band.startKhz + 500; f < band.stopKhz; f += 37 * 25)
        band.busyKhz.push_back(f);
    band.count = 16;
    band.seconds = 1;
    auto t0 = Clock::now();
    zr::PlanResult p = zr::SolvePlan(band);
    std::printf("16 carriers in G1, %zu busy: %zu chosen, first set in %.3f s (budget %.0f s spent on margins)\n", band.busyKhz.size(), p.chosenKhz.size(),
                p.firstSeconds, Since(t0));
    zr::bench::TableRow("plan: 16 carriers in a 30 MHz band, first set", p.firstSeconds, "s", "budget", 1.0, "under 1 s");
    band.count = 0;
    band.seconds = 10;
    t0 = Clock::now();
    p = zr::SolvePlan(band);
    std::printf("--max in G1 within 10 s: %zu carriers, %s\n", p.chosenKhz.size(), p.proven ? "proven" : "not proven");
    return 0;
}
