#include "app/MaintenanceView.h"

#include "publish/LiveFeed.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QTimer>
#include <QTimerEvent>
#include <QVBoxLayout>

#include "ui/MessageBox.h"
#include "app/SleepInhibitor.h"
#include "info/FbsDlg.h"
#include "scan/ChScanDlg.h"
#include "scan/FrequencyPlanDlg.h"
#include "scan/SpScanDlg.h"
#include "walk/WalkDlg.h"
#include "info/FwVerDlg.h"
#include "info/IdDlg.h"
#include "link/AppMessages.h"
#include "link/Commands.h"
#include "link/ReplyFields.h"
#include "link/ToolFacts.h"
#include "logs/gui/LoadingFileDlg.h"
#include "logs/gui/LogConvertDlg.h"
#include "logs/LogReader.h"
#include "platform/Process.h"
#include "publish/LiveFeed.h"

namespace zr {

namespace {

constexpr char kRecordingRunning[] = "Background Log recording is running.";
constexpr char kQuitQuestion[] = "Do you quit this program?";

QString LabelStyle(const char* background)
{
    return QString("QLabel { color: white; background-color: %1; }").arg(background);
}

} // namespace

CZRQ6930_MaintenanceView::CZRQ6930_MaintenanceView(bool detailMode, QWidget* parent) : QWidget(parent), m_detailMode(detailMode)
{
    setObjectName("maintenanceView");
    m_owner = std::make_unique<CQtMessageOwner>([this](uint32_t m, uintptr_t w, intptr_t l) { return HandleAppMessage(m, w, l); });
    m_session = std::make_unique<CReceiverSession>(m_owner.get());
    m_sleepInhibitor = std::make_unique<CSleepInhibitor>([this] { HandleAppMessage(WM_APP_POWER_RESUMED, 0, 0); });

    // First layout: high priority where permitted, the form, the owned windows.
    RaiseProcessPriority();
    m_table = new CListCtrlMain(this);
    m_connectButton = new QPushButton("Connect", this);
    m_connectButton->setObjectName("connectButton");
    const char* toolNames[kToolButtonCount] = {"Walk-Test", "Channel Scan", "Spectrum Scan", "FBS Detail"};
    for (int i = 0; i < kToolButtonCount; ++i) {
        const int id = kIdWalkButton + i;
        QPushButton* b = new QPushButton(toolNames[i], this);
        m_toolButtons[static_cast<std::size_t>(i)] = b;
        b->setObjectName(QString("toolButton%1").arg(id));
        connect(b, &QPushButton::clicked, this, [this, id] { OnToolButton(id); });
    }
    m_loggingLabel = new QLabel("Logging", this);
    m_loggingLabel->setAlignment(Qt::AlignCenter);
    m_loggingLabel->setStyleSheet(LabelStyle("rgb(255,192,0)"));
    m_loggingLabel->setMinimumWidth(110);
    m_loggingLabel->hide();
    m_connectionLabel = new QLabel(this);
    m_connectionLabel->setAlignment(Qt::AlignCenter);
    m_connectionLabel->setMinimumWidth(110);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_connectButton);
    for (QPushButton* b : m_toolButtons)
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(m_loggingLabel);
    buttons->addWidget(m_connectionLabel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);

    m_loadingDlg = new CLoadingFileDlg(this);
    m_convertDlg = new CLogConvertDlg(m_owner.get(), this);
    m_fwVerDlg = new CFwVerDlg(detailMode, this);
    m_idDlg = new CIdDlg(m_owner.get(), this);
    m_fbsDlg = new CFbsDlg(m_owner.get(), this);
    m_chScanDlg = new CChScanDlg(m_owner.get(), this);
    m_spScanDlg = new CSpScanDlg(m_owner.get(), this);
    m_spLogViewer = new CSpScanDlg(m_owner.get(), this);
    m_spLogViewer->SetViewerMode();
    m_walkDlg = new CWalkDlg(m_owner.get(), this, kWalkLive);
    m_walkLogViewer = new CWalkDlg(m_owner.get(), this, kWalkLogViewer);
    m_bgLogViewer = new CWalkDlg(m_owner.get(), this, kBackgroundLogViewer);
    m_timeDomainViewer = new CWalkDlg(m_owner.get(), this, kTimeDomainViewer);
    m_planDlg = new CFrequencyPlanDlg(this);
    connect(m_spLogViewer, &CSpScanDlg::frequencyPlanRequested, this, &CZRQ6930_MaintenanceView::ShowFrequencyPlan);
    // The tools close in this order, then the information windows. The log
    // viewers serve no receiver.
    m_tools.Register(m_walkDlg, CToolHost::Role::Tool, true);
    m_tools.Register(m_spScanDlg, CToolHost::Role::Tool, true);
    m_tools.Register(m_chScanDlg, CToolHost::Role::Tool, true);
    m_tools.Register(m_fbsDlg, CToolHost::Role::Information, true);
    m_tools.Register(m_idDlg, CToolHost::Role::Information, true);
    m_tools.Register(m_fwVerDlg, CToolHost::Role::Information, false);
    m_convertDlg->SetProgressSink([dlg = m_loadingDlg](uint64_t blocks) { dlg->ReportBlocks(blocks); });

