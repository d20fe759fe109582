#include "scan/SpScanDlg.h"

#include "scan/WaterfallDlg.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <chrono>
#include <cstdio>
#include <memory>

#include "link/Commands.h"
#include "link/ReplyFields.h"
#include "logs/LogReader.h"
#include "logs/SpectrumLog.h"
#include "logs/SpectrumOccupancy.h"
#include "platform/LogFolder.h"
#include "ui/DisabledChildren.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"

namespace zr {

namespace {

constexpr int kStepKhz[2] = {25, 125};
constexpr int kBusyLevel = 25; // dBuV: a sweep at or above it found the frequency busy
constexpr char kStoppedOnError[] = "Spectrum Scan was stopped due to the connection error. Log data was saved in the log folder.";

int StepOfIndex(int index)
{
    return index == 1 ? 125 : 25;
}

} // namespace

QString RangeErrors(int start, int stop, int step, int lowest, int highest)
{
    return QString::fromStdString(SpectrumRangeErrors(start, stop, step, lowest, highest));
}

CSpScanDlg::CSpScanDlg(IToolRequests* host, QWidget* parent)
    : CToolWindow(parent, "spScanDlg", "Spectrum Scan", DialogKeys::Ignored), m_host(host), m_uiQueue(std::make_unique<CUiThreadQueue>()),
      m_loader(m_uiQueue.get())
{
    m_baseCaption = windowTitle();

    m_graph = new CStaticSpScanGraph(this);
    m_graph->setMinimumSize(860, 324); // 430 x 162 dialog units
    m_scroll = new QScrollBar(Qt::Horizontal, this);
    m_zoomOut = new QPushButton("-", this);
    m_zoomIn = new QPushButton("+", this);
    m_left = new CMarkerButton("<", this);
    m_marker = new CEditSpMarker(this);
    m_right = new CMarkerButton(">", this);
    m_levelCaption = new QLabel("RF level [dBuV]", this);
    m_level = new QLabel(this);
    m_level->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_level->setAlignment(Qt::AlignCenter);
    m_setting = new QGroupBox("Setting", this);
    m_steps = new QComboBox(m_setting);
    m_startEdit = new CEditSpMarker(m_setting);
    m_stopEdit = new CEditSpMarker(m_setting);
    auto arrow = [this](Qt::ArrowType type) {
        auto* b = new QToolButton(m_setting);
        b->setArrowType(type);
        return b;
    };
    m_startUp = arrow(Qt::UpArrow), m_startDown = arrow(Qt::DownArrow);
    m_stopUp = arrow(Qt::UpArrow), m_stopDown = arrow(Qt::DownArrow);
    m_peakHold = new QCheckBox("Peak Hold", this);
    m_shadeBox = new QCheckBox("Grey: busy share (sweeps at\nor above 25 dBuV)", this);
    m_shadeBox->setChecked(true);
    m_shadeBox->hide(); // the viewer's alone
    connect(m_shadeBox, &QCheckBox::toggled, this, [this](bool on) {
        m_graph->Model().shadeShown = on;
        m_graph->RequestRepaint();
    });
    m_startButton = new QPushButton("Start Scan", this);
    m_stopButton = new QPushButton("Stop Scan", this);
    m_save = new QPushButton("Save log", this);
    m_open = new QPushButton("Open log", this);
    m_changeView = new QPushButton("Change View", this);
    m_waterfallButton = new QPushButton("Waterfall", this);
    m_waterfallButton->setEnabled(false);
    m_planButton = new QPushButton("Frequency Plan", this);
    m_planButton->setEnabled(false);
    m_planButton->hide(); // the viewer's alone
    for (QPushButton* b : {m_zoomOut, m_zoomIn, static_cast<QPushButton*>(m_left), static_cast<QPushButton*>(m_right), m_startButton, m_stopButton, m_save, m_open,
                           m_changeView})
        b->setAutoDefault(false); // Enter presses nothing
    m_marker->setFixedWidth(80);

    auto* settingLayout = new QGridLayout(m_setting);
    settingLayout->addWidget(new QLabel("Step Frequency", m_setting), 0, 0);
    settingLayout->addWidget(m_steps, 0, 1, 1, 3);
    settingLayout->addWidget(new QLabel("Start Frequency", m_setting), 1, 0);
    settingLayout->addWidget(m_startEdit, 1, 1);
    settingLayout->addWidget(m_startUp, 1, 2);
    settingLayout->addWidget(m_startDown, 1, 3);
    settingLayout->addWidget(new QLabel("Stop Frequency", m_setting), 2, 0);
    settingLayout->addWidget(m_stopEdit, 2, 1);
    settingLayout->addWidget(m_stopUp, 2, 2);
    settingLayout->addWidget(m_stopDown, 2, 3);
    auto* marker = new QGroupBox("Marker", this);
    auto* markerLayout = MarkerGroupLayout(marker, "Frequency [MHz]", m_left, m_marker, m_right);
    markerLayout->addWidget(m_levelCaption, 2, 0, 1, 3);
    markerLayout->addWidget(m_level, 3, 0, 1, 3);
    auto* zoom = new QHBoxLayout;
    zoom->addWidget(m_scroll, 1);
    zoom->addWidget(m_zoomOut);
    zoom->addWidget(m_zoomIn);
    auto* left = new QVBoxLayout;
    left->addWidget(m_graph, 1);
    left->addLayout(zoom);
    auto* buttons = new QGridLayout;
    buttons->addWidget(m_startButton, 0, 0);
    buttons->addWidget(m_stopButton, 0, 1);
    buttons->addWidget(m_save, 1, 0);
    buttons->addWidget(m_open, 1, 1);
    buttons->addWidget(m_changeView, 2, 0, 1, 2);
    buttons->addWidget(m_waterfallButton, 3, 0, 1, 2);
    buttons->addWidget(m_planButton, 4, 0, 1, 2);
    auto* side = new QVBoxLayout;
    side->addWidget(marker);
    side->addWidget(m_setting);
    side->addWidget(m_peakHold);
    side->addWidget(m_shadeBox);
    side->addLayout(buttons);
    side->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(side);

    connect(m_startButton, &QPushButton::clicked, this, &CSpScanDlg::StartScan);
    connect(m_stopButton, &QPushButton::clicked, this, &CSpScanDlg::Stop);
    connect(m_save, &QPushButton::clicked, this, &CSpScanDlg::SaveLog);
    connect(m_open, &QPushButton::clicked, this, &CSpScanDlg::OpenLog);
    connect(m_changeView, &QPushButton::clicked, this, &CSpScanDlg::ChangeView);
    connect(m_waterfallButton, &QPushButton::clicked, this, &CSpScanDlg::ShowWaterfall);
    connect(m_planButton, &QPushButton::clicked, this, &CSpScanDlg::frequencyPlanRequested);
    connect(m_marker, &CEditMarker::edited, this, &CSpScanDlg::OnMarkerEdited);
    connect(m_graph, &CStaticRfGraph::saveImageRequested, this, [this] { SaveImageAs(this, m_graph->Image(), windowTitle()); });
    connect(m_graph, &CStaticRfGraph::markerMoved, this, &CSpScanDlg::OnMarkerMoved);
    m_window = std::make_unique<CGraphWindowControls>(m_graph, m_scroll, m_marker, [this] { SetMarkerRangeToWindow(); });
    m_window->Wire(this, m_zoomIn, m_zoomOut, m_left, m_right);
    connect(m_steps, qOverload<int>(&QComboBox::activated), this, &CSpScanDlg::OnStepChanged);
    // The up-down controls: a step up or down as the arrow keys of the edit,
    // repeating while held and faster the longer it is held.
    m_startEdit->upDownKeys = m_stopEdit->upDownKeys = true;
    // Named for what they are, not after their group ("Setting").
    const std::pair<QWidget*, const char*> names[] = {{m_startEdit, "Start frequency [MHz]"}, {m_startUp, "Start frequency up"},
                                                      {m_startDown, "Start frequency down"},  {m_stopEdit, "Stop frequency [MHz]"},
                                                      {m_stopUp, "Stop frequency up"},         {m_stopDown, "Stop frequency down"},
                                                      {m_level, "RF Level [dBuV]"},            {m_marker, "Marker frequency [MHz]"}};
    for (const auto& [widget, name] : names)
        widget->setAccessibleName(name);
    NameGraphAfterWindow(this, m_graph);
    const auto upDown = [this](QToolButton* button, CEditSpMarker* edit, int key) {
        button->setAutoRepeat(true);
        auto pressedAt = std::make_shared<std::chrono::steady_clock::time_point>();
        connect(button, &QToolButton::pressed, this, [pressedAt] { *pressedAt = std::chrono::steady_clock::now(); });
        connect(button, &QToolButton::clicked, this, [pressedAt, edit, key] {
            const auto held = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - *pressedAt).count();
            for (int i = UpDownStepsHeld(held); i > 0; --i)
                edit->ProcessKey(key);
        });
    };
    upDown(m_startUp, m_startEdit, kKeyRight);
    upDown(m_startDown, m_startEdit, kKeyLeft);
    upDown(m_stopUp, m_stopEdit, kKeyRight);
    upDown(m_stopDown, m_stopEdit, kKeyLeft);

