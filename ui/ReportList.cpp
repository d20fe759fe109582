#include "ui/ReportList.h"

#include <QHeaderView>
#include <QStyledItemDelegate>

namespace zr {

namespace {

// The system's cell texts carry blanks ("Logging     ", "  Off  "): the cell
// keeps the text as it is, and shows it centred without them.
class CCentredTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = option->text.trimmed();
    }
};

} // namespace

CReportList::CReportList(QWidget* parent, const char* objectName) : QTableWidget(parent)
{
    setObjectName(objectName);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->setVisible(false);
    // Compact rows sized to the font, as a report-style list has them.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // The last column fills what is left of the list's width.
    horizontalHeader()->setStretchLastSection(true);
    setItemDelegate(new CCentredTextDelegate(this));
    setAlternatingRowColors(false);
}

int CReportList::HeightForRows(int rows) const
{
    return horizontalHeader()->sizeHint().height() + rows * verticalHeader()->defaultSectionSize() + 2 * frameWidth();
}

void CReportList::SetColumns(const QStringList& headers)
{
    setColumnCount(static_cast<int>(headers.size()));
    setHorizontalHeaderLabels(headers);
    for (int c = 0; c < columnCount(); ++c) {
        horizontalHeaderItem(c)->setTextAlignment(Qt::AlignCenter);
        resizeColumnToContents(c);
    }
}

bool CReportList::SetCellText(int row, int column, const QString& text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return false;
    QTableWidgetItem* cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem(text);
        cell->setTextAlignment(Qt::AlignCenter);
        setItem(row, column, cell);
    } else if (cell->text() != text) {
        cell->setText(text);
    } else {
        return false;
    }
    ++m_cellWrites;
    return true;
}

QString CReportList::CellText(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void CReportList::AppendNumberedRows(int count, const QString& fill)
{
    for (int i = 0; i < count; ++i) {
        const int row = rowCount();
        insertRow(row);
        SetCellText(row, 0, QString::number(row + 1));
        for (int c = 1; c < columnCount(); ++c)
            SetCellText(row, c, fill);
    }
}

int CReportList::SelectedRow() const
{
    const auto rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList{};
    return rows.isEmpty() ? -1 : rows.first().row();
}

} // namespace zr
