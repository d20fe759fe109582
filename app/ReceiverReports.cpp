// What the receiver controller reports, shown by the main view: rows, modes,
// replies to the tools and the recording, scan acknowledgements, losses.
#include "app/MaintenanceView.h"

#include "info/FwVerDlg.h"
#include "info/IdDlg.h"
#include "link/Commands.h"
#include "link/ReplyFields.h"
#include "publish/LiveFeed.h"
#include "ui/ToolWindow.h"

namespace zr {

void CZRQ6930_MaintenanceView::RowChanged(int recNo, const std::string& port, const StateRecord& row)
{
    m_table->UpdateRow(row, recNo, true);
    if (m_live)
        m_live->Row(recNo, port, row);
}

void CZRQ6930_MaintenanceView::ModeChanged(int recNo, int32_t mode)
{
    m_tools.ForwardMode(recNo, mode);
}

void CZRQ6930_MaintenanceView::Replied(const ReceiverReply& reply)
{
    if (reply.kind == kF4 && m_recording) {
        // Recording goes on when a record is lost; the user hears of it once.
        const auto appended = m_recorder.Append(reply.recNo, reply.reply.data());
        if (appended == CBackgroundRecorder::kFailedFirst)
            emit statusMessage(QString("Cannot write the Background Log of receiver %1: %2")
                                   .arg(reply.recNo + 1)
                                   .arg(QString::fromStdString(m_recorder.Doc(reply.recNo)->CurrentPath())));
        if (m_live && appended == CBackgroundRecorder::kAppended)
            m_live->Record(reply.recNo, m_recorder.Doc(reply.recNo)->LastRecordTime(), DecodeF4(reply.reply.data()));
    }
    m_tools.ForwardReply(reply);
}

void CZRQ6930_MaintenanceView::OneShotDone(int recNo, int kind, bool acknowledged)
{
    if (IsMonitored(recNo))
        m_tools.ForwardOneShot(recNo, kind, acknowledged);
}

void CZRQ6930_MaintenanceView::ReceiverLost(SessionReceiver& r, bool recovering)
{
    const int recNo = r.recNo;
    if (m_live)
        m_live->Lost(recNo);
    if (r.link && !r.link->LastError().empty())
        emit statusMessage(QString::fromStdString(r.link->PortName() + ": " + r.link->LastError()));
    // While recording the receiver is asked again; its row keeps "Comm Error"
    // until it is back, and the recording goes on for the others meanwhile.
    if (recovering) {
        m_tools.ReceiverLost(recNo);
        UpdateToolButtons();
        return;
    }
    const int selected = m_table->SelectedRow();
    if (selected >= 0 && m_table->ReceiverOfRow(selected) == recNo)
        for (QPushButton* b : m_toolButtons)
            b->setEnabled(false);
    if (m_controller->ServedCount() == 0) {
        StopBackgroundLog(1);
        m_idDlg->hide();
        m_fwVerDlg->hide();
        Disconnect(1);
    }
    // The windows of this receiver stop and hide; ID View clears its row.
    m_tools.ReceiverLost(recNo); // the row keeps "Comm Error  "
}

} // namespace zr
