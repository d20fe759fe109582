#include "walk/WalkDlg.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "link/Commands.h"
#include "link/ReplyFields.h"
#include "logs/LogReader.h"
#include "logs/WalkRecords.h"
#include "platform/LogFolder.h"
#include "ui/DisabledChildren.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"

namespace zr {

namespace {

constexpr char kCautionText[] = "Caution:\nThe elapsed time displayed may be less-accurate.\n";
constexpr char kStoppedOnError[] = "Walk Test was stopped due to the connection error. Log data was saved in the log folder.";
// The traces' colours: RF A, RF B, sync error, data error.
constexpr const char* kLegendColours[4] = {"rgb(0,0,255)", "rgb(0,255,0)", "rgb(255,0,0)", "rgb(0,128,192)"};

const char* CaptionOfMode(int mode)
{
    switch (mode) {
    case kWalkLogViewer: return "Walk Test Log";
    case kBackgroundLogViewer: return "Background Log";
    case kTimeDomainViewer: return "Spectrum Scan (time domain)";
    default: return "Walk Test";
    }
}

const char* ObjectNameOfMode(int mode)
{
    switch (mode) {
    case kWalkLogViewer: return "walkLogViewer";
    case kBackgroundLogViewer: return "backgroundLogViewer";
    case kTimeDomainViewer: return "timeDomainViewer";
    default: return "walkDlg";
    }
}

QString ErrorText(int value)
{
    return value == 0 ? "No" : value == 1 ? "Yes" : "---";
}

} // namespace

CWalkDlg::CWalkDlg(IToolRequests* host, QWidget* parent, int mode)
    : CToolWindow(parent, ObjectNameOfMode(mode), "Walk Test", DialogKeys::Ignored), m_host(host), m_uiQueue(std::make_unique<CUiThreadQueue>()),
      m_mode(mode), m_loader(m_uiQueue.get())
{
    m_baseCaption = windowTitle();

    m_graph = new CStaticWalkGraph(this);
    m_graph->setMinimumSize(860, 360);
    m_scroll = new QScrollBar(Qt::Horizontal, this);
    m_startButton = new QPushButton("Start", this);
    m_stopButton = new QPushButton("Stop", this);
    m_display = new QGroupBox("Display", this);
    const char* traceNames[4] = {"RF Level A", "RF Level B", "Sync Error", "Data Error"};
    auto* displayLayout = new QGridLayout(m_display);
    for (int t = 0; t < 4; ++t) {
        auto* box = new QCheckBox(traceNames[t], m_display);
        // The trace's colour as a swatch beside dark text: light green text on grey reads badly.
        auto* legend = new QLabel(QString("<span style=\"background-color: %1\">&nbsp;&nbsp;&nbsp;&nbsp;</span>&nbsp;<b>( - )</b>").arg(kLegendColours[t]), m_display);
        legend->setTextFormat(Qt::RichText);
        legend->setAccessibleName(QString(traceNames[t]) + " trace colour");
        m_traceBoxes[static_cast<std::size_t>(t)] = box;
        m_legends[static_cast<std::size_t>(t)] = legend;
        displayLayout->addWidget(box, t, 0);
        displayLayout->addWidget(legend, t, 1);
        connect(box, &QCheckBox::toggled, this, [this, t](bool on) {
            m_graph->Model().visible[static_cast<std::size_t>(t)] = on ? 1 : 0;
            m_graph->RequestRepaint();
        });
    }
    m_zoomOut = new QPushButton("-", this);
    m_zoomIn = new QPushButton("+", this);
    m_left = new CMarkerButton("<", this);
    m_marker = new CEditWalkMarker(this);
    m_right = new CMarkerButton(">", this);
    m_marker->setMinimumWidth(110);
    auto* marker = new QGroupBox("Marker", this);
    auto* markerLayout = MarkerGroupLayout(marker, "Time[h:m:s:ms]", m_left, m_marker, m_right);
    const char* valueNames[4] = {"RF Level A[dBuV]", "RF Level B[dBuV]", "Sync Error", "Data Error"};
    for (int t = 0; t < 4; ++t) {
        auto* caption = new QLabel(valueNames[t], marker);
        auto* value = new QLabel(marker);
        value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        value->setAlignment(Qt::AlignCenter);
        value->setMinimumWidth(60);
        value->setAccessibleName(valueNames[t]);
        m_valueCaptions[static_cast<std::size_t>(t)] = caption;
        m_values[static_cast<std::size_t>(t)] = value;
        markerLayout->addWidget(caption, 2 + t, 0, 1, 2);
        markerLayout->addWidget(value, 2 + t, 2);
    }
    m_caution = new QLabel(kCautionText, this);
    m_caution->hide();
    m_save = new QPushButton("Save log", this);
    m_open = new QPushButton("Open log", this);
    for (QPushButton* b : {m_startButton, m_stopButton, m_zoomOut, m_zoomIn, static_cast<QPushButton*>(m_left), static_cast<QPushButton*>(m_right), m_save, m_open})
        b->setAutoDefault(false); // Enter presses nothing

    auto* zoom = new QHBoxLayout;
    zoom->addWidget(m_scroll, 1);
    zoom->addWidget(m_zoomOut);
    zoom->addWidget(m_zoomIn);
    auto* left = new QVBoxLayout;
    left->addWidget(m_graph, 1);
    left->addLayout(zoom);
    auto* runButtons = new QHBoxLayout;
    runButtons->addWidget(m_startButton);
    runButtons->addWidget(m_stopButton);
    auto* logButtons = new QHBoxLayout;
    logButtons->addWidget(m_save);
    logButtons->addWidget(m_open);
    auto* side = new QVBoxLayout;
    side->addLayout(runButtons);
    side->addWidget(m_display);
    side->addWidget(marker);
    side->addWidget(m_caution);
    if (m_mode == kBackgroundLogViewer) {
        // Beside the viewer's own controls: what went wrong, to jump to.
        auto* events = new QGroupBox("Events", this);
        auto* eventsLayout = new QVBoxLayout(events);
        m_events = new QListView(events);
        m_events->setModel(&m_eventRows);
        m_events->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_events->setUniformItemSizes(true); // thousands of rows stay quick
        m_events->setMinimumWidth(260);
        eventsLayout->addWidget(m_events);
        side->addWidget(events, 1);
        connect(m_events->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex& current) { ChooseEvent(current.row()); });
    } else {
        side->addStretch(1); // the event list takes the room where there is one
    }
    side->addLayout(logButtons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(side);

    // The bar's range is the window's possible first points, which a zoom changes.
    m_window = std::make_unique<CGraphWindowControls>(m_graph, m_scroll, m_marker, [this] {
        SyncScrollBar();
        SetMarkerRangeToWindow();
    });
    m_window->Wire(this, m_zoomIn, m_zoomOut, m_left, m_right);
    connect(m_startButton, &QPushButton::clicked, this, &CWalkDlg::Start);
    connect(m_stopButton, &QPushButton::clicked, this, &CWalkDlg::Stop);
    connect(m_save, &QPushButton::clicked, this, &CWalkDlg::SaveLog);
    connect(m_open, &QPushButton::clicked, this, &CWalkDlg::OpenLog);
    connect(m_marker, &CEditMarker::edited, this, &CWalkDlg::OnMarkerEdited);
    connect(m_graph, &CStaticRfGraph::saveImageRequested, this, [this] { SaveImageAs(this, m_graph->Image(), windowTitle()); });
    connect(m_graph, &CStaticRfGraph::markerMoved, this, &CWalkDlg::OnMarkerMoved);
    m_marker->setAccessibleName("Marker time [h:m:s:ms]");
    NameGraphAfterWindow(this, m_graph);
    connect(m_graph, &CStaticWalkGraph::rangeGrown, this, &CWalkDlg::SyncScrollBar);
    connect(m_graph, &CStaticWalkGraph::followNewest, this, [this] { ScrollView(+1); });
    // Queued, as the graph's own notice: the stop follows the sample that hit the limit.
    connect(m_graph, &CStaticWalkGraph::graphFull, this, &CWalkDlg::OnTimeLimit, Qt::QueuedConnection);

    // Initialisation: traces A and B shown, the errors hidden, the walk set-up.
    m_traceBoxes[0]->setChecked(true);
    m_traceBoxes[1]->setChecked(true);
    m_graph->InitSettings();
    m_graph->Walk().SetupWalkTest();
    m_graph->Walk().style[0] = kStylePolyline;
    m_scroll->setEnabled(false);
    m_graph->ResetData();
    m_graph->Model().markerX = m_graph->Model().IndexToX(0);
    m_graph->RequestRepaint();
    m_graph->NotifyMarker(0);
    SetMarkerRangeToWindow();
    SetIdleLook(true);
    if (m_mode != kWalkLive) {
        for (QWidget* w : {static_cast<QWidget*>(m_startButton), static_cast<QWidget*>(m_stopButton), static_cast<QWidget*>(m_save)})
            w->hide();
        m_baseCaption = CaptionOfMode(m_mode);
        setWindowTitle(m_baseCaption);
    }
    if (m_mode == kBackgroundLogViewer)
        m_caution->show();
    if (m_mode == kTimeDomainViewer)
        SetTimeDomainMode();
}

CWalkDlg::~CWalkDlg()
{
    m_loader.Join();
}

void CWalkDlg::SetTimeDomainMode()
{
    m_open->hide();
    for (QWidget* w : {static_cast<QWidget*>(m_display), static_cast<QWidget*>(m_values[1]), static_cast<QWidget*>(m_values[2]),
                       static_cast<QWidget*>(m_values[3]), static_cast<QWidget*>(m_valueCaptions[1]), static_cast<QWidget*>(m_valueCaptions[2]),
                       static_cast<QWidget*>(m_valueCaptions[3])})
        w->hide();
    m_graph->Walk().SetupTimeDomain();
    m_graph->ResetData();
    m_valueCaptions[0]->setText("RF Level [dBuV]");
    m_caution->show();
}

// ---- Showing, titles and the look --------------------------------------------

void CWalkDlg::ShowFresh()
{
    m_graph->ClearData();
    Reset(0, 0);
    m_log.Forget();
    if (m_events)
        m_eventRows.SetEvents({});
    SetLiveTitle();
    show();
    raise();
}

void CWalkDlg::SetLiveTitle()
{
    QString title = m_baseCaption;
    if (m_mode == kWalkLive)
        title += " > RECEIVER " + QString::number(Receiver() + 1);
    setWindowTitle(title);
}

void CWalkDlg::SetLoadedTitle(const std::string& path)
{
    const QString file = QFileInfo(PathText(path)).fileName();
    QString title = m_baseCaption;
    switch (m_mode) {
    case kWalkLive:
        title += " (log) > RECEIVER" + QString::number(Receiver() + 1) + " > " + file;
        break;
    case kTimeDomainViewer:
        if (m_sourceState == kLogStateOpened)
            title += " > " + file;
        title += " > " + FrequencyText(m_timeDomainKhz) + "MHz";
        break;
    default:
        title += " > " + file;
        break;
    }
    setWindowTitle(title);
    if (m_mode != kTimeDomainViewer)
        m_caution->setText(kCautionText);
}

void CWalkDlg::SetIdleLook(bool idle)
{
    m_startButton->setEnabled(idle);
    m_stopButton->setEnabled(!idle);
    m_save->setEnabled(idle);
    m_open->setEnabled(idle);
}

void CWalkDlg::DisableAll()
{
    for (QPushButton* b : {m_startButton, m_stopButton, m_save, m_open})
        b->setEnabled(false);
}

// ---- The graph's window, the scroll bar and the marker ------------------------

void CWalkDlg::Reset(int timeMode, int64_t calendarSeconds)
{
    m_graph->SetStartTime(timeMode, calendarSeconds);
    m_scroll->setEnabled(true);
    SyncScrollBar();
    SetMarkerRangeToWindow();
}

void CWalkDlg::SyncScrollBar()
{
    m_window->SyncBar();
}

void CWalkDlg::SetMarkerRangeToWindow()
{
    m_marker->minimum = m_graph->Model().first;
    m_marker->maximum = m_graph->Model().last;
    m_marker->step = 1;
}

void CWalkDlg::OnMarkerMoved(const MarkerList& values)
{
    m_marker->setText(QString::fromStdString(WalkTimeText(values.points[0].index, m_msPerPoint)));
    m_marker->setModified(false);
    m_values[0]->setText(QString::number(values.points[0].value));
    m_values[1]->setText(QString::number(values.points[1].value));
    m_values[2]->setText(ErrorText(values.points[2].value));
    m_values[3]->setText(ErrorText(values.points[3].value));
    DescribeMarker(m_graph, m_marker->text(),
                   {{m_valueCaptions[0], m_values[0]}, {m_valueCaptions[1], m_values[1]}, {m_valueCaptions[2], m_values[2]}, {m_valueCaptions[3], m_values[3]}});
}

void CWalkDlg::OnMarkerEdited(int code)
{
    if (code == kStayedAtMinimum) {
        ScrollView(-1);
        return;
    }
    if (code == kStayedAtMaximum) {
        ScrollView(+1);
        return;
    }
    const int64_t typed = WalkTimeToIndex(m_marker->text().toStdString(), m_msPerPoint);
    ShowPoint(static_cast<int>(std::clamp<int64_t>(typed, 0, std::max(0, m_graph->Model().pointCount - 1))));
}

void CWalkDlg::ShowPoint(int index)
{
    CRfGraphModel& m = m_graph->Model();
    const int i = std::clamp(index, 0, std::max(0, m.pointCount - 1));
    // A point beyond the window brings the window to it, the point in the middle.
    if (i < m.first || i > m.last) {
        m_graph->ScrollBy(i - (m.last - m.first) / 2 - m.first);
        SyncScrollBar();
        SetMarkerRangeToWindow();
    }
    m.markerX = m.IndexToX(i);
    m_graph->RequestRepaint();
    m_graph->NotifyMarker(i);
}

// ---- The live test ------------------------------------------------------------

void CWalkDlg::Start()
{
    if (!m_log.AskKeep(this))
        return;
    if (m_host)
        m_host->StartWalkTest(Receiver());
    SetLiveTitle();
    m_graph->ClearData();
    Reset(1, 0);
    // The writer is mid-append when it says so: the test stops after.
    m_log.Create(this, kLogWalk, Receiver(), [this] { m_uiQueue->PostTask([this] { OnTimeLimit(); }); }, nullptr);
    m_running = true;
    SetIdleLook(false);
}

void CWalkDlg::Stop()
{
    if (m_host)
        m_host->StopWalkTest(Receiver());
    m_running = false;
    SetIdleLook(true);
    m_log.CloseWriter(); // the file stays, its state as it was
}

void CWalkDlg::OnTimeLimit()
{
    if (!m_running)
        return; // a second notice of the same limit
    Stop();
    ShowMessage(this, "Time Limit Exceeded. Walk Test was stopped.");
}

void CWalkDlg::SaveLog()
{
    m_log.Save(this);
}

void CWalkDlg::OnPollReply(const ReceiverReply& r)
{
    if (r.kind != kF1 || m_mode != kWalkLive)
        return;
    if (m_running)
        m_graph->AddSample(WalkSampleOfF1(r.reply.data()), true, false);
    m_log.Append(DecodeF1(r.reply.data()));
}

void CWalkDlg::OnReceiverMode(int, int32_t mode)
{
    SetReceiverMode(mode);
}

void CWalkDlg::SetReceiverMode(int32_t mode)
{
    // The running test's own state (walk test) and an idle receiver leave the
    // running look alone: Stop must stay at hand.
    if (m_running && (mode == kModeIdle || mode == kModeWalkTest))
        return;
    if (mode == kModeIdle) {
        SetIdleLook(true);
        return;
    }
    if (m_running && (mode == kModeChannelScanRx || mode == kModeUnavailable)) {
        Stop();
        if (mode == kModeUnavailable) {
            m_log.state = kLogStateKept;
            ShowMessage(this, kStoppedOnError);
        } else {
            ShowMessage(this, "Walk Test was stopped due to Channel Scan");
        }
    }
    DisableAll();
    if (m_running)
        m_stopButton->setEnabled(true); // a mode that does not end the test leaves the user a way to
}

void CWalkDlg::OnReceiverLost(int)
{
    if (m_mode != kWalkLive)
        return;
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

void CWalkDlg::closeEvent(QCloseEvent* e)
{
    if (!m_log.MayClose(this, m_running, "Walk Test is running.")) {
        e->ignore();
        return;
    }
    CToolWindow::closeEvent(e);
}

// ---- Logs opened from a file ----------------------------------------------------

void CWalkDlg::OpenLog()
{
    if (!m_log.AskKeep(this))
        return;
    const QString extension = LogExtension(LogKindOfWalkMode(m_mode));
    std::string folder;
    GetLogFolder(folder);
    const QString path = GetOpenFileName(this, QString::fromStdString(folder), "LogFile(*" + extension + ")");
    if (!path.isEmpty())
        LoadLog(NativePath(path));
}

void CWalkDlg::ShowTimeDomain(int khz, int sourceState, const std::string& path)
{
    // One load at a time, each under its own frequency: a request while one
    // runs waits for its end (the newest request only), then loads.
    if (m_loader.Running()) {
        m_pendingTimeDomain = PendingTimeDomain{khz, sourceState, path};
        return;
    }
    ShowFresh();
    m_sourceState = sourceState;
    m_timeDomainKhz = khz;
    LoadLog(path);
}

bool CWalkDlg::LoadLog(const std::string& path)
{
    if (m_loader.Running())
        return false;
    m_loadPath = path;
    if (m_host)
        m_host->LoadingStarted(path, false); // small walk logs load without it
    m_graph->hide();
    auto disabled = std::make_shared<CDisabledChildren>(this);
    const std::string file = path;
    const int mode = m_mode, khz = m_timeDomainKhz;
    const bool started = m_loader.StartLoad([=, this]() -> std::function<void()> {
        // Progress is posted (blocks read so far): the loader never waits on the window.
        auto playback = std::make_shared<WalkPlayback>(PlayWalkLog(file, mode, khz, [this](uint64_t blocks) {
            m_uiQueue->PostTask([this, blocks] {
                if (m_host)
                    m_host->LoadProgress(blocks);
            });
        }));
        return [this, playback, path, disabled] {
            if (playback->result != kLogOpened)
                ShowMessage(this, LogOpenMessage(playback->result));
            else
                ApplyPlayback(*playback, path);
            disabled->Restore();
            m_graph->show();
            m_graph->RequestRepaint();
            if (m_host)
                m_host->LoadingEnded();
            if (m_pendingTimeDomain)
                QTimer::singleShot(0, this, [this] {
                    if (!m_pendingTimeDomain)
                        return;
                    const PendingTimeDomain next = *std::exchange(m_pendingTimeDomain, std::nullopt);
                    m_loader.Join(); // the worker is past this load's apply: it ends at once
                    ShowTimeDomain(next.khz, next.sourceState, next.path);
                });
        };
    });
    if (!started) {
        disabled->Restore();
        m_graph->show();
    }
    return started;
}

void CWalkDlg::ApplyPlayback(WalkPlayback& playback, const std::string& path)
{
    if (m_mode == kTimeDomainViewer) {
        m_msPerPoint = playback.msPerPoint;
        m_graph->Walk().msPerPoint = playback.msPerPoint;
        m_marker->msPerPoint = playback.msPerPoint;
    }
    // Calendar time on this thread: the C library's time zone state is not the loader's to touch.
    const int64_t start = playback.records > 0 ? CalendarSecondsOfFileTime(playback.firstTime) : 0;
    Reset(start != 0 ? 2 : 0, start);
    CWalkGraphModel& m = m_graph->Walk();
    m.traces = std::move(playback.traces);
    m.pointCount = std::max(m.pointCount, playback.pointCount);
    SyncScrollBar();
    m_graph->NotifyMarker(m.NearestIndex(m.markerX).second);
    SetLoadedTitle(path);
    m_log.Opened(path);
    if (m_events) {
        m_eventRows.SetEvents(std::move(playback.events));
    }
}

void CWalkDlg::ChooseEvent(int row)
{
    const auto& events = m_eventRows.Events();
    if (row >= 0 && row < static_cast<int>(events.size()))
        ShowPoint(static_cast<int>(events[static_cast<std::size_t>(row)].firstRecord));
}

} // namespace zr
