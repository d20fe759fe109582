// scan channel: a Channel Scan of one receiver without the window.
#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "cli/PollLoop.h"
#include "cli/ToolRun.h"
#include "graph/RfGraphModel.h"
#include "link/Commands.h"
#include "link/ToolFacts.h"
#include "link/ReplyFields.h"
#include "logs/LogFileDoc.h"
#include "logs/LogReader.h"
#include "logs/SpectrumLog.h"
#include "platform/LogFolder.h"

namespace zr::cli {

namespace {

// After a connection error the stop request could not be sent.
constexpr char kMayStillBeScanning[] = "The receiver was not told to stop and may still be scanning: switch it off and on, or start and stop a scan again.";

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
            const auto it = std::find_if(kScanBanks.begin(), kScanBanks.end(), [&](const ScanBank& s) { return b == s.name; });
            if (it == kScanBanks.end()) {
                std::fprintf(stderr, "zrq6930 scan channel: --bank takes 1, 2, 3, 4, A, B, C, D, E or F\n");
                return kExitUsage;
            }
            bank = static_cast<int>(it - kScanBanks.begin());
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
    InstallStopHandlers();
    CCliReceivers receivers;
    CReceiverSession& session = receivers.Session();
    SessionReceiver* scanned = OpenIdleReceiver("scan channel", receivers, wanted);
    if (!scanned)
        return kExitUsage;
    SessionReceiver& r = *scanned;
    ReleaseOtherReceivers(session, r);
    std::vector<SessionReceiver*> served{scanned};
    if (!receivers.RunOneShot(r, MakeC1(static_cast<uint16_t>(BankCodeOfIndex(bank))))) {
        std::fprintf(stderr, "%s\n", kCannotStartScanningText);
        return kExitUsage;
    }
    // The levels are kept as the Channel Scan window's graph keeps them.
    CRfGraphModel levels;
    levels.pointCount = 16;
    levels.minSpan = 0;
    levels.maxSpan = 16;
    levels.ZeroData();
    levels.storeMode = peakHold ? 1 : 0;
    PollLoopHandlers handlers;
    handlers.reply = [&](SessionReceiver&, const ReceiverReply& reply) {
        const ReplySlot& f3 = reply.reply;
        if (reply.kind == kF3 && ReadReplyField(f3.data(), F3Field::Bank) == BankCodeOfIndex(bank))
            levels.StoreValue(ReadReplyField(f3.data(), F3Field::Channel), ReadReplyField(f3.data(), F3Field::Level));
        return true;
    };
    const LoopEnd end = receivers.RunPollLoop(served, kProgrammeChannelScan, seconds, handlers);
    if (end == LoopEnd::AllLost) {
        std::fprintf(stderr, "Channel Scan was stopped due to the connection error.\n%s\n", kMayStillBeScanning);
        return kExitFailure;
    }
    if (!receivers.RunOneShot(r, MakeCommand(kC0)))
        std::fprintf(stderr, "Receiver %d did not confirm the end of the scan.\n", r.recNo + 1);
    if (json) {
        std::string line = "{\"no\": " + std::to_string(r.recNo + 1) + ", \"port\": " + JsonString(r.port) + ", \"bank\": \"" + kScanBanks[static_cast<std::size_t>(bank)].name +
                           "\", \"peak_hold\": " + (peakHold ? "true" : "false") + ", \"channels\": [";
        for (int c = 0; c < 16; ++c)
            line += std::string(c ? ", " : "") + "{\"channel\": \"" + "0123456789ABCDEF"[c] + "\", \"level_dbuv\": " + std::to_string(levels.ValueAt(0, c)) + "}";
        std::printf("%s]}\n", line.c_str());
    } else {
        std::printf("Receiver %d (%s), bank %s%s\n", r.recNo + 1, r.port.c_str(), kScanBanks[static_cast<std::size_t>(bank)].name, peakHold ? ", peak hold" : "");
        for (int c = 0; c < 16; ++c)
            std::printf("%X  %d\n", static_cast<unsigned>(c), levels.ValueAt(0, c));
    }
    return end == LoopEnd::OutputFailed ? kExitFailure : kExitOk;
}

int SpectrumUsage()
{
    std::fprintf(stderr, "usage: zrq6930 scan spectrum [--rx N] [--start MHZ] [--stop MHZ] [--step 25|125] [--sweeps K | --seconds S] [-o FILE.slg] [--csv]\n"
                         "  the receiver's band unless --start/--stop are given; one sweep when neither --sweeps nor --seconds is;\n"
                         "  the .slg goes into the log folder unless -o names it; --csv prints frequency_mhz,level_dbuv (highest per frequency)\n");
    return kExitUsage;
}

int ScanSpectrum(const std::vector<std::string>& args)
{
    std::vector<int> wanted;
    std::string startText, stopText;
    COutputClaim output("scan spectrum");
    int step = 25;
    double sweeps = 1, seconds = -1;
    bool csv = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool value = i + 1 < args.size();
        if (args[i] == "--rx" && value) {
            if (!ParseReceiverOption("scan spectrum", args[++i], wanted) || wanted.size() > 1)
                return SpectrumUsage();
        } else if (args[i] == "--start" && value) {
            startText = args[++i];
        } else if (args[i] == "--stop" && value) {
            stopText = args[++i];
        } else if (args[i] == "--step" && value) {
            const std::string s = args[++i];
            if (s != "25" && s != "125")
                return SpectrumUsage();
            step = std::stoi(s);
        } else if (args[i] == "--sweeps" && value) {
            if (!ParseAmount(args[++i], 1e6, sweeps) || sweeps < 1)
                return SpectrumUsage();
            seconds = -1;
        } else if (args[i] == "--seconds" && value) {
            if (!ParseAmount(args[++i], 7 * 24 * 3600, seconds))
                return SpectrumUsage();
            sweeps = 0;
        } else if (args[i] == "-o" && value) {
            if (!output.Claim(args[++i]))
                return kExitUsage;
        } else if (args[i] == "--csv") {
            csv = true;
        } else {
            return SpectrumUsage();
        }
    }
    InstallStopHandlers();
    CCliReceivers receivers;
    CReceiverSession& session = receivers.Session();
    SessionReceiver* scanned = OpenIdleReceiver("scan spectrum", receivers, wanted);
    if (!scanned)
        return kExitUsage;
    SessionReceiver& r = *scanned;
    ReleaseOtherReceivers(session, r);
    std::vector<SessionReceiver*> served{scanned};
    const auto [lowest, highest] = BandLimits(BandCodeFromModel(r.link->Reply(kM0).data()));
    // "606.125" as the window's frequency boxes read it: MHz and kHz digits.
    auto parse = [](const std::string& text, int32_t fallback) {
        int mhz = 0, khz = 0;
        return text.empty() ? fallback : std::sscanf(text.c_str(), "%d.%d", &mhz, &khz) == 2 ? mhz * 1000 + khz : std::atoi(text.c_str()) * 1000;
    };
    const int32_t start = parse(startText, lowest), stop = parse(stopText, highest);
    if (const std::string errors = SpectrumRangeErrors(start, stop, step, lowest, highest); !errors.empty()) {
        std::fprintf(stderr, "%s", errors.c_str());
        return kExitUsage;
    }
    if (!receivers.RunOneShot(r, MakeS1(start, stop, step))) {
        std::fprintf(stderr, "%s\n", kCannotStartScanningText);
        return kExitUsage;
    }
    const SpectrumLogSettings settings = SpectrumSettingsOfRange(start, stop, step);
    CLogFileDoc log;
    bool timeLimit = false; // said from inside an append: the loop ends after it
    if (log.CreateLog(kLogSpec, r.recNo, 0, [&] { timeLimit = true; }, &settings) == 1) {
        std::fprintf(stderr, "%s\n", kFailedSystemFolder);
        receivers.RunOneShot(r, MakeCommand(kS0));
        return kExitFailure;
    }
    std::fprintf(stderr, "Receiver %d (%s): %s\n", r.recNo + 1, r.port.c_str(), log.CurrentPath().c_str());
    SpectrumLogRange range;
    DecodeSpectrumHeader(BuildLogHeader(kLogSpec, r.recNo, 0, &settings).data(), range);
    CSpectrumHighest highestLevel(range);
    int completed = 0;
    PollLoopHandlers handlers;
    handlers.reply = [&](SessionReceiver&, const ReceiverReply& reply) {
        if (reply.kind != kF2)
            return true;
        const ReplySlot& f2 = reply.reply;
        const DataRow row = DecodeF2(f2.data());
        log.AppendRecord(row); // as the window keeps it: every point, in order
        highestLevel.FeedRecord(BuildLogRecord(0, row).data()); // read as every reader of the log reads it
        const int32_t khz = ReadReplyField(f2.data(), F2Field::Frequency);
        if (khz >= stop)
            ++completed;
        return !timeLimit && (sweeps < 1 || completed < sweeps);
    };
    const LoopEnd end = receivers.RunPollLoop(served, kProgrammeSpectrumScan, seconds, handlers);
    const bool lost = end == LoopEnd::AllLost;
    if (!lost && !receivers.RunOneShot(r, MakeCommand(kS0)))
        std::fprintf(stderr, "Receiver %d did not confirm the end of the scan.\n", r.recNo + 1);
    session.CloseAll();
    std::string where = log.CurrentPath();
    const bool delivered = !output.Claimed() || output.Deliver(log.CurrentPath(), where);
    if (lost) {
        std::fprintf(stderr, "Spectrum Scan was stopped due to the connection error. Log data was saved in %s.\n%s\n", where.c_str(), kMayStillBeScanning);
        return kExitFailure;
    }
    if (timeLimit)
        std::fprintf(stderr, "Time Limit Exceeded. Spectrum Scan was stopped. (7 days)\n");
    if (!delivered)
        return kExitFailure;
    if (csv) {
        std::printf("frequency_mhz,level_dbuv\n");
        for (std::size_t i = 0; i < range.Points(); ++i) {
            const int khz = range.KhzOfPoint(i);
            std::printf("%d.%03d,%d\n", khz / 1000, khz % 1000, highestLevel.Levels()[i]);
        }
    }
    return end == LoopEnd::OutputFailed ? kExitFailure : kExitOk;
}

} // namespace

int CmdScan(const std::vector<std::string>& args)
{
    const std::vector<std::string> rest(args.empty() ? args.end() : args.begin() + 1, args.end());
    if (!args.empty() && args[0] == "channel")
        return ScanChannel(rest);
    if (!args.empty() && args[0] == "spectrum")
        return ScanSpectrum(rest);
    Usage();
    return SpectrumUsage();
}

} // namespace zr::cli
