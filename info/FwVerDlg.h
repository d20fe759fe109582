#pragma once
// "FW Version": the CPU, DSP and FPGA versions read at identification.
#include <array>
#include <vector>

#include "info/InfoLists.h"
#include "ui/ToolWindow.h"

namespace zr {

// One link's stored V0, V1 and V2 replies, copied for the window.
struct FwVersionRow {
    int recNo = -1;
    std::array<ReplySlot, 3> versions{};
};

class CFwVerDlg : public CToolWindow {
    Q_OBJECT
public:
    CFwVerDlg(bool detailMode, QWidget* parent);
    // One row per link (linkCount), filled at each row's RecNo.
    void Fill(std::size_t linkCount, const std::vector<FwVersionRow>& rows);
    CListCtrlFwVer* List() const { return m_list; }

private:
    bool m_detailMode;
    CListCtrlFwVer* m_list;
};

} // namespace zr
