// record: the Background Log without a window, for a PC left in a rack.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "cli/PollLoop.h"
#include "cli/Publishing.h"
#include "link/ReceiverRecovery.h"
#include "link/ToolFacts.h"
#include "logs/RecordingEvents.h"
#include "logs/BackgroundRecorder.h"
#include "logs/LogExport.h"
#include "platform/Clock.h"
#include "platform/LogFolder.h"

namespace zr::cli {

namespace {

constexpr double kMaxHours = 8;

int Usage()
{
    std::fprintf(stderr, "usage: zrq6930 record [--rx N]... [--hours H] [--publish ADDRESS [--site NAME] [--ca-file F]]\n"
                         "  --rx N     record receiver number N (1 to 16); every receiver when not given\n"
                         "  --hours H  stop after H hours (at most 8, the Background Log's limit)\n%s", PublishUsage());
    return kExitUsage;
}

} // namespace

int CmdRecord(const std::vector<std::string>& givenArgs)
{
    std::vector<std::string> args = givenArgs;
    CCliPublishing publishing;
    if (!publishing.TakeOptions("record", args))
        return kExitUsage;
    std::vector<int> wanted; // receiver numbers 0..15
    double hours = -1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--rx" && i + 1 < args.size()) {
            if (!ParseReceiverOption("record", args[++i], wanted))
                return kExitUsage;
        } else if (args[i] == "--hours" && i + 1 < args.size()) {
            if (!ParseAmount(args[++i], kMaxHours, hours)) {
                std::fprintf(stderr, "zrq6930 record: --hours takes a number from 0 to 8\n");
                return kExitUsage;
            }
        } else {
            return Usage();
        }
    }
    InstallStopHandlers();
    CCliReceivers receivers;
    CReceiverSession& session = receivers.Session();
    if (!receivers.OpenAndIdentify())
        return kExitUsage;
    std::vector<SessionReceiver*> recorded;
    if (!SelectReceivers("record", session, wanted, recorded))
        return kExitUsage;
    if (session.AnyReceiverBusy()) {
        std::fprintf(stderr, "%s\n", kToolBusyText);
        return kExitFailure;
    }

    if (!publishing.Start("record"))
        return kExitUsage;
    CLiveFeed* const live = publishing.Feed();

    CBackgroundRecorder recorder;
    std::vector<int> recNos;
    for (SessionReceiver* r : recorded)
        recNos.push_back(r->recNo);
    std::vector<CBackgroundRecorder::StartIssue> issues;
    bool timeLimit = false; // said from inside an append: the loop ends after it
    recorder.Start(recNos, [&] { timeLimit = true; }, issues);
    for (const auto& issue : issues) {
        if (issue.result == 1) {
            std::fprintf(stderr, "%s\n", kFailedSystemFolder);
            return kExitFailure;
        }
        std::fprintf(stderr, "Cannot create the Background Log file %s\n", issue.path.c_str());
    }
    if (live)
        live->RecordingStarted(recNos);
    for (SessionReceiver* r : recorded)
        std::printf("Receiver %d (%s): %s\n", r->recNo + 1, r->port.c_str(), recorder.Doc(r->recNo)->CurrentPath().c_str());
    std::fflush(stdout);

    // Records answered but not written (a full disk): told at once, counted,
    // and summed up at the end, so nobody reads them as a silent receiver.
    struct Unwritten {
        uint64_t records = 0;
        int64_t first = 0, last = 0;
    };
    std::vector<Unwritten> unwritten(kMaxReceivers);
    PollLoopHandlers handlers;
    handlers.reply = [&](SessionReceiver& r, const ReceiverReply& polled) {
        if (polled.kind != kF4)
            return true;
        const ReplySlot& reply = polled.reply;
        const auto result = recorder.Append(r.recNo, reply.data());
        if (live) {
            live->Row(r.recNo, r.port, StateRecordFromF4(reply.data()));
            if (result == CBackgroundRecorder::kAppended)
                live->Record(r.recNo, recorder.Doc(r.recNo)->LastRecordTime(), DecodeF4(reply.data()));
        }
        if (result == CBackgroundRecorder::kFailedFirst)
            std::fprintf(stderr, "Cannot write the Background Log of receiver %d: %s\n", r.recNo + 1, recorder.Doc(r.recNo)->CurrentPath().c_str());
        if (result == CBackgroundRecorder::kFailedFirst || result == CBackgroundRecorder::kFailedAgain) {
            Unwritten& u = unwritten[static_cast<std::size_t>(r.recNo)];
            const int64_t now = LocalTimeToFileTime(CurrentClock().Now());
            if (u.records++ == 0)
                u.first = now;
            u.last = now;
        }
        return !timeLimit;
    };
    // A receiver that stops answering is asked again until it is back: its
    // log goes on, the gap reads as no answer. Each loss and return is told
    // on stderr and kept in a small text log beside the Background Logs.
    CRecordingEvents events(true);
    handlers.recovery = [&](const std::string& line) { events.Add(line); };
    handlers.lost = [&](SessionReceiver& r) {
        if (live)
            live->Lost(r.recNo);
    };
    const LoopEnd end = receivers.RunPollLoop(recorded, kProgrammeBackgroundLog, hours < 0 ? -1 : hours * 3600, handlers);
    recorder.Stop();
    session.CloseAll();
    if (live)
        live->RecordingStopped();
    publishing.Finish();
    std::fprintf(stderr, "%s\n", timeLimit ? kRecordingTimeLimitText : end == LoopEnd::AllLost ? "All receivers lost. Background Log was stopped." : kRecordingStoppedText);
    bool lostRecords = false;
    for (std::size_t n = 0; n < unwritten.size(); ++n) {
        const Unwritten& u = unwritten[n];
        if (u.records == 0)
            continue;
        lostRecords = true;
        std::fprintf(stderr, "Receiver %zu: %llu answered polls were not written (%s to %s); the log shows no record for them.\n", n + 1,
                     static_cast<unsigned long long>(u.records), IsoTime(u.first).c_str(), IsoTime(u.last).c_str());
    }
    if (receivers.RecoveryPending())
        std::fprintf(stderr, "Not every receiver answered again before the end.\n");
    if (end == LoopEnd::OutputFailed || lostRecords || receivers.RecoveryPending())
        return kExitFailure;
    return end == LoopEnd::AllLost ? kExitFailure : kExitOk;
}

} // namespace zr::cli
