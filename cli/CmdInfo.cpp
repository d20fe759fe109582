// fbs and id: what the FBS Detail and ID View windows show, read once.
#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "cli/PollLoop.h"
#include "link/Commands.h"
#include "link/ReceiverRow.h"
#include "link/ReplyFields.h"

namespace zr::cli {

namespace {

constexpr double kReadSeconds = 10; // a receiver answers a whole ring within a second or two

struct Options {
    std::vector<int> wanted;
    bool json = false;
};

// Parses [--rx N]... [--json]; false after printing the usage.
bool ParseOptions(const char* command, const std::vector<std::string>& args, bool receiverOption, Options& o)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") {
            o.json = true;
        } else if (receiverOption && args[i] == "--rx" && i + 1 < args.size()) {
            if (!ParseReceiverOption(command, args[++i], o.wanted))
                return false;
        } else {
            std::fprintf(stderr, "usage: zrq6930 %s%s [--json]\n", command, receiverOption ? " [--rx N]..." : "");
            return false;
        }
    }
    return true;
}

// Identifies, then polls the receivers with `programme` until `complete`
// holds for each of them. Returns the receivers read; exit code in `exitCode`.
std::vector<SessionReceiver*> ReadAll(const char* command, CCliReceivers& receivers, const Options& o, const PollProgramme& programme,
                                      const std::function<bool(const CReceiverLink&)>& complete, int& exitCode)
{
    exitCode = kExitOk;
    if (!receivers.OpenAndIdentify()) {
        exitCode = kExitUsage;
        return {};
    }
    std::vector<SessionReceiver*> chosen, served;
    if (!SelectReceivers(command, receivers.Session(), o.wanted, chosen)) {
        exitCode = kExitUsage;
        return {};
    }
    served = chosen;
    std::vector<SessionReceiver*> done, busy, lost;
    auto listed = [](const std::vector<SessionReceiver*>& v, SessionReceiver* r) { return std::find(v.begin(), v.end(), r) != v.end(); };
    PollLoopHandlers handlers;
    handlers.reply = [&](SessionReceiver& r, const ReceiverReply& reply) {
        if (!listed(done, &r) && !listed(busy, &r)) {
            if (complete(*r.link))
                done.push_back(&r);
            else if (ReceiverModeFromState(ReplyChar(reply.state.data(), F0Field::State)) == kModeChannelScanRx)
                busy.push_back(&r); // refused with E1 reason 05: it will not answer while it scans
        }
        return done.size() + busy.size() + lost.size() < chosen.size();
    };
    handlers.lost = [&](SessionReceiver& r) {
        lost.push_back(&r);
        std::fprintf(stderr, "%s: Comm Error\n", r.port.c_str());
    };
    const LoopEnd end = receivers.RunPollLoop(served, programme, kReadSeconds, handlers);
    std::vector<SessionReceiver*> read;
    for (SessionReceiver* r : chosen) {
        if (listed(done, r)) {
            read.push_back(r);
            continue;
        }
        exitCode = kExitFailure;
        if (listed(busy, r))
            std::fprintf(stderr, "Receiver %d (%s) is busy with its own channel scan and refused the request (E1 reason 05).\n", r->recNo + 1,
                         r->port.c_str());
        else if (!listed(lost, r) && end != LoopEnd::Stopped)
            std::fprintf(stderr, "Receiver %d (%s) did not answer every request within %.0f s.\n", r->recNo + 1, r->port.c_str(), kReadSeconds);
    }
    return read;
}

bool HasReply(const ReplySlot& slot, int kind)
{
    return slot[0] == static_cast<uint8_t>(KindCode(kind)[0]) && slot[1] == static_cast<uint8_t>(KindCode(kind)[1]);
}

} // namespace

int CmdFbs(const std::vector<std::string>& args)
{
    Options o;
    if (!ParseOptions("fbs", args, true, o))
        return kExitUsage;
    InstallStopHandlers();
    CCliReceivers receivers;
    int exitCode = kExitOk;
    auto allFilters = [](const CReceiverLink& link) {
        for (int n = 1; n <= kFbsFilterCount; ++n)
            if (!HasReply(link.FbsRecord(n), kF5))
                return false;
        return true;
    };
    for (SessionReceiver* r : ReadAll("fbs", receivers, o, kProgrammeFbs, allFilters, exitCode)) {
        const int32_t fbs = ReadReplyField(r->link->Reply(kF0).data(), F0Field::Fbs);
        std::string line = o.json ? "{\"no\": " + std::to_string(r->recNo + 1) + ", \"port\": " + JsonString(r->port) + ", \"filters\": [" : "";
        if (!o.json)
            std::printf("Receiver %d (%s), FBS %s\n%-10s  %-10s  %-8s  %s\n", r->recNo + 1, r->port.c_str(), fbs == 1 ? "On" : fbs == 0 ? "Off" : "-",
                        "Filter No.", "Freq.[kHz]", "Gain[dB]", "On/Off");
        for (int n = 1; n <= kFbsFilterCount; ++n) {
            ReplySlot filter = r->link->FbsRecord(n);
            if (fbs == 0)
                filter[kFbsOnOffByte] = 0; // as the window shows it: the receiver's FBS is off
            const FbsCells c = FbsCellTexts(filter.data());
            if (o.json)
                line += std::string(n > 1 ? ", " : "") + "{\"filter\": " + std::to_string(n) + ", \"freq_khz\": " + JsonString(c.frequency) +
                        ", \"gain_db\": " + JsonString(c.gain) + ", \"on_off\": " + JsonString(c.onOff) + "}";
            else
                std::printf("%-10X  %-10s  %-8s  %s\n", static_cast<unsigned>(n), c.frequency.c_str(), c.gain.c_str(), c.onOff.c_str());
        }
        if (o.json)
            std::printf("%s]}\n", line.c_str());
    }
    return exitCode;
}

int CmdId(const std::vector<std::string>& args)
{
    Options o;
    if (!ParseOptions("id", args, false, o))
        return kExitUsage;
    InstallStopHandlers();
    CCliReceivers receivers;
    int exitCode = kExitOk;
    auto hasId = [](const CReceiverLink& link) { return HasReply(link.Reply(kF6), kF6); };
    for (SessionReceiver* r : ReadAll("id", receivers, o, kProgrammeIdView, hasId, exitCode)) {
        const std::string id = IdCellText(r->link->Reply(kF6).data());
        if (o.json)
            std::printf("{\"no\": %d, \"port\": %s, \"id\": %s}\n", r->recNo + 1, JsonString(r->port).c_str(), JsonString(id).c_str());
        else
            std::printf("%2d  %-20s  %s\n", r->recNo + 1, r->port.c_str(), id.c_str());
    }
    return exitCode;
}

} // namespace zr::cli
