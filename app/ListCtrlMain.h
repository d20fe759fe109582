#pragma once
// The receiver table: one row per receiver in number order.
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
};

} // namespace zr
