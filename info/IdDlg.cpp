#include "info/IdDlg.h"

#include <QVBoxLayout>

#include "link/AppMessages.h"
#include "link/PollPacer.h"

namespace zr {

CIdDlg::CIdDlg(IMessageOwner* owner, QWidget* parent) : CToolWindow(parent, "idDlg", "ID View", DialogKeys::Close), m_owner(owner)
{
    SetReceiver(kAllReceivers);
    m_list = new CListCtrlId(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    m_list->setMinimumHeight(m_list->HeightForRows(kMaxReceivers));
    resize(280, 0);
}

void CIdDlg::OnPollReply(const ReceiverReply& r)
{
    if (r.kind == kF6 && isVisible())
        SetId(r.reply.data(), r.recNo);
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
