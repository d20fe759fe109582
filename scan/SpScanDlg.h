#pragma once
// "Spectrum Scan": one receiver sweeps a frequency range in 25 or 125 kHz
// steps; the levels show as a curve and go into a spectrum log (.slg) that
// the user keeps or discards. A second instance is the "Spectrum Scan Log"
// viewer, which opens a saved log and shows each frequency's highest level.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <memory>

#include "graph/EditMarker.h"
#include "graph/GraphWindowControls.h"
#include "graph/StaticRfGraph.h"
#include "scan/StartWait.h"
#include "logs/gui/ToolLog.h"
#include "ui/FileDialog.h"
#include "ui/ToolRequests.h"
#include "ui/UiThreadQueue.h"
#include "ui/ToolWindow.h"
#include "ui/WindowWorker.h"

namespace zr {

class CWaterfallDlg;

// The "Frequency setting error:" message for a range, or "" when it is valid.
QString RangeErrors(int start, int stop, int step, int lowest, int highest);

class CSpScanDlg : public CToolWindow {
    Q_OBJECT
public:
    CSpScanDlg(IToolRequests* host, QWidget* parent);
    ~CSpScanDlg() override;

    void SetViewerMode();
    bool IsViewer() const { return m_viewer; }
    void SetReceiver(int recNo);
    void SetLimits(int lowestKhz, int highestKhz);
    // Shown fresh: the settings panel, an empty view, no log.
    void ShowFresh();
    void OnScanState(int32_t mode, bool fromPoll);
    void Stop();
    // One spectrum point of a running scan.
    void AddPoint(int levelA, int levelB, int khz);
    void BeginLog();

    void OnPollReply(const ReceiverReply& reply) override;
    void OnReceiverMode(int recNo, int32_t mode) override;
    void OnOneShot(int recNo, int kind, bool acknowledged) override;
    void OnReceiverLost(int recNo) override;

    // Buttons, for the window and for tests.
    void StartScan();
    void SaveLog();
    void OpenLog();
    void ChangeView();
    // The loaded log's sweeps as a picture, in a window of its own.
    void ShowWaterfall();
    CWaterfallDlg* Waterfall() const { return m_waterfallDlg; }
    void ZoomBy(int mode);
    void ScrollView(int delta);
    // Loads a spectrum log (the worker decodes, the window applies); false
    // when one is loading already.
    bool LoadLog(const std::string& path);
    bool Loading() const { return m_loader.Running(); }
    QString LoadingPath() const { return PathText(m_loadingPath); }

    bool Running() const { return m_running; }
    bool IsRunning() const override { return m_running; }
    int Confirmation() const { return m_confirmation; }
    int State() const { return m_log.state; }
    const std::string& LogPath() const { return m_log.path; }
    CStaticSpScanGraph* Graph() const { return m_graph; }
    CEditSpMarker* Marker() const { return m_marker; }
    CEditSpMarker* StartEdit() const { return m_startEdit; }
    CEditSpMarker* StopEdit() const { return m_stopEdit; }
    QComboBox* Steps() const { return m_steps; }
    QCheckBox* PeakHold() const { return m_peakHold; }
    QPushButton* StartButton() const { return m_startButton; }
    QPushButton* StopButton() const { return m_stopButton; }
    QLabel* Level() const { return m_level; }
    QScrollBar* ScrollBar() const { return m_scroll; }
    QCheckBox* ShadeBox() const { return m_shadeBox; }
    bool LogWriting() const { return m_log.Writing(); }
    QPushButton* ZoomInButton() const { return m_zoomIn; }
    QPushButton* PlanButton() const { return m_planButton; }

signals:
    // The viewer's "Frequency Plan": a plan on the log shown.
    void frequencyPlanRequested();

public:

protected:
    void closeEvent(QCloseEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    void InitSettingsPanel();
    void ApplySettings();
    void ResetView();
    bool ValidateRange(int step);
    void OnStepChanged(int index);
    void SetLook(bool idle);
    void DisableAll();
    void SetMarkerRangeToWindow();
    void OnMarkerMoved(const MarkerList& values);
    void OnMarkerEdited(int code);
    void OnTimeLimit();
    QString CaptionBase() const;

    IToolRequests* m_host;
    std::unique_ptr<CUiThreadQueue> m_uiQueue; // the writer's time limit; the loader's progress and results
    QString m_baseCaption;
    bool m_viewer = false;
    int m_lowest = 0, m_highest = 0;
    int m_panelStep = 25;
    int m_start = 0, m_stop = 0, m_step = 25, m_peak = 2; // what the graph shows
    bool m_running = false;
    int m_confirmation = 0;
    CStartWait m_startWait;
    CToolLog m_log;
    std::string m_loadingPath;
    CWindowWorker m_loader;

    CStaticSpScanGraph* m_graph;
    QScrollBar* m_scroll;
    std::unique_ptr<CGraphWindowControls> m_window;
    QPushButton* m_zoomOut;
    QPushButton* m_zoomIn;
    CMarkerButton* m_left;
    CEditSpMarker* m_marker;
    CMarkerButton* m_right;
    QLabel* m_levelCaption;
    QLabel* m_level;
    QGroupBox* m_setting;
    QComboBox* m_steps;
    CEditSpMarker* m_startEdit;
    CEditSpMarker* m_stopEdit;
    QToolButton* m_startUp;
    QToolButton* m_startDown;
    QToolButton* m_stopUp;
    QToolButton* m_stopDown;
    QCheckBox* m_peakHold;
    QCheckBox* m_shadeBox; // the viewer's legend of the grey shading, and its switch
    QPushButton* m_startButton;
    QPushButton* m_stopButton;
    QPushButton* m_save;
    QPushButton* m_open;
    QPushButton* m_changeView;
    QPushButton* m_waterfallButton;
    QPushButton* m_planButton;
    CWaterfallDlg* m_waterfallDlg = nullptr;
    std::vector<uint8_t> m_waterfall; // the loaded log's sweeps
};

} // namespace zr
