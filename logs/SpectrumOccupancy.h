#pragma once
// How busy each frequency of a spectrum log was, over all its daily parts:
// per frequency the highest level, the median of its sweeps and the share of
// sweeps at or above a threshold; and the frequencies that never reached it,
// grouped into ranges, for choosing a clean channel.
#include <cstdint>
#include <string>
#include <vector>

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

// 0 (kLogOpened) or the reader's result; `badPart` names a bad daily part.
// A header without a usable range is kLogInvalidType.
int ComputeOccupancy(const std::string& path, int threshold, SpectrumOccupancy& out, std::string* badPart = nullptr);

} // namespace zr
