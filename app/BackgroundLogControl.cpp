// The Background Log side of the main view: start, stop, time limit, folder.
#include <QDesktopServices>
#include <QUrl>

#include "app/MaintenanceView.h"
#include "publish/LiveFeed.h"
#include "ui/MessageBox.h"
#include "link/Commands.h"
#include "link/ToolFacts.h"
#include "logs/gui/LogConvertDlg.h"
#include "platform/LogFolder.h"

namespace zr {

namespace {
}

bool CZRQ6930_MaintenanceView::CanStartRecording() const
{
    return !m_recording && m_nConnectState == kConnected && !AnyGuardedDialogVisible();
}

void CZRQ6930_MaintenanceView::StartRecording()
{
    if (m_nConnectState != kConnected)
        return;
    // A walk test or scan running in a tool window, or reported by a receiver, refuses.
    if (m_tools.AnyToolRunning() || m_session->AnyReceiverBusy()) {
        ShowMessage(this, kToolBusyText);
        return;
    }
    if (MonitoredCount() == 0 || m_recording)
        return;
    std::vector<int> monitored;
    for (int n = 0; n < kMaxReceivers; ++n)
        if (IsMonitored(n))
            monitored.push_back(n);
    std::vector<CBackgroundRecorder::StartIssue> issues;
    m_recorder.Start(monitored, m_owner.get(), issues);
    for (const auto& issue : issues) {
        if (issue.result == 1)
            ShowMessage(this, kFailedSystemFolder);
        else
            emit statusMessage(QString("Cannot create the Background Log file %1").arg(QString::fromStdString(issue.path)));
    }
    m_recording = true;
    if (m_live)
        m_live->RecordingStarted(monitored);
    m_recordingEvents = std::make_unique<CRecordingEvents>(false);
    m_recovery = std::make_unique<CReceiverRecovery>(*m_session, [this](const std::string& line) {
        m_recordingEvents->Add(line);
        emit statusMessage(QString::fromStdString(line));
    });
    m_recoveryTimer.start(250);
    m_loggingLabel->show();
    for (QPushButton* b : m_toolButtons)
        b->setEnabled(false);
    SetPollProgrammeOfAll(kProgrammeBackgroundLog);
}

void CZRQ6930_MaintenanceView::StopBackgroundLog(int reason)
{
    if (!m_recording)
        return;
    m_recording = false;
    m_recoveryTimer.stop();
    if (m_recovery)
        m_recovery->Abandon(); // a receiver still away stays "Comm Error", as without recording
    m_recovery.reset();
    m_recordingEvents.reset();
    m_loggingLabel->hide();
    for (QPushButton* b : m_toolButtons)
        b->setEnabled(true);
    if (reason == 0)
        ShowMessage(this, kRecordingStoppedText);
    m_recorder.Stop();
    if (m_live)
        m_live->RecordingStopped();
    if (reason == 1)
        return;
    SetPollProgrammeOfAll(kProgrammeStopped);
    UpdateToolButtons();
}

void CZRQ6930_MaintenanceView::OpenLogFolder()
{
    std::string folder;
    if (!GetLogFolder(folder)) {
        ShowMessage(this, kFailedSystemFolder);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

void CZRQ6930_MaintenanceView::ShowLogConvert()
{
    m_convertDlg->show();
    m_convertDlg->raise();
}

} // namespace zr
