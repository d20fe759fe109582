#pragma once
// The service report: one self-contained HTML page for a customer, made from
// the logs a visit left behind. Per Background Log or walk log a summary, a
// picture of the levels over the whole recording and the events; per
// spectrum log its peak and median curves, how busy each frequency was and
// the clean ranges. Pictures are inline SVG: nothing to fetch, prints sharp.
#include <string>
#include <vector>

#include "logs/FrequencyPlan.h"

namespace zr {

struct ReportOptions {
    int lowRf = 20;     // dBuV, for the events
    int threshold = 25; // dBuV, for spectrum occupancy
    std::size_t maxEventRows = 500;
    // Per spectrum log, a frequency plan of this many carriers (0: none)
    // clear of what that log saw busy.
    int planCount = 0;
    double planSeconds = 5;
    int busySharePercent = 1;
    PlanRules planRules;
};

// 0 (kLogOpened) with the page in `html`, or the reader's result for the
// file named in `badFile`.
int BuildServiceReport(const std::vector<std::string>& files, const ReportOptions& options, std::string& html, std::string* badFile);

} // namespace zr
