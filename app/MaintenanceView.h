#pragma once
// The main view: owns the receiver links, numbers the receivers, paces their
// polls, keeps the receiver table current, handles lost receivers, and runs
// the Background Log.
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <array>
#include <map>
#include <memory>

#include "app/ControlIds.h"
#include "app/ListCtrlMain.h"
#include "app/ToolHost.h"
#include "link/PollPacer.h"
#include "link/PollProgramme.h"
#include "link/ReceiverSession.h"
#include "link/ReceiverRecovery.h"
#include "logs/BackgroundRecorder.h"
#include "logs/RecordingEvents.h"
#include "ui/QtMessageOwner.h"

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

struct ReceiverSlot {
    bool monitored = false;
    bool paced = false; // served by the 10 ms pacing tick
    int32_t lastMode = kModeUnavailable;
};

class CZRQ6930_MaintenanceView : public QWidget {
    Q_OBJECT
public:
    explicit CZRQ6930_MaintenanceView(bool detailMode, QWidget* parent = nullptr);
    ~CZRQ6930_MaintenanceView() override;

    // Application messages (posted ones arrive as events; sent ones call this).
    intptr_t HandleAppMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam);

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
    std::size_t LinkCount() const { return m_session->LinkCount(); }
    CReceiverLink* LinkOf(int recNo) const { return m_session->LinkOf(recNo); }
    bool IsMonitored(int recNo) const { return recNo >= 0 && recNo < kMaxReceivers && m_slots[static_cast<std::size_t>(recNo)].monitored; }
    const CLogFileDoc* LogDocOf(int recNo) const { return m_recorder.Doc(recNo); }
    int64_t PollPeriod() const { return m_pacer.Period(); }
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
    void FinishConnect();
    void OnConnectDone(int count);
    void Disconnect(int reason);
    bool ToolCheck();
    void OnIdentifyDone(uintptr_t link, intptr_t result);
    void ReportPortErrors();
    void OnPollReply(CReceiverLink* link, int kind);
    void OnPollFailed(CReceiverLink* link);
    void OnOneShotResult(CReceiverLink* link, int kind, bool acknowledged);
    // A scan start or stop: pacing stopped, the command sent by the one-shot thread.
    void StartOneShot(int recNo, const CommandDesc& command, bool onlyWhenMonitored);
    intptr_t OnQueryQuit();
    intptr_t OnShowFwVersion();
    intptr_t OnShowIdView();
    void OnIdViewClosed();
    void OpenFbsDetail(int recNo);
    void OnFbsClosed(int recNo);
    void OnSelectionChanged();
    void UpdateToolButtons();

    void StartPacing(int recNo, int periodMs);
    void KillPacing(int recNo);
    void SchedulePacing();
    void OnPacingTick();
    // Switches one receiver's programme: pacing stopped, link reprogrammed,
    // row state shown, pacing restarted with the programme's period.
    void SetPollProgramme(CReceiverLink* link, const PollProgramme& programme);
    // The same for every monitored receiver.
    void SetPollProgrammeOfAll(const PollProgramme& programme);
    void SetRowState(CReceiverLink* link, char state);
    void UpdateRowFromF0(CReceiverLink* link);
    int MonitoredCount() const;
    bool AnyGuardedDialogVisible() const { return m_tools.AnyGuardedVisible(); }
    void SetConnectionLabel(bool connected);

    bool m_detailMode;
    CLiveFeed* m_live = nullptr;
    int m_nConnectState = kDisconnected;
    std::array<ReceiverSlot, kMaxReceivers> m_slots;
    QTimer m_pacingTimer; // the next pacing tick at which a poll falls due
    void OnReceiverBack(SessionReceiver& r);
    CPollPacer m_pacer;
    bool m_recording = false;
    bool m_resumed = false;
    std::unique_ptr<CQtMessageOwner> m_owner;
    std::unique_ptr<CReceiverSession> m_session;
    CToolHost m_tools;
    CBackgroundRecorder m_recorder;
    // While recording, a receiver that stops answering is asked again until
    // it is back in its log; losses and returns kept beside the logs.
    std::unique_ptr<CReceiverRecovery> m_recovery;
    std::unique_ptr<CRecordingEvents> m_recordingEvents;
    QTimer m_recoveryTimer;
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
