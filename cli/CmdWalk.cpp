// walk: a Walk Test of one receiver without the window: F1 every 100 ms into
// a .wlg, then a short summary of what the walk found.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "cli/PollLoop.h"
#include "cli/ToolRun.h"
#include "link/Commands.h"
#include "link/ToolFacts.h"
#include "link/ReplyFields.h"
#include "logs/LogFileDoc.h"
#include "logs/WalkRecords.h"
#include "platform/LogFolder.h"

namespace zr::cli {

namespace {

constexpr double kMaxSeconds = 2 * 3600; // the walk log's limit

int Usage()
{
    std::fprintf(stderr, "usage: zrq6930 walk [--rx N] --seconds S [-o FILE.wlg]\n"
                         "  --rx N       the receiver (1 to 16), 1 when not given\n"
                         "  --seconds S  how long to walk (at most 7200, the walk log's limit); Ctrl+C ends it sooner\n"
                         "  -o FILE      the .wlg under this name instead of in the log folder\n");
    return kExitUsage;
}

void PrintSummary(const WalkSummary& s)
{
    std::printf("Samples: %zu\n", s.samples);
    std::printf("RF A: minimum %d dBuV, median %d dBuV\n", s.rfAMin, s.rfAMedian);
    std::printf("RF B: minimum %d dBuV, median %d dBuV\n", s.rfBMin, s.rfBMedian);
    std::printf("Sync errors: %zu\n", s.syncErrors);
    std::printf("Data errors: %zu\n", s.dataErrors);
}

} // namespace

int CmdWalk(const std::vector<std::string>& args)
{
    std::vector<int> wanted;
    COutputClaim output("walk");
    double seconds = -1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool value = i + 1 < args.size();
        if (args[i] == "--rx" && value) {
            if (!ParseReceiverOption("walk", args[++i], wanted) || wanted.size() > 1)
                return Usage();
        } else if (args[i] == "--seconds" && value) {
            if (!ParseAmount(args[++i], kMaxSeconds, seconds)) {
                std::fprintf(stderr, "zrq6930 walk: --seconds takes a number from 0 to 7200\n");
                return kExitUsage;
            }
        } else if (args[i] == "-o" && value) {
            if (!output.Claim(args[++i]))
                return kExitUsage;
        } else {
            return Usage();
        }
    }
    if (seconds < 0)
        return Usage();
    InstallStopHandlers();
    CCliReceivers receivers;
    CReceiverSession& session = receivers.Session();
    SessionReceiver* walked = OpenIdleReceiver("walk", receivers, wanted);
    if (!walked)
        return kExitUsage;
    // As the window: a walk test only while every receiver is idle.
    if (session.AnyReceiverBusy()) {
        std::fprintf(stderr, "%s\n", kToolBusyText);
        return kExitFailure;
    }
    SessionReceiver& r = *walked;
    ReleaseOtherReceivers(session, r);
    CLogFileDoc log;
    bool timeLimit = false; // said from inside an append: the loop ends after it
    if (log.CreateLog(kLogWalk, r.recNo, 0, [&] { timeLimit = true; }, nullptr) == 1) {
        std::fprintf(stderr, "%s\n", kFailedSystemFolder);
        return kExitFailure;
    }
    std::fprintf(stderr, "Receiver %d (%s): %s\n", r.recNo + 1, r.port.c_str(), log.CurrentPath().c_str());

    std::vector<std::array<int, 4>> samples;
    bool lost = false, channelScan = false;
    PollLoopHandlers handlers;
    handlers.reply = [&](SessionReceiver&, const ReceiverReply& reply) {
        if (reply.kind != kF1)
            return true;
        // Refused as busy with its own channel scan: the window stops there too.
        if (ReceiverModeFromState(ReplyChar(reply.state.data(), F0Field::State)) == kModeChannelScanRx) {
            channelScan = true;
            return false;
        }
        const DataRow row = DecodeF1(reply.reply.data());
        log.AppendRecord(row); // as the window keeps it: every sample
        // The summary reads the record as written, so it tells what the log holds.
        const auto v = WalkSampleOfRecord(BuildLogRecord(0, row).data());
        samples.push_back({v[0], v[1], v[2], v[3]});
        return !timeLimit;
    };
    handlers.lost = [&](SessionReceiver&) { lost = true; };
    std::vector<SessionReceiver*> served{walked};
    const LoopEnd end = receivers.RunPollLoop(served, kProgrammeWalk, seconds, handlers);
    session.CloseAll();
    std::string where = log.CurrentPath();
    const bool delivered = !output.Claimed() || output.Deliver(log.CurrentPath(), where);
    if (lost)
        std::fprintf(stderr, "Walk Test was stopped due to the connection error. Log data was saved in %s.\n", where.c_str());
    else if (channelScan)
        std::fprintf(stderr, "Walk Test was stopped due to Channel Scan\n");
    else if (timeLimit)
        std::fprintf(stderr, "Time Limit Exceeded. Walk Test was stopped.\n");
    PrintSummary(SummarizeWalk(samples));
    return end == LoopEnd::OutputFailed || lost || channelScan || !delivered ? kExitFailure : kExitOk;
}

} // namespace zr::cli
