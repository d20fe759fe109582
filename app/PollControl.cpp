// The main view's polling: pacing, poll programmes, replies, one-shots and lost receivers.
#include "app/MaintenanceView.h"

#include "info/FwVerDlg.h"
#include "info/IdDlg.h"
#include "link/Commands.h"
#include "link/ReplyFields.h"
#include "publish/LiveFeed.h"
#include "ui/ToolWindow.h"

namespace zr {

// ---- Pacing and poll programmes --------------------------------------------

// The pacing rule runs on 10 ms ticks, but the window only wakes for the
// ticks at which some receiver's poll falls due (and for a new receiver's
// first tick): sixteen receivers at 100 ms need ten wake-ups a second, not
// sixteen hundred.
void CZRQ6930_MaintenanceView::StartPacing(int recNo, int periodMs)
{
    if (recNo < 0 || recNo >= kMaxReceivers)
        return;
    m_pacer.Restart(recNo, periodMs);
    m_slots[static_cast<std::size_t>(recNo)].paced = true;
    SchedulePacing();
}

void CZRQ6930_MaintenanceView::KillPacing(int recNo)
{
    if (recNo < 0 || recNo >= kMaxReceivers)
        return;
    m_slots[static_cast<std::size_t>(recNo)].paced = false;
    SchedulePacing();
}

void CZRQ6930_MaintenanceView::SchedulePacing()
{
    std::vector<int> paced;
    for (int n = 0; n < kMaxReceivers; ++n)
        if (m_slots[static_cast<std::size_t>(n)].paced)
            paced.push_back(n);
    const int64_t wait = m_pacer.NextWait(paced, PacingNow());
    if (wait < 0) {
        m_pacingTimer.stop();
        return;
    }
    const int ms = static_cast<int>(std::max<int64_t>(1, (wait + 9999) / 10000));
    if (m_pacingTimer.isActive() && m_pacingTimer.remainingTime() <= ms)
        return;
    m_pacingTimer.start(ms);
}

void CZRQ6930_MaintenanceView::OnPacingTick()
{
    const int64_t now = PacingNow();
    for (int n = 0; n < kMaxReceivers; ++n)
        if (m_slots[static_cast<std::size_t>(n)].paced && m_pacer.Tick(n, now))
            if (CReceiverLink* link = LinkOf(n))
                link->TriggerPoll();
    SchedulePacing();
}

void CZRQ6930_MaintenanceView::SetPollProgramme(CReceiverLink* link, const PollProgramme& programme)
{
    const int recNo = link->RecNo;
    KillPacing(recNo);
    ApplyPollProgramme(*link, programme);
    if (programme.rowState)
        SetRowState(link, programme.rowState);
    StartPacing(recNo, programme.periodMs);
}

void CZRQ6930_MaintenanceView::SetPollProgrammeOfAll(const PollProgramme& programme)
{
    for (const SessionReceiver& r : m_session->Receivers())
        if (r.link && !r.stale && IsMonitored(r.link->RecNo))
            SetPollProgramme(r.link.get(), programme);
}

void CZRQ6930_MaintenanceView::SetRowState(CReceiverLink* link, char state)
{
    link->SetStoredState(state);
    UpdateRowFromF0(link);
}

void CZRQ6930_MaintenanceView::UpdateRowFromF0(CReceiverLink* link)
{
    StateRecord rec{};
    link->CopyReply(rec.data(), kF0);
    m_table->UpdateRow(rec, link->RecNo, true);
    if (m_live)
        m_live->Row(link->RecNo, link->PortName(), rec);
}

// ---- Poll results ----------------------------------------------------------

void CZRQ6930_MaintenanceView::OnPollReply(CReceiverLink* link, int kind)
{
    const int recNo = link->RecNo;
    if (recNo < 0 || recNo >= kMaxReceivers)
        return;
    ReceiverSlot& slot = m_slots[static_cast<std::size_t>(recNo)];
    ReceiverReply copy;
    copy.recNo = recNo;
    copy.kind = kind;
    copy.reply = link->Reply(kind);
    copy.state = link->Reply(kF0);
    if (kind == kF5)
        for (int n = 1; n <= kFbsFilterCount; ++n)
            copy.filters[static_cast<std::size_t>(n - 1)] = link->FbsRecord(n);
    const ReplySlot& reply = copy.reply;
    const int32_t mode = ReceiverModeFromState(ReplyChar(copy.state.data(), F0Field::State));
    if (mode != slot.lastMode) {
        slot.lastMode = mode;
        m_tools.ForwardMode(recNo, mode);
    }
    switch (kind) {
    case kF0:
        UpdateRowFromF0(link);
        break;
    case kF4: {
        // Recording goes on when a record is lost; the user hears of it once.
        const auto appended = m_recording && slot.monitored ? m_recorder.Append(recNo, reply.data()) : CBackgroundRecorder::kNotRecording;
        if (appended == CBackgroundRecorder::kFailedFirst)
            emit statusMessage(QString("Cannot write the Background Log of receiver %1: %2").arg(recNo + 1).arg(QString::fromStdString(m_recorder.Doc(recNo)->CurrentPath())));
        // A receiver busy with its own channel scan answers F4 with nothing:
        // its row says so rather than "Logging".
        const StateRecord row = ReplyChar(copy.state.data(), F0Field::State) == '5' ? WithState(StateRecordFromF4(reply.data()), '5') : StateRecordFromF4(reply.data());
        m_table->UpdateRow(row, recNo, true);
        if (m_live) {
            m_live->Row(recNo, link->PortName(), row);
            if (appended == CBackgroundRecorder::kAppended)
                m_live->Record(recNo, m_recorder.Doc(recNo)->LastRecordTime(), DecodeF4(reply.data()));
        }
        break;
    }
    default:
        break;
    }
    m_tools.ForwardReply(copy);
}

void CZRQ6930_MaintenanceView::StartOneShot(int recNo, const CommandDesc& command, bool onlyWhenMonitored)
{
    CReceiverLink* link = LinkOf(recNo);
    if (!link || (onlyWhenMonitored && !IsMonitored(recNo)))
        return;
    KillPacing(recNo); // no poll while the command runs; its result restarts the pacing
    link->StartOneShot(command);
}

void CZRQ6930_MaintenanceView::OnOneShotResult(CReceiverLink* link, int kind, bool acknowledged)
{
    const int recNo = link->RecNo;
    if (!IsMonitored(recNo))
        return;
    link->WaitTimeoutMs = kPollWaitMs;
    if (!acknowledged) {
        // The poll command stays; the tool's own start time-out tells the user.
        link->TriggerPoll();
        StartPacing(recNo, kIdlePeriodMs);
    } else {
        // A scan started or stopped: its programme follows the acknowledgement.
        const PollProgramme* programme = kind == kC1   ? &kProgrammeChannelScan
                                         : kind == kS1 ? &kProgrammeSpectrumScan
                                                       : &kProgrammeStopped;
        SetPollProgramme(link, *programme);
        link->TriggerPoll();
    }
    m_tools.ForwardOneShot(recNo, kind, acknowledged);
}

void CZRQ6930_MaintenanceView::OnPollFailed(CReceiverLink* link)
{
    const int recNo = link->RecNo;
    if (recNo < 0 || recNo >= kMaxReceivers)
        return;
    KillPacing(recNo);
    m_slots[static_cast<std::size_t>(recNo)].monitored = false;
    SetRowState(link, '1');
    if (m_live)
        m_live->Lost(recNo);
    if (!link->LastError().empty())
        emit statusMessage(QString::fromStdString(link->PortName() + ": " + link->LastError()));
    // While recording the receiver is asked again; its row keeps "Comm Error"
    // until it is back, and the recording goes on for the others meanwhile.
    SessionReceiver* away = m_recording && m_recovery ? m_session->Find(link->Id()) : nullptr;
    if (away) {
        m_recovery->Lost(*away);
        m_tools.ReceiverLost(recNo);
        UpdateToolButtons();
        link->Close();
        return;
    }
    const int selected = m_table->SelectedRow();
    if (selected >= 0 && m_table->ReceiverOfRow(selected) == recNo)
        for (QPushButton* b : m_toolButtons)
            b->setEnabled(false);
    const bool anyLeft = MonitoredCount() > 0;
    if (!anyLeft) {
        StopBackgroundLog(1);
        m_idDlg->hide();
        m_fwVerDlg->hide();
        Disconnect(1);
    }
    // The windows of this receiver stop and hide; ID View clears its row.
    m_tools.ReceiverLost(recNo);
    if (anyLeft)
        link->Close(); // the row keeps "Comm Error  "
}

void CZRQ6930_MaintenanceView::OnReceiverBack(SessionReceiver& r)
{
    const int recNo = r.recNo;
    if (recNo < 0 || recNo >= kMaxReceivers || !r.link)
        return;
    m_slots[static_cast<std::size_t>(recNo)].monitored = true;
    r.link->StartPolling();
    SetPollProgramme(r.link.get(), kProgrammeBackgroundLog); // its row shows its state again
    UpdateRowFromF0(r.link.get());
}

} // namespace zr