    SetConnectionLabel(false);
    for (QPushButton* b : m_toolButtons)
        b->setEnabled(false);
    m_table->SetupColumns();
    m_table->setMinimumHeight(m_table->HeightForRows(kMaxReceivers)); // every receiver without scrolling
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &CZRQ6930_MaintenanceView::OnSelectionChanged);
    connect(m_connectButton, &QPushButton::clicked, this, &CZRQ6930_MaintenanceView::OnConnectButton);
    m_pacingTimer.setSingleShot(true);
    m_pacingTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pacingTimer, &QTimer::timeout, this, &CZRQ6930_MaintenanceView::OnPacingTick);
    connect(&m_recoveryTimer, &QTimer::timeout, this, [this] {
        if (m_recovery)
            m_recovery->Tick();
    });
    setMinimumSize(760, 380);
}

CZRQ6930_MaintenanceView::~CZRQ6930_MaintenanceView()
{
    // A running conversion still talks to this view: let it finish first.
    delete m_convertDlg;
    m_convertDlg = nullptr;
    // The windows post to the message owner as they go: before it goes. The
    // log viewer first: a load it runs ends talking to this view.
    for (QWidget* viewer : std::initializer_list<QWidget*>{m_planDlg, m_spLogViewer, m_walkLogViewer, m_bgLogViewer, m_timeDomainViewer})
        delete viewer;
    m_tools.DeleteAll();
    m_session->DestroyAll();
}

QPushButton* CZRQ6930_MaintenanceView::ToolButton(int button) const
{
    const int i = button - kIdWalkButton;
    return i >= 0 && i < kToolButtonCount ? m_toolButtons[static_cast<std::size_t>(i)] : nullptr;
}

void CZRQ6930_MaintenanceView::SetConnectionLabel(bool connected)
{
    m_connectionLabel->setText(connected ? "Connected" : "Disconnected");
    m_connectionLabel->setStyleSheet(LabelStyle(connected ? "rgb(0,255,0)" : "rgb(255,0,0)"));
}

