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
    const int opened = m_controller->Connect();
    ReportPortErrors();
    if (opened == 0) {
        ShowMessage(this, kNoReceiverText);
        return;
    }
    m_connectButton->setEnabled(false);
    m_nConnectState = kConnecting;
}

// The ports that could not be served, and why (permission, busy, too many
// open files, no thread), in the status bar: the message box only says that
// no receiver answered.
void CZRQ6930_MaintenanceView::ReportPortErrors()
{
    QStringList errors;
    for (const SessionReceiver& r : m_controller->Session().Receivers())
        if (!r.stale && !r.error.empty())
            errors << QString::fromStdString(r.port + ": " + r.error);
    if (!errors.isEmpty())
        emit statusMessage(errors.join("; "));
}

// Every identification has reported and the receivers are numbered.
void CZRQ6930_MaintenanceView::Connected(const std::vector<StateRecord>& rows)
{
    if (m_nConnectState != kConnecting)
        return;
    ReportPortErrors();
    for (const StateRecord& record : rows)
        m_table->UpdateRow(record, 0, false);
    if (!rows.empty()) {
        m_table->selectRow(0);
        m_table->setCurrentCell(0, 0);
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
    m_controller->Disconnect();
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
    // The pause before Connect works again, without blocking the window.
    QTimer::singleShot(150, this, [this] { m_connectButton->setEnabled(m_nConnectState == kDisconnected); });
}

bool CZRQ6930_MaintenanceView::QueryQuit()
{
    if (m_nConnectState == kDisconnected)
        return true;
    if (ShowMessage(this, kQuitQuestion, MsgButtons::YesNo) != MsgAnswer::Yes)
        return false;
    if (!ToolCheck())
        return false;
    Disconnect(0);
    m_controller->Session().DestroyAll();
    return true;
}

} // namespace zr
