#include "scan/ChScanDlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QTimerEvent>
#include <QVBoxLayout>

#include "graph/GraphWindowControls.h"
#include "link/Commands.h"
#include "link/ReplyFields.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"

namespace zr {

namespace {
constexpr int kGraphWidth = 580, kGraphHeight = 330; // 290 x 165 dialog units
} // namespace


CChScanDlg::CChScanDlg(IToolRequests* host, QWidget* parent) : CToolWindow(parent, "chScanDlg", "Channel Scan", DialogKeys::Ignored), m_host(host)
{
    m_baseCaption = windowTitle();
    m_graph = new CStaticChScanGraph(this);
    m_graph->setFixedSize(kGraphWidth, kGraphHeight);
    std::vector<int> codes;
    for (const ScanBank& b : kScanBanks)
        codes.push_back(b.code);
    m_graph->SetBankCodes(codes);
    m_start = new QPushButton("Start Scan", this);
    m_stop = new QPushButton("Stop Scan", this);
    m_banks = new QComboBox(this);
    m_peakHold = new QCheckBox("Peak Hold", this);
    m_left = new CMarkerButton("<", this);
    m_marker = new CEditChMarker(this);
    m_right = new CMarkerButton(">", this);
    m_levelCaption = new QLabel("RF level [dBuV]", this);
    m_level = new QLabel(this);
    m_level->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_level->setAlignment(Qt::AlignCenter);
    for (QPushButton* b : {m_start, m_stop, static_cast<QPushButton*>(m_left), static_cast<QPushButton*>(m_right)})
        b->setAutoDefault(false); // Enter presses nothing
    m_marker->setFixedWidth(50);
    m_left->setFixedWidth(28);
    m_right->setFixedWidth(28);

    auto* setting = new QGroupBox("Setting", this);
    auto* settingLayout = new QGridLayout(setting);
    settingLayout->addWidget(new QLabel("Bank", setting), 0, 0);
    settingLayout->addWidget(m_banks, 0, 1);
    settingLayout->addWidget(m_peakHold, 1, 0, 1, 2);
    auto* marker = new QGroupBox("Marker", this);
    auto* markerLayout = MarkerGroupLayout(marker, "Channel", m_left, m_marker, m_right);
    markerLayout->addWidget(m_levelCaption, 2, 0, 1, 3);
    markerLayout->addWidget(m_level, 3, 0, 1, 3);
    auto* side = new QVBoxLayout;
    side->addWidget(m_start);
    side->addWidget(m_stop);
    side->addWidget(setting);
    side->addWidget(marker);
    side->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_graph);
    layout->addLayout(side);

    connect(m_start, &QPushButton::clicked, this, &CChScanDlg::StartScan);
    connect(m_stop, &QPushButton::clicked, this, &CChScanDlg::Stop);
    connect(m_left, &QPushButton::clicked, this, [this] { m_marker->ProcessKey(kKeyLeft); });
    connect(m_right, &QPushButton::clicked, this, [this] { m_marker->ProcessKey(kKeyRight); });
    connect(m_left, &CMarkerButton::keyPressed, this, [this](int key) { HandleMarkerButtonKey(m_left, key, m_left, m_right); });
    connect(m_right, &CMarkerButton::keyPressed, this, [this](int key) { HandleMarkerButtonKey(m_right, key, m_left, m_right); });
    connect(m_marker, &CEditMarker::edited, this, &CChScanDlg::OnMarkerEdited);
    connect(m_graph, &CStaticRfGraph::saveImageRequested, this, [this] { SaveImageAs(this, m_graph->Image(), windowTitle()); });
    connect(m_graph, &CStaticRfGraph::markerMoved, this, &CChScanDlg::OnMarkerMoved);
    m_level->setAccessibleName(m_levelCaption->text());
    m_marker->setAccessibleName("Marker channel");
    NameGraphAfterWindow(this, m_graph);

    FillBanks();
    InitGraph();
    SetIdleControls(true);
}

void CChScanDlg::SetReceiver(int recNo)
{
    CToolWindow::SetReceiver(recNo);
    setWindowTitle(m_baseCaption + " > " + "RECEIVER" + " " + QString::number(recNo + 1));
}

void CChScanDlg::SetIdleControls(bool idle)
{
    m_start->setEnabled(idle);
    m_peakHold->setEnabled(idle);
    m_banks->setEnabled(idle);
    m_stop->setEnabled(!idle);
}

void CChScanDlg::DisableAll()
{
    for (QWidget* w : {static_cast<QWidget*>(m_start), static_cast<QWidget*>(m_peakHold), static_cast<QWidget*>(m_banks), static_cast<QWidget*>(m_stop)})
        w->setEnabled(false);
}

