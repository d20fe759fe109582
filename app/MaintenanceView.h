#pragma once
// The main view: the receiver table, the buttons and the tool windows on top
// of the receiver controller, which serves the receivers; the view hosts the
// tools, shows what the controller reports, and runs the Background Log.
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/ListCtrlMain.h"
#include "app/ToolHost.h"
#include "link/ReceiverController.h"
#include "logs/BackgroundRecorder.h"
#include "logs/RecordingEvents.h"
#include "ui/QtPacingClock.h"
#include "ui/ToolRequests.h"
#include "ui/UiThreadQueue.h"

namespace zr {

class CLoadingFileDlg;
class CLogConvertDlg;
class CFwVerDlg;
class CIdDlg;
class CFbsDlg;
class CChScanDlg;
class CSpScanDlg;
class CWalkDlg;
class CSleepInhibitor;
class CFrequencyPlanDlg;
class CLiveFeed;

enum ConnectState { kDisconnected = 0, kConnected = 1, kConnecting = 2 };

class CZRQ6930_MaintenanceView : public QWidget, public IToolRequests, private IReceiverListener {
    Q_OBJECT
public:
    explicit CZRQ6930_MaintenanceView(bool detailMode, QWidget* parent = nullptr);
    ~CZRQ6930_MaintenanceView() override;

    // The frame's questions: may the program end (asks the user while
    // connected); show FW Version or ID View (false when refused).
    bool QueryQuit();
    bool ShowFwVersion();
    bool ShowIdView();
    // The system woke from sleep; the recording's time limit was reached.
    void OnPowerResumed() { m_resumed = true; }
    void OnRecordingTimeLimit();

    // What the tool windows ask.
    void StartChannelScan(int recNo, uint16_t bankCode) override;
    void StartSpectrumScan(int recNo, const SpectrumRangeKhz& range) override;
    void StopChannelScan(int recNo) override;
    void StopSpectrumScan(int recNo) override;
    void StartWalkTest(int recNo) override;
    void StopWalkTest(int recNo) override;
    void FbsDetailClosed(int recNo) override;
    void IdViewClosed() override;
    void LoadingStarted(const std::string& path, bool showProgress) override;
    void LoadProgress(uint64_t blocksRead) override;
    void LoadingEnded() override;
    void ShowTimeDomain(int khz, int logState, const std::string& path) override;

    // Buttons and commands.
    void OnConnectButton();
    void OnToolButton(int button); // kIdWalkButton..kIdFbsButton
    void StartRecording();
    void StopRecording() { StopBackgroundLog(0); }
    void StopBackgroundLog(int reason);
    void OpenLogFolder();
    void ShowLogConvert();
    void ShowSpectrumLogViewer();
    void ShowWalkLogViewer();
    void ShowBackgroundLogViewer();
    // The frequency plan on the log the spectrum log viewer shows; the check
    // of the connected receivers' frequencies in the same window.
    void ShowFrequencyPlan();
    void CheckReceiverFrequencies();
    // (receiver number, kHz) of every monitored receiver, from its last F0 reply.
    std::vector<std::pair<int, int>> ReceiverFrequencies() const;
    CFrequencyPlanDlg* FrequencyPlanDialog() const { return m_planDlg; }
    // Rows, records and the recording state go to `feed` as well (live
    // publishing); nullptr: to nobody.
    void SetLiveFeed(CLiveFeed* feed) { m_live = feed; }
    // A log file of any kind, opened in the viewer of its kind; false (and
    // the viewers' own message) when it is no log or cannot be read.
    bool OpenLogFile(const std::string& path); // the system's own name

    // Menu enable rules.
    bool CanStartRecording() const;
    bool IsRecording() const { return m_recording; }

    // State for the frame and tests.
    int ConnectState() const { return m_nConnectState; }
    CListCtrlMain* Table() const { return m_table; }
    QPushButton* ConnectButton() const { return m_connectButton; }
    QPushButton* ToolButton(int button) const;
    QLabel* ConnectionLabel() const { return m_connectionLabel; }
    QLabel* LoggingLabel() const { return m_loggingLabel; }
    std::size_t LinkCount() const { return m_controller->Session().LinkCount(); }
    CReceiverLink* LinkOf(int recNo) const { return m_controller->LinkOf(recNo); }
    bool IsMonitored(int recNo) const { return m_controller->IsServed(recNo); }
    const CLogFileDoc* LogDocOf(int recNo) const { return m_recorder.Doc(recNo); }
    int64_t PollPeriod() const { return m_controller->PollPeriod(); }
    bool ResumeNoted() const { return m_resumed; }
    int32_t ReceiverModeOf(int recNo) const;
    CLoadingFileDlg* LoadingDialog() const { return m_loadingDlg; }
    CLogConvertDlg* ConvertDialog() const { return m_convertDlg; }
    CToolHost& Tools() { return m_tools; }
    CWalkDlg* WalkDialog() const { return m_walkDlg; }
    CWalkDlg* WalkLogViewer() const { return m_walkLogViewer; }
    CWalkDlg* BackgroundLogViewer() const { return m_bgLogViewer; }
    CWalkDlg* TimeDomainViewer() const { return m_timeDomainViewer; }
    CSpScanDlg* SpectrumLogViewer() const { return m_spLogViewer; }

signals:
    void statusMessage(const QString& text);

private:
    void Connect();
    void Disconnect(int reason);
    bool ToolCheck();
    void ReportPortErrors();
    void OpenFbsDetail(int recNo);
    void OnSelectionChanged();
    void UpdateToolButtons();
    bool AnyGuardedDialogVisible() const { return m_tools.AnyGuardedVisible(); }
    void SetConnectionLabel(bool connected);

    // What the controller reports.
    void Connected(const std::vector<StateRecord>& rows) override;
    void RowChanged(int recNo, const std::string& port, const StateRecord& row) override;
    void ModeChanged(int recNo, int32_t mode) override;
    void Replied(const ReceiverReply& reply) override;
    void OneShotDone(int recNo, int kind, bool acknowledged) override;
    void ReceiverLost(SessionReceiver& r, bool recovering) override;

    bool m_detailMode;
    CLiveFeed* m_live = nullptr;
    int m_nConnectState = kDisconnected;
    bool m_recording = false;
    bool m_resumed = false;
    // Before the controller: its links post here until they are joined.
    std::unique_ptr<CUiThreadQueue> m_uiQueue;
    CQtPacingClock m_clock;
    std::unique_ptr<CReceiverController> m_controller;
    CToolHost m_tools;
    CBackgroundRecorder m_recorder;
    // While recording, losses and returns kept beside the logs.
    std::unique_ptr<CRecordingEvents> m_recordingEvents;
    std::unique_ptr<CSleepInhibitor> m_sleepInhibitor;

    CListCtrlMain* m_table;
    QPushButton* m_connectButton;
    std::array<QPushButton*, kToolButtonCount> m_toolButtons{};
    QLabel* m_loggingLabel;
    QLabel* m_connectionLabel;
    CLoadingFileDlg* m_loadingDlg;
    CLogConvertDlg* m_convertDlg;
    CFwVerDlg* m_fwVerDlg;
    CIdDlg* m_idDlg;
    CFbsDlg* m_fbsDlg;
    CChScanDlg* m_chScanDlg;
    CSpScanDlg* m_spScanDlg;
    CSpScanDlg* m_spLogViewer;
    CWalkDlg* m_walkDlg;
    CWalkDlg* m_walkLogViewer;
    CWalkDlg* m_bgLogViewer;
    CWalkDlg* m_timeDomainViewer;
    CFrequencyPlanDlg* m_planDlg;
};

} // namespace zr
