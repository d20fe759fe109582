#include "app/MaintenanceView.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QTimer>
#include <QTimerEvent>
#include <QVBoxLayout>

#include "ui/MessageBox.h"
#include "app/SleepInhibitor.h"
#include "app/ViewTexts.h"
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
