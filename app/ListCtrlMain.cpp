#include "app/ListCtrlMain.h"

namespace zr {

CListCtrlMain::CListCtrlMain(QWidget* parent) : CReportList(parent, "receiverTable") {}

int CListCtrlMain::SetupColumns()
{
    QStringList headers;
    for (const char* h : kColumnHeaders)
        headers << QString::fromLatin1(h);
    SetColumns(headers);
    return columnCount() == kColumnCount ? 0 : 1;
}

void CListCtrlMain::UpdateRow(const StateRecord& record, int row, bool update)
{
    if (!update) {
        row = rowCount();
        insertRow(row);
    }
    if (row < 0 || row >= rowCount())
        return;
    // Rows come only from here, so a row's entry is what it shows.
    if (m_shown.size() <= static_cast<std::size_t>(row))
        m_shown.resize(static_cast<std::size_t>(row) + 1);
    std::optional<StateRecord>& shown = m_shown[static_cast<std::size_t>(row)];
    if (update && shown == record)
        return;
    shown = record;
    const RowTexts texts = FormatReceiverRow(record, row);
    for (int c = 0; c < kColumnCount; ++c)
        // The EQ and Status texts vary in width: those columns follow them.
        if (SetCellText(row, c, QString::fromStdString(texts[static_cast<std::size_t>(c)])) && (c == 7 || c == 8))
            resizeColumnToContents(c);
}

int CListCtrlMain::ReceiverOfRow(int row) const
{
    bool ok = false;
    const int no = CellText(row, 0).toInt(&ok);
    return ok ? no - 1 : -1;
}

} // namespace zr
