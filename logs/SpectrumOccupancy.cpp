#include "logs/SpectrumOccupancy.h"

#include <algorithm>
#include <array>
#include <memory>

#include "logs/LogReader.h"
#include "logs/SpectrumLog.h"

namespace zr {

namespace {

// One frequency's sweeps as a histogram of levels: medians without storing sweeps.
int MedianOf(const std::vector<uint32_t>& counts, uint32_t total)
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

COccupancyCounter::COccupancyCounter(int startKhz, int stopKhz, int stepKhz, int threshold, bool keepWaterfall)
    : m_threshold(threshold), m_keepWaterfall(keepWaterfall)
{
    m_range.startKhz = startKhz, m_range.stopKhz = stopKhz, m_range.stepKhz = stepKhz;
    const std::size_t n = m_range.Points();
    m_counts.resize(n); // a header names the range; memory follows what was swept
    m_highest.assign(n, 0);
}

void COccupancyCounter::FeedRecord(const uint8_t* record)
{
    const int khz = SpectrumRecordKhz(record);
    const int level = SpectrumRecordLevel(record);
    if (khz == m_visitKhz) {
        m_visitLevel = std::max(m_visitLevel, level);
        return;
    }
    if (m_visitKhz >= 0)
        EndVisit();
    m_visitKhz = khz;
    m_visitLevel = level;
}

void COccupancyCounter::EndVisit()
{
    const long point = m_range.PointOf(m_visitKhz);
    if (point < 0)
        return; // outside the header's range: skipped, as the viewer does
    const auto i = static_cast<std::size_t>(point);
    if (m_counts[i].empty())
        m_counts[i].assign(256, 0);
    ++m_counts[i][static_cast<std::size_t>(m_visitLevel)];
    m_highest[i] = std::max(m_highest[i], m_visitLevel);
    if (!m_keepWaterfall)
        return;
    const std::size_t points = m_highest.size();
    if (m_waterfall.empty() || static_cast<long>(i) <= m_lastIndex) {
        // The sweep started over: a new row, while the picture stays within its bound.
        if (m_waterfall.size() + points > kMaxWaterfallBytes) {
            m_keepWaterfall = false;
            return;
        }
        m_waterfall.resize(m_waterfall.size() + points, 0);
    }
    m_waterfall[m_waterfall.size() - points + i] = static_cast<uint8_t>(m_visitLevel);
    m_lastIndex = static_cast<long>(i);
}

void COccupancyCounter::Finish(SpectrumOccupancy& out)
{
    if (m_visitKhz >= 0)
        EndVisit();
    m_visitKhz = -1;
    const std::size_t n = m_highest.size();
    out.threshold = m_threshold;
    out.points.assign(n, FrequencyOccupancy{});
    out.clean.clear();
    for (std::size_t i = 0; i < n; ++i) {
        FrequencyOccupancy& p = out.points[i];
        p.khz = m_range.KhzOfPoint(i);
        p.highest = m_highest[i];
        const std::vector<uint32_t>& counts = m_counts[i];
        if (counts.empty())
            continue; // never swept
        for (int level = 0; level < 256; ++level) {
            p.sweeps += counts[static_cast<std::size_t>(level)];
            if (level >= m_threshold)
                p.busy += counts[static_cast<std::size_t>(level)];
        }
        p.median = MedianOf(counts, p.sweeps);
    }
    // Clean: swept at least once and never at the threshold.
    for (std::size_t i = 0; i < n;) {
        if (out.points[i].sweeps == 0 || out.points[i].highest >= m_threshold) {
            ++i;
            continue;
        }
        CleanRange range{out.points[i].khz, out.points[i].khz, 0};
        for (; i < n && out.points[i].sweeps > 0 && out.points[i].highest < m_threshold; ++i) {
            range.stopKhz = out.points[i].khz;
            ++range.points;
        }
        out.clean.push_back(range);
    }
    std::stable_sort(out.clean.begin(), out.clean.end(), [](const CleanRange& a, const CleanRange& b) { return a.points > b.points; });
}

int ComputeOccupancy(const std::string& path, int threshold, SpectrumOccupancy& out, std::string* badPart)
{
    std::vector<std::string> files;
    std::vector<std::unique_ptr<CLogReader>> readers;
    if (const int r = OpenLogSet(path, kLogSpec, files, readers, badPart); r != kLogOpened)
        return r;
    SpectrumLogRange range;
    if (!DecodeSpectrumHeader(readers.front()->Header().data(), range))
        return kLogInvalidType; // the reader refuses these already
    out = SpectrumOccupancy{};
    out.startKhz = range.startKhz, out.stopKhz = range.stopKhz, out.stepKhz = range.stepKhz;
    COccupancyCounter counter(out.startKhz, out.stopKhz, out.stepKhz, threshold);
    for (const auto& reader : readers) {
        const uint8_t* raw = nullptr;
        std::size_t got;
        while ((got = reader->ReadRawRecords(raw, 4096)) > 0)
            for (std::size_t k = 0; k < got; ++k)
                counter.FeedRecord(raw + k * kLogRecordSize);
    }
    counter.Finish(out);
    return kLogOpened;
}

} // namespace zr
