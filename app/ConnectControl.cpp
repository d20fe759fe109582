// The main view's connection: identify, number, disconnect, and the quit question.
#include "app/MaintenanceView.h"

#include "app/SleepInhibitor.h"
#include "app/ViewTexts.h"
#include "info/FwVerDlg.h"
#include "info/IdDlg.h"
#include "link/ToolFacts.h"
#include "publish/LiveFeed.h"
#include "ui/MessageBox.h"

namespace zr {

// ---- Connect and disconnect ------------------------------------------------

void CZRQ6930_MaintenanceView::OnConnectButton()
{
    if (m_nConnectState == kDisconnected) {
        Connect();
        return;
    }
    if (ToolCheck())
        Disconnect(0);
}

void CZRQ6930_MaintenanceView::Connect()
{
    if (m_table->rowCount() > 0)
        m_table->setRowCount(0);
    const int opened = m_session->OpenAll();
    ReportPortErrors();
    if (opened == 0) {
        ShowMessage(this, kNoReceiverText);
        return;
    }
    m_connectButton->setEnabled(false);
    m_nConnectState = kConnecting;
}

void CZRQ6930_MaintenanceView::OnIdentifyDone(uintptr_t link, intptr_t result)
{
    if (m_session->OnIdentifyDone(link, result) && m_nConnectState == kConnecting) {
        ReportPortErrors();
        FinishConnect();
    }
}

// The ports that could not be served, and why (permission, busy, too many
// open files, no thread), in the status bar: the message box only says that
// no receiver answered.
void CZRQ6930_MaintenanceView::ReportPortErrors()
{
    QStringList errors;
    for (const SessionReceiver& r : m_session->Receivers())
        if (!r.stale && !r.error.empty())
            errors << QString::fromStdString(r.port + ": " + r.error);
    if (!errors.isEmpty())
        emit statusMessage(errors.join("; "));
}

// Numbering once every identification has reported. This runs on the
// user-interface thread, so nothing reads a link that a handler deletes.
void CZRQ6930_MaintenanceView::FinishConnect()
{
    const std::vector<StateRecord> records = m_session->Number();
    for (const StateRecord& record : records)
        m_table->UpdateRow(record, 0, false);
    if (!records.empty()) {
        m_table->selectRow(0);
        m_table->setCurrentCell(0, 0);
    }
    for (const SessionReceiver& r : m_session->Receivers()) {
        if (r.stale || !r.link || r.recNo < 0)
            continue;
        StartPacing(r.recNo, kProgrammeIdle.periodMs);
        r.link->StartPolling();
        m_slots[static_cast<std::size_t>(r.recNo)].monitored = true;
    }
    OnConnectDone(static_cast<int>(records.size()));
}

void CZRQ6930_MaintenanceView::OnConnectDone(int count)
{
    if (count > 0) {
        m_connectButton->setText("Disconnect");
        SetConnectionLabel(true);
        m_nConnectState = kConnected;
        m_sleepInhibitor->Acquire();
        m_resumed = false;
        for (QPushButton* b : m_toolButtons)
            b->setEnabled(true);
        m_connectButton->setEnabled(true);
        UpdateToolButtons();
    } else {
        SetConnectionLabel(false);
        m_connectButton->setText("Connect");
        m_nConnectState = kDisconnected;
        m_sleepInhibitor->Release();
        ShowMessage(this, kNoReceiverText);
        m_connectButton->setEnabled(true);
    }
}

bool CZRQ6930_MaintenanceView::ToolCheck()
{
    if (m_recording) {
        ShowMessage(this, kRecordingRunning);
        return false;
    }
    return m_tools.CloseAll();
}

void CZRQ6930_MaintenanceView::Disconnect(int reason)
{
    m_connectButton->setEnabled(false);
    m_session->CloseAll();
    if (m_live)
        m_live->RemovedAll();
    if (reason == 0)
        m_table->setRowCount(0);
    SetConnectionLabel(false);
    m_connectButton->setText("Connect");
    m_nConnectState = kDisconnected;
    m_sleepInhibitor->Release();
    for (QPushButton* b : m_toolButtons)
        b->setEnabled(false);
    for (int n = 0; n < kMaxReceivers; ++n) {
        KillPacing(n);
        m_slots[static_cast<std::size_t>(n)].monitored = false;
    }
    // The pause before Connect works again, without blocking the window.
    QTimer::singleShot(150, this, [this] { m_connectButton->setEnabled(m_nConnectState == kDisconnected); });
}

intptr_t CZRQ6930_MaintenanceView::OnQueryQuit()
{
    if (m_nConnectState == kDisconnected)
        return 1;
    if (ShowMessage(this, kQuitQuestion, MsgButtons::YesNo) != MsgAnswer::Yes)
        return 0;
    if (!ToolCheck())
        return 0;
    Disconnect(0);
    m_session->DestroyAll();
    return 1;
}

} // namespace zr