    InitSettingsPanel();
    ResetView();
    SetLook(true);
}

CSpScanDlg::~CSpScanDlg()
{
    m_loader.Join();
}

QString CSpScanDlg::CaptionBase() const
{
    return m_baseCaption;
}

void CSpScanDlg::SetViewerMode()
{
    m_viewer = true;
    for (QWidget* w : {static_cast<QWidget*>(m_startButton), static_cast<QWidget*>(m_stopButton), static_cast<QWidget*>(m_save), static_cast<QWidget*>(m_setting),
                       static_cast<QWidget*>(m_peakHold)})
        w->hide();
    m_changeView->show();
    m_shadeBox->show();
    m_planButton->show();
    setObjectName("spLogViewer");
    m_baseCaption = "Spectrum Scan Log";
    setWindowTitle(m_baseCaption);
}

void CSpScanDlg::SetReceiver(int recNo)
{
    CToolWindow::SetReceiver(recNo);
    setWindowTitle(m_viewer ? m_baseCaption : m_baseCaption + " > " + "RECEIVER" + " " + QString::number(recNo + 1));
}

void CSpScanDlg::SetLimits(int lowestKhz, int highestKhz)
{
    m_lowest = lowestKhz;
    m_highest = highestKhz;
}

void CSpScanDlg::ShowFresh()
{
    InitSettingsPanel();
    ResetView();
    m_log.Forget();
    SetReceiver(Receiver());
    show();
    raise();
}

