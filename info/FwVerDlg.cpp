#include "info/FwVerDlg.h"

#include <QHeaderView>
#include <QVBoxLayout>

#include "link/Commands.h"

namespace zr {

CFwVerDlg::CFwVerDlg(bool detailMode, QWidget* parent)
    : CToolWindow(parent, "fwVerDlg", "FW Version", DialogKeys::Close), m_detailMode(detailMode)
{
    SetReceiver(kAllReceivers);
    m_list = new QTableWidget(0, 4, this);
    m_list->setHorizontalHeaderLabels({"No.", "FW-C", "FW-D", "FW-F"});
    m_list->verticalHeader()->setVisible(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    resize(340, 320);
}

void CFwVerDlg::Fill(std::size_t linkCount, const std::vector<FwVersionRow>& rows)
{
    m_list->setRowCount(0);
    m_list->setRowCount(static_cast<int>(linkCount));
    for (int r = 0; r < m_list->rowCount(); ++r) {
        auto* no = new QTableWidgetItem(QString::number(r + 1));
        no->setTextAlignment(Qt::AlignCenter);
        m_list->setItem(r, 0, no);
    }
    for (const FwVersionRow& r : rows) {
        const int row = r.recNo;
        if (row < 0 || row >= m_list->rowCount())
            continue;
        for (int v = 0; v < 3; ++v) {
            auto* cell = new QTableWidgetItem(QString::fromStdString(VersionCellText(r.versions[static_cast<std::size_t>(v)].data(), m_detailMode)));
            cell->setTextAlignment(Qt::AlignCenter);
            m_list->setItem(row, v + 1, cell);
        }
    }
    m_list->resizeColumnsToContents();
}

} // namespace zr
