// The Background Log side of the main view: start, stop, time limit, folder.
#include <QDesktopServices>
#include <QUrl>

#include "app/MaintenanceView.h"
#include "ui/MessageBox.h"
#include "link/Commands.h"
#include "link/ReplyFields.h"
#include "logs/gui/LogConvertDlg.h"
#include "platform/LogFolder.h"

namespace zr {

namespace {
constexpr char kBusyMessage[] = "This function is not available during scanning or walk testing.";
}

bool CZRQ6930_MaintenanceView::CanStartRecording() const
{
    return !m_recording && m_nConnectState == kConnected && !AnyGuardedDialogVisible();
}

void CZRQ6930_MaintenanceView::StartRecording()
{
    if (m_nConnectState != kConnected)
        return;
    // A running walk test or scan in the tool windows refuses here as well.
    for (int n = 0; n < kMaxReceivers; ++n) {
        CReceiverLink* link = LinkOf(n);
        if (link && ReceiverModeFromState(ReplyChar(link->Reply(kF0).data(), F0Field::State)) != kModeIdle) {
            ShowMessage(this, kBusyMessage);
            return;
        }
    }
    if (MonitoredCount() == 0 || m_recording)
        return;
    for (int n = 0; n < kMaxReceivers; ++n) {
        ReceiverSlot& slot = m_slots[static_cast<std::size_t>(n)];
        if (!slot.monitored || slot.logDoc)
            continue;
        slot.logDoc = std::make_unique<CLogFileDoc>();
        slot.writeFailureTold = false;
        const int created = slot.logDoc->CreateLog(kLogNorm, n, 0, m_owner.get(), nullptr);
        if (created == 1)
            ShowMessage(this, kFailedSystemFolder);
        else if (created == 2)
            emit statusMessage(QString("Cannot create the Background Log file %1").arg(QString::fromStdString(slot.logDoc->CurrentPath())));
    }
    m_recording = true;
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
    m_loggingLabel->hide();
    for (QPushButton* b : m_toolButtons)
        b->setEnabled(true);
    if (reason == 0)
        ShowMessage(this, "Background Log recording was stopped.");
    for (auto& slot : m_slots)
        slot.logDoc.reset();
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
