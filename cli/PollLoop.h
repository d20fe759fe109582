#pragma once
// The command line's receivers: the receiver controller the window uses,
// driven by a loop that waits on the links' events and the pacing's
// deadline instead of a window's timers and message loop.
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/LinkEventQueue.h"
#include "link/PollProgramme.h"
#include "link/ReceiverController.h"

namespace zr::cli {

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

struct PollLoopHandlers {
    // An answered poll of a served receiver; false ends the loop.
    std::function<bool(SessionReceiver&, const ReceiverReply&)> reply;
    // A served receiver stopped answering; it is dropped and closed after this.
    std::function<void(SessionReceiver&)> lost;
    // Where given, a lost receiver is asked again until it is back (then it
    // is served again, `report` hears each loss and return) and the loop does
    // not end while one may come back.
    std::function<void(const std::string&)> recovery;
};

enum class LoopEnd { Stopped, TimeUp, AllLost, ByHandler, OutputFailed };

class CCliReceivers : private IReceiverListener {
public:
    CCliReceivers() : m_controller(&m_queue, m_clock, *this) {}

    CReceiverSession& Session() { return m_controller.Session(); }
    CLinkEventQueue& Queue() { return m_queue; }

    // Opens every adapter and identifies the receivers; false (after "No
    // receiver connected.") when none answered.
    bool OpenAndIdentify();
    // Sends one scan start or stop to a receiver and waits for its answer (at
    // most a few seconds); true when the receiver acknowledged it.
    bool RunOneShot(SessionReceiver& r, const CommandDesc& command);
    // Serves every receiver of `served` with `programme` and runs until
    // Ctrl+C or SIGTERM, `seconds` (negative: no limit), no receiver left, a
    // handler's end, or a failed standard output. Polls stop at the end.
    LoopEnd RunPollLoop(std::vector<SessionReceiver*>& served, const PollProgramme& programme, double seconds, const PollLoopHandlers& handlers);
    // Some receiver is still away after a recovering loop.
    bool RecoveryPending() const { return m_recoveryPending; }

private:
    void Replied(const ReceiverReply& reply) override;
    void OneShotDone(int recNo, int kind, bool acknowledged) override;
    void ReceiverLost(SessionReceiver& r, bool recovering) override;
    void ReceiverBack(SessionReceiver& r) override;
    // Takes the events that come until `deadline` (at most), handling each.
    void HandleEventsUntil(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& done);

    CLinkEventQueue m_queue;
    CDeadlineClock m_clock;
    CReceiverController m_controller;
    // The loop running now, and what its handlers said.
    const PollLoopHandlers* m_handlers = nullptr;
    std::vector<SessionReceiver*>* m_served = nullptr;
    bool m_endedByHandler = false;
    bool m_recoveryPending = false;
    // The one-shot waited for.
    int m_oneShotRecNo = -1;
    std::optional<bool> m_oneShotAcknowledged;
};

} // namespace zr::cli
