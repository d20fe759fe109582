#pragma once
// The command line's stand-in for the window's timers and message loop: paces
// the served receivers' polls and hands their messages to the command.
#include <functional>
#include <vector>

#include "link/MessageQueue.h"
#include "link/PollPacer.h"
#include "link/PollProgramme.h"
#include "link/ReceiverSession.h"

namespace zr {
class CReceiverRecovery;
}

namespace zr::cli {

// Opens every adapter and identifies the receivers; false (after "No receiver
// connected.") when none answered.
bool OpenAndIdentify(CReceiverSession& session, CMessageQueue& queue);
// The identified and numbered receivers in number order.
std::vector<SessionReceiver*> InNumberOrder(CReceiverSession& session);

// Parses a number of `what` (seconds, hours) from 0 to `max`; false on
// anything else (not a number, negative, infinite, NaN).
bool ParseAmount(const std::string& text, double max, double& out);

// "--rx N": a receiver number 1 to 16 as a RecNo; false (with the command's
// message) for anything else.
bool ParseReceiverOption(const char* command, const std::string& text, std::vector<int>& recNos);
// The receivers asked for (all numbered ones when none were), in number
// order; false (with the command's message) when one of them is not there.
bool SelectReceivers(const char* command, CReceiverSession& session, const std::vector<int>& wanted, std::vector<SessionReceiver*>& out);

// Sends one scan start or stop to a receiver and waits for its answer (at
// most a few seconds); true when the receiver acknowledged it.
bool RunOneShot(CReceiverSession& session, CMessageQueue& queue, SessionReceiver& r, const CommandDesc& command);

struct PollLoopHandlers {
    // An answered poll of a served receiver; false ends the loop.
    std::function<bool(SessionReceiver&, int kind)> reply;
    // A served receiver stopped answering; it is dropped and closed after this.
    std::function<void(SessionReceiver&)> lost;
    // Any other message (the log writer's time limit); false ends the loop.
    std::function<bool(const AppMessage&)> other;
    // Where given, a lost receiver is asked again until it is back (then it
    // is served again) and the loop does not end while one may come back.
    CReceiverRecovery* recovery = nullptr;
};

enum class LoopEnd { Stopped, TimeUp, AllLost, ByHandler, OutputFailed };

// Starts polling every receiver of `served` with `programme` and runs until
// Ctrl+C or SIGTERM, `seconds` (negative: no limit), no receiver left, a
// handler's end, or a failed standard output.
LoopEnd RunPollLoop(CReceiverSession& session, CMessageQueue& queue, std::vector<SessionReceiver*>& served, const PollProgramme& programme,
                    double seconds, const PollLoopHandlers& handlers);

} // namespace zr::cli
