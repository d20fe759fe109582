#include "info/IdDlg.h"

#include <QVBoxLayout>

#include "link/PollPacer.h"

namespace zr {

CIdDlg::CIdDlg(IToolRequests* host, QWidget* parent) : CToolWindow(parent, "idDlg", "ID View", DialogKeys::Close), m_host(host)
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
    m_host->IdViewClosed();
}

} // namespace zr