intptr_t CZRQ6930_MaintenanceView::HandleAppMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    switch (msg) {
    case WM_APP_IDENTIFY_DONE: {
        std::vector<SessionReceiver*> back;
        if (m_recovery && m_recovery->OnMessage({msg, wParam, lParam}, back)) {
            for (SessionReceiver* r : back)
                OnReceiverBack(*r);
            return 0;
        }
        OnIdentifyDone(wParam, lParam);
        return 0;
    }
    case WM_APP_LINK_CLOSED:
        m_session->OnLinkClosed(wParam);
        return 0;
    case WM_APP_POLL_REPLY:
        if (CReceiverLink* link = m_session->FindLink(wParam))
            OnPollReply(link, static_cast<int>(lParam));
        return 0;
    case WM_APP_ONESHOT_DONE:
    case WM_APP_ONESHOT_FAILED:
        if (CReceiverLink* link = m_session->FindLink(wParam))
            OnOneShotResult(link, static_cast<int>(lParam), msg == WM_APP_ONESHOT_DONE);
        return 0;
    case WM_APP_POLL_FAILED:
        if (CReceiverLink* link = m_session->FindLink(wParam))
            OnPollFailed(link);
        return 0;
    case WM_APP_QUERY_QUIT:
        return OnQueryQuit();
    case WM_APP_POWER_RESUMED:
        m_resumed = true;
        return 0;
    case WM_APP_LOG_TIME_LIMIT:
        if (m_recording) {
            StopBackgroundLog(2);
            ShowMessage(this, kRecordingTimeLimitText);
        }
        return 0;
    case WM_APP_SHOW_FW_VERSION:
        return OnShowFwVersion();
    case WM_APP_SHOW_ID_VIEW:
        return OnShowIdView();
    case WM_APP_CHSCAN_START:
        StartOneShot(static_cast<int>(wParam), MakeC1(static_cast<uint16_t>(lParam)), false);
        return 0;
    case WM_APP_CHSCAN_STOP:
        StartOneShot(static_cast<int>(wParam), MakeCommand(kC0), true);
        return 0;
    case WM_APP_SPSCAN_START:
        if (const auto* range = reinterpret_cast<const int32_t*>(lParam))
            StartOneShot(static_cast<int>(wParam), MakeS1(range[0], range[1], range[2]), false);
        return 0;
    case WM_APP_SPSCAN_STOP:
        StartOneShot(static_cast<int>(wParam), MakeCommand(kS0), true);
        return 0;
    case WM_APP_WALK_START:
    case WM_APP_WALK_STOP:
        if (CReceiverLink* link = LinkOf(static_cast<int>(wParam)); link && IsMonitored(link->RecNo))
            SetPollProgramme(link, msg == WM_APP_WALK_START ? kProgrammeWalk : kProgrammeStopped);
        return 0;
    case WM_APP_FBS_CLOSED:
        OnFbsClosed(static_cast<int>(wParam));
        return 0;
    case WM_APP_ID_VIEW_CLOSED:
        OnIdViewClosed();
        return 0;
    case WM_APP_SPLOG_LOADING: {
        const CSpScanDlg* dlg = lParam == 1 ? m_spLogViewer : m_spScanDlg;
        if (wParam == 1)
            m_loadingDlg->StartLoading(dlg->LoadingPath(), true); // a spectrum log always shows its progress
        else
            m_loadingDlg->EndLoading();
        return 0;
    }
    case WM_APP_LOAD_PROGRESS_STEP:
        m_loadingDlg->ReportBlocks(wParam); // the blocks read so far
        return 0;
    case WM_APP_LOG_LOADING: {
        const CWalkDlg* dlg = lParam == kWalkLogViewer ? m_walkLogViewer : lParam == kBackgroundLogViewer ? m_bgLogViewer : lParam == kTimeDomainViewer ? m_timeDomainViewer : m_walkDlg;
        if (wParam == 1)
            m_loadingDlg->StartLoading(dlg->LoadingPath(), false); // small walk logs load without it
        else
            m_loadingDlg->EndLoading();
        return 0;
    }
    case WM_APP_SPSCAN_CHANGE_VIEW:
        if (const auto* request = reinterpret_cast<const TimeDomainRequest*>(wParam))
            m_timeDomainViewer->ShowTimeDomain(request->khz, static_cast<int>(lParam), request->path);
        return 0;
    case WM_APP_CONVERT_RUNNING:
        if (wParam == 1)
            m_loadingDlg->StartLoading(m_convertDlg->SourcePath(), true);
        else
            m_loadingDlg->EndLoading();
        return 0;
    default:
        return 0; // frame notices, poll stopped, send log: no handler
    }
}

int CZRQ6930_MaintenanceView::MonitoredCount() const
{
    int n = 0;
    for (const auto& s : m_slots)
        n += s.monitored;
    return n;
}

int32_t CZRQ6930_MaintenanceView::ReceiverModeOf(int recNo) const
{
    CReceiverLink* link = LinkOf(recNo);
    if (!link)
        return 0;
    const int32_t mode = ReceiverModeFromState(ReplyChar(link->Reply(kF0).data(), F0Field::State));
    return mode < kModeWalkTest ? mode : kModeUnavailable;
}

// ---- Connect and disconnect ------------------------------------------------

void CZRQ6930_MaintenanceView::OnConnectButton()
{
    if (m_nConnectState == kDisconnected) {
        Connect();
        return;
    }
    if (ToolCheck())
        Disconnect(0);
}

void CZRQ6930_MaintenanceView::Connect()
{
    if (m_table->rowCount() > 0)
        m_table->setRowCount(0);
    const int opened = m_session->OpenAll();
    ReportPortErrors();
    if (opened == 0) {
        ShowMessage(this, kNoReceiverText);
        return;
    }
    m_connectButton->setEnabled(false);
    m_nConnectState = kConnecting;
}

void CZRQ6930_MaintenanceView::OnIdentifyDone(uintptr_t link, intptr_t result)
{
    if (m_session->OnIdentifyDone(link, result) && m_nConnectState == kConnecting) {
        ReportPortErrors();
        FinishConnect();
    }
}

// The ports that could not be served, and why (permission, busy, too many
// open files, no thread), in the status bar: the message box only says that
// no receiver answered.
void CZRQ6930_MaintenanceView::ReportPortErrors()
{
    QStringList errors;
    for (const SessionReceiver& r : m_session->Receivers())
        if (!r.stale && !r.error.empty())
            errors << QString::fromStdString(r.port + ": " + r.error);
    if (!errors.isEmpty())
        emit statusMessage(errors.join("; "));
}

