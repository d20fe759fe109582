#pragma once
// Reading walk-type records back into graph values: a record's four values,
// the spectrum time-domain reduction (one point per sweep), the time base of
// a spectrum log, and a run's summary for the command line.
#include <array>
#include <cstdint>
#include <vector>

#include "logs/LogFormat.h"

namespace zr {

// RF A, RF B, sync error, data error of a walk or background record, read
// from the record as it lies in the file.
inline std::array<uint16_t, 4> WalkSampleOfRecord(const uint8_t* record)
{
    const uint8_t flags = RecordRowByte(record, 2);
    return {RecordRowByte(record, 7), RecordRowByte(record, 6), static_cast<uint16_t>((flags >> 6) & 1), static_cast<uint16_t>((flags >> 7) & 1)};
}
// The frequency (kHz) a spectrum record holds.
int SpectrumRowKhz(const DataRow& row);
// Milliseconds per time-domain point: one sweep of the header's range at
// 200 ms per frequency point. Not positive for a header with no range.
int TimeDomainMsPerPoint(const LogHeaderBytes& header);
// Calendar seconds (local) of a local file time; 0 for one that is no time.
int64_t CalendarSecondsOfFileTime(int64_t fileTime);

// Follows one frequency through a spectrum log: the first record of each
// sweep at that frequency appends a point, later records of the same sweep
// raise it.
class CTimeDomainReducer {
public:
    enum Action { kSkip, kAppend, kReplace };
    explicit CTimeDomainReducer(int khz) : m_khz(khz) {}
    // `level` is the point's value for kAppend and kReplace.
    Action Feed(const DataRow& row, int& level);

private:
    int m_khz;
    int m_previousKhz = -1; // none yet
    int m_highest = 0;
};

struct WalkSummary {
    std::size_t samples = 0;
    int rfAMin = 0, rfAMedian = 0;
    int rfBMin = 0, rfBMedian = 0;
    std::size_t syncErrors = 0, dataErrors = 0; // samples with the error
};
WalkSummary SummarizeWalk(const std::vector<std::array<int, 4>>& samples);

} // namespace zr