void CSpScanDlg::InitSettingsPanel()
{
    m_startEdit->setText(FrequencyText(m_lowest));
    m_stopEdit->setText(FrequencyText(m_highest));
    m_steps->clear();
    m_steps->addItems({"25kHz", "125kHz"});
    m_steps->setCurrentIndex(0);
    m_panelStep = 25;
    for (CEditSpMarker* e : {m_startEdit, m_stopEdit}) {
        e->minimum = m_lowest;
        e->maximum = m_highest;
        e->step = 25;
    }
    m_start = m_lowest, m_stop = m_highest, m_step = 25, m_peak = 2;
    m_peakHold->setChecked(false);
}

void CSpScanDlg::ApplySettings()
{
    m_graph->SetRange(m_start, m_stop, m_step);
    if (m_step > 0) {
        m_graph->Model().pointCount = (m_stop - m_start) / m_step + 1;
        m_graph->Model().ZeroData();
        m_graph->RequestRepaint();
    }
    m_graph->Model().peakHoldTitle = m_peak;
    m_graph->Model().storeMode = m_peak;
    m_window->SyncBar();
    m_marker->minimum = m_start;
    m_marker->maximum = m_stop;
    m_marker->step = m_step > 0 ? m_step : 1;
    // A new range: the marker goes to its first point, as the reset puts it,
    // rather than naming a frequency the range no longer has.
    m_graph->Model().markerX = m_graph->Model().IndexToX(0);
    m_graph->NotifyMarker(0);
}

