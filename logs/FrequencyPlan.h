#pragma once
// Which frequencies to use: carriers on a tuning grid that keep their
// spacing, whose third-order (and, when asked, fifth-order) intermodulation
// products land near no carrier, and that keep clear of what the spectrum
// logs saw busy. An exact branch and bound over the grid with bit sets of
// forbidden points, deterministic, within a time budget; a checker verifies
// any set against the same rules.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "logs/SpectrumOccupancy.h"

namespace zr {

struct PlanRules {
    int carrierSpacingKhz = 350; // no two carriers closer than this
    int imGuardKhz = 100;        // two-tone 2f1 - f2 (and 3f1 - 2f2 with im5)
    int im3GuardKhz = 50;        // three-tone f1 + f2 - f3
    bool im5 = false;            // fifth order two-tone 3f1 - 2f2
    int busyGuardKhz = 125;      // no carrier this near a busy frequency
};

// "Near" under a guard: closer than the guard, and an exact hit always (so a
// guard of 0 forbids only an exact hit).
inline bool WithinGuard(int64_t distance, int guard)
{
    return distance == 0 || (distance < 0 ? -distance : distance) < guard;
}

// A conflict of a set, in words ("606.500 MHz: 2 x 606.000 - 605.500 = 606.500 lands 0 kHz away").
struct PlanConflict {
    int carrierKhz = 0;
    std::string text;
};
// Every conflict of `carriers` (chosen and kept alike) under `rules`.
std::vector<PlanConflict> CheckPlan(const std::vector<int>& carriers, const std::vector<int>& busyKhz, const PlanRules& rules);

// The smallest distance of a carrier to a product of the set or a busy
// frequency: the set's worst margin (kHz; INT32_MAX with nothing to measure).
struct PlanMargins {
    int productKhz = INT32_MAX, busyKhz = INT32_MAX;
};
PlanMargins MarginsOf(int carrierKhz, const std::vector<int>& carriers, const std::vector<int>& busyKhz, const PlanRules& rules);

// How far a search has come, for a progress display.
struct PlanProgress {
    double seconds = 0;    // since it began
    std::size_t found = 0; // carriers in the best set so far, besides the kept ones
    uint64_t nodes = 0;
};

struct PlanRequest {
    int startKhz = 0, stopKhz = 0, stepKhz = 25;
    std::vector<int> keepKhz; // carriers that stay; their products count
    std::vector<int> busyKhz; // frequencies the logs saw busy
    int count = 0;            // carriers wanted besides the kept ones; 0: as many as fit
    double seconds = 10;      // the time budget
    PlanRules rules;
    const std::atomic<bool>* cancel = nullptr;          // set: end now with the best so far
    std::function<void(const PlanProgress&)> progress;  // about every 100 ms of search
};

struct PlanResult {
    std::vector<int> chosenKhz; // ascending, the kept ones not among them
    bool complete = false;      // the count was reached (for --max: at least one found)
    bool proven = false;        // the search ended: no larger set (--max) or no better margin exists
    bool cancelled = false;
    std::string reason;         // why nothing or fewer than asked
    uint64_t nodes = 0;
    double firstSeconds = 0;    // until the first set of the final size was found
};
PlanResult SolvePlan(const PlanRequest& request);

// The frequencies a log saw busy: busy in more than `busySharePercent` % of its sweeps.
std::vector<int> BusyFrequencies(const SpectrumOccupancy& occupancy, int busySharePercent);

// Every intermodulation product of the set under the rules (for drawing).
std::vector<int64_t> ProductFrequencies(const std::vector<int>& carriers, const PlanRules& rules);

// A plan's rows: every carrier, kept and chosen, in frequency order.
struct PlanRow {
    int khz = 0;
    bool kept = false;
    PlanMargins margins;
};
std::vector<PlanRow> PlanRows(const std::vector<int>& keptKhz, const std::vector<int>& chosenKhz, const std::vector<int>& busyKhz, const PlanRules& rules);
// "606.125" or "606" (MHz) as kHz; -1 when it is not a frequency.
int ParseMhz(const std::string& text);
// Comma-separated frequencies in MHz appended to `out`; false at the first that is none.
bool ParseMhzList(const std::string& text, std::vector<int>& out);

// The rows as CSV, header included; the same text wherever a plan is saved.
std::string PlanCsv(const std::vector<PlanRow>& rows);

} // namespace zr
