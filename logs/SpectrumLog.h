#pragma once
// A spectrum log read the one way every reader reads it: the range and step
// its header names, which frequency a record holds and at which point of the
// range it lands, and the highest level per point.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "logs/LogFormat.h"

namespace zr {

struct SpectrumLogRange {
    int receiverIndex = 0; // 0..15
    int startKhz = 0, stopKhz = 0, stepKhz = 0;
    bool operator==(const SpectrumLogRange&) const = default;
    // Points of the range: (stop - start) / step + 1.
    std::size_t Points() const;
    // The point a frequency lands on: f / step - start / step, as the live
    // window stores it; -1 outside the range or past its last point.
    long PointOf(int khz) const;
    // The frequency of point i: start + i * step.
    int KhzOfPoint(std::size_t i) const { return startKhz + static_cast<int>(i) * stepKhz; }
};

// The range a spectrum header names; false when it names none this program
// could have scanned (a step code other than 0 or 1, start above stop).
bool DecodeSpectrumHeader(const uint8_t* header, SpectrumLogRange& out);

// A record as it lies in the file: its frequency (kHz) and its level (the
// higher of the two antennas).
int SpectrumRecordKhz(const uint8_t* record);
int SpectrumRecordLevel(const uint8_t* record);
// Its frequency as stored, in 25 kHz units (the kHz are 25 times it).
inline unsigned SpectrumRecordCode(const uint8_t* record)
{
    return RecordRowByte(record, 0) | (RecordRowByte(record, 1) << 8u);
}

// PointOf for every frequency a record can hold, worked out once: a week of
// records is millions of look-ups.
class CSpectrumPointTable {
public:
    explicit CSpectrumPointTable(const SpectrumLogRange& range);
    // PointOf(25 * code).
    long PointOfCode(unsigned code) const
    {
        const unsigned k = code - m_firstCode; // below the first wraps to far above the last
        return k < m_points.size() ? m_points[k] : -1;
    }

private:
    unsigned m_firstCode = 0;
    std::vector<int32_t> m_points;
};

// The highest level of every point over the records fed; records outside the
// range are skipped.
class CSpectrumHighest {
public:
    explicit CSpectrumHighest(const SpectrumLogRange& range) : m_points(range), m_levels(range.Points(), 0) {}
    void FeedRecord(const uint8_t* record);
    const std::vector<uint16_t>& Levels() const { return m_levels; }

private:
    CSpectrumPointTable m_points;
    std::vector<uint16_t> m_levels;
};

// A spectrum log file decoded for its viewer, off the user-interface thread:
// the range, the highest level per point over the whole file, how often each
// point was busy (percent of its sweeps at or above `busyLevel`) and the
// sweeps as a waterfall. `progress` hears the 32-byte blocks read so far.
struct SpectrumPlayback {
    int result = 0; // LogOpenResult
    SpectrumLogRange range;
    std::vector<uint16_t> highest;
    std::vector<uint8_t> busy;
    std::vector<uint8_t> waterfall;
};
SpectrumPlayback PlaySpectrumLog(const std::string& path, int busyLevel, const std::function<void(uint64_t)>& progress);

} // namespace zr
