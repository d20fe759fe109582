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

bool CZRQ6930_MaintenanceView::CanStartRecording() const
{
    return !m_recording && m_nConnectState == kConnected && !AnyGuardedDialogVisible();
}

void CZRQ6930_MaintenanceView::StartRecording()
{
    if (m_nConnectState != kConnected)
        return;
    // A walk test or scan running in a tool window, or reported by a receiver, refuses.
    if (m_tools.AnyToolRunning() || m_controller->Session().AnyReceiverBusy()) {
        ShowMessage(this, kToolBusyText);
        return;
    }
    if (m_controller->ServedCount() == 0 || m_recording)
        return;
    std::vector<int> monitored;
    for (int n = 0; n < kMaxReceivers; ++n)
        if (IsMonitored(n))
            monitored.push_back(n);
    std::vector<CBackgroundRecorder::StartIssue> issues;
    // The writer says so from inside an append: the recording ends after it.
    m_recorder.Start(monitored, [this] { m_uiQueue->PostTask([this] { OnRecordingTimeLimit(); }); }, issues);
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
    // A receiver that stops answering is asked again until it is back in its log.
    m_controller->StartRecovery([this](const std::string& line) {
        m_recordingEvents->Add(line);
        emit statusMessage(QString::fromStdString(line));
    });
    m_loggingLabel->show();
    for (QPushButton* b : m_toolButtons)
        b->setEnabled(false);
    m_controller->SetProgrammeOfAll(kProgrammeBackgroundLog);
}

void CZRQ6930_MaintenanceView::StopBackgroundLog(int reason)
{
    if (!m_recording)
        return;
    m_recording = false;
    m_controller->StopRecovery(); // a receiver still away stays "Comm Error", as without recording
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
    m_controller->SetProgrammeOfAll(kProgrammeStopped);
    UpdateToolButtons();
}

void CZRQ6930_MaintenanceView::OnRecordingTimeLimit()
{
    if (!m_recording)
        return; // a late one changes nothing
    StopBackgroundLog(2);
    ShowMessage(this, kRecordingTimeLimitText);
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