// Numbering once every identification has reported. This runs on the
// user-interface thread, so nothing reads a link that a handler deletes.
void CZRQ6930_MaintenanceView::FinishConnect()
{
    const std::vector<StateRecord> records = m_session->Number();
    for (const StateRecord& record : records)
        m_table->UpdateRow(record, 0, false);
    if (!records.empty()) {
        m_table->selectRow(0);
        m_table->setCurrentCell(0, 0);
    }
    for (const SessionReceiver& r : m_session->Receivers()) {
        if (r.stale || !r.link || r.recNo < 0)
            continue;
        StartPacing(r.recNo, kProgrammeIdle.periodMs);
        r.link->StartPolling();
        m_slots[static_cast<std::size_t>(r.recNo)].monitored = true;
    }
    OnConnectDone(static_cast<int>(records.size()));
}

void CZRQ6930_MaintenanceView::OnConnectDone(int count)
{
    if (count > 0) {
        m_connectButton->setText("Disconnect");
        SetConnectionLabel(true);
        m_nConnectState = kConnected;
        m_sleepInhibitor->Acquire();
        m_resumed = false;
        for (QPushButton* b : m_toolButtons)
            b->setEnabled(true);
        m_connectButton->setEnabled(true);
        UpdateToolButtons();
    } else {
        SetConnectionLabel(false);
        m_connectButton->setText("Connect");
        m_nConnectState = kDisconnected;
        m_sleepInhibitor->Release();
        ShowMessage(this, kNoReceiverText);
        m_connectButton->setEnabled(true);
    }
}

bool CZRQ6930_MaintenanceView::ToolCheck()
{
    if (m_recording) {
        ShowMessage(this, kRecordingRunning);
        return false;
    }
    return m_tools.CloseAll();
}

void CZRQ6930_MaintenanceView::Disconnect(int reason)
{
    m_connectButton->setEnabled(false);
    m_session->CloseAll();
    if (m_live)
        m_live->RemovedAll();
    if (reason == 0)
        m_table->setRowCount(0);
    SetConnectionLabel(false);
    m_connectButton->setText("Connect");
    m_nConnectState = kDisconnected;
    m_sleepInhibitor->Release();
    for (QPushButton* b : m_toolButtons)
        b->setEnabled(false);
    for (int n = 0; n < kMaxReceivers; ++n) {
        KillPacing(n);
        m_slots[static_cast<std::size_t>(n)].monitored = false;
    }
    // The pause before Connect works again, without blocking the window.
    QTimer::singleShot(150, this, [this] { m_connectButton->setEnabled(m_nConnectState == kDisconnected); });
}

intptr_t CZRQ6930_MaintenanceView::OnQueryQuit()
{
    if (m_nConnectState == kDisconnected)
        return 1;
    if (ShowMessage(this, kQuitQuestion, MsgButtons::YesNo) != MsgAnswer::Yes)
        return 0;
    if (!ToolCheck())
        return 0;
    Disconnect(0);
    m_session->DestroyAll();
    return 1;
}

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
    SessionReceiver* away = m_recording && m_recovery ? m_session->Find(reinterpret_cast<uintptr_t>(link)) : nullptr;
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

// ---- Tool buttons and selection --------------------------------------------

void CZRQ6930_MaintenanceView::OnToolButton(int button)
{
    if (AnyGuardedDialogVisible())
        return;
    if (m_recording) {
        static const char* const refusals[] = {"During Background Log recording, cannot start Walk Test.",
                                               "During Background Log recording, cannot start Channel Scan.",
                                               "During Background Log recording, cannot start Spectrum Scan.", nullptr};
        if (const char* text = refusals[button - kIdWalkButton])
            ShowMessage(this, text);
        return;
    }
    const int row = m_table->SelectedRow();
    const int recNo = row >= 0 ? m_table->ReceiverOfRow(row) : -1;
    if (!IsMonitored(recNo))
        return;
    if (button == kIdFbsButton) {
        OpenFbsDetail(recNo);
        return;
    }
    if (button == kIdChScanButton) {
        m_chScanDlg->SetReceiver(recNo);
        m_chScanDlg->OnScanState(ReceiverModeOf(recNo));
        m_chScanDlg->FillBanks();
        m_chScanDlg->InitGraph();
        m_chScanDlg->show();
        m_chScanDlg->raise();
        return;
    }
    if (button == kIdSpScanButton) {
        const int32_t mode = ReceiverModeOf(recNo);
        m_spScanDlg->SetReceiver(recNo);
        m_spScanDlg->OnScanState(mode == kModeChannelScanRx ? kModeUnavailable : mode, false);
        const auto [lowest, highest] = BandLimits(BandCodeFromModel(LinkOf(recNo)->Reply(kM0).data()));
        m_spScanDlg->SetLimits(lowest, highest);
        m_spScanDlg->ShowFresh();
        return;
    }
    // Walk Test: only with every receiver idle.
    bool anyBusy = false;
    for (int n = 0; n < kMaxReceivers; ++n)
        anyBusy = anyBusy || ReceiverModeOf(n) != kModeIdle;
    m_walkDlg->SetReceiver(recNo);
    m_walkDlg->SetReceiverMode(anyBusy ? kModeUnavailable : kModeIdle);
    m_walkDlg->ShowFresh();
}

