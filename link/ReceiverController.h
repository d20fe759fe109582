#pragma once
// The receivers of one connection as the window and the command line serve
// them: the session, which receivers are served and with which poll
// programme, the pacing of their polls, scan starts and stops, lost receivers
// and their return. It takes the links' events on its owner's thread and
// reports what changed to one listener; it has no window and no timer of its
// own, so the command line and the tests drive it as the window does.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/Commands.h"
#include "link/LinkEvents.h"
#include "link/PollPacer.h"
#include "link/PollProgramme.h"
#include "link/ReceiverReply.h"
#include "link/ReceiverRow.h"
#include "link/ReceiverSession.h"

namespace zr {

class CReceiverRecovery;

// The time the pacing runs on and the one wake-up it asks for. The window
// gives it a timer of its event loop, the command line its own wait, the
// tests a clock they move by hand.
class IPacingClock {
public:
    virtual ~IPacingClock() = default;
    virtual int64_t Now() = 0; // 100-ns units
    // Call OnWake in `wait` (100-ns units) from now, instead of any wake-up
    // asked for before; negative: no wake-up.
    virtual void WakeIn(int64_t wait) = 0;
};

// What the controller reports, on its owner's thread. A listener may call
// back into the controller (stop, disconnect) from any of these.
class IReceiverListener {
public:
    virtual ~IReceiverListener() = default;
    // Every identification of Connect has ended; `rows` in number order
    // (empty: no receiver answered). The numbered ones are served idle.
    virtual void Connected(const std::vector<StateRecord>& rows) { (void)rows; }
    // A receiver's table row: from an F0 or F4 reply, or a state shown at once.
    virtual void RowChanged(int recNo, const std::string& port, const StateRecord& row) { (void)recNo, (void)port, (void)row; }
    // The state character of a served receiver's replies means another mode.
    virtual void ModeChanged(int recNo, int32_t mode) { (void)recNo, (void)mode; }
    // An answered poll of a served receiver, after its row.
    virtual void Replied(const ReceiverReply& reply) { (void)reply; }
    // A scan start or stop ended (acknowledged or not); for a served
    // receiver its programme has followed already.
    virtual void OneShotDone(int recNo, int kind, bool acknowledged) { (void)recNo, (void)kind, (void)acknowledged; }
    // A served receiver stopped answering: no longer served, its row says
    // "Comm Error". `recovering`: it is being asked again and comes back
    // through ReceiverBack. Its link closes after this returns.
    virtual void ReceiverLost(SessionReceiver& r, bool recovering) { (void)r, (void)recovering; }
    virtual void ReceiverBack(SessionReceiver& r) { (void)r; }
};

class CReceiverController {
public:
    CReceiverController(ILinkEventSink* events, IPacingClock& clock, IReceiverListener& listener);
    ~CReceiverController();
    CReceiverController(const CReceiverController&) = delete;
    CReceiverController& operator=(const CReceiverController&) = delete;

    // Opens every adapter and starts identifying; Connected follows once
    // all have reported. Returns how many opened (0: nothing follows).
    int Connect();
    bool Connecting() const { return m_connecting; }
    // Stops serving and closes every link; each goes with its LinkClosed.
    void Disconnect();

    // Every link event of this controller's session goes through here.
    void HandleEvent(const LinkEvent& event);
    // The pacing's wake-up: polls the served receivers that are due.
    void OnWake();

    // Starts serving a receiver with `programme` (its polls as well).
    void Serve(SessionReceiver& r, const PollProgramme& programme);
    // No more polls for it until served or programmed again.
    void StopServing(int recNo);
    // Switches a served receiver's programme: pacing stopped, the link
    // reprogrammed, the programme's row state shown, pacing restarted.
    void SetProgramme(int recNo, const PollProgramme& programme);
    void SetProgrammeOfAll(const PollProgramme& programme);
    // A scan start or stop: polls pause until its OneShotDone. False when
    // the receiver is not there (or not served, with `onlyWhenServed`).
    bool StartOneShot(int recNo, const CommandDesc& command, bool onlyWhenServed);

    // While on, a lost receiver is asked again (every second on its port,
    // then on the free ones) until it answers as itself; `report` hears each
    // loss, return and stranger as a line.
    void StartRecovery(std::function<void(const std::string&)> report);
    // Receivers still away stay lost; no more attempts.
    void StopRecovery();
    bool RecoveryPending() const;

    bool IsServed(int recNo) const;
    int ServedCount() const;
    int64_t PollPeriod() const { return m_pacer.Period(); }
    CReceiverLink* LinkOf(int recNo) const { return m_session.LinkOf(recNo); }
    CReceiverSession& Session() { return m_session; }
    const CReceiverSession& Session() const { return m_session; }

    // While recovering, the wake-ups come at least this often.
    static constexpr int64_t kRecoveryTick = 250 * 10000;

private:
    struct Slot {
        bool served = false;
        bool paced = false;
        int32_t lastMode = kModeUnavailable;
        const PollProgramme* programme = &kProgrammeIdle;
    };
    Slot* SlotOf(int recNo);
    void StartPacing(int recNo, int periodMs);
    void KillPacing(int recNo);
    void Schedule();
    void ShowRowState(CReceiverLink& link, char state);
    void ReportRowFromF0(CReceiverLink& link);
    void OnIdentifyDone(const LinkEvent& event);
    void OnPollReply(CReceiverLink& link, const LinkEvent& event);
    void OnPollFailed(CReceiverLink& link);
    void OnOneShotResult(CReceiverLink& link, int kind, bool acknowledged);
    void OnReceiverBack(SessionReceiver& r);

    CReceiverSession m_session;
    IPacingClock& m_clock;
    IReceiverListener& m_listener;
    CPollPacer m_pacer;
    std::array<Slot, kMaxReceivers> m_slots{};
    bool m_connecting = false;
    std::unique_ptr<CReceiverRecovery> m_recovery;
};

// The pacing clock of a caller that waits on a link event queue itself (the
// command line): the wake-up is a deadline its loop waits until.
class CDeadlineClock : public IPacingClock {
public:
    int64_t Now() override { return PacingNow(); }
    void WakeIn(int64_t wait) override { m_wakeAt = wait < 0 ? -1 : PacingNow() + wait; }
    // The wake-up asked for, in PacingNow's units; -1 for none.
    int64_t WakeAt() const { return m_wakeAt; }

private:
    int64_t m_wakeAt = -1;
};

} // namespace zr
