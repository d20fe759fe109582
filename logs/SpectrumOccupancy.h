#pragma once
// How busy each frequency of a spectrum log was, over all its daily parts:
// per frequency the highest level, the median of its sweeps and the share of
// sweeps at or above a threshold; and the frequencies that never reached it,
// grouped into ranges, for choosing a clean channel.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "logs/SpectrumLog.h"

namespace zr {

struct FrequencyOccupancy {
    int khz = 0;
    int highest = 0;    // dBuV over the whole log
    int median = 0;     // of the sweeps' levels (each sweep's highest at this frequency)
    uint32_t sweeps = 0;
    uint32_t busy = 0;  // sweeps at or above the threshold
    double BusyShare() const { return sweeps ? static_cast<double>(busy) / sweeps : 0.0; }
};

struct CleanRange {
    int startKhz = 0, stopKhz = 0;
    int points = 0;
};

struct SpectrumOccupancy {
    int startKhz = 0, stopKhz = 0, stepKhz = 0;
    int threshold = 25;
    std::vector<FrequencyOccupancy> points; // in frequency order
    std::vector<CleanRange> clean;          // widest first
};

// Counts a spectrum log record by record: each visit of the sweep to a
// frequency (a run of records there) is one sweep's reading, its highest
// level. Optionally keeps the readings as a waterfall: a row per sweep.
class COccupancyCounter {
public:
    COccupancyCounter(int startKhz, int stopKhz, int stepKhz, int threshold, bool keepWaterfall = false);
    // A record as it lies in the file.
    void FeedRecord(const uint8_t* record);
    // The counts so far as occupancy and clean ranges (ends the open visit).
    void Finish(SpectrumOccupancy& out);
    // Sweeps in rows of Points() levels (0 where a sweep did not reach a point);
    // the first sweeps only, when a log holds more than kMaxWaterfallBytes of them.
    const std::vector<uint8_t>& Waterfall() const { return m_waterfall; }
    std::size_t Points() const { return m_highest.size(); }
    static constexpr std::size_t kMaxWaterfallBytes = 16u << 20;

private:
    void EndVisit();

    struct FreeCounts {
        void operator()(uint32_t* p) const { std::free(p); }
    };

    SpectrumLogRange m_range;
    CSpectrumPointTable m_points;
    int m_threshold;
    bool m_keepWaterfall;
    // Per point, sweeps by level: 256 counts a point, in one block that the
    // system hands out zeroed page by page as they are first counted in, so
    // a header's wide range costs memory only where it was swept.
    std::unique_ptr<uint32_t[], FreeCounts> m_counts;
    std::vector<int> m_highest;
    std::vector<uint8_t> m_waterfall;
    long m_visitCode = -1;
    int m_visitLevel = 0;
    long m_lastIndex = -1; // the point of the previous visit: a lower one starts a new sweep
};

// 0 (kLogOpened) or the reader's result; `badPart` names a bad daily part.
// A header without a usable range is kLogInvalidType.
int ComputeOccupancy(const std::string& path, int threshold, SpectrumOccupancy& out, std::string* badPart = nullptr);

} // namespace zr
