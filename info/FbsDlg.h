#pragma once
// "FBS Detail": the seven filters of one receiver's feedback suppressor,
// polled every 100 ms while the window is open. One changed row per poll.
#include "info/InfoLists.h"
#include "ui/ToolRequests.h"
#include "ui/ToolWindow.h"

namespace zr {

class CFbsDlg : public CToolWindow {
    Q_OBJECT
public:
    CFbsDlg(IToolRequests* host, QWidget* parent);
    // Before showing: the receiver, the caption, " - " rows, an empty cache.
    void Prepare(int recNo);
    CListCtrlFbsParam* List() const { return m_list; }

    void OnPollReply(const ReceiverReply& reply) override;
    void OnReceiverLost(int recNo) override;

protected:
    void WindowGone() override;

private:
    IToolRequests* m_host;
    QString m_baseCaption;
    CListCtrlFbsParam* m_list;
    FbsRecords m_shown{}; // the filter replies the rows show
};

} // namespace zr
