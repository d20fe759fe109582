#include "info/InfoLists.h"

#include "link/Commands.h"
#include "link/PollPacer.h"

namespace zr {

CListCtrlFwVer::CListCtrlFwVer(QWidget* parent) : CReportList(parent, "fwVerList")
{
    SetColumns({"No.", "FW-C", "FW-D", "FW-F"});
}

void CListCtrlFwVer::SetVersions(int row, const std::array<ReplySlot, 3>& versions, bool detailMode)
{
    for (int v = 0; v < 3; ++v) {
        SetCellText(row, v + 1, QString::fromStdString(VersionCellText(versions[static_cast<std::size_t>(v)].data(), detailMode)));
        resizeColumnToContents(v + 1);
    }
}

CListCtrlId::CListCtrlId(QWidget* parent) : CReportList(parent, "idList")
{
    SetColumns({"No.", "ID"});
    AppendNumberedRows(kMaxReceivers, " - ");
}

void CListCtrlId::SetId(const uint8_t* reply, int row)
{
    SetCellText(row, 1, QString::fromStdString(IdCellText(reply)));
}

CListCtrlFbsParam::CListCtrlFbsParam(QWidget* parent) : CReportList(parent, "fbsList")
{
    SetColumns({"Filter No.", "Freq.[kHz]", "Gain[dB]", "On/Off"});
    for (int row = 0; row < kFbsFilterCount; ++row) {
        insertRow(row);
        SetCellText(row, 0, QString::number(row + 1, 16).toUpper());
        SetCellText(row, 1, " - ");
        SetCellText(row, 2, "0");
        SetCellText(row, 3, "Off");
    }
}

void CListCtrlFbsParam::ResetRows()
{
    for (int row = 0; row < rowCount(); ++row)
        for (int c = 1; c <= 3; ++c)
            SetCellText(row, c, " - ");
}

void CListCtrlFbsParam::UpdateRow(const uint8_t* reply, int row)
{
    const FbsCells cells = FbsCellTexts(reply);
    SetCellText(row, 1, QString::fromStdString(cells.frequency));
    SetCellText(row, 2, QString::fromStdString(cells.gain));
    SetCellText(row, 3, QString::fromStdString(cells.onOff));
}

} // namespace zr
