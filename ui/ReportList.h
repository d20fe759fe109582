#pragma once
// A list view in report style: fixed headers, centred cells, whole rows
// selected one at a time, nothing editable. A cell is rewritten only when its
// text changes, so a steady stream of equal replies costs no repaint.
#include <QStringList>
#include <QTableWidget>

namespace zr {

class CReportList : public QTableWidget {
    Q_OBJECT
public:
    CReportList(QWidget* parent, const char* objectName);

    // The columns, each centred and sized to its header.
    void SetColumns(const QStringList& headers);
    // Writes the cell when its text differs; true when it was written.
    bool SetCellText(int row, int column, const QString& text);
    QString CellText(int row, int column) const;
    // Appends rows whose first column reads 1, 2, ... and the others `fill`.
    void AppendNumberedRows(int count, const QString& fill = QString());
    int SelectedRow() const;
    // The height that shows a header and `rows` rows without scrolling.
    int HeightForRows(int rows) const;
    // Cells written since creation.
    int CellWrites() const { return m_cellWrites; }

private:
    int m_cellWrites = 0;
};

} // namespace zr
