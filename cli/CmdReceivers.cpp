// list, identify and monitor.
#include <algorithm>
#include <cerrno>
#ifndef _WIN32
#include <unistd.h>
#endif
#include <cmath>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "cli/CliCommon.h"
#include "platform/SerialPort.h"
#include "link/Commands.h"
#include "link/PollPacer.h"
#include "link/PollProgramme.h"
#include "cli/PollLoop.h"
#include "cli/Publishing.h"
#include "link/ReceiverSession.h"
#include "link/ReplyFields.h"
#include "link/ToolFacts.h"
#include "link/UsbSerialFtdi.h"
#include "publish/ReceiverJson.h"

namespace zr::cli {

namespace {

bool HasFlag(const std::vector<std::string>& args, const char* flag)
{
    return std::find(args.begin(), args.end(), flag) != args.end();
}

} // namespace

int CmdList(const std::vector<std::string>& args)
{
    if (!args.empty()) {
        std::fprintf(stderr, "usage: zrq6930 list\n");
        return kExitUsage;
    }
    CUSBSerialFTDI::DeviceList devices;
    CUSBSerialFTDI::EnumerateDevices(devices);
    for (const auto& d : devices) {
        // A port this user may not open is named as such, with the usual fix.
        // So is a port another program holds.
        std::string note;
#ifndef _WIN32 // Windows grants COM ports to every user; who holds one it does not say
        if (::access(d.portName.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
            note = "\tpermission denied (join the dialout group)";
        else if (const int holder = PortHolderProcess(d.portName); holder > 0)
            note = "\t" + std::string(kPortHeldText) + " (PID " + std::to_string(holder) + ")";
#endif
        std::printf("%s\t%s\t%s%s\n", d.portName.c_str(), d.manufacturer.c_str(), d.deviceDesc.c_str(), note.c_str());
    }
    return kExitOk;
}

int CmdIdentify(const std::vector<std::string>& args)
{
    const bool json = HasFlag(args, "--json");
    if (args.size() != (json ? 1u : 0u)) {
        std::fprintf(stderr, "usage: zrq6930 identify [--json]\n");
        return kExitUsage;
    }
    CCliReceivers receivers;
    CReceiverSession& session = receivers.Session();
    session.OpenAll();
    const int count = session.IdentifyAll(receivers.Queue());
    for (SessionReceiver* r : InNumberOrder(session)) {
        const ReplySlot f0 = r->link->Reply(kF0);
        const ReplySlot m0 = r->link->Reply(kM0);
        const std::string model = ReplyFieldText(m0.data(), M0Field::Model);
        const std::string band = BandCodeFromModel(m0.data());
        const int32_t freq = ReadReplyField(f0.data(), F0Field::Frequency, 0);
        const std::string state = ReplyFieldText(f0.data(), F0Field::State);
        const std::string bank = ReplyFieldText(f0.data(), F0Field::Bank);
        const std::string channel = ReplyFieldText(f0.data(), F0Field::Channel);
        std::string versions[3];
        for (int v = 0; v < 3; ++v)
            versions[v] = VersionCellText(r->link->Reply(kV0 + v).data(), true);
        if (json) {
            std::printf("{\"no\": %d, \"port\": %s, \"model\": %s, \"band\": %s, \"state\": %s, \"bank\": %s, \"channel\": %s, "
                        "\"frequency_khz\": %d, \"cpu\": %s, \"dsp\": %s, \"fpga\": %s}\n",
                        r->recNo + 1, JsonString(r->port).c_str(), JsonString(model).c_str(), JsonString(band).c_str(),
                        JsonString(state).c_str(), JsonString(bank).c_str(), JsonString(channel).c_str(),
                        freq, JsonString(versions[0]).c_str(), JsonString(versions[1]).c_str(), JsonString(versions[2]).c_str());
        } else {
            std::printf("%2d  %-20s  %s %-3s  state %s  bank %s  channel %s  %d kHz  CPU %s  DSP %s  FPGA %s\n", r->recNo + 1, r->port.c_str(),
                        model.c_str(), band.c_str(), state.c_str(), bank.c_str(), channel.c_str(), freq,
                        versions[0].c_str(), versions[1].c_str(), versions[2].c_str());
        }
    }
    for (auto& r : session.Receivers()) {
        if (r.recNo >= 0)
            continue;
        const std::string why = !r.error.empty() ? r.error : r.identified ? "not numbered (more than 16 receivers)" : "not identified";
        if (json)
            std::printf("{\"port\": %s, \"error\": %s}\n", JsonString(r.port).c_str(), JsonString(why).c_str());
        else
            std::printf("    %-20s  %s\n", r.port.c_str(), why.c_str());
    }
    std::fflush(stdout);
    if (count == 0) {
        std::fprintf(stderr, "%s\n", kNoReceiverText);
        return kExitUsage;
    }
    return kExitOk;
}

int CmdMonitor(const std::vector<std::string>& givenArgs)
{
    std::vector<std::string> args = givenArgs;
    CCliPublishing publishing;
    if (!publishing.TakeOptions("monitor", args))
        return kExitUsage;
    bool json = false;
    double seconds = -1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--seconds" && i + 1 < args.size()) {
            if (!ParseAmount(args[++i], HUGE_VAL, seconds)) {
                std::fprintf(stderr, "zrq6930 monitor: --seconds takes a number of seconds, 0 or more\n");
                return kExitUsage;
            }
        } else {
            std::fprintf(stderr, "usage: zrq6930 monitor [--seconds N] [--json] [--publish ADDRESS [--site NAME] [--ca-file F]]\n%s", PublishUsage());
            return kExitUsage;
        }
    }
    InstallStopHandlers();
    CCliReceivers receivers;
    CReceiverSession& session = receivers.Session();
    if (!receivers.OpenAndIdentify())
        return kExitUsage;
    if (!publishing.Start("monitor"))
        return kExitUsage;
    CLiveFeed* const live = publishing.Feed();
    std::vector<SessionReceiver*> monitored = InNumberOrder(session);
    std::vector<RowTexts> shown(kMaxReceivers);
    if (!json) {
        std::printf("%-3s %-4s %-7s %-11s %-10s %-4s %-3s %-9s %s\n", "No.", "Bank", "Channel", "Freq.[MHz]", "Encryption", "Code", "FBS", "EQ", "Status");
        std::fflush(stdout);
    }
    auto print = [&](const SessionReceiver& r, const RowTexts& t, int32_t frequencyKhz) {
        if (json) {
            std::printf("{%s}\n", ReceiverRowFields(t, r.port, frequencyKhz).c_str());
        } else {
            std::printf("%-3s %-4s %-7s %-11s %-10s %-4s %-3s %-9s %s\n", t[0].c_str(), t[1].c_str(), t[2].c_str(), t[3].c_str(), t[4].c_str(),
                        t[5].c_str(), t[6].c_str(), t[7].c_str(), t[8].c_str());
        }
        std::fflush(stdout);
    };
    PollLoopHandlers handlers;
    handlers.reply = [&](SessionReceiver& r, const ReceiverReply& reply) {
        if (reply.kind != kF0)
            return true;
        const StateRecord rec = StateRecordFromF0(reply.reply.data());
        RowTexts t = FormatReceiverRow(rec, r.recNo);
        if (live)
            live->Row(r.recNo, r.port, rec);
        if (t != shown[static_cast<std::size_t>(r.recNo)]) {
            shown[static_cast<std::size_t>(r.recNo)] = t;
            print(r, t, ShownFrequencyKhz(rec, t));
        }
        return true;
    };
    handlers.lost = [&](SessionReceiver& r) {
        StateRecord rec{};
        r.link->CopyReply(rec.data(), kF0);
        print(r, FormatReceiverRow(WithState(rec, '1'), r.recNo), 0);
        if (live)
            live->Lost(r.recNo);
        if (!r.link->LastError().empty())
            std::fprintf(stderr, "%s: %s\n", r.port.c_str(), r.link->LastError().c_str());
    };
    const LoopEnd end = receivers.RunPollLoop(monitored, kProgrammeIdle, seconds, handlers);
    session.CloseAll();
    publishing.Finish();
    if (end == LoopEnd::OutputFailed)
        return kExitFailure; // main tells why
    if (end == LoopEnd::AllLost) {
        std::fprintf(stderr, "All receivers lost.\n");
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace zr::cli
