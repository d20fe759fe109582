#pragma once
// "Walk Test": one receiver's reception sampled every 100 ms while the
// technician walks the stage, drawn as RF levels A and B and the sync and
// data errors against time, and written to a walk log (.wlg) that is kept or
// deleted at the end. Three more instances are viewers: of walk logs, of
// Background Logs (.nlg), and of one frequency of a spectrum log over time.
#include <QCheckBox>
#include <QListView>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "graph/EditMarker.h"
#include "graph/GraphWindowControls.h"
#include "graph/StaticWalkGraph.h"
#include "logs/gui/ToolLog.h"
#include "ui/ToolRequests.h"
#include "ui/UiThreadQueue.h"
#include "ui/FileDialog.h"
#include "ui/ToolWindow.h"
#include "ui/WindowWorker.h"
#include "walk/EventListModel.h"
#include "walk/WalkLogLoader.h"

namespace zr {

class CWalkDlg : public CToolWindow {
    Q_OBJECT
public:
    // `mode` (WalkViewMode) is fixed for the life of the window.
    CWalkDlg(IToolRequests* host, QWidget* parent, int mode);
    ~CWalkDlg() override;

    int Mode() const { return m_mode; }
    // Shown fresh: empty graph, no start time, no log.
    void ShowFresh();
    // The receiver's mode as the main view reports it.
    void SetReceiverMode(int32_t mode);
    // The time-domain viewer: `khz` of the spectrum log at `path`, which the
    // spectrum window held in `sourceState`.
    void ShowTimeDomain(int khz, int sourceState, const std::string& path);

    void OnPollReply(const ReceiverReply& reply) override;
    void OnReceiverMode(int recNo, int32_t mode) override;
    void OnReceiverLost(int recNo) override;
    bool IsRunning() const override { return m_running; }
    // The receiver mode of every receiver reaches the live test, not only its own.
    bool HearsEveryMode() const override { return m_mode == kWalkLive; }

    // Buttons, for the window and for tests.
    void Start();
    void Stop();
    void SaveLog();
    void OpenLog();
    void ZoomBy(int mode) { m_window->ZoomBy(mode); }
    void ScrollView(int delta) { m_window->ScrollView(delta); }
    // Loads a log of this window's kind; false while one is loading already.
    bool LoadLog(const std::string& path);
    bool Loading() const { return m_loader.Running(); }
    QString LoadingPath() const { return PathText(m_loadPath); }

    bool Running() const { return m_running; }
    int State() const { return m_log.state; }
    const std::string& LogPath() const { return m_log.path; }
    int MsPerPoint() const { return m_msPerPoint; }
    CStaticWalkGraph* Graph() const { return m_graph; }
    CEditWalkMarker* Marker() const { return m_marker; }
    QScrollBar* ScrollBar() const { return m_scroll; }
    QPushButton* StartButton() const { return m_startButton; }
    QPushButton* StopButton() const { return m_stopButton; }
    QPushButton* SaveButton() const { return m_save; }
    QPushButton* OpenButton() const { return m_open; }
    QCheckBox* TraceBox(int trace) const { return m_traceBoxes[static_cast<std::size_t>(trace)]; }
    // The read-out: RF A, RF B, sync error, data error at the marker.
    QLabel* ReadOut(int trace) const { return m_values[static_cast<std::size_t>(trace)]; }
    QLabel* Caution() const { return m_caution; }
    // The Background Log viewer's list of what went wrong; choosing one shows it.
    QListView* EventList() const { return m_events; }
    const CEventListModel& EventRows() const { return m_eventRows; }
    void ChooseEvent(int row);
    // Moves the marker to point `index`, bringing the window to it.
    void ShowPoint(int index);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void SetTimeDomainMode();
    void Reset(int timeMode, int64_t calendarSeconds);
    void SyncScrollBar();
    void SetMarkerRangeToWindow();
    void SetLiveTitle();
    void SetLoadedTitle(const std::string& path);
    void SetIdleLook(bool idle);
    void DisableAll();
    void OnTimeLimit();
    void OnMarkerMoved(const MarkerList& values);
    void OnMarkerEdited(int code);
    void ApplyPlayback(WalkPlayback& playback, const std::string& path);

    IToolRequests* m_host;
    std::unique_ptr<CUiThreadQueue> m_uiQueue; // the writer's time limit; the loader's progress and results
    int m_mode;
    QString m_baseCaption;
    bool m_running = false;
    CToolLog m_log;
    int m_timeDomainKhz = 0;
    struct PendingTimeDomain {
        int khz = 0, sourceState = 0;
        std::string path;
    };
    std::optional<PendingTimeDomain> m_pendingTimeDomain;
    int m_sourceState = kLogStateNone;
    int m_msPerPoint = 100;
    std::string m_loadPath;
    CWindowWorker m_loader;

    CStaticWalkGraph* m_graph;
    QScrollBar* m_scroll;
    std::unique_ptr<CGraphWindowControls> m_window;
    QPushButton* m_startButton;
    QPushButton* m_stopButton;
    QGroupBox* m_display;
    std::array<QCheckBox*, 4> m_traceBoxes{};
    std::array<QLabel*, 4> m_legends{};
    QPushButton* m_zoomOut;
    QPushButton* m_zoomIn;
    CMarkerButton* m_left;
    CEditWalkMarker* m_marker;
    CMarkerButton* m_right;
    std::array<QLabel*, 4> m_valueCaptions{};
    std::array<QLabel*, 4> m_values{};
    QLabel* m_caution;
    QPushButton* m_save;
    QPushButton* m_open;
    QListView* m_events = nullptr;
    CEventListModel m_eventRows;
};

} // namespace zr
