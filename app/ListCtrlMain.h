#pragma once
// The receiver table: one row per receiver in number order.
#include <optional>
#include <vector>

#include "link/ReceiverRow.h"
#include "ui/ReportList.h"

namespace zr {

class CListCtrlMain : public CReportList {
    Q_OBJECT
public:
    explicit CListCtrlMain(QWidget* parent = nullptr);
    // 0 success, 1 failure.
    int SetupColumns();
    // update true: rewrite the existing row; false: append a row.
    void UpdateRow(const StateRecord& record, int row, bool update);
    // The receiver number shown in a row's "No." column, minus 1; -1 when none.
    int ReceiverOfRow(int row) const;

private:
    // What each row shows: every poll reply rewrites its row, and one that
    // brings nothing new (most of them while recording) costs no formatting.
    std::vector<std::optional<StateRecord>> m_shown;
};

} // namespace zr