void CSpScanDlg::ResetView()
{
    ApplySettings();
    m_graph->InitSettings();
    CRfGraphModel& m = m_graph->Model();
    m.style[0] = kStylePolyline;
    m.visible = {1, 0, 0, 0};
    m.minSpan = 1;
    m.maxSpan = 1440;
    m.traceCount = 1;
    m_scroll->setEnabled(false);
    m.markerX = m.IndexToX(0);
    m_graph->RequestRepaint();
    m_graph->NotifyMarker(0);
    m_levelCaption->setText("RF Level [dBuV]");
}

void CSpScanDlg::SetLook(bool idle)
{
    for (QWidget* w : {static_cast<QWidget*>(m_startButton), static_cast<QWidget*>(m_peakHold), static_cast<QWidget*>(m_steps),
                       static_cast<QWidget*>(m_startUp), static_cast<QWidget*>(m_startDown), static_cast<QWidget*>(m_stopUp),
                       static_cast<QWidget*>(m_stopDown), static_cast<QWidget*>(m_save), static_cast<QWidget*>(m_open),
                       static_cast<QWidget*>(m_changeView), static_cast<QWidget*>(m_startEdit), static_cast<QWidget*>(m_stopEdit)})
        w->setEnabled(idle);
    m_stopButton->setEnabled(!idle);
}

void CSpScanDlg::DisableAll()
{
    SetLook(false);
    m_stopButton->setEnabled(false);
}

bool CSpScanDlg::ValidateRange(int step)
{
    const QString errors = RangeErrors(ParseFrequency(m_startEdit->text()), ParseFrequency(m_stopEdit->text()), step, m_lowest, m_highest);
    if (errors.isEmpty())
        return true;
    ShowMessage(this, errors);
    return false;
}

void CSpScanDlg::OnStepChanged(int index)
{
    const int step = StepOfIndex(index);
    if (!ValidateRange(step)) {
        m_steps->setCurrentIndex(m_panelStep == 125 ? 1 : 0);
        return;
    }
    m_panelStep = step;
    m_startEdit->step = m_stopEdit->step = step;
}

void CSpScanDlg::StartScan()
{
    if (!m_log.AskKeep(this))
        return;
    SetReceiver(Receiver());
    const int start = ParseFrequency(m_startEdit->text()), stop = ParseFrequency(m_stopEdit->text());
    const int step = StepOfIndex(m_steps->currentIndex());
    if (!ValidateRange(step))
        return;
    m_start = start, m_stop = stop, m_step = step, m_peak = m_peakHold->isChecked() ? 1 : 0;
    m_waterfall.clear();
    m_waterfallButton->setEnabled(false);
    if (m_host)
        m_host->StartSpectrumScan(Receiver(), {start, stop, step});
    m_startWait.Begin(this);
    m_running = true;
    m_confirmation = 1;
    DisableAll();
}

void CSpScanDlg::timerEvent(QTimerEvent* e)
{
    bool timedOut = false;
    if (!m_startWait.OnTimerEvent(e, m_confirmation == 2, this, timedOut)) {
        CToolWindow::timerEvent(e);
        return;
    }
    if (!timedOut)
        return;
    // The receiver never confirmed the start.
    SetLook(true);
    m_confirmation = 0;
    m_running = false;
}

void CSpScanDlg::BeginLog()
{
    // The start's acknowledgement begins the log, and the poll that then sees
    // the receiver scanning asks again: the log already open goes on (closing
    // it there would leave a log of a header and no point).
    if (m_log.Writing())
        return;
    const SpectrumLogSettings settings = SpectrumSettingsOfRange(m_start, m_stop, m_step);
    // The writer is mid-append when it says so: the scan stops after.
    m_log.Create(this, kLogSpec, Receiver(), [this] { m_uiQueue->PostTask([this] { OnTimeLimit(); }); }, &settings);
    ApplySettings();
}