void CZRQ6930_MaintenanceView::OnSelectionChanged()
{
    UpdateToolButtons();
}

void CZRQ6930_MaintenanceView::UpdateToolButtons()
{
    const int row = m_table->SelectedRow();
    const bool enable = row >= 0 && IsMonitored(m_table->ReceiverOfRow(row)) && !m_recording;
    for (QPushButton* b : m_toolButtons)
        b->setEnabled(enable);
}

// ---- Information windows -----------------------------------------------------

intptr_t CZRQ6930_MaintenanceView::OnShowFwVersion()
{
    if (m_nConnectState != kConnected) {
        ShowMessage(this, kNoReceiverText);
        return 0;
    }
    std::vector<FwVersionRow> rows;
    for (const SessionReceiver& r : m_session->Receivers()) {
        if (!r.link || r.stale)
            continue;
        FwVersionRow row;
        row.recNo = r.link->RecNo;
        for (int v = 0; v < 3; ++v)
            row.versions[static_cast<std::size_t>(v)] = r.link->Reply(kV0 + v);
        rows.push_back(row);
    }
    m_fwVerDlg->Fill(rows.size(), rows);
    m_fwVerDlg->show();
    m_fwVerDlg->raise();
    return 1;
}

intptr_t CZRQ6930_MaintenanceView::OnShowIdView()
{
    if (AnyGuardedDialogVisible() || m_recording || m_nConnectState != kConnected)
        return 0;
    SetPollProgrammeOfAll(kProgrammeIdView);
    m_idDlg->show();
    m_idDlg->raise();
    return 1;
}

void CZRQ6930_MaintenanceView::ShowSpectrumLogViewer()
{
    if (m_spLogViewer->isVisible())
        return;
    m_spLogViewer->ShowFresh();
}

// A viewer opened again from the menu starts empty, not on the file it last showed.
void CZRQ6930_MaintenanceView::ShowWalkLogViewer()
{
    m_walkLogViewer->isVisible() ? m_walkLogViewer->raise() : m_walkLogViewer->ShowFresh();
}

void CZRQ6930_MaintenanceView::ShowBackgroundLogViewer()
{
    m_bgLogViewer->isVisible() ? m_bgLogViewer->raise() : m_bgLogViewer->ShowFresh();
}

bool CZRQ6930_MaintenanceView::OpenLogFile(const std::string& path)
{
    CLogReader reader;
    const int result = reader.Open(path, -1);
    if (result != kLogOpened) {
        ShowMessage(this, LogOpenMessage(result));
        return false;
    }
    const int kind = reader.Kind();
    reader.Close();
    if (m_recording) {
        ShowMessage(this, kRecordingRunning); // the viewers wait for the recording's end, as their menu items do
        return false;
    }
    if (kind == kLogSpec) {
        ShowSpectrumLogViewer();
        return m_spLogViewer->LoadLog(path);
    }
    CWalkDlg* viewer = kind == kLogNorm ? m_bgLogViewer : m_walkLogViewer;
    if (!viewer->isVisible())
        viewer->ShowFresh();
    viewer->raise();
    return viewer->LoadLog(path);
}

void CZRQ6930_MaintenanceView::OpenFbsDetail(int recNo)
{
    m_fbsDlg->Prepare(recNo);
    if (CReceiverLink* link = LinkOf(recNo)) {
        // The stored filters read as never shown, so each row fills in anew.
        link->ClearFbsReplyByte22();
        SetPollProgramme(link, kProgrammeFbs);
    }
    m_fbsDlg->show();
    m_fbsDlg->raise();
}

void CZRQ6930_MaintenanceView::OnFbsClosed(int recNo)
{
    if (CReceiverLink* link = LinkOf(recNo); link && IsMonitored(recNo))
        SetPollProgramme(link, kProgrammeIdle);
}

void CZRQ6930_MaintenanceView::OnIdViewClosed()
{
    SetPollProgrammeOfAll(kProgrammeIdle);
}

} // namespace zr
