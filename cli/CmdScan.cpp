// scan channel: a Channel Scan of one receiver without the window.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "cli/PollLoop.h"
#include "graph/RfGraphModel.h"
#include "link/Commands.h"
#include "link/ReplyFields.h"

namespace zr::cli {

namespace {

constexpr const char* kBankNames[10] = {"1", "2", "3", "4", "A", "B", "C", "D", "E", "F"};
constexpr int kBankValues[10] = {1, 2, 3, 4, 10, 11, 12, 13, 14, 15};

int Usage()
{
    std::fprintf(stderr, "usage: zrq6930 scan channel [--rx N] [--bank B] [--seconds S] [--peak-hold] [--json]\n"
                         "  --rx N       the receiver (1 to 16), 1 when not given\n"
                         "  --bank B     1, 2, 3, 4, A, B, C, D, E or F (1 when not given)\n"
                         "  --seconds S  how long to scan (4 when not given); Ctrl+C ends it sooner\n"
                         "  --peak-hold  keep each channel's highest level\n");
    return kExitUsage;
}

int ScanChannel(const std::vector<std::string>& args)
{
    std::vector<int> wanted;
    int bank = 0; // index into the bank list
    double seconds = 4;
    bool peakHold = false, json = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--rx" && i + 1 < args.size()) {
            if (!ParseReceiverOption("scan channel", args[++i], wanted) || wanted.size() > 1)
                return Usage();
        } else if (args[i] == "--bank" && i + 1 < args.size()) {
            std::string b = args[++i];
            std::transform(b.begin(), b.end(), b.begin(), ::toupper);
            const auto it = std::find(std::begin(kBankNames), std::end(kBankNames), b);
            if (it == std::end(kBankNames)) {
                std::fprintf(stderr, "zrq6930 scan channel: --bank takes 1, 2, 3, 4, A, B, C, D, E or F\n");
                return kExitUsage;
            }
            bank = static_cast<int>(it - std::begin(kBankNames));
        } else if (args[i] == "--seconds" && i + 1 < args.size()) {
            if (!ParseAmount(args[++i], 24 * 3600, seconds)) {
                std::fprintf(stderr, "zrq6930 scan channel: --seconds takes a number from 0 to 86400\n");
                return kExitUsage;
            }
        } else if (args[i] == "--peak-hold") {
            peakHold = true;
        } else if (args[i] == "--json") {
            json = true;
        } else {
            return Usage();
        }
    }
    if (wanted.empty())
        wanted.push_back(0);
    InstallStopHandlers();
    CMessageQueue queue;
    CReceiverSession session(&queue);
    if (!OpenAndIdentify(session, queue))
        return kExitUsage;
    std::vector<SessionReceiver*> served;
    if (!SelectReceivers("scan channel", session, wanted, served))
        return kExitUsage;
    SessionReceiver& r = *served.front();
    if (ReceiverModeFromState(ReplyChar(r.link->Reply(kF0).data(), F0Field::State)) != kModeIdle) {
        std::fprintf(stderr, "Receiver %d is busy (%s).\n", r.recNo + 1, ReplyFieldText(r.link->Reply(kF0).data(), F0Field::State).c_str());
        return kExitFailure;
    }
    if (!RunOneShot(session, queue, r, MakeC1(static_cast<uint16_t>(kBankValues[bank])))) {
        std::fprintf(stderr, "Cannot start scanning.\n");
        return kExitFailure;
    }
    // The levels are kept as the Channel Scan window's graph keeps them.
    CRfGraphModel levels;
    levels.pointCount = 16;
    levels.minSpan = 0;
    levels.maxSpan = 16;
    levels.ZeroData();
    levels.storeMode = peakHold ? 1 : 0;
    PollLoopHandlers handlers;
    handlers.reply = [&](SessionReceiver& s, int kind) {
        const ReplySlot f3 = s.link->Reply(kF3);
        if (kind == kF3 && ReadReplyField(f3.data(), F3Field::Bank) == kBankValues[bank])
            levels.StoreValue(ReadReplyField(f3.data(), F3Field::Channel), ReadReplyField(f3.data(), F3Field::Level));
        return true;
    };
    const LoopEnd end = RunPollLoop(session, queue, served, kProgrammeChannelScan, seconds, handlers);
    if (end == LoopEnd::AllLost) {
        std::fprintf(stderr, "Channel Scan was stopped due to the connection error.\n");
        return kExitFailure;
    }
    if (!RunOneShot(session, queue, r, MakeCommand(kC0)))
        std::fprintf(stderr, "Receiver %d did not confirm the end of the scan.\n", r.recNo + 1);
    if (json) {
        std::string line = "{\"no\": " + std::to_string(r.recNo + 1) + ", \"port\": " + JsonString(r.port) + ", \"bank\": \"" + kBankNames[bank] +
                           "\", \"peak_hold\": " + (peakHold ? "true" : "false") + ", \"channels\": [";
        for (int c = 0; c < 16; ++c)
            line += std::string(c ? ", " : "") + "{\"channel\": \"" + "0123456789ABCDEF"[c] + "\", \"level_dbuv\": " + std::to_string(levels.ValueAt(0, c)) + "}";
        std::printf("%s]}\n", line.c_str());
    } else {
        std::printf("Receiver %d (%s), bank %s%s\n", r.recNo + 1, r.port.c_str(), kBankNames[bank], peakHold ? ", peak hold" : "");
        for (int c = 0; c < 16; ++c)
            std::printf("%X  %d\n", static_cast<unsigned>(c), levels.ValueAt(0, c));
    }
    return end == LoopEnd::OutputFailed ? kExitFailure : kExitOk;
}

} // namespace

int CmdScan(const std::vector<std::string>& args)
{
    if (!args.empty() && args[0] == "channel")
        return ScanChannel(std::vector<std::string>(args.begin() + 1, args.end()));
    return Usage();
}

} // namespace zr::cli