void CSpScanDlg::Stop()
{
    if (m_host)
        m_host->StopSpectrumScan(Receiver());
    m_running = false;
    m_confirmation = 0;
    m_log.CloseWriter();
    DisableAll(); // back with the stop's acknowledgement or an idle state
}

void CSpScanDlg::AddPoint(int levelA, int levelB, int khz)
{
    if (!m_running || m_step <= 0 || khz < m_start || khz > m_stop)
        return;
    const int i = khz / m_step - m_start / m_step;
    m_graph->StoreValue(i, std::max(levelA, levelB));
    m_graph->SetScanPosition(i);
}

void CSpScanDlg::OnPollReply(const ReceiverReply& r)
{
    if (r.kind != kF2)
        return;
    const DataRow row = DecodeF2(r.reply.data());
    m_log.Append(row); // running or not, while the writer is open
    AddPoint(row[7], row[6], ReadReplyField(r.reply.data(), F2Field::Frequency));
}

void CSpScanDlg::OnScanState(int32_t mode, bool fromPoll)
{
    switch (mode) {
    case kModeIdle:
        SetLook(true);
        m_confirmation = 0;
        break;
    case kModeSpectrumScan:
        if (fromPoll)
            BeginLog();
        SetLook(false);
        m_confirmation = 2;
        break;
    case kModeUnavailable:
        if (m_running) {
            Stop();
            m_log.state = kLogStateKept;
            ShowMessage(this, kStoppedOnError);
        }
        DisableAll();
        break;
    default:
        DisableAll();
        break;
    }
}

void CSpScanDlg::OnReceiverMode(int, int32_t mode)
{
    OnScanState(mode, true);
}

void CSpScanDlg::OnOneShot(int, int kind, bool acknowledged)
{
    if (!acknowledged)
        return; // the start time-out tells the user
    if (kind == kS1) {
        BeginLog();
        SetLook(false);
        m_confirmation = 2;
    } else if (kind == kS0) {
        SetLook(true);
        m_confirmation = 0;
    }
}

void CSpScanDlg::OnReceiverLost(int)
{
    if (m_running) {
        Stop();
        m_log.state = kLogStateKept;
        ShowMessage(this, kStoppedOnError);
    }
    DisableAll();
    m_log.CloseWriter();
    m_log.path.clear();
    hide();
}

void CSpScanDlg::OnTimeLimit()
{
    Stop();
    ShowMessage(this, "Time Limit Exceeded. Spectrum Scan was stopped. (7 days)");
}

void CSpScanDlg::SaveLog()
{
    m_log.Save(this);
}

void CSpScanDlg::closeEvent(QCloseEvent* e)
{
    if (!m_log.MayClose(this, m_running, "Spectrum Scan is running.")) {
        e->ignore();
        return;
    }
    CToolWindow::closeEvent(e);
}

void CSpScanDlg::SetMarkerRangeToWindow()
{
    const CRfGraphModel& m = m_graph->Model();
    m_marker->minimum = m_step * m.first + m_start;
    m_marker->maximum = m_step * m.last + m_start;
}

void CSpScanDlg::ScrollView(int delta)
{
    m_window->ScrollView(delta);
}

void CSpScanDlg::ZoomBy(int mode)
{
    m_window->ZoomBy(mode);
}

void CSpScanDlg::OnMarkerMoved(const MarkerList& values)
{
    m_marker->setText(FrequencyText(m_step * values.points[0].index + m_start));
    m_level->setText(QString::number(values.points[0].value));
    DescribeMarker(m_graph, m_marker->text(), {{m_levelCaption, m_level}});
}

