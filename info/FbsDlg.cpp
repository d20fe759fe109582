#include "info/FbsDlg.h"

#include <QVBoxLayout>

#include "link/Commands.h"
#include "link/ReplyFields.h"

namespace zr {

CFbsDlg::CFbsDlg(IToolRequests* host, QWidget* parent) : CToolWindow(parent, "fbsDlg", "FBS Detail", DialogKeys::Ignored), m_host(host)
{
    m_baseCaption = windowTitle();
    m_list = new CListCtrlFbsParam(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    m_list->setMinimumHeight(m_list->HeightForRows(kFbsFilterCount));
    resize(420, 0);
}

void CFbsDlg::Prepare(int recNo)
{
    SetReceiver(recNo);
    setWindowTitle(m_baseCaption + " > " + "RECEIVER" + " " + QString::number(recNo + 1));
    m_list->ResetRows();
    m_shown = {};
}

void CFbsDlg::OnPollReply(const ReceiverReply& r)
{
    if (r.kind != kF5 || !isVisible())
        return;
    const int row = NextChangedFbsFilter(r.filters, ReadReplyField(r.state.data(), F0Field::Fbs), m_shown);
    if (row >= 0)
        m_list->UpdateRow(m_shown[static_cast<std::size_t>(row)].data(), row);
}

void CFbsDlg::OnReceiverLost(int)
{
    hide();
}

void CFbsDlg::WindowGone()
{
    m_host->FbsDetailClosed(Receiver());
}

} // namespace zr
