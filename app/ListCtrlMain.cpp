#include "app/ListCtrlMain.h"

#include <QHeaderView>

namespace zr {

CListCtrlMain::CListCtrlMain(QWidget* parent) : QTableWidget(parent)
{
    setObjectName("receiverTable");
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->setVisible(false);
    setAlternatingRowColors(false);
}

int CListCtrlMain::SetupColumns()
{
    setColumnCount(kColumnCount);
    QStringList headers;
    for (const char* h : kColumnHeaders)
        headers << QString::fromLatin1(h);
    setHorizontalHeaderLabels(headers);
    for (int c = 0; c < kColumnCount; ++c) {
        horizontalHeaderItem(c)->setTextAlignment(Qt::AlignCenter);
        resizeColumnToContents(c);
    }
    return columnCount() == kColumnCount ? 0 : 1;
}

void CListCtrlMain::WriteCell(int row, int column, const QString& text)
{
    QTableWidgetItem* cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem(text);
        cell->setTextAlignment(Qt::AlignCenter);
        setItem(row, column, cell);
    } else {
        cell->setText(text);
    }
    ++m_cellWrites;
    if (column == 7 || column == 8)
        resizeColumnToContents(column);
}

void CListCtrlMain::UpdateRow(const StateRecord& record, int row, bool update)
{
    if (!update)
        row = rowCount();
    const RowTexts texts = FormatReceiverRow(record, row);
    if (!update) {
        insertRow(row);
        for (int c = 0; c < kColumnCount; ++c)
            WriteCell(row, c, QString::fromStdString(texts[static_cast<std::size_t>(c)]));
        return;
    }
    if (row < 0 || row >= rowCount())
        return;
    for (int c = 0; c < kColumnCount; ++c) {
        const QString text = QString::fromStdString(texts[static_cast<std::size_t>(c)]);
        if (CellText(row, c) != text)
            WriteCell(row, c, text);
    }
}

int CListCtrlMain::ReceiverOfRow(int row) const
{
    bool ok = false;
    const int no = CellText(row, 0).toInt(&ok);
    return ok ? no - 1 : -1;
}

int CListCtrlMain::SelectedRow() const
{
    const auto rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList{};
    return rows.isEmpty() ? -1 : rows.first().row();
}

QString CListCtrlMain::CellText(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

} // namespace zr