void CSpScanDlg::OnMarkerEdited(int code)
{
    if (code == kStayedAtMinimum) {
        ScrollView(-1);
        return;
    }
    if (code == kStayedAtMaximum) {
        ScrollView(+1);
        return;
    }
    if (m_step <= 0)
        return;
    const int i = ParseFrequency(m_marker->text()) / m_step - m_start / m_step;
    m_graph->Model().markerX = m_graph->Model().IndexToX(i);
    m_graph->RequestRepaint();
    m_graph->NotifyMarker(i);
}


void CSpScanDlg::ShowWaterfall()
{
    if (m_waterfall.empty())
        return;
    if (!m_waterfallDlg)
        m_waterfallDlg = new CWaterfallDlg(this);
    m_waterfallDlg->SetData(m_waterfall, m_graph->Model().shade.size(), m_start, m_stop, QFileInfo(PathText(m_log.path)).fileName());
    m_waterfallDlg->show();
    m_waterfallDlg->raise();
}

void CSpScanDlg::ChangeView()
{
    if (m_log.state == kLogStateNone) {
        ShowMessage(this, "No data to show.");
        return;
    }
    // The time-domain view of the marker frequency opens from the main view.
    if (m_host)
        m_host->ShowTimeDomain(ParseFrequency(m_marker->text()), m_log.state, m_log.path);
}

void CSpScanDlg::OpenLog()
{
    if (!m_log.AskKeep(this))
        return;
    std::string folder;
    GetLogFolder(folder);
    const QString path = GetOpenFileName(this, QString::fromStdString(folder), "LogFile(*.slg)");
    if (!path.isEmpty())
        LoadLog(NativePath(path));
}

bool CSpScanDlg::LoadLog(const std::string& path)
{
    m_loadingPath = path;
    if (m_host)
        m_host->LoadingStarted(path, true); // a spectrum log always shows its progress
    m_graph->hide();
    auto disabled = std::make_shared<CDisabledChildren>(this);
    const std::string file = path;
    // Decoded on the worker; the window's controls and graph change on the
    // user-interface thread once the whole file is read. Progress is posted
    // (blocks read so far): the loader never waits on the window.
    const bool started = m_loader.StartLoad([this, file, path, disabled]() -> std::function<void()> {
        auto loaded = std::make_shared<SpectrumPlayback>(PlaySpectrumLog(file, kBusyLevel, [this](uint64_t blocks) {
            m_uiQueue->PostTask([this, blocks] {
                if (m_host)
                    m_host->LoadProgress(blocks);
            });
        }));
        return [this, loaded, path, disabled] {
            if (loaded->result != kLogOpened) {
                ShowMessage(this, LogOpenMessage(loaded->result));
            } else {
                m_start = loaded->range.startKhz, m_stop = loaded->range.stopKhz, m_step = loaded->range.stepKhz, m_peak = 1;
                m_startEdit->setText(FrequencyText(m_start));
                m_stopEdit->setText(FrequencyText(m_stop));
                m_steps->setCurrentIndex(m_step == 125 ? 1 : 0);
                m_peakHold->setChecked(true);
                ApplySettings();
                // Peak hold over the whole file, as storing each point would leave it.
                m_graph->Model().traces[0] = loaded->highest;
                m_graph->Model().shade = loaded->busy; // how often each frequency was busy, behind the curve
                m_graph->MoveMarker(m_graph->Model().markerX);
                m_waterfall = std::move(loaded->waterfall);
                m_waterfallButton->setEnabled(!m_waterfall.empty());
                m_planButton->setEnabled(true);
                if (m_waterfallDlg && m_waterfallDlg->isVisible())
                    ShowWaterfall();
                // " (log)" goes with the receiver part, which the viewer has none of.
                QString caption = m_baseCaption;
                if (!m_viewer)
                    caption += " (log) > RECEIVER" + QString::number(Receiver() + 1);
                setWindowTitle(caption + " > " + QFileInfo(PathText(path)).fileName());
                m_log.Opened(path);
            }
            disabled->Restore();
            m_graph->show();
            m_graph->RequestRepaint();
            if (m_host)
                m_host->LoadingEnded();
        };
    });
    if (!started) {
        disabled->Restore();
        m_graph->show();
    }
    return started;
}

} // namespace zr
