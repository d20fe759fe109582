#pragma once
// The list controls of the information windows.
#include <array>

#include "link/Frame.h"
#include "ui/ReportList.h"

namespace zr {

// FW Version: "No.", "FW-C", "FW-D", "FW-F" (CPU, DSP, FPGA).
class CListCtrlFwVer : public CReportList {
    Q_OBJECT
public:
    explicit CListCtrlFwVer(QWidget* parent);
    // Appends rows numbered 1 to n.
    void InsertRows(int count) { AppendNumberedRows(count); }
    // Columns 1 to 3 of `row` from the stored V0, V1 and V2 replies, each then
    // sized to its content.
    void SetVersions(int row, const std::array<ReplySlot, 3>& versions, bool detailMode);
};

// ID View: "No." and "ID", sixteen fixed rows.
class CListCtrlId : public CReportList {
    Q_OBJECT
public:
    explicit CListCtrlId(QWidget* parent);
    // Column 1 of `row` from an F6 reply (10 characters).
    void SetId(const uint8_t* reply, int row);
};

// FBS Detail: "Filter No.", "Freq.[kHz]", "Gain[dB]", "On/Off", seven rows.
class CListCtrlFbsParam : public CReportList {
    Q_OBJECT
public:
    explicit CListCtrlFbsParam(QWidget* parent);
    // Columns 1 to 3 of every row to " - ".
    void ResetRows();
    // Columns 1 to 3 of `row` (0..6) from a filter's F5 reply.
    void UpdateRow(const uint8_t* reply, int row);
};

} // namespace zr
