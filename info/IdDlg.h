#pragma once
// "ID View": each receiver's ID, polled while the window is open.
#include <cstdint>

#include "info/InfoLists.h"
#include "ui/ToolRequests.h"
#include "ui/ToolWindow.h"

namespace zr {

class CIdDlg : public CToolWindow {
    Q_OBJECT
public:
    CIdDlg(IToolRequests* host, QWidget* parent);
    // From an F6 reply (10 characters), into row recNo.
    void SetId(const uint8_t* reply, int recNo) { m_list->SetId(reply, recNo); }
    CListCtrlId* List() const { return m_list; }

    void OnPollReply(const ReceiverReply& reply) override;
    void OnReceiverLost(int recNo) override;

protected:
    void WindowGone() override;

private:
    IToolRequests* m_host;
    CListCtrlId* m_list;
};

} // namespace zr
