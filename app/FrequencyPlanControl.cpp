// The main view's side of the frequency plan: the window on the spectrum log
// the viewer shows, and the check of the connected receivers' frequencies.
#include "app/MaintenanceView.h"
#include "link/Commands.h"
#include "link/ReplyFields.h"
#include "scan/FrequencyPlanDlg.h"
#include "scan/SpScanDlg.h"

namespace zr {

void CZRQ6930_MaintenanceView::ShowFrequencyPlan()
{
    // The log the viewer shows, unless a plan window already works on one.
    const std::string& shown = m_spLogViewer->LogPath();
    if (!m_planDlg->Running() && !shown.empty() && shown != m_planDlg->LogPath())
        m_planDlg->SetLog(shown);
    m_planDlg->show();
    m_planDlg->raise();
    m_planDlg->activateWindow();
}

std::vector<std::pair<int, int>> CZRQ6930_MaintenanceView::ReceiverFrequencies() const
{
    std::vector<std::pair<int, int>> out;
    for (int recNo = 0; recNo < kMaxReceivers; ++recNo)
        if (const CReceiverLink* link = IsMonitored(recNo) ? LinkOf(recNo) : nullptr)
            out.emplace_back(recNo + 1, ReadReplyField(link->Reply(kF0).data(), F0Field::Frequency, 0));
    return out;
}

void CZRQ6930_MaintenanceView::CheckReceiverFrequencies()
{
    ShowFrequencyPlan();
    m_planDlg->CheckFrequencies(ReceiverFrequencies());
}

} // namespace zr
