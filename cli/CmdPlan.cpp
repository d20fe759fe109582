// plan: which frequencies to use here, free of intermodulation and of what
// the spectrum logs saw busy; --check lists the conflicts of frequencies in use.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "cli/PollLoop.h"
#include "link/Commands.h"
#include "link/ReplyFields.h"
#include "logs/FrequencyPlan.h"
#include "logs/LogReader.h"
#include "logs/SpectrumOccupancy.h"

namespace zr::cli {

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: zrq6930 plan (--band CODE | --start MHZ --stop MHZ | --from FILE.slg...) [--count N | --max] [--keep MHZ,...]\n"
                 "                    [--carrier-spacing KHZ] [--im-guard KHZ] [--im3-guard KHZ] [--im5] [--busy-guard KHZ]\n"
                 "                    [--busy-share PERCENT] [--threshold DBUV] [--seconds S] [--csv | --json]\n"
                 "       zrq6930 plan --check [--freqs MHZ,...] [--from FILE.slg...] [rules as above]\n"
                 "  the frequencies of a tuning grid (25 kHz) that keep their spacing, whose intermodulation products land\n"
                 "  near no carrier and that keep clear of what the logs saw busy; --check: the conflicts of frequencies in use\n"
                 "  (--freqs, or the connected receivers')\n");
    return kExitUsage;
}

// The connected receivers' frequencies (their F0 replies).
bool ReceiverFrequencies(std::vector<int>& out)
{
    CCliReceivers receivers;
    CReceiverSession& session = receivers.Session();
    if (!receivers.OpenAndIdentify())
        return false;
    for (SessionReceiver* r : InNumberOrder(session))
        out.push_back(ReadReplyField(r->link->Reply(kF0).data(), F0Field::Frequency, 0));
    session.CloseAll();
    return true;
}

} // namespace

