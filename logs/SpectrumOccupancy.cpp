#include "logs/SpectrumOccupancy.h"

#include <algorithm>
#include <array>
#include <memory>

#include "logs/LogReader.h"

namespace zr {

namespace {

// One frequency's sweeps as a histogram of levels: medians without storing sweeps.
using LevelCounts = std::array<uint32_t, 256>;

int MedianOf(const LevelCounts& counts, uint32_t total)
{
    if (total == 0)
        return 0;
    const uint32_t middle = (total - 1) / 2; // the lower middle
    uint32_t seen = 0;
    for (int level = 0; level < 256; ++level) {
        seen += counts[static_cast<std::size_t>(level)];
        if (seen > middle)
            return level;
    }
    return 255;
}

} // namespace

int ComputeOccupancy(const std::string& path, int threshold, SpectrumOccupancy& out, std::string* badPart)
{
    std::vector<std::string> files;
    std::vector<std::unique_ptr<CLogReader>> readers;
    if (const int r = OpenLogSet(path, kLogSpec, files, readers, badPart); r != kLogOpened)
        return r;
    const LogHeaderBytes& h = readers.front()->Header();
    out = SpectrumOccupancy{};
    out.threshold = threshold;
    out.startKhz = (h[18] | (h[19] << 8)) * 25;
    out.stopKhz = (h[20] | (h[21] << 8)) * 25;
    out.stepKhz = h[17] == 0 ? 25 : h[17] == 1 ? 125 : 0;
    if (out.stepKhz == 0 || out.stopKhz < out.startKhz)
        return kLogInvalidType; // no range this program could have scanned
    const std::size_t n = static_cast<std::size_t>((out.stopKhz - out.startKhz) / out.stepKhz + 1);
    std::vector<LevelCounts> counts(n, LevelCounts{});
    std::vector<int> highest(n, 0);

    // A visit is a run of records at one frequency: one sweep's reading there.
    int visitKhz = -1;
    int visitLevel = 0;
    auto endVisit = [&] {
        if (visitKhz < out.startKhz || visitKhz > out.stopKhz || (visitKhz - out.startKhz) % out.stepKhz != 0)
            return; // outside the header's range or off its steps: skipped, as the viewer does
        const auto i = static_cast<std::size_t>((visitKhz - out.startKhz) / out.stepKhz);
        ++counts[i][static_cast<std::size_t>(visitLevel)];
        highest[i] = std::max(highest[i], visitLevel);
    };
    for (const auto& reader : readers) {
        const uint8_t* raw = nullptr;
        std::size_t got;
        while ((got = reader->ReadRawRecords(raw, 4096)) > 0) {
            for (std::size_t k = 0; k < got; ++k) {
                const uint8_t* record = raw + k * kLogRecordSize;
                const int khz = (RecordRowByte(record, 0) | (RecordRowByte(record, 1) << 8)) * 25;
                const int level = std::max(RecordRowByte(record, 7), RecordRowByte(record, 6));
                if (khz != visitKhz) {
                    if (visitKhz >= 0)
                        endVisit();
                    visitKhz = khz;
                    visitLevel = level;
                } else {
                    visitLevel = std::max(visitLevel, level);
                }
            }
        }
    }
    if (visitKhz >= 0)
        endVisit();

    out.points.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        FrequencyOccupancy& p = out.points[i];
        p.khz = out.startKhz + static_cast<int>(i) * out.stepKhz;
        p.highest = highest[i];
        for (int level = 0; level < 256; ++level) {
            p.sweeps += counts[i][static_cast<std::size_t>(level)];
            if (level >= threshold)
                p.busy += counts[i][static_cast<std::size_t>(level)];
        }
        p.median = MedianOf(counts[i], p.sweeps);
    }
    // Clean: swept at least once and never at the threshold.
    for (std::size_t i = 0; i < n;) {
        if (out.points[i].sweeps == 0 || out.points[i].highest >= threshold) {
            ++i;
            continue;
        }
        CleanRange range{out.points[i].khz, out.points[i].khz, 0};
        for (; i < n && out.points[i].sweeps > 0 && out.points[i].highest < threshold; ++i) {
            range.stopKhz = out.points[i].khz;
            ++range.points;
        }
        out.clean.push_back(range);
    }
    std::stable_sort(out.clean.begin(), out.clean.end(), [](const CleanRange& a, const CleanRange& b) { return a.points > b.points; });
    return kLogOpened;
}

} // namespace zr
