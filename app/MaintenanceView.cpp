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

CZRQ6930_MaintenanceView::CZRQ6930_MaintenanceView(bool detailMode, QWidget* parent)
    : QWidget(parent), m_detailMode(detailMode), m_uiQueue(std::make_unique<CUiThreadQueue>()), m_clock([this] { m_controller->OnWake(); })
{
    setObjectName("maintenanceView");
    m_controller = std::make_unique<CReceiverController>(m_uiQueue.get(), m_clock, static_cast<IReceiverListener&>(*this));
    m_uiQueue->SetLinkEventHandler([this](const LinkEvent& e) { m_controller->HandleEvent(e); });
    m_sleepInhibitor = std::make_unique<CSleepInhibitor>([this] { OnPowerResumed(); });

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
    m_convertDlg = new CLogConvertDlg(this, this);
    m_fwVerDlg = new CFwVerDlg(detailMode, this);
    m_idDlg = new CIdDlg(this, this);
    m_fbsDlg = new CFbsDlg(this, this);
    m_chScanDlg = new CChScanDlg(this, this);
    m_spScanDlg = new CSpScanDlg(this, this);
    m_spLogViewer = new CSpScanDlg(this, this);
    m_spLogViewer->SetViewerMode();
    m_walkDlg = new CWalkDlg(this, this, kWalkLive);
    m_walkLogViewer = new CWalkDlg(this, this, kWalkLogViewer);
    m_bgLogViewer = new CWalkDlg(this, this, kBackgroundLogViewer);
    m_timeDomainViewer = new CWalkDlg(this, this, kTimeDomainViewer);
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
    setMinimumSize(760, 380);
}

CZRQ6930_MaintenanceView::~CZRQ6930_MaintenanceView()
{
    // A running conversion still talks to this view: let it finish first.
    delete m_convertDlg;
    m_convertDlg = nullptr;
    // The windows ask this view as they go: before it goes. The log viewer
    // first: a load it runs ends talking to this view.
    for (QWidget* viewer : std::initializer_list<QWidget*>{m_planDlg, m_spLogViewer, m_walkLogViewer, m_bgLogViewer, m_timeDomainViewer})
        delete viewer;
    m_tools.DeleteAll();
    m_controller.reset();
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

int32_t CZRQ6930_MaintenanceView::ReceiverModeOf(int recNo) const
{
    CReceiverLink* link = LinkOf(recNo);
    if (!link)
        return 0;
    const int32_t mode = ReceiverModeFromState(ReplyChar(link->Reply(kF0).data(), F0Field::State));
    return mode < kModeWalkTest ? mode : kModeUnavailable;
}

// ---- Information windows -----------------------------------------------------

bool CZRQ6930_MaintenanceView::ShowFwVersion()
{
    if (m_nConnectState != kConnected) {
        ShowMessage(this, kNoReceiverText);
        return false;
    }
    std::vector<FwVersionRow> rows;
    for (const SessionReceiver& r : m_controller->Session().Receivers()) {
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
    return true;
}

bool CZRQ6930_MaintenanceView::ShowIdView()
{
    if (AnyGuardedDialogVisible() || m_recording || m_nConnectState != kConnected)
        return false;
    m_controller->SetProgrammeOfAll(kProgrammeIdView);
    m_idDlg->show();
    m_idDlg->raise();
    return true;
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
        m_controller->SetProgramme(recNo, kProgrammeFbs);
    }
    m_fbsDlg->show();
    m_fbsDlg->raise();
}

} // namespace zr
