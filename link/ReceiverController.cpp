#include "link/ReceiverController.h"

#include <algorithm>

#include "link/Commands.h"
#include "link/ReceiverRecovery.h"
#include "link/ReplyFields.h"

namespace zr {

CReceiverController::CReceiverController(ILinkEventSink* events, IPacingClock& clock, IReceiverListener& listener)
    : m_session(events), m_clock(clock), m_listener(listener)
{
}

CReceiverController::~CReceiverController()
{
    m_recovery.reset();
    m_session.DestroyAll();
}

CReceiverController::Slot* CReceiverController::SlotOf(int recNo)
{
    return recNo >= 0 && recNo < kMaxReceivers ? &m_slots[static_cast<std::size_t>(recNo)] : nullptr;
}

bool CReceiverController::IsServed(int recNo) const
{
    return recNo >= 0 && recNo < kMaxReceivers && m_slots[static_cast<std::size_t>(recNo)].served;
}

int CReceiverController::ServedCount() const
{
    return static_cast<int>(std::count_if(m_slots.begin(), m_slots.end(), [](const Slot& s) { return s.served; }));
}

// ---- Connection ----------------------------------------------------------------

int CReceiverController::Connect()
{
    const int opened = m_session.OpenAll();
    m_connecting = opened > 0;
    return opened;
}

void CReceiverController::Disconnect()
{
    m_connecting = false;
    m_session.CloseAll();
    for (Slot& s : m_slots)
        s.served = s.paced = false;
    Schedule();
}

void CReceiverController::OnIdentifyDone(const LinkEvent& event)
{
    if (m_recovery) {
        std::vector<SessionReceiver*> back;
        if (m_recovery->OnIdentifyDone(event, back)) {
            for (SessionReceiver* r : back)
                OnReceiverBack(*r);
            return;
        }
    }
    if (!m_session.OnIdentifyDone(event.link, event.ok) || !m_connecting)
        return;
    // Numbering once every identification has reported, on the owner's
    // thread, so nothing reads a link that a handler deletes.
    m_connecting = false;
    const std::vector<StateRecord> rows = m_session.Number();
    for (SessionReceiver& r : m_session.Receivers())
        if (!r.stale && r.link && r.recNo >= 0)
            Serve(r, kProgrammeIdle);
    m_listener.Connected(rows);
}

// ---- Serving and pacing -----------------------------------------------------------

void CReceiverController::Serve(SessionReceiver& r, const PollProgramme& programme)
{
    Slot* slot = SlotOf(r.recNo);
    if (!slot || !r.link)
        return;
    slot->served = true;
    r.link->StartPolling();
    ApplyPollProgramme(*r.link, programme);
    slot->programme = &programme;
    StartPacing(r.recNo, programme.periodMs);
}

void CReceiverController::StopServing(int recNo)
{
    if (Slot* slot = SlotOf(recNo))
        slot->served = false;
    KillPacing(recNo);
}

// The pacing rule runs on 10 ms ticks, but the clock only wakes the owner for
// the ticks at which some receiver's poll falls due (and for a new receiver's
// first tick): sixteen receivers at 100 ms need ten wake-ups a second, not
// sixteen hundred.
void CReceiverController::StartPacing(int recNo, int periodMs)
{
    Slot* slot = SlotOf(recNo);
    if (!slot)
        return;
    m_pacer.Restart(recNo, periodMs);
    slot->paced = true;
    Schedule();
}

void CReceiverController::KillPacing(int recNo)
{
    Slot* slot = SlotOf(recNo);
    if (!slot)
        return;
    slot->paced = false;
    Schedule();
}

void CReceiverController::Schedule()
{
    std::vector<int> paced;
    for (int n = 0; n < kMaxReceivers; ++n)
        if (m_slots[static_cast<std::size_t>(n)].paced)
            paced.push_back(n);
    int64_t wait = m_pacer.NextWait(paced, m_clock.Now());
    if (RecoveryPending())
        wait = wait < 0 ? kRecoveryTick : std::min(wait, kRecoveryTick);
    m_clock.WakeIn(wait);
}

void CReceiverController::OnWake()
{
    const int64_t now = m_clock.Now();
    std::vector<CReceiverLink*> due;
    for (int n = 0; n < kMaxReceivers; ++n)
        if (m_slots[static_cast<std::size_t>(n)].paced && m_pacer.Tick(n, now))
            if (CReceiverLink* link = LinkOf(n))
                due.push_back(link);
    CReceiverLink::TriggerPolls(due);
    if (m_recovery)
        m_recovery->Tick();
    Schedule();
}

void CReceiverController::SetProgramme(int recNo, const PollProgramme& programme)
{
    CReceiverLink* link = LinkOf(recNo);
    Slot* slot = SlotOf(recNo);
    if (!link || !slot)
        return;
    KillPacing(recNo);
    ApplyPollProgramme(*link, programme);
    slot->programme = &programme;
    if (programme.rowState)
        ShowRowState(*link, programme.rowState);
    StartPacing(recNo, programme.periodMs);
}

void CReceiverController::SetProgrammeOfAll(const PollProgramme& programme)
{
    for (const SessionReceiver& r : m_session.Receivers())
        if (r.link && !r.stale && IsServed(r.link->RecNo))
            SetProgramme(r.link->RecNo, programme);
}

void CReceiverController::ShowRowState(CReceiverLink& link, char state)
{
    link.SetStoredState(state);
    ReportRowFromF0(link);
}

void CReceiverController::ReportRowFromF0(CReceiverLink& link)
{
    StateRecord row{};
    link.CopyReply(row.data(), kF0);
    m_listener.RowChanged(link.RecNo, link.PortName(), row);
}

// ---- Link events ---------------------------------------------------------------------

void CReceiverController::HandleEvent(const LinkEvent& event)
{
    switch (event.type) {
    case LinkEventType::IdentifyDone:
        OnIdentifyDone(event);
        return;
    case LinkEventType::LinkClosed:
        m_session.OnLinkClosed(event.link);
        return;
    case LinkEventType::PollReply:
        if (CReceiverLink* link = m_session.FindLink(event.link))
            OnPollReply(*link, event);
        return;
    case LinkEventType::PollFailed:
        if (CReceiverLink* link = m_session.FindLink(event.link))
            OnPollFailed(*link);
        return;
    case LinkEventType::OneShotResult:
        if (CReceiverLink* link = m_session.FindLink(event.link))
            OnOneShotResult(*link, event.kind, event.ok);
        return;
    }
}

void CReceiverController::OnPollReply(CReceiverLink& link, const LinkEvent& event)
{
    const int recNo = link.RecNo;
    Slot* slot = SlotOf(recNo);
    if (!slot || !slot->served)
        return;
    ReceiverReply copy;
    copy.recNo = recNo;
    copy.kind = event.kind;
    copy.reply = event.reply;
    copy.state = event.state;
    if (event.kind == kF5)
        for (int n = 1; n <= kFbsFilterCount; ++n)
            copy.filters[static_cast<std::size_t>(n - 1)] = link.FbsRecord(n);
    const uint8_t state = ReplyChar(copy.state.data(), F0Field::State);
    const int32_t mode = ReceiverModeFromState(state);
    if (mode != slot->lastMode) {
        slot->lastMode = mode;
        m_listener.ModeChanged(recNo, mode);
    }
    if (event.kind == kF0) {
        m_listener.RowChanged(recNo, link.PortName(), StateRecordFromF0(copy.reply.data()));
    } else if (event.kind == kF4) {
        // A receiver busy with its own channel scan answers F4 with nothing:
        // its row says so rather than "Logging".
        const StateRecord row = StateRecordFromF4(copy.reply.data());
        m_listener.RowChanged(recNo, link.PortName(), state == '5' ? WithState(row, '5') : row);
    }
    m_listener.Replied(copy);
}

bool CReceiverController::StartOneShot(int recNo, const CommandDesc& command, bool onlyWhenServed)
{
    CReceiverLink* link = LinkOf(recNo);
    if (!link || (onlyWhenServed && !IsServed(recNo)))
        return false;
    KillPacing(recNo); // no poll while the command runs; its result restarts the pacing
    link->StartOneShot(command);
    return true;
}

void CReceiverController::OnOneShotResult(CReceiverLink& link, int kind, bool acknowledged)
{
    const int recNo = link.RecNo;
    link.WaitTimeoutMs = kPollWaitMs;
    if (IsServed(recNo)) {
        if (!acknowledged) {
            // The poll command stays; the tool's own start time-out tells the user.
            link.TriggerPoll();
            StartPacing(recNo, kIdlePeriodMs);
        } else {
            // A scan started or stopped: its programme follows the acknowledgement.
            const PollProgramme& programme = kind == kC1 ? kProgrammeChannelScan : kind == kS1 ? kProgrammeSpectrumScan : kProgrammeStopped;
            SetProgramme(recNo, programme);
            link.TriggerPoll();
        }
    }
    m_listener.OneShotDone(recNo, kind, acknowledged);
}

// ---- Lost receivers ---------------------------------------------------------------------

void CReceiverController::OnPollFailed(CReceiverLink& link)
{
    const int recNo = link.RecNo;
    Slot* slot = SlotOf(recNo);
    SessionReceiver* r = m_session.Find(link.Id());
    if (!slot || !r || !slot->served)
        return;
    const LinkId id = link.Id();
    StopServing(recNo);
    ShowRowState(link, '1');
    const bool recovering = m_recovery != nullptr;
    if (recovering)
        m_recovery->Lost(*r);
    m_listener.ReceiverLost(*r, recovering);
    // The listener may have disconnected meanwhile: the link is looked up again.
    if (CReceiverLink* still = m_session.FindLink(id))
        still->Close();
    Schedule();
}

void CReceiverController::OnReceiverBack(SessionReceiver& r)
{
    Slot* slot = SlotOf(r.recNo);
    if (!slot || !r.link)
        return;
    Serve(r, *slot->programme);
    if (slot->programme->rowState)
        ShowRowState(*r.link, slot->programme->rowState);
    ReportRowFromF0(*r.link); // its row shows its state again
    m_listener.ReceiverBack(r);
}

void CReceiverController::StartRecovery(std::function<void(const std::string&)> report)
{
    m_recovery = std::make_unique<CReceiverRecovery>(m_session, std::move(report));
}

void CReceiverController::StopRecovery()
{
    if (m_recovery)
        m_recovery->Abandon(); // a receiver still away stays "Comm Error"
    m_recovery.reset();
    Schedule();
}

bool CReceiverController::RecoveryPending() const
{
    return m_recovery && m_recovery->Pending();
}

} // namespace zr
