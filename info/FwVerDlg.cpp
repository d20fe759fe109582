#include "info/FwVerDlg.h"

#include <QVBoxLayout>

namespace zr {

CFwVerDlg::CFwVerDlg(bool detailMode, QWidget* parent)
    : CToolWindow(parent, "fwVerDlg", "FW Version", DialogKeys::Close), m_detailMode(detailMode)
{
    SetReceiver(kAllReceivers);
    m_list = new CListCtrlFwVer(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    resize(340, 320);
}

void CFwVerDlg::Fill(std::size_t linkCount, const std::vector<FwVersionRow>& rows)
{
    m_list->setRowCount(0);
    m_list->InsertRows(static_cast<int>(linkCount));
    for (const FwVersionRow& r : rows)
        if (r.recNo >= 0 && r.recNo < m_list->rowCount()) // a link without a number fills no row
            m_list->SetVersions(r.recNo, r.versions, m_detailMode);
}

} // namespace zr