void CChScanDlg::OnScanState(int32_t mode)
{
    switch (mode) {
    case kModeIdle:
        SetIdleControls(true);
        m_confirmation = 0;
        break;
    case kModeChannelScanPc:
        SetIdleControls(false);
        m_confirmation = 2;
        break;
    case kModeUnavailable:
        if (m_running) {
            Stop();
            ShowMessage(this, "Channel Scan was stopped due to the connection error.");
        }
        DisableAll();
        break;
    default:
        DisableAll();
        break;
    }
}

void CChScanDlg::FillBanks()
{
    m_banks->clear();
    for (const ScanBank& b : kScanBanks)
        m_banks->addItem(b.name);
    m_banks->setCurrentIndex(0);
    m_peakHold->setChecked(false);
}

void CChScanDlg::ApplySettings()
{
    const int peak = m_peakHold->isChecked() ? 1 : 0;
    m_graph->Model().peakHoldTitle = peak;
    m_graph->Model().storeMode = peak;
    m_graph->SetBank(m_banks->currentIndex());
    m_marker->minimum = 0;
    m_marker->maximum = 15;
}

void CChScanDlg::InitGraph()
{
    ApplySettings();
    m_graph->Model().peakHoldTitle = 2;
    m_graph->Model().storeMode = 2;
    m_graph->InitSettings();
    CRfGraphModel& m = m_graph->Model();
    m.style[0] = kStyleBars;
    m.visible = {1, 0, 0, 0};
    m.minSpan = 0;
    m.maxSpan = 16;
    m.traceCount = 1;
    m.markerX = m.IndexToX(0);
    m_graph->RequestRepaint();
    m_graph->NotifyMarker(0);
    m_levelCaption->setText("RF Level [dBuV]");
}

void CChScanDlg::StartScan()
{
    m_bankCode = BankCodeOfIndex(m_banks->currentIndex());
    if (m_host)
        m_host->StartChannelScan(Receiver(), static_cast<uint16_t>(m_bankCode));
    m_startWait.Begin(this);
    m_running = true;
    m_confirmation = 1;
    DisableAll();
    ApplySettings();
}

void CChScanDlg::timerEvent(QTimerEvent* e)
{
    bool timedOut = false;
    if (!m_startWait.OnTimerEvent(e, m_confirmation == 2, this, timedOut)) {
        CToolWindow::timerEvent(e);
        return;
    }
    if (!timedOut)
        return;
    // The receiver never confirmed the start.
    SetIdleControls(true);
    m_confirmation = 0;
    m_running = false;
}

void CChScanDlg::Stop()
{
    if (m_host)
        m_host->StopChannelScan(Receiver());
    m_running = false;
    DisableAll(); // back with the stop's acknowledgement or an idle state
}

void CChScanDlg::OnPollReply(const ReceiverReply& r)
{
    if (r.kind != kF3 || !m_running)
        return;
    const int32_t bank = ReadReplyField(r.reply.data(), F3Field::Bank);
    if (bank != m_bankCode || bank < 0)
        return;
    const int32_t channel = ReadReplyField(r.reply.data(), F3Field::Channel);
    m_graph->StoreValue(channel, ReadReplyField(r.reply.data(), F3Field::Level));
    m_graph->SetScanPosition(channel);
}

void CChScanDlg::OnReceiverMode(int, int32_t mode)
{
    OnScanState(mode);
}

void CChScanDlg::OnOneShot(int, int kind, bool acknowledged)
{
    if (!acknowledged)
        return; // the start time-out tells the user
    if (kind == kC1) {
        SetIdleControls(false);
        m_confirmation = 2;
    } else if (kind == kC0) {
        SetIdleControls(true);
        m_confirmation = 0;
    }
}

void CChScanDlg::OnReceiverLost(int)
{
    if (m_running) {
        Stop();
        ShowMessage(this, "Channel Scan was stopped due to the connection error.");
    }
    DisableAll();
    hide();
}

void CChScanDlg::closeEvent(QCloseEvent* e)
{
    if (m_running) {
        ShowMessage(this, "Channel Scan is running.");
        e->ignore();
        return;
    }
    CToolWindow::closeEvent(e);
}

void CChScanDlg::OnMarkerMoved(const MarkerList& values)
{
    m_marker->setText(m_marker->FormatValue(values.points[0].index));
    m_level->setText(QString::number(values.points[0].value));
    DescribeMarker(m_graph, "channel " + m_marker->text(), {{m_levelCaption, m_level}});
}

void CChScanDlg::OnMarkerEdited()
{
    const int channel = m_marker->ParseValue(m_marker->text());
    m_graph->Model().markerX = m_graph->Model().IndexToX(channel);
    m_graph->RequestRepaint();
    m_graph->NotifyMarker(channel);
}


} // namespace zr
