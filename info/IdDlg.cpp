#include "info/IdDlg.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QVBoxLayout>

#include "link/AppMessages.h"
#include "link/Commands.h"

namespace zr {

CIdDlg::CIdDlg(IMessageOwner* owner, QWidget* parent) : QDialog(parent), m_owner(owner)
{
    setObjectName("idDlg");
    setWindowTitle("ID View");
    m_list = new QTableWidget(16, 2, this);
    m_list->setHorizontalHeaderLabels({"No.", "ID"});
    m_list->verticalHeader()->setVisible(false);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 2; ++c) {
            auto* cell = new QTableWidgetItem(c == 0 ? QString::number(r + 1) : QString(" - "));
            cell->setTextAlignment(Qt::AlignCenter);
            m_list->setItem(r, c, cell);
        }
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    resize(300, 460);
}

void CIdDlg::SetId(const uint8_t* reply, int recNo)
{
    if (recNo < 0 || recNo >= 16)
        return;
    const QString text = QString::fromStdString(IdCellText(reply));
    if (m_list->item(recNo, 1)->text() != text)
        m_list->item(recNo, 1)->setText(text);
}

void CIdDlg::closeEvent(QCloseEvent* e)
{
    m_owner->Post(WM_APP_ID_VIEW_CLOSED, 0, 0);
    QDialog::closeEvent(e);
}

} // namespace zr