int CmdPlan(const std::vector<std::string>& args)
{
    PlanRequest request;
    request.seconds = 5;
    std::vector<std::string> logs;
    std::vector<int> freqs;
    int threshold = 25, busyShare = 1, count = -1;
    bool check = false, csv = false, json = false, max = false, haveFreqs = false;
    std::string band;
    int start = -1, stop = -1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool value = i + 1 < args.size();
        const std::string& a = args[i];
        bool ok = true;
        if (a == "--band" && value)
            band = args[++i];
        else if (a == "--start" && value)
            ok = (start = ParseMhz(args[++i])) > 0;
        else if (a == "--stop" && value)
            ok = (stop = ParseMhz(args[++i])) > 0;
        else if (a == "--from" && value)
            logs.push_back(args[++i]);
        else if (a == "--count" && value)
            ok = ParseWholeNumber(args[++i], 1000, count) && count > 0;
        else if (a == "--max")
            max = true;
        else if (a == "--keep" && value)
            ok = ParseMhzList(args[++i], request.keepKhz);
        else if (a == "--freqs" && value)
            ok = ParseMhzList(args[++i], freqs), haveFreqs = true;
        else if (a == "--carrier-spacing" && value)
            ok = ParseWholeNumber(args[++i], 100000, request.rules.carrierSpacingKhz);
        else if (a == "--im-guard" && value)
            ok = ParseWholeNumber(args[++i], 100000, request.rules.imGuardKhz);
        else if (a == "--im3-guard" && value)
            ok = ParseWholeNumber(args[++i], 100000, request.rules.im3GuardKhz);
        else if (a == "--im5")
            request.rules.im5 = true;
        else if (a == "--busy-guard" && value)
            ok = ParseWholeNumber(args[++i], 100000, request.rules.busyGuardKhz);
        else if (a == "--busy-share" && value)
            ok = ParseWholeNumber(args[++i], 100, busyShare);
        else if (a == "--threshold" && value)
            ok = ParseWholeNumber(args[++i], 255, threshold);
        else if (a == "--seconds" && value)
            ok = ParseAmount(args[++i], 3600, request.seconds);
        else if (a == "--check")
            check = true;
        else if (a == "--csv")
            csv = true;
        else if (a == "--json")
            json = true;
        else
            return Usage();
        if (!ok) {
            std::fprintf(stderr, "zrq6930 plan: %s takes %s\n", a.c_str(), a == "--keep" || a == "--freqs" ? "frequencies in MHz, comma-separated" : "a number in range");
            return kExitUsage;
        }
    }
    if (csv && json)
        return Usage();

    // What the logs saw busy: frequencies whose busy share is above the limit.
    SpectrumOccupancy first;
    for (const std::string& log : logs) {
        SpectrumOccupancy occupancy;
        std::string badPart;
        if (const int result = ComputeOccupancy(log, threshold, occupancy, &badPart); result != kLogOpened) {
            std::fprintf(stderr, "%s: %s\n", badPart.empty() ? log.c_str() : badPart.c_str(), LogOpenMessage(result));
            return kExitUsage;
        }
        if (first.points.empty())
            first = occupancy;
        const std::vector<int> busy = BusyFrequencies(occupancy, busyShare);
        request.busyKhz.insert(request.busyKhz.end(), busy.begin(), busy.end());
    }

    if (check) {
        if (!haveFreqs && !ReceiverFrequencies(freqs))
            return kExitUsage;
        std::vector<int> all = freqs;
        all.insert(all.end(), request.keepKhz.begin(), request.keepKhz.end());
        const auto conflicts = CheckPlan(all, request.busyKhz, request.rules);
        for (const PlanConflict& c : conflicts)
            std::printf("%s\n", c.text.c_str());
        std::fprintf(stderr, "%zu frequencies checked: %zu conflicts\n", all.size(), conflicts.size());
        return conflicts.empty() ? kExitOk : kExitFailure;
    }

    if (!band.empty()) {
        const auto [lowest, highest] = BandLimits(band);
        if (lowest <= 0) {
            std::fprintf(stderr, "zrq6930 plan: no band %s\n", band.c_str());
            return kExitUsage;
        }
        request.startKhz = lowest, request.stopKhz = highest;
    } else if (start > 0 && stop > 0) {
        request.startKhz = start, request.stopKhz = stop;
    } else if (!first.points.empty()) {
        request.startKhz = first.startKhz, request.stopKhz = first.stopKhz;
    } else {
        std::fprintf(stderr, "zrq6930 plan: give --band, --start and --stop, or a spectrum log with --from\n");
        return kExitUsage;
    }
    if (count < 0 && !max)
        return Usage();
    request.count = max ? 0 : count;
    request.stepKhz = 25;
    const PlanResult result = SolvePlan(request);
    if (!result.complete) {
        std::fprintf(stderr, "zrq6930 plan: %s\n", result.reason.c_str());
        return kExitFailure;
    }
    const std::vector<PlanRow> rows = PlanRows(request.keepKhz, result.chosenKhz, request.busyKhz, request.rules);
    if (csv) {
        std::fputs(PlanCsv(rows).c_str(), stdout);
    } else {
        if (!json)
            std::printf("%-14s %-5s %-22s %s\n", "Freq.[MHz]", "Kept", "Nearest product [kHz]", "Nearest busy [kHz]");
        const auto margin = [](int khz, const char* none) { return khz == INT32_MAX ? std::string(none) : std::to_string(khz); };
        for (const PlanRow& r : rows) {
            if (json)
                std::printf("{\"frequency_khz\": %d, \"kept\": %s, \"product_margin_khz\": %s, \"busy_margin_khz\": %s}\n", r.khz, r.kept ? "true" : "false",
                            margin(r.margins.productKhz, "null").c_str(), margin(r.margins.busyKhz, "null").c_str());
            else
                std::printf("%-14s %-5s %-22s %s\n", MhzText(r.khz).c_str(), r.kept ? "yes" : "", margin(r.margins.productKhz, "-").c_str(),
                            margin(r.margins.busyKhz, "-").c_str());
        }
    }
    std::fprintf(stderr, "%zu frequencies chosen%s; %s (%llu nodes searched)\n", result.chosenKhz.size(),
                 request.keepKhz.empty() ? "" : (" besides " + std::to_string(request.keepKhz.size()) + " kept").c_str(),
                 result.proven ? (max ? "no more fit" : "no set of that size has a wider margin")
                               : (max ? "more may fit: the time given ran out" : "a wider margin may exist: the time given ran out"),
                 static_cast<unsigned long long>(result.nodes));
    return kExitOk;
}

} // namespace zr::cli
