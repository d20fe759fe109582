#include "info/IdDlg.h"

#include <QHeaderView>
#include <QVBoxLayout>

#include "link/AppMessages.h"
#include "link/Commands.h"
#include "link/PollPacer.h"

namespace zr {

CIdDlg::CIdDlg(IMessageOwner* owner, QWidget* parent) : CToolWindow(parent, "idDlg", "ID View", DialogKeys::Close), m_owner(owner)
{
    SetReceiver(kAllReceivers);
    m_list = new QTableWidget(kMaxReceivers, 2, this);
    m_list->setHorizontalHeaderLabels({"No.", "ID"});
    m_list->verticalHeader()->setVisible(false);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int r = 0; r < kMaxReceivers; ++r) {
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
    if (recNo < 0 || recNo >= kMaxReceivers)
        return;
    const QString text = QString::fromStdString(IdCellText(reply));
    if (m_list->item(recNo, 1)->text() != text)
        m_list->item(recNo, 1)->setText(text);
}

void CIdDlg::OnPollReply(int recNo, int kind, const ReplySlot& reply)
{
    if (kind == kF6 && isVisible())
        SetId(reply.data(), recNo);
}

void CIdDlg::OnReceiverLost(int recNo)
{
    const uint8_t noId[10] = {'F', '6'};
    SetId(noId, recNo);
}

void CIdDlg::WindowGone()
{
    // Every way out ends the ID polling: close button, Escape, Enter, a hide.
    m_owner->Post(WM_APP_ID_VIEW_CLOSED, 0, 0);
}

} // namespace zr
