#pragma once
// The receiver table: one row per receiver in number order.
#include <QTableWidget>

#include "link/ReceiverRow.h"

namespace zr {

class CListCtrlMain : public QTableWidget {
    Q_OBJECT
public:
    explicit CListCtrlMain(QWidget* parent = nullptr);
    // 0 success, 1 failure.
    int SetupColumns();
    // update true: rewrite the existing row; false: append a row.
    void UpdateRow(const StateRecord& record, int row, bool update);
    // The receiver number shown in a row's "No." column, minus 1; -1 when none.
    int ReceiverOfRow(int row) const;
    int SelectedRow() const;
    QString CellText(int row, int column) const;
    // Cells written since creation; an unchanged cell is never written.
    int CellWrites() const { return m_cellWrites; }

private:
    void WriteCell(int row, int column, const QString& text);
    int m_cellWrites = 0;
};

} // namespace zr
